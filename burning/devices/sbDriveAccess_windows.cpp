// Why a drive cannot be used, on Windows: drives are opened by letter through the
// real-drive backend, which has its own words; there are no device files to explain.
#include "sbDriveAccess.h"

#include <QCoreApplication>

#include <atomic>

#include "Discwright.h"

namespace {
std::atomic<bool> driveNodesProbed{false};
}  // namespace

void SetDriveNodesProbed(bool probed) { driveNodesProbed = probed; }
bool DriveNodesProbed() { return driveNodesProbed; }

QString DriveNodeOf(const QString&, const QString&) { return {}; }
QString DescribeDriveOpenError(const QString&, int, const QString&) { return {}; }
QString MountPointOf(const QString&, const QString&) { return {}; }
QString WhyDriveNodeCannotBeOpened(const QString&) { return {}; }
// No device files to ask: the library's words, with what a busy drive means said first.
QString WhyDeviceIsUnusable(const QString&, uint8_t code, uint32_t, const QString& libraryText) {
  const QString text = libraryText.trimmed();
  if (code == DW_E_BUSY)
    return text.isEmpty() ? QCoreApplication::translate(
                                "sbDriveAccess", "Busy: the drive is in use by another program; close it, then click Refresh")
                          : QCoreApplication::translate("sbDriveAccess", "Busy: %1").arg(text);
  if (code == DW_E_NO_DEVICE) return {};
  return text.isEmpty()
             ? QCoreApplication::translate("sbDriveAccess", "The drive cannot be opened (exception %1)").arg(code)
             : text;
}
QString ProgramsHolding(const QString&, const QString&) { return {}; }
