// The small window shown while a lengthy operation runs (a device scan, an
// erase, a disc read): a caption, an information text, a running animation or,
// once a percentage is known, a progress bar, and a Cancel button.
// It stays in front of the program's other windows while shown.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "sbDeviceList.h"

class QLabel;
class QProgressBar;
class QPushButton;
class TsbAnimation;

class TfrmOperationProgress : public QDialog, public TsbProgressView {
  Q_OBJECT

 public:
  using CancelEvent = std::function<void(TfrmOperationProgress* sender)>;

  explicit TfrmOperationProgress(QWidget* parent = nullptr);
  ~TfrmOperationProgress() override;

  QLabel* lblInfo;
  TsbAnimation* Animate;
  QProgressBar* pbProgress;  // in the animation's place once SetPercent was called
  QLabel* lblPercent;
  QPushButton* btnCancel;
  QLabel* lblCancelling;

  // Fired once when the user cancels; without it Cancel does nothing.
  CancelEvent OnCancel;

  void SetCancelVisible(bool visible);
  void btnCancelClick();
  bool Shown() const { return shown_; }
  // Shows the bar filled to percent (0 to 100) with the figure beside it, in
  // place of the animation until the next Show. Callable from any thread: a
  // report from another one is shown on the window thread.
  void SetPercent(int percent);
  // path shortened in the middle to fit a line of the information text, for
  // texts that name a file (the whole path belongs in the tool tip).
  QString ElidedPath(const QString& path) const;

  // The device finder's view: caption and text set, Cancel visible and bound
  // to onCancel, shown without blocking the caller.
  void Show(const QString& caption, const QString& info, std::function<void()> onCancel) override;
  void Hide() override;

 public slots:
  // Escape and the window manager's close both come here: they act as Cancel
  // would when it can be pressed, and never close the window by themselves.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void FormDeactivate();
  void ShowBar(bool bar);

  bool shown_ = false;
};

// The progress window of a device scan, for TsbDeviceFinder::ProgressViewFactory.
std::unique_ptr<TsbProgressView> MakeOperationProgressView();
