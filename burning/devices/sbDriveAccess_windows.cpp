// Why a drive cannot be used, on Windows: drives are opened by letter through the
// real-drive backend, which has its own words; there are no device files to explain.
#include "sbDriveAccess.h"

#include <atomic>

namespace {
std::atomic<bool> driveNodesProbed{false};
}  // namespace

void SetDriveNodesProbed(bool probed) { driveNodesProbed = probed; }
bool DriveNodesProbed() { return driveNodesProbed; }

QString DriveNodeOf(const QString&, const QString&) { return {}; }
QString DescribeDriveOpenError(const QString&, int, const QString&) { return {}; }
QString MountPointOf(const QString&, const QString&) { return {}; }
QString WhyDriveNodeCannotBeOpened(const QString&) { return {}; }
QString WhyDeviceIsUnusable(const QString&, uint8_t, uint32_t, const QString&) { return {}; }
QString ProgramsHolding(const QString&, const QString&) { return {}; }
