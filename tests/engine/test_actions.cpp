// The action list and its runner, and the two shared operations of every action.
#include <QString>

#include <functional>
#include <vector>

#include "engine/actions_support.h"
#include "sbActions.h"
#include "sbErrors.h"

using namespace actest;

namespace {

// An action whose step is given by the test.
class ScriptedAction : public TsbAction {
 public:
  explicit ScriptedAction(std::function<void(ScriptedAction&)> step = {}) : step_(std::move(step)) {}
  void Execute(TsbActionItem* item) override {
    TsbAction::Execute(item);
    ++runs;
    if (step_) step_(*this);
  }
  int runs = 0;
  using TsbAction::Report;

 private:
  std::function<void(ScriptedAction&)> step_;
};

std::vector<int> owners(const TsbActionList& list) {
  std::vector<int> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Items(i).PageOwner);
  return out;
}

TsbActionList& withOwners(TsbActionList& list, std::vector<int> pages) {
  for (int page : pages) list.Add().PageOwner = page;
  return list;
}

}  // namespace

TEST(ActionList, DeleteFromPageDropsTheFirstItemOfThePageAndEverythingAfterIt) {
  {
    TsbActionList list;
    withOwners(list, {2, 4, 2});
    list.DeleteFromPage(4);
    EXPECT_EQ(owners(list), std::vector<int>{2});
  }
  {
    TsbActionList list;
    withOwners(list, {1, 3, 5});
    list.DeleteFromPage(7);
    EXPECT_EQ(owners(list), (std::vector<int>{1, 3, 5}));
    list.DeleteFromPage(1);
    EXPECT_EQ(list.Count(), 0);
  }
  {
    TsbActionList list;
    list.DeleteFromPage(0);  // an empty list stays empty
    EXPECT_EQ(list.Count(), 0);
  }
}

TEST(ActionList, ItemsReferToActionsWithoutOwningThem) {
  ScriptedAction action;
  {
    TsbActionList list;
    TsbActionItem& item = list.Add();
    EXPECT_EQ(item.Action, nullptr);
    EXPECT_EQ(item.PageOwner, 0);
    item.Action = &action;
    item.PageOwner = 4;

    TsbActionList other;
    TsbActionItem& copy = other.Add();
    copy.Assign(item);
    EXPECT_EQ(copy.Action, &action);
    EXPECT_EQ(copy.PageOwner, 4);
    EXPECT_EQ(&copy.Collection(), &other);  // the copy belongs to its own list
    EXPECT_THROW(list.Items(1), std::out_of_range);
  }
  EXPECT_EQ(action.runs, 0);  // still alive and usable after both lists went
}

TEST(Action, ExecuteWithoutAnItemIsRefused) {
  ScriptedAction action;
  try {
    action.Execute(nullptr);
    FAIL() << "no exception";
  } catch (const TsbError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Invalid action"));
  }
  EXPECT_EQ(action.runs, 0);
  EXPECT_EQ(action.ActionList, nullptr);
}

class RunnerTest : public ActionsTest {};

TEST_F(RunnerTest, AnEmptyListRunsNothingAndReportsNothing) {
  burner = std::make_unique<TsbBurner>();
  TsbActionList list;
  EXPECT_TRUE(run(list));
  EXPECT_TRUE(messages.lines().empty());
  EXPECT_TRUE(errorBoxes().empty());
  EXPECT_EQ(list.Burner, nullptr);
}

TEST_F(RunnerTest, RunsItemsInOrderWithTheListsHandlerAndBurner) {
  burner = std::make_unique<TsbBurner>();
  TsbActionList list;
  std::vector<TsbBurner*> seen;
  ScriptedAction first([&](ScriptedAction& a) {
    seen.push_back(a.ActionList->Burner);
    a.Report(QStringLiteral("first"), litInfo);
  });
  ScriptedAction second([&](ScriptedAction& a) { a.DoMessage(QStringLiteral("second"), litWarning); });
  list.Add().Action = &first;
  list.Add();  // an item without an action is skipped
  list.Add().Action = &second;
  list.Add().Action = &first;  // the same action may run twice

  EXPECT_TRUE(run(list));
  EXPECT_EQ(messages.lines(), (std::vector<Line>{{"first", litInfo}, {"second", litWarning}, {"first", litInfo}}));
  EXPECT_EQ(first.runs, 2);
  EXPECT_EQ(first.ActionList, &list);
  EXPECT_EQ(seen, (std::vector<TsbBurner*>{burner.get(), burner.get()}));
  EXPECT_EQ(burner->LastMessage, QStringLiteral("first"));  // a report is stored before it is passed on
  EXPECT_EQ(list.Burner, nullptr);
  // Every action resets the write progress as it starts.
  EXPECT_EQ(progress(), (std::vector<int>{0, 0, 0}));
}

TEST_F(RunnerTest, TheFirstFailureEndsTheRunWithAnErrorLineAndABox) {
  burner = std::make_unique<TsbBurner>();
  TsbActionList list;
  ScriptedAction before([](ScriptedAction& a) { a.DoMessage(QStringLiteral("before"), litInfo); });
  ScriptedAction failing([](ScriptedAction&) { throw TsbError(QStringLiteral("Drive on fire")); });
  ScriptedAction after;
  list.Add().Action = &before;
  list.Add().Action = &failing;
  list.Add().Action = &after;

  EXPECT_FALSE(run(list));
  EXPECT_EQ(messages.lines(), (std::vector<Line>{{"before", litInfo}, {"Drive on fire", litError}}));
  EXPECT_EQ(errorBoxes(), std::vector<QString>{QStringLiteral("Drive on fire")});
  EXPECT_EQ(after.runs, 0);
  EXPECT_EQ(list.Burner, nullptr);
}

TEST_F(RunnerTest, AnyExceptionEndsTheRunTheSameWay) {
  burner = std::make_unique<TsbBurner>();
  TsbActionList list;
  ScriptedAction failing([](ScriptedAction&) { throw std::runtime_error("out of memory"); });
  list.Add().Action = &failing;
  EXPECT_FALSE(run(list));
  EXPECT_EQ(messages.lines(), (std::vector<Line>{{"out of memory", litError}}));
  EXPECT_EQ(errorBoxes().size(), 1u);
}

TEST_F(RunnerTest, AFailedEjectIsAnErrorLineAndTheNextItemStillRuns) {
  json recorder = cdRecorder();
  recorder["faults"] = {{"operations", {{"Eject", {{"exception", 10}, {"status", 0x020401}, {"text", "Jammed"}}}}}};
  start({recorder});
  openBurner();
  TsbActionList list;
  ScriptedAction eject([](ScriptedAction& a) { a.Eject(); });
  ScriptedAction next;
  list.Add().Action = &eject;
  list.Add().Action = &next;

  EXPECT_TRUE(run(list));
  const QString failure = QStringLiteral(
      "Discwright_CdvdBurnerGrabber_Eject() failed, exception 10, status 132097, text \"Jammed\"");
  EXPECT_EQ(messages.lines(), (std::vector<Line>{{failure, litError}}));
  EXPECT_EQ(next.runs, 1);
  EXPECT_EQ(burner->LastMessage, failure);
  EXPECT_TRUE(errorBoxes().empty());
  const QStringList log = diagnosticLog();
  const auto release = log.indexOf(QStringLiteral("Discwright_CdvdBurnerGrabber_Release"));
  const auto ejectCall = log.indexOf(QStringLiteral("Discwright_CdvdBurnerGrabber_Eject"));
  EXPECT_GE(release, 0);
  EXPECT_GT(ejectCall, release);  // the tray is released before it is opened
  EXPECT_TRUE(log.contains(failure));
}

TEST_F(RunnerTest, EjectReleasesTheLockedTrayAndOpensIt) {
  start({cdRecorder()});
  openBurner();
  TsbActionList list;
  ScriptedAction eject([](ScriptedAction& a) { a.Eject(); });
  list.Add().Action = &eject;

  EXPECT_TRUE(run(list));
  EXPECT_EQ(messages.lines(), (std::vector<Line>{{"Eject disc", litInfo}}));
  EXPECT_EQ(burner->LastMessage, QStringLiteral("Eject disc"));
  EXPECT_FALSE(diagnosticLog().contains(QStringLiteral("Eject disc")));
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE] = {};
  EXPECT_EQ(Discwright_CdvdBurnerGrabber_TestUnitReady(burner->Grabber, text, sizeof text, &status, failure),
            DW_E_NO_MEDIUM)
      << "the tray should be open";
}

TEST_F(RunnerTest, AFailedCloseSessionFailsTheRun) {
  json recorder = cdRecorder();
  recorder["faults"] = {{"operations", {{"CloseSession", {{"exception", 4}, {"status", 5}, {"text", "No"}}}}}};
  start({recorder});
  openBurner();
  burner->BurnSucceeded = true;  // as the write itself left it
  TsbActionList list;
  ScriptedAction close([](ScriptedAction& a) { a.CloseSession(); });
  ScriptedAction next;
  list.Add().Action = &close;
  list.Add().Action = &next;

  EXPECT_FALSE(run(list));
  // The text ends with a backslash and an n, not with a line break.
  const QString failure = QStringLiteral(
      "Discwright_CdvdBurnerGrabber_CloseSession() failed, exception 4, status 5, text \"No\"");
  EXPECT_EQ(messages.lines(), (std::vector<Line>{{"Closing session", litInfo}, {failure, litError}}));
  EXPECT_EQ(next.runs, 0);
  EXPECT_FALSE(burner->BurnSucceeded);
  EXPECT_TRUE(diagnosticLog().contains(failure));
  EXPECT_EQ(errorBoxes(), std::vector<QString>{failure});
}
