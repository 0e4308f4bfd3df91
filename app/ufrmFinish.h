// The finish window: shown by the wizard after a run with its outcome; Finish
// and the close button end the application.
#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class TWindowFrame;

class TfrmFinish : public QWidget {
  Q_OBJECT

 public:
  // Builds the window and runs FormCreate; hidden until the wizard shows it.
  explicit TfrmFinish(QWidget* parent = nullptr);
  ~TfrmFinish() override;

  std::unique_ptr<TWindowFrame> Frame;
  QWidget* PanelMain;
  QLabel* CompleteLabel;     // heading, set by the wizard
  QLabel* DescriptionLabel;  // the outcome, written by the wizard
  QPushButton* ButtonHelp;   // does nothing
  QPushButton* btnAbout;
  QPushButton* ButtonPrev;   // always disabled
  QPushButton* ButtonNext;   // "Finish"
  QPushButton* ButtonClose;  // always disabled

  // Loads the window images; a failure is reported and the window goes on without them.
  void FormCreate();
  // Closes this window, which ends the application.
  void ButtonNextClick();
  void btnAboutClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
};
