// Every message box and file dialog of the program goes through this one
// interface: the wizard installs the Qt implementation, tests a scripted one,
// and without either the texts go to stderr and every question is answered No
// (or Cancel).
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// What a file dialog is asked for. Filters are Qt's "Text files (*.txt)".
struct TsbFileDialogRequest {
  QString Caption;
  QString Filter;
  QString DefaultSuffix;  // added to a name typed without one
  QString Proposal;       // file name or path shown at first
  bool Folder = false;    // choose an existing folder instead of a file
};

class TsbDialogs {
 public:
  virtual ~TsbDialogs();

  // The application's error box: caption "Korvanel", error icon, OK, and the
  // text with a "." added when its last character sorts after ".".
  virtual void ApplicationError(const QString& text) = 0;
  // An error box with an OK button that shows the text as it is.
  virtual void ErrorMessage(const QString& text) = 0;
  // A warning box; an empty caption leaves the title bar empty.
  virtual void Warning(const QString& caption, const QString& text) = 0;
  // A confirmation with Yes and No; true for Yes.
  virtual bool AskYesNo(const QString& text) = 0;
  // A question answered by one of choices (a button each, the first the
  // default) or by Cancel: the index of the choice, or -1 for Cancel.
  virtual int AskChoice(const QString& text, const QStringList& choices) = 0;
  // The chosen existing file, or empty when the user cancelled.
  virtual QString OpenFileName(const TsbFileDialogRequest& request) = 0;
  // Several existing files chosen at once, or none when the user cancelled. Dialogs that
  // offer one file at a time answer with that one.
  virtual QStringList OpenFileNames(const TsbFileDialogRequest& request);
  // The chosen file to write (an existing one only after the user agreed to
  // replace it), or empty when the user cancelled.
  virtual QString SaveFileName(const TsbFileDialogRequest& request) = 0;
  // One of the items, chosen from a list under the text: its index, or -1 when the user cancelled.
  virtual int ChooseItem(const QString& text, const QStringList& items) = 0;
};

// Without a user interface: the texts to stderr, No or Cancel to every question, no file.
class TsbStderrDialogs : public TsbDialogs {
 public:
  void ApplicationError(const QString& text) override;
  void ErrorMessage(const QString& text) override;
  void Warning(const QString& caption, const QString& text) override;
  bool AskYesNo(const QString& text) override;
  int AskChoice(const QString& text, const QStringList& choices) override;
  QString OpenFileName(const TsbFileDialogRequest& request) override;
  QString SaveFileName(const TsbFileDialogRequest& request) override;
  int ChooseItem(const QString& text, const QStringList& items) override;
};

// The dialogs in use; the stderr ones until SetDialogs installs others.
TsbDialogs& Dialogs();
// Installs dialogs (none: back to the stderr ones) and returns the previous ones.
std::unique_ptr<TsbDialogs> SetDialogs(std::unique_ptr<TsbDialogs> dialogs);

// The text of the application's error box: a "." is added when the last
// character sorts after "." (so "!" and "." stay as they are).
QString WithClosingPeriod(const QString& text);

// The application's caption, shown by every error box.
inline const QString kApplicationTitle = QStringLiteral("Korvanel");
