// The operation progress window as the user meets it: its look, Cancel by
// mouse and keyboard, the running animation, staying in front, and a device
// scan cancelled from it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <functional>
#include <set>
#include <string>

#include "common/test_common.h"
#include "sbAnimation.h"
#include "sbDeviceList.h"
#include "sbErrors.h"
#include "ufrmOperationProgress.h"

using namespace testcommon;

namespace {

// Shows the window as the finder does and waits until it is on screen and active.
void ShowAndActivate(TfrmOperationProgress& form) {
  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}

TEST(OperationProgressWindow, LooksAsDesignedCentredWithoutCloseBox) {
  TfrmOperationProgress form;
  EXPECT_EQ(form.size(), QSize(371, 161));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_TRUE(form.lblInfo->text().isEmpty());
  EXPECT_EQ(form.btnCancel->text(), "Cancel");
  EXPECT_EQ(form.Animate->ResName(), "MYCLOCK");
  EXPECT_EQ(form.Animate->FrameCount(), 30);
  EXPECT_EQ(form.Animate->Interval(), 20);
  EXPECT_FALSE(form.Shown());

  ShowAndActivate(form);
  EXPECT_TRUE(form.Shown());
  EXPECT_FALSE(form.lblCancelling->isVisible());
  EXPECT_EQ(form.size(), QSize(371, 161));
  // Every part fits inside the client area at its design size.
  for (QWidget* part : {static_cast<QWidget*>(form.lblInfo), static_cast<QWidget*>(form.Animate),
                        static_cast<QWidget*>(form.btnCancel)})
    EXPECT_TRUE(form.rect().contains(part->geometry())) << part->metaObject()->className();
  EXPECT_EQ(form.lblInfo->size(), QSize(348, 63));
  EXPECT_EQ(form.Animate->size(), QSize(352, 18));
  const QPoint offCentre = form.frameGeometry().center() - form.screen()->availableGeometry().center();
  EXPECT_LE(offCentre.manhattanLength(), 2) << offCentre.x() << "," << offCentre.y();
  // Tab stays on Cancel, the only control.
  QTest::keyClick(&form, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), form.btnCancel);

  EXPECT_THROW(form.Animate->SetResName("NOSUCHCLIP"), TsbError);
}

// One way of pressing Cancel, done twice in a row.
struct CancelPress {
  const char* name;
  std::function<void(TfrmOperationProgress&)> press;
};

TEST(OperationProgressWindow, CancelFiresOnceAndOnlyWhenSomeoneListens) {
  const CancelPress presses[] = {
      {"mouse", [](TfrmOperationProgress& f) { QTest::mouseClick(f.btnCancel, Qt::LeftButton); }},
      {"space", [](TfrmOperationProgress&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); }},
      {"escape", [](TfrmOperationProgress& f) { QTest::keyClick(&f, Qt::Key_Escape); }},
  };
  for (const CancelPress& way : presses) {
    for (const bool listening : {true, false}) {
      SCOPED_TRACE(std::string(way.name) + (listening ? " with OnCancel" : " without OnCancel"));
      TfrmOperationProgress form;
      int fired = 0;
      if (listening)
        form.OnCancel = [&](TfrmOperationProgress* sender) {
          EXPECT_EQ(sender, &form);
          ++fired;
        };
      ShowAndActivate(form);
      ASSERT_EQ(QApplication::focusWidget(), form.btnCancel);
      way.press(form);
      way.press(form);
      EXPECT_EQ(fired, listening ? 1 : 0);
      EXPECT_EQ(form.lblCancelling->isVisible(), listening);
      EXPECT_EQ(form.btnCancel->isEnabled(), !listening);
      EXPECT_TRUE(form.isVisible()) << "the window closed itself";
    }
  }

  // With Cancel hidden, Escape neither cancels nor closes.
  TfrmOperationProgress form;
  int fired = 0;
  form.OnCancel = [&](TfrmOperationProgress*) { ++fired; };
  form.SetCancelVisible(false);
  ShowAndActivate(form);
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_EQ(fired, 0);
  EXPECT_FALSE(form.btnCancel->isVisible());
  EXPECT_TRUE(form.isVisible());
}

TEST(OperationProgressWindow, AnimationLoopsWhileShownAndStopsWhenHidden) {
  TfrmOperationProgress form;
  EXPECT_FALSE(form.Animate->Active());
  ShowAndActivate(form);
  const int first = form.Animate->Frame();
  QTest::qWait(200);
  EXPECT_TRUE(form.Animate->Active());
  EXPECT_NE(form.Animate->Frame(), first);

  // It runs up to the last frame and starts again at the first.
  std::set<int> seen;
  bool wrapped = false;
  int previous = form.Animate->Frame();
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!wrapped && std::chrono::steady_clock::now() < giveUp) {
    QTest::qWait(5);
    const int now = form.Animate->Frame();
    seen.insert(now);
    wrapped = now < previous;
    previous = now;
  }
  EXPECT_TRUE(wrapped);
  ASSERT_FALSE(seen.empty());
  EXPECT_GE(*seen.begin(), 0);
  EXPECT_LE(*seen.rbegin(), 29);

  form.hide();
  EXPECT_FALSE(form.Animate->Active());
  EXPECT_FALSE(form.Shown());
  const int stopped = form.Animate->Frame();
  QTest::qWait(100);
  EXPECT_EQ(form.Animate->Frame(), stopped);
}

TEST(OperationProgressWindow, ComesBackInFrontOfTheProgramsOtherWindows) {
  TfrmOperationProgress form;
  ShowAndActivate(form);
  QWidget other;
  other.resize(200, 100);
  other.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
  other.activateWindow();
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &form; }, 2000))
      << "active: " << (QApplication::activeWindow() ? QApplication::activeWindow()->metaObject()->className() : "none");

  // Hidden, it leaves the other window alone.
  form.hide();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  QTest::qWait(50);
  EXPECT_EQ(QApplication::activeWindow(), &other);
}

class OperationProgressScan : public ::testing::Test {
 protected:
  void TearDown() override { Discwright_DownShut(); }
  TempDir dir_;
};

TEST_F(OperationProgressScan, CancelInTheWindowStopsTheDeviceScan) {
  writeConfig(dir_ / "recorders.json", {cdRecorder(0), cdRecorder(1), cdRecorder(2)});
  std::string error;
  ASSERT_EQ(startLibrary(dir_ / "recorders.json", dir_ / "state", 0, error), DW_E_OK) << error;

  TsbDeviceFinder finder;
  finder.InfoText = "Looking for the CD and DVD drives of this computer.";
  finder.ProgressViewFactory = MakeOperationProgressView;

  // What the user sees when the window comes up; then Cancel is pressed. The
  // timer fires in the first event processing of the scan.
  QPointer<TfrmOperationProgress> window;
  QString caption, info;
  bool cancelShown = false, cancellingShown = false;
  QTimer user;
  user.setInterval(0);
  QObject::connect(&user, &QTimer::timeout, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* form = qobject_cast<TfrmOperationProgress*>(top);
      if (!form || !form->isVisible()) continue;
      window = form;
      caption = form->windowTitle();
      info = form->lblInfo->text();
      cancelShown = form->btnCancel->isVisible() && form->btnCancel->isEnabled();
      QTest::mouseClick(form->btnCancel, Qt::LeftButton);
      cancellingShown = form->lblCancelling->isVisible();
      user.stop();
    }
  });
  user.start();
  finder.Refresh(true);

  ASSERT_FALSE(user.isActive()) << "the progress window never showed";
  EXPECT_EQ(caption, "Scanning devices");
  EXPECT_EQ(info, finder.InfoText);
  EXPECT_TRUE(cancelShown);
  EXPECT_TRUE(cancellingShown);
  EXPECT_TRUE(finder.Devices.CancelRequested);
  EXPECT_EQ(finder.Devices.Count(), 0);  // cancelled before the first probe
  EXPECT_TRUE(window.isNull()) << "the window outlived the scan";
  EXPECT_EQ(finder.ProgressWindow, nullptr);

  // A scan nobody cancels finds every drive behind the same window.
  finder.Refresh(true);
  EXPECT_FALSE(finder.Devices.CancelRequested);
  EXPECT_EQ(finder.Devices.Count(), 3);
}

}  // namespace
