#include "CliWaitDisc.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CliCommands.h"
#include "CliEngine.h"
#include "CliOutput.h"
#include "CliPlatform.h"
#include "sbDeviceProbe.h"
#include "sbDriveWatch.h"
#include "sbErrors.h"
#include "sbTrayAndDisc.h"

namespace {

// Between udev's events the drive is asked again now and then: a drive or a
// recorder that reports no event is noticed all the same.
constexpr qint64 kPollMs = 500;

// The last look decides what is said: a drive that could not be looked into,
// or a disc that cannot be read, is not an empty drive.
QString WhyNoDisc(const TsbDriveState& state, const QString& device, double seconds) {
  switch (state.kind) {
    case TsbDriveState::TrayOpen:
      return QCoreApplication::translate("CliWaitDisc", "No disc in %1 after %2 s: the tray is open")
          .arg(device)
          .arg(seconds);
    case TsbDriveState::Unavailable:
      return QCoreApplication::translate("CliWaitDisc", "Could not look for a disc in %1 within %2 s: %3")
          .arg(device)
          .arg(seconds)
          .arg(state.reason);
    case TsbDriveState::Unreadable:
      return QCoreApplication::translate("CliWaitDisc", "The disc in %1 cannot be read: %2").arg(device, state.reason);
    case TsbDriveState::Disc:
    case TsbDriveState::Empty: break;
  }
  return QCoreApplication::translate("CliWaitDisc", "No disc in %1 after %2 s").arg(device).arg(seconds);
}

}  // namespace

int RunWaitDisc(const CliArgs& args) {
  CliEngine engine(args);
  const QString device = args.positional[0];
  const QString name = device.startsWith(QLatin1String("/dev/sr")) ? QStringLiteral("CdRom") + device.mid(7) : device;
  if (!AddressOfDevice(name.toLocal8Bit().constData()).Valid)
    throw TsbError(
        QCoreApplication::translate("CliWaitDisc", "There is no CD/DVD device %1 (name it CdRomN or /dev/srN)")
            .arg(device));

  TsbDriveWatch watch(MakeSystemDriveEventSource());
  QEventLoop loop;
  QObject::connect(&watch, &TsbDriveWatch::DriveChanged, &loop, [&](const QString& changed) {
    if (changed.compare(name, Qt::CaseInsensitive) == 0) loop.quit();
  });
  QTimer wake;
  wake.setSingleShot(true);
  QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);

  const qint64 limitMs = args.timeout ? qint64(std::llround(*args.timeout * 1000)) : -1;
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    const TsbDriveState state = DriveStateNow(name);
    if (state.kind == TsbDriveState::Disc) {
      std::printf("%s\n", ForConsole(Printable(QCoreApplication::translate("CliWaitDisc", "A disc is in %1").arg(device)))
                              .constData());
      return kExitSuccess;
    }
    const qint64 left = limitMs < 0 ? kPollMs : limitMs - clock.elapsed();
    if (left <= 0) {
      PrintError(WhyNoDisc(state, device, *args.timeout));
      return kExitFailure;
    }
    wake.start(int(std::min(left, kPollMs)));
    loop.exec();
  }
}
