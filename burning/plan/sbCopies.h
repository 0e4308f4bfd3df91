// Several copies of one burn: the action list runs once per disc. After each copy
// the tray opens and the next blank disc is waited for (the drive is asked again
// every second, Cancel stays possible, and the user may stop with the copies
// made), then checked as the first one was.
#pragma once

#include <QString>

#include <functional>

#include "sbActions.h"

class TsbActionList;
class TsbBurnPlan;
class TsbBurner;

struct TsbCopiesOutcome {
  int Made = 0;
  int Failed = 0;
  int Wanted = 1;
  bool Stopped = false;  // the user ended the run while it waited for a disc
  // "2 of 3 copies made, 1 failed"; empty for a single copy.
  QString Summary() const;

  // How the run ended, the one rule for the wizard's finish text and
  // korvanel-cli's exit status: cancelled when the burner was; otherwise a
  // success when the burn succeeded and no copy failed, and with several
  // copies only when each was made, or when the user stopped after one or
  // more were made and none failed.
  enum class End { Succeeded, Failed, Cancelled };
  End RunEnd(const TsbBurner& burner) const;
};

// "Copy 2 of 3".
QString CopyNumberText(int copy, int wanted);

// What the one watching a run of copies is told, and may ask, beside the log rows.
// Each is called on the thread that runs the copies; any may be empty.
struct TsbCopiesHooks {
  std::function<void(int copy, int wanted)> OnCopy;  // a copy begins
  // The run waits for the disc of copy in drive. refusal is why the disc last
  // inserted was not taken ("The disc in <drive> is not blank"), empty before.
  std::function<void(int copy, int wanted, const QString& drive, const QString& refusal)> OnWait;
  // Asked while waiting: true ends the run with the copies made.
  std::function<bool()> StopRequested;
};

// "Insert a blank disc for copy 2 of 3 into <drive>".
QString InsertDiscText(int copy, int wanted, const QString& drive);

// Runs list plan.Copies times against the burner, reporting through handler and
// hooks. The first copy uses the disc the plan was checked with. A cancel ends
// the run at once.
TsbCopiesOutcome RunCopies(TsbBurnPlan& plan, TsbActionList& list, TsbBurner& burner, TsbMessageEvent handler,
                           const void* sender = nullptr, const TsbCopiesHooks& hooks = {});
