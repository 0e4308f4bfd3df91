// The windows around the wizard: the welcome, finish and about windows, their
// shared frame and Help menu, driven as a user would. Nothing is really opened:
// the targets the windows open are recorded.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QtTest/QTest>

#include <filesystem>
#include <functional>
#include <vector>

#include "WizardWindows.h"
#include "common/scripted_dialogs.h"
#include "common/test_common.h"
#include "sbErrors.h"
#include "sbHelpActions.h"
#include "sbHelpers.h"
#include "sbLinkLabel.h"
#include "sbWindowFrame.h"
#include "ufrmAbout.h"
#include "ufrmFinish.h"
#include "ufrmWelcome.h"

namespace {

namespace fs = std::filesystem;

QString Caption(const QAbstractButton* button) { return button->text().remove(QLatin1Char('&')); }

void ShowActive(QWidget& window) {
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

class FrameWindowsTest : public ::testing::Test {
 protected:
  FrameWindowsTest() {
    previousOpener_ = SetHelpTargetOpener([this](const QUrl& url) { opened.push_back(url); });
  }
  ~FrameWindowsTest() override {
    SetHelpTargetOpener(std::move(previousOpener_));
    frmAbout = nullptr;
    // Every window of a test loaded its images: no error box on the way.
    EXPECT_TRUE(dialogs->shown().empty());
  }

  const QUrl homePage{HomePageAddress()};
  const QUrl supportMail{QStringLiteral("mailto:korvanel-support@example.org")};
  testcommon::ScopedDialogs dialogs;
  std::vector<QUrl> opened;

 private:
  ShellOpener previousOpener_;
};

}  // namespace

TEST_F(FrameWindowsTest, WelcomeWindowIsShapedByItsImageAndBackIsNeverEnabled) {
  TfrmWelcome welcome;
  ShowActive(welcome);
  EXPECT_TRUE(welcome.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(welcome.size(), QSize(772, 547));
  // The magenta corners of "main.bmp" are outside the window.
  EXPECT_FALSE(welcome.mask().contains(QPoint(0, 0)));
  EXPECT_TRUE(welcome.mask().contains(QPoint(386, 273)));
  EXPECT_FALSE(welcome.Frame->ImageLeftLogo->pixmap().isNull());
  EXPECT_EQ(welcome.Frame->LabelVersion->text(), "Version: 0.1.0");
  EXPECT_EQ(welcome.WelcomeLabel->text(), "Welcome to Korvanel");
  EXPECT_EQ(Caption(welcome.ButtonPrev), "Back");
  EXPECT_EQ(Caption(welcome.ButtonNext), "Next");
  EXPECT_EQ(Caption(welcome.ButtonClose), "Cancel");
  EXPECT_FALSE(welcome.ButtonPrev->isEnabled());
  QTest::mouseClick(welcome.ButtonPrev, Qt::LeftButton);
  EXPECT_TRUE(welcome.isVisible());
  EXPECT_FALSE(welcome.ButtonPrev->isEnabled());
}

TEST_F(FrameWindowsTest, WelcomeNextShowsTheWizardInItsPlaceAndHides) {
  TfrmWelcome welcome;
  QWidget wizard;
  welcome.Wizard = &wizard;
  ShowActive(welcome);
  welcome.move(123, 77);
  QTest::mouseClick(welcome.ButtonNext, Qt::LeftButton);
  EXPECT_TRUE(wizard.isVisible());
  EXPECT_EQ(wizard.pos(), QPoint(123, 77));
  EXPECT_FALSE(welcome.isVisible());
}

TEST_F(FrameWindowsTest, ClosingButtonsCloseTheirWindowAndEndTheApplication) {
  TfrmWelcome welcome;
  TfrmFinish finish;
  struct Case {
    const char* name;
    QWidget* window;
    QAbstractButton* button;  // null: hidden by Next, then closed by the wizard
  };
  const Case cases[] = {
      {"welcome Cancel", &welcome, welcome.ButtonClose},
      {"welcome close button", &welcome, welcome.Frame->ButtonClose2},
      {"welcome closed by the wizard", &welcome, nullptr},
      {"Finish", &finish, finish.ButtonNext},
      {"finish close button", &finish, finish.Frame->ButtonClose2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The wizard window stays shown, so only an explicit end stops the loop.
    QWidget wizard;
    wizard.show();
    ShowActive(*c.window);
    if (c.button == nullptr) c.window->hide();
    QTimer::singleShot(0, c.window, [&c] {
      if (c.button != nullptr)
        QTest::mouseClick(c.button, Qt::LeftButton);
      else
        c.window->close();
    });
    QObject guard;
    QTimer::singleShot(5000, &guard, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(c.window->isVisible());
  }
}

TEST_F(FrameWindowsTest, FinishHelpDoesNothingAndBackAndCancelStayDisabled) {
  TfrmFinish finish;
  ShowActive(finish);
  EXPECT_EQ(finish.CompleteLabel->text(), "Completing the Korvanel");
  EXPECT_EQ(Caption(finish.ButtonNext), "Finish");
  EXPECT_FALSE(finish.ButtonPrev->isEnabled());
  EXPECT_FALSE(finish.ButtonClose->isEnabled());
  QTest::mouseClick(finish.ButtonHelp, Qt::LeftButton);
  QTest::keyClick(&finish, Qt::Key_F1);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(finish.isVisible());
}

TEST_F(FrameWindowsTest, AboutBoxFromEveryWindowShowsCaptionAndVersionAndOkClosesIt) {
  TfrmAbout about;
  frmAbout = &about;
  TfrmWelcome welcome;
  TfrmFinish finish;
  const std::pair<const char*, std::function<void()>> openers[] = {
      {"welcome About", [&] { QTest::mouseClick(welcome.ButtonAbout, Qt::LeftButton); }},
      {"welcome Help menu", [&] { welcome.Help->ActionAbout->trigger(); }},
      {"finish About", [&] { QTest::mouseClick(finish.btnAbout, Qt::LeftButton); }},
  };
  for (const auto& [name, open] : openers) {
    SCOPED_TRACE(name);
    about.PageControlMain->setCurrentIndex(1);  // left on the other tab last time
    bool answered = false;
    QTimer::singleShot(0, &about, [&] {
      EXPECT_TRUE(about.isVisible() && about.isModal());
      EXPECT_EQ(about.windowTitle(), "About Korvanel");
      EXPECT_EQ(about.PageControlMain->currentWidget(), about.TabSheetAbout);
      EXPECT_EQ(about.LabalTitle->text(), "Korvanel 0.1.0");
      EXPECT_EQ(about.LabelVersion->text(), "0.1.0");
      answered = true;
      QTest::mouseClick(about.ButtonOK, Qt::LeftButton);
    });
    QObject guard;
    QTimer::singleShot(5000, &guard, [&] { about.reject(); });
    open();
    EXPECT_TRUE(answered);
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
  }
}

TEST_F(FrameWindowsTest, AboutLinksOpenTheirTargetsByMouseAndKeyboard) {
  TfrmAbout about;
  ShowActive(about);
  EXPECT_EQ(about.LabelWeb->text(), HomePageAddress());
  EXPECT_EQ(about.LabelSupportEmail->text(), "korvanel-support@example.org");
  for (TLinkLabel* link : {about.LabelWeb, about.LabelSupportEmail}) {
    EXPECT_FALSE(link->accessibleName().isEmpty());
    EXPECT_TRUE(link->focusPolicy() & Qt::TabFocus);
  }
  QTest::mouseClick(about.LabelWeb, Qt::LeftButton);
  about.LabelSupportEmail->setFocus();
  QTest::keyClick(about.LabelSupportEmail, Qt::Key_Return);
  about.LabelWeb->setFocus();
  QTest::keyClick(about.LabelWeb, Qt::Key_Space);
  about.PageControlMain->setCurrentWidget(about.TabSheetUpdate);
  QTest::mouseClick(about.ButtonUpdates, Qt::LeftButton);
  EXPECT_EQ(opened, (std::vector<QUrl>{homePage, supportMail, homePage, homePage}));
  EXPECT_TRUE(about.isVisible());  // Enter on a link is not the OK button
}

TEST_F(FrameWindowsTest, F1OpensTheUserGuideAsAFileUrl) {
  TfrmWelcome welcome;
  ShowActive(welcome);
  QTest::keyClick(&welcome, Qt::Key_F1);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], homePage);
  EXPECT_TRUE(opened[0].isLocalFile());
  EXPECT_EQ(QFileInfo(opened[0].toLocalFile()).fileName(), "user-guide.html");
  EXPECT_TRUE(QFileInfo(opened[0].toLocalFile()).isFile());
}

TEST_F(FrameWindowsTest, HelpButtonPopsUpTheMenuWithItsItemsInOrder) {
  TfrmWelcome welcome;
  ShowActive(welcome);
  QTest::mouseClick(welcome.ButtonHelp, Qt::LeftButton);
  QMenu* menu = welcome.Help->PopupMenuHelp;
  ASSERT_TRUE(menu->isVisible());
  // Under the button, or above it where the screen ends.
  EXPECT_EQ(menu->x(), welcome.ButtonHelp->mapToGlobal(QPoint(0, 0)).x());
  QStringList items;
  for (const QAction* action : menu->actions()) items << (action->isSeparator() ? "-" : action->text());
  EXPECT_EQ(items, QStringList({"Help Content", "Quick Start...", "-", "Home Page", "More Related Tools...", "-",
                                "Check for Updates...", "Contact Technical Support...", "-", "About"}));
  menu->hide();
}

TEST_F(FrameWindowsTest, WebItemsAndMoreToolsOpenTheHomePageAndSupportTheMailAddress) {
  TfrmWelcome welcome;
  TfrmFinish finish;
  THelpActions& help = *welcome.Help;
  const std::pair<std::function<void()>, QUrl> cases[] = {
      {[&] { help.ActionHelpContent->trigger(); }, homePage},
      {[&] { help.ActionQuickStart->trigger(); }, homePage},
      {[&] { help.ActionHomePage->trigger(); }, homePage},
      {[&] { help.ActionMoreRelatedTools->trigger(); }, homePage},
      {[&] { help.ActionCheckforUpdates->trigger(); }, homePage},
      {[&] { help.ActionContactTechnicalSupport->trigger(); }, supportMail},
      {[&] { QTest::mouseClick(welcome.Frame->LabelMoreTools, Qt::LeftButton); }, homePage},
      {[&] { QTest::mouseClick(finish.Frame->LabelMoreTools, Qt::LeftButton); }, homePage},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    opened.clear();
    cases[i].first();
    EXPECT_EQ(opened, std::vector<QUrl>{cases[i].second});
  }
}

TEST_F(FrameWindowsTest, DraggingALogoMovesTheWindow) {
  TfrmWelcome welcome;
  ShowActive(welcome);
  welcome.move(50, 40);
  for (QLabel* logo : {welcome.Frame->ImageTopLogo, welcome.Frame->ImageLeftLogo}) {
    const QPoint before = welcome.pos();
    QTest::mousePress(logo, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(logo, QPoint(40, 30));
    QTest::mouseRelease(logo, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(welcome.pos(), before + QPoint(30, 20));
  }
}

TEST_F(FrameWindowsTest, LoadImagesNamesTheFileItCannotRead) {
  testcommon::TempDir folder;
  const QString dir = QString::fromStdString(folder.path().string());
  const QString skin = SkinFolder();
  QWidget window;
  TWindowFrame frame(&window);
  struct Case {
    const char* file;
    QByteArray contents;  // empty: missing
    QString message;
  };
  const Case cases[] = {
      {"toplogo.png", {}, "Cannot load the window image \"" + dir + "/toplogo.png\": the file is missing"},
      {"leftlogo.png", {}, "Cannot load the window image \"" + dir + "/leftlogo.png\": the file is missing"},
      {"main.bmp", "BM not a bitmap", "Cannot load the window image \"" + dir + "/main.bmp\": not a readable image"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    fs::remove_all(folder.path());
    fs::create_directories(folder.path());
    for (const char* name : {"toplogo.png", "leftlogo.png", "main.bmp"}) {
      if (QLatin1String(name) != QLatin1String(c.file))
        QFile::copy(skin + QLatin1String(name), dir + "/" + QLatin1String(name));
      else if (!c.contents.isEmpty()) {
        QFile broken(dir + "/" + QLatin1String(name));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write(c.contents);
      }
    }
    try {
      frame.LoadImages(dir);
      ADD_FAILURE() << "no error";
    } catch (const TsbError& error) {
      EXPECT_EQ(error.Message(), c.message);
    }
  }
}
