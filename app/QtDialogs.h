// The dialogs of the wizard: Qt's message boxes and file dialogs, parented to
// the active window so that they stay in front of it.
#pragma once

#include "sbDialogs.h"

class QtDialogs final : public TsbDialogs {
 public:
  void ApplicationError(const QString& text) override;
  void ErrorMessage(const QString& text) override;
  void Warning(const QString& caption, const QString& text) override;
  bool AskYesNo(const QString& text) override;
  int AskChoice(const QString& text, const QStringList& choices) override;
  QString OpenFileName(const TsbFileDialogRequest& request) override;
  QStringList OpenFileNames(const TsbFileDialogRequest& request) override;
  QString SaveFileName(const TsbFileDialogRequest& request) override;
  int ChooseItem(const QString& text, const QStringList& items) override;
};
