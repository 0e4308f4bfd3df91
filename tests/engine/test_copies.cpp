// How a run of copies ended: the rule the wizard's finish text and
// korvanel-cli's exit status both take.
#include <gtest/gtest.h>

#include "sbBurner.h"
#include "sbCopies.h"

namespace {

TEST(CopiesRunEnd, CancelWinsAndSeveralCopiesSucceedOnlyWhenEachWasMade) {
  using End = TsbCopiesOutcome::End;
  struct Case {
    const char* what;
    TsbCopiesOutcome copies;
    bool burnSucceeded, cancelled;
    End end;
  } cases[] = {
      {"one copy burned", {1, 0, 1}, true, false, End::Succeeded},
      // The burn itself succeeded, but the verify after it failed.
      {"one copy whose actions failed", {0, 1, 1}, true, false, End::Failed},
      {"one copy whose burn failed", {0, 1, 1}, false, false, End::Failed},
      // A plan-less run counts no copy: the burn alone decides.
      {"no copy counted", {0, 0, 1}, true, false, End::Succeeded},
      {"all of three made", {3, 0, 3}, true, false, End::Succeeded},
      // The last burn succeeded, an earlier copy did not.
      {"two of three made", {2, 1, 3}, true, false, End::Failed},
      {"two of three made, the run ended", {2, 0, 3}, true, false, End::Failed},
      {"the user stopped after one of three", {1, 0, 3, true}, true, false, End::Succeeded},
      {"the user stopped after a failed copy", {1, 1, 3, true}, true, false, End::Failed},
      {"the user stopped before any was made", {0, 0, 3, true}, false, false, End::Failed},
      {"cancelled after all were made", {3, 0, 3}, true, true, End::Cancelled},
      {"cancelled at the first", {0, 0, 1}, false, true, End::Cancelled},
  };
  for (const Case& c : cases) {
    TsbBurner burner;
    burner.BurnSucceeded = c.burnSucceeded;
    burner.Cancelled = c.cancelled;
    EXPECT_EQ(c.copies.RunEnd(burner), c.end) << c.what;
  }
}

}  // namespace
