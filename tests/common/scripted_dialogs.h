// Dialogs for tests: every box and file dialog is recorded with its text and
// answered from a script at once, so that no test ever waits on a window.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "sbDialogs.h"

namespace testcommon {

struct ShownDialog {
  QString kind;  // "application error", "error", "warning", "question", "choice", "open", "save"
  QString caption;  // of a choice: the choices, "|" between them
  QString text;  // as the user reads it (the application error with its period)
  bool operator==(const ShownDialog&) const = default;
};

class ScriptedDialogs final : public TsbDialogs {
 public:
  // The next answers, in order: "yes"/"no" for questions, a choice's text, a
  // path for file dialogs ("" cancels). A question without a scripted answer fails the test.
  void script(const QString& answer) {
    std::lock_guard lock(mutex_);
    answers_.push_back(answer);
  }
  std::vector<ShownDialog> shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
  }
  // The texts of the boxes of one kind, in order.
  QStringList texts(const QString& kind) const {
    QStringList out;
    for (const ShownDialog& d : shown())
      if (d.kind == kind) out << d.text;
    return out;
  }

  void ApplicationError(const QString& text) override {
    record("application error", kApplicationTitle, WithClosingPeriod(text));
  }
  void ErrorMessage(const QString& text) override { record("error", kApplicationTitle, text); }
  void Warning(const QString& caption, const QString& text) override { record("warning", caption, text); }
  bool AskYesNo(const QString& text) override { return take("question", text) == QLatin1String("yes"); }
  // Answered with the choice's text ("" cancels); an answer that is no choice fails the test.
  int AskChoice(const QString& text, const QStringList& choices) override {
    const QString answer = take("choice", text, choices.join(QLatin1Char('|')));
    if (answer.isEmpty()) return -1;
    if (!choices.contains(answer)) ADD_FAILURE() << "no such choice: " << answer.toStdString();
    return int(choices.indexOf(answer));
  }
  QString OpenFileName(const TsbFileDialogRequest& r) override { return take("open", r.Proposal, r.Caption); }
  QString SaveFileName(const TsbFileDialogRequest& r) override { return take("save", r.Proposal, r.Caption); }
  // Several files: the answer's lines.
  QStringList OpenFileNames(const TsbFileDialogRequest& r) override {
    const QString answer = take("open", r.Filter, r.Caption);
    return answer.isEmpty() ? QStringList() : answer.split(QLatin1Char('\n'));
  }
  // Answered with the item's text ("" cancels).
  int ChooseItem(const QString& text, const QStringList& items) override {
    const QString answer = take("choose", items.join(QLatin1Char('\n')), text);
    return answer.isEmpty() ? -1 : int(items.indexOf(answer));
  }

 private:
  void record(const char* kind, const QString& caption, const QString& text) {
    std::lock_guard lock(mutex_);
    shown_.push_back({QString::fromLatin1(kind), caption, text});
  }
  QString take(const char* kind, const QString& text, const QString& caption = {}) {
    record(kind, caption, text);
    std::lock_guard lock(mutex_);
    if (answers_.empty()) {
      ADD_FAILURE() << "unexpected " << kind << " dialog: " << text.toStdString();
      return {};
    }
    QString answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  mutable std::mutex mutex_;
  std::vector<ShownDialog> shown_;
  std::deque<QString> answers_;
};

// Installs scripted dialogs for the lifetime of this object.
class ScopedDialogs {
 public:
  ScopedDialogs() {
    auto dialogs = std::make_unique<ScriptedDialogs>();
    dialogs_ = dialogs.get();
    previous_ = SetDialogs(std::move(dialogs));
  }
  ~ScopedDialogs() { SetDialogs(std::move(previous_)); }
  ScopedDialogs(const ScopedDialogs&) = delete;
  ScopedDialogs& operator=(const ScopedDialogs&) = delete;

  ScriptedDialogs* operator->() const { return dialogs_; }
  ScriptedDialogs& operator*() const { return *dialogs_; }

 private:
  ScriptedDialogs* dialogs_;
  std::unique_ptr<TsbDialogs> previous_;
};

}  // namespace testcommon
