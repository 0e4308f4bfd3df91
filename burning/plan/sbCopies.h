// Several copies of one burn: the action list runs once per disc. After each copy
// the tray opens and the next blank disc is waited for (the drive is asked again
// every second, Cancel stays possible), then checked as the first one was.
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
  // "2 of 3 copies made, 1 failed"; empty for a single copy.
  QString Summary() const;

  // How the run ended, the one rule for the wizard's finish text and
  // korvanel-cli's exit status: cancelled when the burner was; otherwise a
  // success when the burn succeeded and no copy failed, and with several
  // copies only when each was made.
  enum class End { Succeeded, Failed, Cancelled };
  End RunEnd(const TsbBurner& burner) const;
};

// "Copy 2 of 3".
QString CopyNumberText(int copy, int wanted);

// Runs list plan.Copies times against the burner, reporting through handler and, when
// given, onCopy as each copy begins. The first copy uses the disc the plan was checked
// with. A cancel ends the run at once.
TsbCopiesOutcome RunCopies(TsbBurnPlan& plan, TsbActionList& list, TsbBurner& burner, TsbMessageEvent handler,
                           const void* sender = nullptr, const std::function<void(int copy, int wanted)>& onCopy = {});
