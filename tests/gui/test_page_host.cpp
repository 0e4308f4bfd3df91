// The main-window and page bases: page order, the page's lines and actions
// collected and dropped by owner, busy nesting, docking, the library session
// started once and always shut down, and the version check at start.
#include <QtTest/QTest>

#include <fstream>

#include "engine/actions_support.h"
#include "sbBurnAtOnceAction.h"
#include "sbBurner.h"
#include "sbDockForm.h"
#include "sbErrors.h"
#include "sbMainForm.h"

using namespace actest;

namespace {

// A page with its own summary lines and actions, as the device page has.
class LinesAndActionsPage : public TsbDockForm {
 public:
  TsbLog lines;
  TsbActionList actions;
  TsbLog* GetSummaryLog() override { return &lines; }
  TsbActionList* GetActionList() override { return &actions; }
};

class CountingMainForm : public TsbMainForm {
 public:
  using TsbMainForm::TsbMainForm;
  int updates = 0;
  void UpdateButtons() override { ++updates; }
};

class PageHostTest : public ActionsTest {
 protected:
  TsbLibraryOptions recorders(const json& config) {
    const fs::path path = dir_ / "recorders.json";
    testcommon::writeConfig(path, {cdRecorder()}, config);
    TsbLibraryOptions options;
    options.VirtualDrives = QString::fromStdString(path.string());
    options.NoRealDrives = true;
    return options;
  }
  int logged(const QString& call) const { return int(diagnosticLog().count(call)); }
};

}  // namespace

TEST_F(PageHostTest, NextAndPreviousPageFollowThePageOrder) {
  TsbMainForm form;
  form.PageOrder = QStringList{"0", "2", "3", "5", "4", "6", "1"};
  const std::vector<std::tuple<int, int, int>> cases = {
      // page, next, previous
      {0, 2, -1}, {3, 5, 2}, {4, 6, 5}, {6, 1, 4}, {1, -1, 6}, {7, -1, -1}, {-1, -1, -1}};
  for (auto [page, next, prev] : cases) {
    EXPECT_EQ(form.GetNextPage(page), next) << page;
    EXPECT_EQ(form.GetPrevPage(page), prev) << page;
  }
  form.InitPageOrder();
  EXPECT_EQ(form.GetNextPage(0), -1);
}

TEST_F(PageHostTest, APagesLinesAndActionsAreCopiedUnderItsNumberAndDroppedWithLaterOnes) {
  TsbMainForm form;
  form.Log->Add().LogMessage = "earlier";
  LinesAndActionsPage device;
  for (auto [text, kind] : {std::pair{"one", litInfo}, {"two", litWarning}, {"three", litError}}) {
    TsbLogItem& line = device.lines.Add();
    line.LogMessage = text;
    line.ItemType = kind;
    line.LogTime = QDateTime(QDate(2026, 12, 8), QTime(10, 0));
    line.PageOwner = 9;
  }
  TsbBurnAtOnceToCDDVDAction burn;
  device.actions.Add().Action = &burn;

  form.CollectPageLog(&device, 2);
  form.CollectPageLog(nullptr, 3);
  form.CollectPageActions(&device, 4);
  ASSERT_EQ(form.Log->Count(), 4);
  for (int i = 1; i < 4; ++i) {
    const TsbLogItem& copy = form.Log->Items(i);
    EXPECT_EQ(copy.LogMessage, device.lines.Items(i - 1).LogMessage);
    EXPECT_EQ(copy.ItemType, device.lines.Items(i - 1).ItemType);
    EXPECT_EQ(copy.LogTime, device.lines.Items(i - 1).LogTime);
    EXPECT_EQ(copy.PageOwner, 2);
  }
  ASSERT_EQ(form.Actions->Count(), 1);
  EXPECT_EQ(form.Actions->Items(0).Action, &burn);
  EXPECT_EQ(form.Actions->Items(0).PageOwner, 4);

  form.Log->Add().LogMessage = "later";  // owned by page 0, but after page 2's lines
  form.DropPageLog(2);
  form.DropPageActions(4);
  EXPECT_EQ(form.Log->Count(), 1);
  EXPECT_EQ(form.Actions->Count(), 0);
  EXPECT_EQ(device.lines.Count(), 3) << "the page keeps its own lines";
}

TEST_F(PageHostTest, ABusyPageKeepsTheWindowFromClosingUntilItEnds) {
  CountingMainForm form;
  TsbDockForm page;
  page.OnBusyBegin = [&](TsbDockForm* sender) { form.PageBusyBegin(sender); };
  page.OnBusyEnd = [&](TsbDockForm* sender) { form.PageBusyEnd(sender); };
  page.BeginBusy();
  EXPECT_FALSE(form.CanClose);
  EXPECT_EQ(page.BusyCount, 1);
  page.EndBusy();
  EXPECT_TRUE(form.CanClose);
  EXPECT_EQ(form.updates, 1);
  EXPECT_EQ(page.BusyCount, 0);
}

TEST_F(PageHostTest, ADockedPageFillsItsPanelBelowAndRightOfAFivePixelInset) {
  QWidget panel;
  panel.resize(400, 300);
  panel.show();
  auto* page = new TsbDockForm;
  page->DockInto(&panel);
  QTest::qWait(1);  // let the layout run
  EXPECT_EQ(page->parentWidget(), &panel);
  EXPECT_EQ(page->geometry(), QRect(5, 5, 395, 295));
  panel.resize(640, 480);
  QTest::qWait(1);
  EXPECT_EQ(page->geometry(), QRect(5, 5, 635, 475));
}

TEST_F(PageHostTest, TheSessionStartsOnceAndIsShutDownWhenTheWindowGoes) {
  {
    TsbMainForm form(recorders({{"state_folder", (dir_ / "state").string()}}));
    form.StartLibrary();
    form.StartLibrary();
    EXPECT_TRUE(form.LibraryStarted);
    TsbBurner& burner = *form.Burner;
    burner.Transport = ttSpti;
    burner.DeviceName = "CdRom0";
    burner.Open();  // a device handle that must go before the session
  }
  EXPECT_EQ(logged("Discwright_UpStartEx"), 1);
  EXPECT_EQ(logged("Discwright_DownShut"), 1);

  { TsbMainForm neverStarted; }
  EXPECT_EQ(logged("Discwright_UpStartEx"), 1);
  EXPECT_EQ(logged("Discwright_DownShut"), 2);
}

TEST_F(PageHostTest, AFailedStartRaisesTheFixedTextAndTheNextTryStartsAgain) {
  TsbLibraryOptions broken;
  broken.VirtualDrives = QString::fromStdString((dir_ / "broken.json").string());
  broken.NoRealDrives = true;
  std::ofstream(dir_ / "broken.json") << R"({"recorders": 5})";
  TsbMainForm form(broken);
  try {
    form.StartLibrary();
    FAIL() << "the start succeeded";
  } catch (const TsbError& e) {
    // The fixed text, then the file and what is wrong in it.
    EXPECT_EQ(e.Message(), QString("Discwright_UpStartEx() failed, exception %1\nVirtual recorder configuration \"%2\": "
                                   "recorders: expected a list")
                               .arg(DW_E_CONFIG)
                               .arg(QString::fromStdString((dir_ / "broken.json").string())));
  }
  EXPECT_FALSE(form.LibraryStarted);
  EXPECT_EQ(diagnosticLog().filter("recorders: expected a list").size(), 1) << "the reason is in the log";

  form.StartupOptions = recorders({{"state_folder", (dir_ / "state").string()}});
  form.StartLibrary();
  EXPECT_TRUE(form.LibraryStarted);
  EXPECT_EQ(logged("Discwright_UpStartEx"), 2);
}

TEST_F(PageHostTest, AVersionMismatchIsAWarningWithoutCaptionAndStartGoesOn) {
  EXPECT_TRUE(CheckLibraryVersion(Discwright_GetVersion()));
  EXPECT_TRUE(dialogs->shown().empty());
  EXPECT_FALSE(CheckLibraryVersion(0x2007abcd));
  const testcommon::ShownDialog warning{
      "warning", "", "Discwright : Invalid Discwright library version : 0x2007ABCD. Expected : 0x20080820"};
  EXPECT_EQ(dialogs->shown(), std::vector<testcommon::ShownDialog>{warning});
}
