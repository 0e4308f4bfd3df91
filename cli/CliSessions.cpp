#include "CliSessions.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

#include "CliOutput.h"
#include "CliPlatform.h"
#include "sbHelpers.h"
#include "sbLibraryCall.h"

namespace {

// The block stays in English in every language, as the lines of info before it: scripts read them.
void PrintLine(const QString& text) { std::printf("%s\n", ForConsole(Printable(text)).constData()); }

// "2024-05-01 12:00:00" of the volume's YYYYMMDDhhmmsscc, as the disc recorded it.
QString CreatedText(const DiscwrightSessionInformation& s) {
  const QString digits = QString::fromLatin1(s.Created, qsizetype(strnlen(s.Created, sizeof s.Created)));
  if (digits.size() < 14) return QStringLiteral("no date");
  return QStringLiteral("%1-%2-%3 %4:%5:%6")
      .arg(digits.mid(0, 4), digits.mid(4, 2), digits.mid(6, 2), digits.mid(8, 2), digits.mid(10, 2), digits.mid(12, 2));
}

QString SessionLine(const DiscwrightSessionInformation& s) {
  const QString label = s.HasIso9660
                            ? QStringLiteral("label \"%1\"")
                                  .arg(QString::fromLatin1(s.VolumeLabel, qsizetype(strnlen(s.VolumeLabel, sizeof s.VolumeLabel))))
                            : QStringLiteral("no ISO 9660 volume");
  QString line = QStringLiteral("  Session %1: start %2, %3 blocks (%4), %5, %6")
                     .arg(s.Number)
                     .arg(s.StartBlock)
                     .arg(s.SizeBlocks)
                     .arg(FormatMegabytes(std::int64_t(s.SizeBlocks) * DISCWRIGHT_SECTOR_SIZE),
                          s.HasIso9660 ? CreatedText(s) : QStringLiteral("no date"), label);
  if (s.Status == DW_SESSION_INCOMPLETE) line += QStringLiteral(", incomplete");
  if (s.Damaged) line += QStringLiteral(", damaged");
  return line;
}

}  // namespace

bool PrintSessions(CliEngine& engine, const TsbDeviceItem& item) {
  const uint16_t count = item.DiscInformation.Sessions;
  if (item.DiscType == DISC_TYPE_NO_MEDIA || count == 0) return true;
  TsbBurner b;
  b.Transport = engine.Transport();
  b.DeviceAddress = item.Address;
  b.DeviceName = item.DevicePath();
  b.Open();
  PrintLine(QStringLiteral("Sessions:"));
  for (uint16_t n = 1; n <= count; ++n) {
    DiscwrightSessionInformation s{};
    if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_GetSessionInformation, n, &s)) {
      PrintError(QCoreApplication::translate("CliSessions", "Session %1 of the disc in %2 cannot be read: %3")
                     .arg(n)
                     .arg(engine.DeviceId(item), b.LastFailureText()));
      return false;
    }
    PrintLine(SessionLine(s));
  }
  return true;
}
