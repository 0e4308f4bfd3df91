#include "CliSessions.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <memory>
#include <algorithm>

#include "CliOutput.h"
#include "CliPlatform.h"
#include "sbHelpers.h"
#include "sbLibraryCall.h"
#include "sbTrackLayout.h"

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

// "  Track 2: audio, start 18407, 4:05" for each track of a disc that holds audio; data
// discs keep the lines they had (their sessions say what they hold). A disc whose table
// of contents cannot be read shows no tracks: its sessions below say why.
void PrintAudioTracks(TsbBurner& b) {
  auto toc = std::make_unique<DiscwrightTocInformation>();
  if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_GetTOCInformation, toc.get()) || !toc->Valid) return;
  const int count = std::min<int>(toc->LastTrack - toc->FirstTrack + 1, int(DISCWRIGHT_TOC_ENTRIES));
  bool audio = false;
  for (int i = 0; i < count; ++i) audio = audio || (toc->Entries[i].Control & 4) == 0;
  if (!audio) return;
  PrintLine(QStringLiteral("Tracks:"));
  for (int i = 0; i < count; ++i) {
    const DiscwrightTocEntry& e = toc->Entries[i];
    PrintLine(QStringLiteral("  Track %1: %2, start %3, %4")
                  .arg(e.TrackNumber)
                  .arg((e.Control & 4) == 0 ? QStringLiteral("audio") : QStringLiteral("data"))
                  .arg(e.StartBlock)
                  .arg(TrackTime(e.SizeBlocks)));
  }
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
  PrintAudioTracks(b);
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
