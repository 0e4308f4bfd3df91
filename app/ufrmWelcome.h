// The welcome window: the first window and the application's main window.
// Next shows the wizard in its place; closing it ends the application.
#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class THelpActions;
class TWindowFrame;

class TfrmWelcome : public QWidget {
  Q_OBJECT

 public:
  // Builds the window and runs FormCreate; centred on the screen.
  explicit TfrmWelcome(QWidget* parent = nullptr);
  ~TfrmWelcome() override;

  std::unique_ptr<TWindowFrame> Frame;
  std::unique_ptr<THelpActions> Help;
  QWidget* PanelMain;
  QLabel* WelcomeLabel;      // set by the wizard
  QLabel* lblPressNext;
  QLabel* DescriptionLabel;
  QPushButton* ButtonHelp;
  QPushButton* ButtonAbout;
  QPushButton* ButtonPrev;   // always disabled
  QPushButton* ButtonNext;
  QPushButton* ButtonClose;  // "Cancel"

  // The window Next shows; unset, the wizard window (MainForm).
  QWidget* Wizard = nullptr;

  // Loads the window images; a failure is reported and the window goes on without them.
  void FormCreate();
  // Shows the wizard at this window's position and hides this window.
  void ButtonNextClick();
  // Closes this window, which ends the application.
  void ButtonCloseClick();
  void ButtonAboutClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
};
