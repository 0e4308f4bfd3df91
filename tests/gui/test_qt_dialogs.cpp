// The Qt dialogs as a user meets them: caption, icon, text and buttons of each
// box, answered from a timer so that the test never waits on a window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include "QtDialogs.h"

namespace {

struct SeenBox {
  QString caption, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Runs show() while a timer reads the box that opens and presses answer.
SeenBox Answer(QMessageBox::StandardButton answer, const std::function<void()>& show) {
  SeenBox seen;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
            box->standardButton(box->defaultButton())};
    box->button(answer)->click();
  });
  poll.start(10);
  show();
  return seen;
}

}  // namespace

TEST(QtDialogsTest, EachBoxShowsItsCaptionIconTextAndButtons) {
  QtDialogs dialogs;
  SeenBox error = Answer(QMessageBox::Ok, [&] { dialogs.ApplicationError("Image file is too big"); });
  EXPECT_EQ(error.caption, "Korvanel");
  EXPECT_EQ(error.text, "Image file is too big.");
  EXPECT_EQ(error.icon, QMessageBox::Critical);
  EXPECT_EQ(error.buttons, QMessageBox::Ok);

  SeenBox plain = Answer(QMessageBox::Ok, [&] { dialogs.ErrorMessage("failed\\n"); });
  EXPECT_EQ(plain.text, "failed\\n");
  EXPECT_EQ(plain.icon, QMessageBox::Critical);

  SeenBox warning = Answer(QMessageBox::Ok, [&] { dialogs.Warning("", "version"); });
  EXPECT_EQ(warning.caption, "");
  EXPECT_EQ(warning.icon, QMessageBox::Warning);

  bool yes = false;
  SeenBox question = Answer(QMessageBox::Yes, [&] { yes = dialogs.AskYesNo("Cancel?"); });
  EXPECT_TRUE(yes);
  EXPECT_EQ(question.buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(question.defaultButton, QMessageBox::No);
  Answer(QMessageBox::No, [&] { yes = dialogs.AskYesNo("Cancel?"); });
  EXPECT_FALSE(yes);
}

// The window a box belongs to may go while the box is open: the splash deletes
// itself on its timer during the start-up's error box. Neither may free the other twice.
TEST(QtDialogsTest, ABoxOutlivesItsWindowDeletingItself) {
  QtDialogs dialogs;
  auto* window = new QWidget;
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  window->activateWindow();
  QApplication::processEvents();
  ASSERT_EQ(QApplication::activeWindow(), window) << "the box must belong to the window";
  QPointer<QWidget> watch = window;
  QTimer::singleShot(50, window, &QWidget::close);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && !watch) box->accept();
  });
  poll.start(10);
  dialogs.ErrorMessage(QStringLiteral("Cannot load the window image"));
  EXPECT_TRUE(watch.isNull());
}

// The erase's quick-or-full question: a button per choice, the first the default; Escape is Cancel.
TEST(QtDialogsTest, AChoiceOffersItsButtonsWithTheFirstAsDefaultAndCancel) {
  QtDialogs dialogs;
  for (const auto& [press, answer] : {std::pair<QString, int>{"Full erase", 1}, {"Cancel", -1}, {"Escape", -1}}) {
    SCOPED_TRACE(press.toStdString());
    QString defaultButton;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      poll.stop();
      defaultButton = box->defaultButton()->text();
      if (press == "Escape") QTest::keyClick(box, Qt::Key_Escape);
      for (QAbstractButton* button : box->buttons())
        if (button->text() == press) button->click();
    });
    poll.start(10);
    EXPECT_EQ(dialogs.AskChoice("Erase the disc?", {"Quick erase", "Full erase"}), answer);
    EXPECT_EQ(defaultButton, "Quick erase");
  }
}
