// The desktop services of Windows: the power manager keeps the machine awake through
// a run; drive events and the notification area follow with the window's own loop.
#include <windows.h>

#include <memory>

#include "sbDesktopServices.h"
#include "sbDriveWatch.h"
#include "sbLogging.h"
#include "sbUiHooks.h"

namespace {

// Held for one run: the system stays awake (not the display) until it is released,
// however the run ends.
class AwakeDuringRun {
 public:
  AwakeDuringRun() : previous_(SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED)) {
    if (previous_ == 0)
      LogDiagnostic(QStringLiteral("SetThreadExecutionState failed: the machine may go to sleep during the run"));
  }
  ~AwakeDuringRun() { SetThreadExecutionState(ES_CONTINUOUS); }
  AwakeDuringRun(const AwakeDuringRun&) = delete;
  AwakeDuringRun& operator=(const AwakeDuringRun&) = delete;

 private:
  EXECUTION_STATE previous_;
};

class NoDriveEvents final : public TsbDriveEventSource {
 public:
  int Descriptor() const override { return -1; }
  std::optional<TsbDriveEvent> Receive() override { return std::nullopt; }
};

}  // namespace

void InhibitSleepDuringRuns() {
  SetRunHoldHook([]() -> std::shared_ptr<void> { return std::make_shared<AwakeDuringRun>(); });
}

bool SendDesktopNotice(const QString& summary, const QString& body) {
  LogDiagnostic(QStringLiteral("No notification area service for the notice \"%1: %2\"").arg(summary, body));
  return false;
}

std::unique_ptr<TsbDriveEventSource> MakeSystemDriveEventSource() {
  LogDiagnostic(QStringLiteral("No drive events on this system: the device list changes on Refresh only"));
  return std::make_unique<NoDriveEvents>();
}
