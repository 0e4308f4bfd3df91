#include "sbBurnFigures.h"

#include <QCoreApplication>

#include <algorithm>

#include "sbStrings.h"

namespace {

// The speed shown is averaged over this much of the latest progress, so that
// it follows the drive without jumping at every report.
constexpr auto kSpeedWindow = std::chrono::milliseconds(1000);

double Seconds(TsbBurnFigures::Clock::duration d) { return std::chrono::duration<double>(d).count(); }

QString Clock(double seconds) {
  const auto total = qint64(seconds + 0.5);
  if (total >= 3600)
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600)
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
  return QStringLiteral("%1:%2").arg(total / 60, 2, 10, QLatin1Char('0')).arg(total % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

TsbBurnFigures& GlobalBurnFigures() {
  static TsbBurnFigures figures;
  return figures;
}

void TsbBurnFigures::Start(uint32_t singleSpeedKBps) {
  std::lock_guard lock(mutex_);
  s_ = State{};
  s_.singleSpeedKBps = singleSpeedKBps;
}

void TsbBurnFigures::Progress(int64_t total, int64_t done, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  if (!s_.started) {
    s_.started = true;
    s_.first = now;
  }
  s_.total = total;
  s_.done = done;
  s_.window.push_back({now, done});
  while (s_.window.size() > 2 && now - s_.window[1].time >= kSpeedWindow) s_.window.pop_front();
}

void TsbBurnFigures::Buffer(int fillPercent) {
  std::lock_guard lock(mutex_);
  // Empty at the start is the buffer filling, not running dry, and empty at the
  // end is it draining: neither counts as a low, so the lowest fill and the
  // times it ran empty tell the same story.
  if (fillPercent > 0) s_.bufferFilled = true;
  if (s_.bufferFilled && s_.done < s_.total)
    s_.lowestBuffer = s_.lowestBuffer < 0 ? fillPercent : std::min(s_.lowestBuffer, fillPercent);
  const bool empty = fillPercent <= 0;
  if (empty && !s_.bufferEmpty && s_.bufferFilled && s_.done < s_.total) ++s_.emptyCount;
  s_.bufferEmpty = empty;
}

TsbBurnFiguresSnapshot TsbBurnFigures::Snapshot(Clock::time_point now) const {
  std::lock_guard lock(mutex_);
  TsbBurnFiguresSnapshot f;
  f.Started = s_.started;
  f.TotalBytes = s_.total;
  f.DoneBytes = s_.done;
  f.SingleSpeedBytesPerSecond = s_.singleSpeedKBps * 1000.0;
  f.LowestBufferPercent = s_.lowestBuffer;
  f.BufferEmptyCount = s_.emptyCount;
  if (!s_.started) return f;
  const bool finished = s_.total > 0 && s_.done >= s_.total;
  const auto end = finished && !s_.window.empty() ? s_.window.back().time : now;
  f.ElapsedSeconds = Seconds(end - s_.first);
  if (f.ElapsedSeconds > 0) f.AverageBytesPerSecond = s_.done / f.ElapsedSeconds;
  if (s_.window.size() >= 2) {
    const double span = Seconds(s_.window.back().time - s_.window.front().time);
    if (span > 0) f.BytesPerSecond = (s_.window.back().done - s_.window.front().done) / span;
  }
  if (f.BytesPerSecond <= 0) f.BytesPerSecond = f.AverageBytesPerSecond;
  if (finished)
    f.RemainingSeconds = 0;
  else if (f.BytesPerSecond > 0)
    f.RemainingSeconds = (s_.total - s_.done) / f.BytesPerSecond;
  return f;
}

QString FiguresLine(const TsbBurnFiguresSnapshot& f) {
  if (!f.Started || f.BytesPerSecond <= 0) return {};
  QString line = SpeedFigures(f.Factor(), f.BytesPerSecond);
  if (f.RemainingSeconds >= 0)
    line += QCoreApplication::translate("sbBurnFigures", ", %1 remaining").arg(Clock(f.RemainingSeconds));
  return line;
}

QString FiguresAverage(const TsbBurnFiguresSnapshot& f) {
  return QCoreApplication::translate("sbBurnFigures", "average %1 in %2")
      .arg(SpeedFigures(f.AverageFactor(), f.AverageBytesPerSecond), Clock(f.ElapsedSeconds));
}

QString FiguresSummary(const TsbBurnFiguresSnapshot& f) {
  QString line = QCoreApplication::translate("sbBurnFigures", "Wrote %1 MB in %2, average %3")
                     .arg(LocaleNumber(f.DoneBytes / 1e6, 1), Clock(f.ElapsedSeconds),
                          SpeedFigures(f.AverageFactor(), f.AverageBytesPerSecond));
  if (f.LowestBufferPercent >= 0)
    line += QCoreApplication::translate("sbBurnFigures", "; lowest buffer fill %1 %").arg(f.LowestBufferPercent);
  line +=
      f.BufferEmptyCount == 0
          ? QCoreApplication::translate("sbBurnFigures", "; the buffer never ran empty")
          : QCoreApplication::translate("sbBurnFigures", "; the buffer ran empty %1 time(s)").arg(f.BufferEmptyCount);
  return line;
}
