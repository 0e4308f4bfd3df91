// The desktop services of Windows that korvanel-cli shares: the power manager keeps the
// machine awake through a run. The drive events are in sbDriveWatch_windows.cpp; the
// notice in the notification area needs Qt Widgets and is the wizard's alone
// (sbTrayNotice_windows.cpp).
#include <windows.h>

#include <memory>

#include "sbDesktopServices.h"
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

}  // namespace

void InhibitSleepDuringRuns() {
  SetRunHoldHook([]() -> std::shared_ptr<void> { return std::make_shared<AwakeDuringRun>(); });
}
