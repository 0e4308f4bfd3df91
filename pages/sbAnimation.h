// A small looping animation drawn from a strip of frames in the program's
// resources, as the progress windows show while an operation runs.
#pragma once

#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>

class TsbAnimation : public QWidget {
  Q_OBJECT

 public:
  explicit TsbAnimation(QWidget* parent = nullptr);

  // Loads the animation known by that name ("MYCLOCK"); throws TsbError for a
  // name without an animation or a strip that cannot be read.
  void SetResName(const QString& name);
  QString ResName() const { return resName_; }

  // Runs from the current frame through the last and on from the first, one
  // step per Interval, until Stop; Stop keeps the current frame on show.
  void Start();
  void Stop();
  bool Active() const { return timer_.isActive(); }
  int Frame() const { return frame_; }
  int FrameCount() const { return frameCount_; }
  int Interval() const { return timer_.interval(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Step();

  QString resName_;
  QImage strip_;  // the frames stacked top to bottom
  int frameCount_ = 0;
  int frame_ = 0;
  QTimer timer_;
};
