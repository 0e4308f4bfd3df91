// The desktop services of Windows: volume broadcasts as the windows of the
// application receive them, and the notice where there is no notification area.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QThread>

#include "sbDesktopServices.h"
#include "sbDriveWatch.h"
#include "sbDriveWatch_windows.h"
#include "sbLogging.h"

namespace {

// One WM_DEVICECHANGE volume broadcast, passed to the application's native event
// filters as the window procedure of a top-level window passes it.
void Broadcast(WPARAM what, DWORD unitMask, WORD flags) {
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = unitMask;
  volume.dbcv_flags = flags;
  MSG msg{};
  msg.message = WM_DEVICECHANGE;
  msg.wParam = what;
  msg.lParam = reinterpret_cast<LPARAM>(&volume);
  qintptr result = 0;
  EXPECT_FALSE(QAbstractEventDispatcher::instance()->filterNativeEvent("windows_generic_MSG", &msg, &result))
      << "the broadcast is every window's";
}

DWORD Mask(char letter) { return DWORD(1) << (letter - 'A'); }

QStringList Names(const QSignalSpy& spy) {
  QStringList names;
  for (const QList<QVariant>& signal : spy) names << signal.value(0).toString();
  return names;
}

}  // namespace

TEST(WindowsDriveEvents, DiscsAndDrivesThatComeAndGoAreReportedByTheirDeviceNames) {
  QString letters = QStringLiteral("DF");  // the optical drives as GetDriveType would list them
  TsbDriveWatch watch(MakeVolumeEventSource([&letters] { return letters; }));
  QSignalSpy changed(&watch, &TsbDriveWatch::DriveChanged);
  struct Step {
    const char* what;
    WPARAM broadcast;
    DWORD mask;
    WORD flags;
    const char* lettersAfter;
    QStringList names;
  } steps[] = {
      {"a disc into F:", DBT_DEVICEARRIVAL, Mask('F'), DBTF_MEDIA, "DF", {"CdRom1"}},
      {"the same broadcast to a second window", DBT_DEVICEARRIVAL, Mask('F'), DBTF_MEDIA, "DF", {}},
      {"the disc out of D:", DBT_DEVICEREMOVECOMPLETE, Mask('D'), DBTF_MEDIA, "DF", {"CdRom0"}},
      {"a USB stick at G:", DBT_DEVICEARRIVAL, Mask('G'), 0, "DF", {}},
      {"a disc into the hard disk C:", DBT_DEVICEARRIVAL, Mask('C'), DBTF_MEDIA, "DF", {}},
      {"a drive added at E:, F: moves on", DBT_DEVICEARRIVAL, Mask('E'), 0, "DEF", {"CdRom1", "CdRom2"}},
      {"D: removed, the others move back", DBT_DEVICEREMOVECOMPLETE, Mask('D'), 0, "EF", {"CdRom0", "CdRom1", "CdRom2"}},
      {"discs out of two drives at once", DBT_DEVICEREMOVECOMPLETE, Mask('E') | Mask('F'), DBTF_MEDIA, "EF",
       {"CdRom0", "CdRom1"}},
  };
  for (const Step& step : steps) {
    changed.clear();
    letters = QString::fromLatin1(step.lettersAfter);
    Broadcast(step.broadcast, step.mask, step.flags);
    EXPECT_EQ(Names(changed), step.names) << step.what;
  }
  // Other device messages and other kinds of devices are not drive events.
  changed.clear();
  Broadcast(DBT_DEVICEQUERYREMOVE, Mask('E'), 0);
  DEV_BROADCAST_HDR port{sizeof port, DBT_DEVTYP_PORT, 0};
  MSG msg{nullptr, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&port), 0, {}};
  qintptr result = 0;
  QAbstractEventDispatcher::instance()->filterNativeEvent("windows_generic_MSG", &msg, &result);
  EXPECT_TRUE(changed.isEmpty());
}

TEST(WindowsDriveEvents, TheSystemSourceListensThroughTheApplicationAndLeavesWithTheWatch) {
  auto watch = std::make_unique<TsbDriveWatch>(MakeSystemDriveEventSource());
  QSignalSpy changed(watch.get(), &TsbDriveWatch::DriveChanged);
  // A letter no system gives an optical drive: nothing to report, and nothing breaks.
  Broadcast(DBT_DEVICEARRIVAL, Mask('Z') << 1, DBTF_MEDIA);
  EXPECT_TRUE(changed.isEmpty());
  watch.reset();
  // The filter left with the watch: a later broadcast finds no source that is gone.
  Broadcast(DBT_DEVICEARRIVAL, Mask('D'), DBTF_MEDIA);
}

TEST(WindowsNotice, WithoutANotificationAreaTheNoticeIsRefusedAndLogged) {
  if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a notification area";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString log = dir.filePath(QStringLiteral("korvanel.log"));
  const QString previous = GlobalLogger().GetLogFileName();
  const bool wasEnabled = GlobalLogger().LogEnabled;
  GlobalLogger().SetLogFileName(log);
  GlobalLogger().LogEnabled = true;
  const bool shown = SendDesktopNotice(QStringLiteral("Korvanel"), QStringLiteral("Burning completed successfully!"));
  GlobalLogger().LogEnabled = wasEnabled;
  GlobalLogger().SetLogFileName(previous);
  EXPECT_FALSE(shown);
  QFile file(log);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("No notification area service for the notice \"Korvanel: Burning completed successfully!\""));
}
