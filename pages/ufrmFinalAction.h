// The burning page: the summary lines of the wizard, the run of the actions
// with every report as a row with an icon and a time, the write progress, and
// saving the visible log as a text file.
#pragma once

#include <QDateTime>
#include <QIcon>

#include <array>
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

#include "sbCopies.h"
#include "sbDockForm.h"
#include "sbLogging.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QWidget;

class TfrmFinalAction : public TsbDockForm {
  Q_OBJECT

 public:
  explicit TfrmFinalAction(QWidget* parent = nullptr);
  ~TfrmFinalAction() override;

  TsbLog* Log = nullptr;                // the wizard's summary lines, not owned
  TsbActionList* ActionList = nullptr;  // the actions to run, not owned
  // With a plan the list runs once per copy it asks for; not owned.
  TsbBurnPlan* Plan = nullptr;
  // How many copies the last run made and how many failed.
  TsbCopiesOutcome Copies;
  // Told when the run starts waiting for the next copy's disc (status: what the
  // user must do, or why the disc inserted was not taken; made: the copies made
  // so far) and, with an empty status, when the wait is over.
  std::function<void(const QString& status, int made)> OnCopiesWait;
  // Told on the window thread as the tracks of an audio CD or a cue sheet go by: "Writing
  // track 3 of 12", "Checking track 3 of 12" while a verify reads them back, and empty once
  // the run has ended.
  std::function<void(const QString& line)> OnTrackLine;
  // The line of track number of count, as the page says it.
  QString TrackLine(int number, int count);
  // "Stop after N copies": the waiting run ends with the copies made.
  void StopCopies() { stopCopies_ = true; }

  QWidget* pnlTop;
  QLabel* lablProgressCaption;
  QProgressBar* pbWrite;
  QLabel* lblProcentValue;
  QLabel* lblBurnFigures;  // speed and time left while a burn runs, the average after it
  QLabel* lblCopyNumber;   // "Copy 2 of 3" while several copies are made
  QLabel* lblBufferStatus;
  QProgressBar* pbBuffer;
  QLabel* lblBufferValue;
  QWidget* pnlFinalPage;
  QLabel* lblBurningLog;
  QTreeWidget* lvLog;
  QLabel* Label2;
  QPushButton* btnSaveLog;
  std::array<QIcon, 3> imlSmall;  // by TsbLogItemType: information, error, warning

  void HideBufferGauge();
  void Activate(TsbBurner* burner) override;
  // Runs ActionList against the page's burner; returns when every action has
  // ended or one has failed. The tray is released in every case.
  void RunActions();

  // The three handlers of a run. Safe on any thread: an update from another
  // thread reaches the widgets through the window thread's event queue, and
  // every update is shown in the order it was reported.
  void AddLogLine(const void* sender, const QString& text, TsbLogItemType kind);
  void ShowWriteProgress(const void* sender, int percent);
  void ShowBufferProgress(const void* sender, int percent);

  void btnSaveLogClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Update {
    enum Kind { Row, Write, Buffer, Track } kind;
    QString text;
    int value = 0;  // percent, the row's TsbLogItemType, or the track's number
    int count = 0;  // the tracks in all
    QDateTime time;
  };

  void ResetProgress();
  void Post(Update update);
  void ApplyPending();
  void Apply(const Update& update);
  void AddRow(const QString& text, int image, const QString& time);
  void SaveLog(const QString& fileName);

  std::mutex pendingMutex_;
  std::deque<Update> pending_;  // reported, not yet shown
  bool applyPosted_ = false;    // a queued ApplyPending is on its way
  bool wakeSent_ = false;       // the waiting window thread was woken for pending_
  std::atomic<bool> stopCopies_ = false;
  // A pass over the tracks begins at a number not above the last one: the first pass of a
  // copy writes them, the next one reads them back.
  int lastTrack_ = 0;
  bool checkingTracks_ = false;
};

// The "Time" text of a row: the time of day in the user's long time format,
// without a time zone.
QString LogTimeText(const QDateTime& time);
// The name the save dialog proposes: "Log_DDMM_HHMM.txt".
QString ProposedLogFileName(const QDateTime& now);
