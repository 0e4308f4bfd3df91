#include "sbDialogs.h"

#include <cstdio>
#include <mutex>

namespace {

void PrintToStderr(const QString& text) { std::fprintf(stderr, "%s\n", qUtf8Printable(text)); }

std::mutex dialogsMutex;
std::unique_ptr<TsbDialogs> installed;

}  // namespace

TsbDialogs::~TsbDialogs() = default;

QStringList TsbDialogs::OpenFileNames(const TsbFileDialogRequest& request) {
  const QString chosen = OpenFileName(request);
  return chosen.isEmpty() ? QStringList() : QStringList{chosen};
}

void TsbStderrDialogs::ApplicationError(const QString& text) { PrintToStderr(WithClosingPeriod(text)); }
void TsbStderrDialogs::ErrorMessage(const QString& text) { PrintToStderr(text); }
void TsbStderrDialogs::Warning(const QString&, const QString& text) { PrintToStderr(text); }
bool TsbStderrDialogs::AskYesNo(const QString& text) {
  PrintToStderr(text);
  return false;
}
int TsbStderrDialogs::AskChoice(const QString& text, const QStringList&) {
  PrintToStderr(text);
  return -1;
}
QString TsbStderrDialogs::OpenFileName(const TsbFileDialogRequest&) { return {}; }
QString TsbStderrDialogs::SaveFileName(const TsbFileDialogRequest&) { return {}; }
int TsbStderrDialogs::ChooseItem(const QString&, const QStringList&) { return -1; }

TsbDialogs& Dialogs() {
  static TsbStderrDialogs fallback;
  std::lock_guard lock(dialogsMutex);
  return installed ? *installed : static_cast<TsbDialogs&>(fallback);
}

std::unique_ptr<TsbDialogs> SetDialogs(std::unique_ptr<TsbDialogs> dialogs) {
  std::lock_guard lock(dialogsMutex);
  std::swap(installed, dialogs);
  return dialogs;
}

QString WithClosingPeriod(const QString& text) {
  if (!text.isEmpty() && text.back() > QLatin1Char('.')) return text + QLatin1Char('.');
  return text;
}
