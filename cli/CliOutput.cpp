#include "CliOutput.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "CliPlatform.h"
#include "sbErrors.h"
#include "sbFileSystem.h"
#include "sbHelpers.h"

QString KindName(TsbLogItemType kind) {
  switch (kind) {
    case litError: return QStringLiteral("error");
    case litWarning: return QStringLiteral("warning");
    default: return QStringLiteral("info");
  }
}

QString Printable(const QString& text) {
  QString out = text;
  for (QChar& c : out) {
    const auto category = c.category();
    if (category == QChar::Other_Control || category == QChar::Other_Format ||
        category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
      c = QLatin1Char('?');
  }
  return out;
}

QString WithoutTriple(const QString& line) {
  // "F() failed, exception N, status S, text "T"": the call and the numbers are
  // for the diagnostic log, which has them; a user reads the text.
  static const QRegularExpression triple(
      QStringLiteral("^\\w+(\\([^)]*\\))?\\(\\) failed, exception \\d+, status -?\\d+, text \"(.*)\"$"));
  const auto match = triple.match(line);
  return match.hasMatch() && !match.captured(2).isEmpty() ? match.captured(2) : line;
}

void PrintError(const QString& text) {
  for (const QString& line : text.split(QLatin1Char('\n')))
    std::fprintf(stderr, "korvanel-cli: %s\n", ForConsole(Printable(WithoutTriple(line))).constData());
}

CliOutput::CliOutput(bool terminal, std::FILE* stream) : terminal_(terminal), stream_(stream) {}

void CliOutput::ClearBar() {
  if (barShown_) {
    std::fputs("\r\033[K", stream_);
    barShown_ = false;
  }
}

void CliOutput::Line(const QString& text, TsbLogItemType kind, bool timed, const QString& insteadOf) {
  std::lock_guard lock(mutex_);
  QString time = timed ? QTime::currentTime().toString(QStringLiteral("hh:mm:ss")) : QString();
  rows_.push_back({time, Printable(text)});
  if (kind == litError) errors_.push_back(text);
  if (kind == litError && !insteadOf.isEmpty()) errors_.push_back(insteadOf);
  ClearBar();
  std::fprintf(stream_, "%-8s %-7s %s\n", ForConsole(time).constData(), ForConsole(KindName(kind)).constData(),
              ForConsole(rows_.back().text).constData());
  if (terminal_ && percent_ >= 0 && percent_ < 100) {
    // Put the bar back under the new line.
    int filled = percent_ * 40 / 100;
    std::fprintf(stream_, "[%s%s] %3d %%", QByteArray(filled, '#').constData(), QByteArray(40 - filled, ' ').constData(),
                percent_);
    barShown_ = true;
  }
  std::fflush(stream_);
}

void CliOutput::Progress(int percent, const QString& figures) {
  std::lock_guard lock(mutex_);
  percent = std::min(percent, 100);
  if (percent == percent_) return;
  percent_ = percent;
  if (terminal_) {
    int filled = std::max(0, percent) * 40 / 100;
    // Padded, so that a shorter line covers the longer one before it.
    std::fprintf(stream_, "\r[%s%s] %3d %%  %-36s", QByteArray(filled, '#').constData(),
                 QByteArray(40 - filled, ' ').constData(), percent, ForConsole(Printable(figures)).constData());
    barShown_ = true;
  } else {
    std::fprintf(stream_, "%d%%\n", percent);
  }
  std::fflush(stream_);
}

void CliOutput::Finish() {
  std::lock_guard lock(mutex_);
  if (barShown_) {
    std::fputs("\n", stream_);
    barShown_ = false;
  }
  percent_ = -1;
  std::fflush(stream_);
}

void CliOutput::SaveLog(const QString& fileName) const {
  std::lock_guard lock(mutex_);
  // Never a device or a pipe replaced by a file, whatever the caller checked before.
  if (const QString why = sbfile::NotAFileReason(fileName); !why.isEmpty())
    throw TsbIOError(QCoreApplication::translate("CliOutput", "Cannot open \"%1\" for writing: %2").arg(fileName, why));
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly))
    throw TsbIOError(QCoreApplication::translate("CliOutput", "Cannot open \"%1\" for writing: %2")
                         .arg(fileName, file.errorString()));
  for (const Row& row : rows_)
    file.write(((row.time.isEmpty() ? QString(8, QLatin1Char(' ')) : row.time) + QLatin1Char(' ') + row.text)
                   .toUtf8() +
               kLineEnd);
  errno = 0;
  if (!file.commit())
    throw TsbIOError(
        QCoreApplication::translate("CliOutput", "Cannot write to \"%1\": %2").arg(fileName, WriteFailureText(file)));
}

void CliOutput::NoteError(const QString&) {
  std::lock_guard lock(mutex_);
  ++errorMessages_;
}

size_t CliOutput::ErrorCount() const {
  std::lock_guard lock(mutex_);
  return errors_.size() + errorMessages_;
}

bool CliOutput::ShownAsError(const QString& text) const {
  std::lock_guard lock(mutex_);
  return std::find(errors_.begin(), errors_.end(), text) != errors_.end();
}
