// What korvanel-cli shows while it works: log lines as they arrive, with time
// and kind, and the write progress (a bar on a terminal, percentages otherwise).
// Reports may come from the burn thread; one mutex keeps lines whole and in order.
#pragma once

#include <QString>
#include <QTime>

#include <cstdio>
#include <mutex>
#include <vector>

#include "sbLogging.h"

class CliOutput {
 public:
  // stream: where lines and progress go (stderr when stdout carries a result).
  explicit CliOutput(bool terminal, std::FILE* stream = stdout);

  // insteadOf: the failure text this error row says in plainer words; it counts as shown too.
  void Line(const QString& text, TsbLogItemType kind, bool timed = true, const QString& insteadOf = {});
  // On a terminal the bar is followed by figures (speed, time left).
  void Progress(int percent, const QString& figures = {});
  void Finish();  // ends a progress bar line

  // Writes every line shown so far in the saved-log format: the time (eight
  // blanks for a line without one), a blank and the text, each line ending in CR LF.
  // The file is replaced whole or not at all. Throws TsbIOError.
  void SaveLog(const QString& fileName) const;

  // True when an error row with exactly this text was shown, so that the same
  // failure is not printed again as an error message.
  bool ShownAsError(const QString& text) const;
  // Errors said so far, as rows or as messages (NoteError): a run that said one does not
  // end with a success status.
  void NoteError(const QString& text);
  size_t ErrorCount() const;

 private:
  struct Row {
    QString time;
    QString text;
  };
  void ClearBar();

  bool terminal_;
  std::FILE* stream_;
  mutable std::mutex mutex_;
  std::vector<Row> rows_;
  std::vector<QString> errors_;
  size_t errorMessages_ = 0;
  int percent_ = -1;
  bool barShown_ = false;
};

QString KindName(TsbLogItemType kind);

// The text with every control and format character (escape sequences, line
// breaks, direction overrides) replaced by "?": names and labels come from
// devices and configuration files and must not drive the terminal.
QString Printable(const QString& text);

// The library's text of a failure line "F() failed, exception N, status S, text
// "T"" (the diagnostic log keeps the whole line); any other line as it is.
QString WithoutTriple(const QString& line);
// Each line of text on stderr behind "korvanel-cli: ", failure lines by their text.
void PrintError(const QString& text);
