#include "sbSleepInhibitor.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>

#include <unistd.h>

#include "sbLogging.h"
#include "sbUiHooks.h"

namespace {

// logind answers at once; a bus that hangs must not hold up the burn for long.
constexpr int kCallTimeoutMs = 2000;


}  // namespace

TsbSleepInhibitor::TsbSleepInhibitor(const QDBusConnection& bus, const QString& why) {
  if (!bus.isConnected()) {
    LogDiagnostic(QStringLiteral("No system bus: the machine may go to sleep during the run (%1)").arg(bus.lastError().message()));
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
  call << QStringLiteral("sleep:idle") << QStringLiteral("Korvanel") << why << QStringLiteral("block");
  const QDBusReply<QDBusUnixFileDescriptor> reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
  if (!reply.isValid() || !reply.value().isValid()) {
    LogDiagnostic(QStringLiteral("logind gave no sleep inhibitor: the machine may go to sleep during the run (%1)")
            .arg(reply.error().message()));
    return;
  }
  // The reply's descriptor closes with it: keep a copy of our own.
  fd_ = ::dup(reply.value().fileDescriptor());
  LogDiagnostic(QStringLiteral("Sleep and idle inhibited while the disc is written"));
}

TsbSleepInhibitor::~TsbSleepInhibitor() {
  if (fd_ >= 0) {
    ::close(fd_);
    LogDiagnostic(QStringLiteral("Sleep and idle inhibitor released"));
  }
}

// Every burn and erase of this process holds a TsbSleepInhibitor on the system bus.
void InhibitSleepDuringRuns() {
  SetRunHoldHook([]() -> std::shared_ptr<void> { return std::make_shared<TsbSleepInhibitor>(); });
}
