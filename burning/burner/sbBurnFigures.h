// Live figures of a running burn, worked out from the library's progress and
// buffer reports: current speed (as a factor of the medium's 1x and in MB/s),
// elapsed and remaining time, the lowest buffer fill and how often the buffer
// ran empty. Fed on the burn thread or a library thread, read on any thread.
#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>

struct TsbBurnFiguresSnapshot {
  bool Started = false;       // a burn has reported progress since Start
  int64_t TotalBytes = 0;
  int64_t DoneBytes = 0;
  double ElapsedSeconds = 0;  // since the first progress report
  double BytesPerSecond = 0;  // over the last second or so
  double AverageBytesPerSecond = 0;
  double SingleSpeedBytesPerSecond = 0;  // the medium's 1x
  double RemainingSeconds = -1;          // -1: not known yet
  int LowestBufferPercent = -1;          // -1: no buffer report yet
  int BufferEmptyCount = 0;              // times the buffer ran empty after it had filled

  double Factor() const { return SingleSpeedBytesPerSecond > 0 ? BytesPerSecond / SingleSpeedBytesPerSecond : 0; }
  double AverageFactor() const {
    return SingleSpeedBytesPerSecond > 0 ? AverageBytesPerSecond / SingleSpeedBytesPerSecond : 0;
  }
};

class TsbBurnFigures {
 public:
  using Clock = std::chrono::steady_clock;

  // Forgets the last burn; singleSpeedKBps is the medium's 1x in KB/s (1000 bytes).
  void Start(uint32_t singleSpeedKBps);
  void Progress(int64_t total, int64_t done, Clock::time_point now = Clock::now());
  void Buffer(int fillPercent);
  TsbBurnFiguresSnapshot Snapshot(Clock::time_point now = Clock::now()) const;

 private:
  struct Sample {
    Clock::time_point time;
    int64_t done;
  };
  struct State {
    uint32_t singleSpeedKBps = 0;
    bool started = false;
    Clock::time_point first{};
    int64_t total = 0;
    int64_t done = 0;
    std::deque<Sample> window;  // the reports of about the last second
    int lowestBuffer = -1;
    bool bufferFilled = false;
    bool bufferEmpty = false;
    int emptyCount = 0;
  };
  mutable std::mutex mutex_;
  State s_;
};

TsbBurnFigures& GlobalBurnFigures();

// The figures below are written in the user's locale ("8,1x" in German).
// "8.1x (1.43 MB/s), 00:12 remaining" while a burn runs; empty before it reports.
QString FiguresLine(const TsbBurnFiguresSnapshot& figures);
// "average 8.1x (1.43 MB/s) in 00:45" once a burn has ended.
QString FiguresAverage(const TsbBurnFiguresSnapshot& figures);
// One line for the end of a burn: bytes, time, average speed, lowest buffer
// fill, and whether the buffer ran empty.
QString FiguresSummary(const TsbBurnFiguresSnapshot& figures);
