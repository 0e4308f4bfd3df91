#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

int ShowBox(QMessageBox::Icon icon, const QString& caption, const QString& text,
            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
            QMessageBox::StandardButton defaultButton = QMessageBox::Ok) {
  QMessageBox box(icon, caption, text, buttons, QApplication::activeWindow());
  box.setDefaultButton(defaultButton);
  return box.exec();
}

QString RunFileDialog(const TsbFileDialogRequest& request, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(QApplication::activeWindow(), request.Caption, QString(), request.Filter);
  dialog.setAcceptMode(mode);
  // An existing file to open; on saving an existing folder, and Qt asks before replacing a file.
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::ReadOnly, false);
  dialog.setDefaultSuffix(request.DefaultSuffix);
  dialog.setSizeGripEnabled(true);
  if (!request.Proposal.isEmpty()) dialog.selectFile(request.Proposal);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace

void QtDialogs::ApplicationError(const QString& text) {
  ShowBox(QMessageBox::Critical, kApplicationTitle, WithClosingPeriod(text));
}

void QtDialogs::ErrorMessage(const QString& text) { ShowBox(QMessageBox::Critical, kApplicationTitle, text); }

void QtDialogs::Warning(const QString& caption, const QString& text) {
  ShowBox(QMessageBox::Warning, caption, text);
}

bool QtDialogs::AskYesNo(const QString& text) {
  // No is the default: Enter pressed by mistake must not cancel a burn.
  return ShowBox(QMessageBox::Question, kApplicationTitle, text, QMessageBox::Yes | QMessageBox::No,
                 QMessageBox::No) == QMessageBox::Yes;
}

QString QtDialogs::OpenFileName(const TsbFileDialogRequest& request) {
  return RunFileDialog(request, QFileDialog::AcceptOpen);
}

QString QtDialogs::SaveFileName(const TsbFileDialogRequest& request) {
  return RunFileDialog(request, QFileDialog::AcceptSave);
}
