// How long the window thread goes without serving its event loop: the longest
// interval between two ticks of a 5 ms timer, which is how long a user could
// have waited for the window to answer.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

class EventGapMeter {
 public:
  EventGapMeter() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { longestMs_ = std::max(longestMs_, since_.restart()); });
  }
  void start() {
    since_.start();
    timer_.start(5);
  }
  void stop() {
    longestMs_ = std::max(longestMs_, since_.elapsed());
    timer_.stop();
  }
  qint64 longestMs() const { return longestMs_; }

 private:
  QTimer timer_;
  QElapsedTimer since_;
  qint64 longestMs_ = 0;
};
