// What korvanel-cli shows while it works: log lines as they arrive, with time
// and kind, and the write progress (a bar on a terminal, percentages otherwise).
// Reports may come from the burn thread; one mutex keeps lines whole and in order.
#pragma once

#include <QString>
#include <QTime>

#include <mutex>
#include <vector>

#include "sbLogging.h"

class CliOutput {
 public:
  explicit CliOutput(bool terminal);

  void Line(const QString& text, TsbLogItemType kind, bool timed = true);
  void Progress(int percent);
  void Finish();  // ends a progress bar line

  // Writes every line shown so far in the saved-log format: the time (eight
  // blanks for a line without one), a blank and the text, each line ending in CR LF.
  // Throws TsbIOError.
  void SaveLog(const QString& fileName) const;

 private:
  struct Row {
    QString time;
    QString text;
  };
  void ClearBar();

  bool terminal_;
  mutable std::mutex mutex_;
  std::vector<Row> rows_;
  int percent_ = -1;
  bool barShown_ = false;
};

QString KindName(TsbLogItemType kind);
