#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>

#include <memory>
#include <stdexcept>
#include <vector>

#include "ShellTarget.h"

namespace {

bool WaitCursorShown() {
  const QCursor* cursor = QGuiApplication::overrideCursor();
  return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

// The override cursor needs a GUI application. It is torn down with the suite: Qt does not
// survive destroying it during static destruction.
class ShellTarget : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }
  static void TearDownTestSuite() { app_.reset(); }
  void SetUp() override { ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr); }

 private:
  static inline int argc_ = 1;
  static inline char name_[] = "burning_tests";
  static inline char* argv_[] = {name_, nullptr};
  static inline std::unique_ptr<QGuiApplication> app_;
};

}  // namespace

TEST_F(ShellTarget, PassesWebAndMailTargetsAsUrls) {
  std::vector<QUrl> opened;
  const ShellOpener record = [&opened](const QUrl& url) { opened.push_back(url); };
  OpenShellTarget("https://korvanel.example/", record);
  OpenShellTarget("mailto:support@korvanel.example", record);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0].scheme(), "https");
  EXPECT_EQ(opened[0].host(), "korvanel.example");
  EXPECT_EQ(opened[1].scheme(), "mailto");
  EXPECT_EQ(opened[1].path(), "support@korvanel.example");
}

TEST_F(ShellTarget, WaitCursorUntilOutermostCallReturns) {
  bool innerSawWait = false;
  bool outerSawWaitAfterInner = false;
  OpenShellTarget("https://korvanel.example/", [&](const QUrl&) {
    OpenShellTarget("mailto:support@korvanel.example", [&](const QUrl&) { innerSawWait = WaitCursorShown(); });
    outerSawWaitAfterInner = WaitCursorShown();
    // Nested calls share one wait cursor: taking it off leaves the normal cursor.
    QGuiApplication::restoreOverrideCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  });
  EXPECT_TRUE(innerSawWait);
  EXPECT_TRUE(outerSawWaitAfterInner);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ShellTarget, CursorRestoredWhenOpenerThrows) {
  EXPECT_THROW(OpenShellTarget("https://korvanel.example/", [](const QUrl&) { throw std::runtime_error("no handler"); }),
               std::runtime_error);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  // The nesting count is back to zero: the next call shows and clears the cursor again.
  bool sawWait = false;
  OpenShellTarget("https://korvanel.example/", [&](const QUrl&) { sawWait = WaitCursorShown(); });
  EXPECT_TRUE(sawWait);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
