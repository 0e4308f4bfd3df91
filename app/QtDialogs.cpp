#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>

namespace {

int ShowBox(QMessageBox::Icon icon, const QString& caption, const QString& text,
            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
            QMessageBox::StandardButton defaultButton = QMessageBox::Ok) {
  // On the heap and watched: the window it belongs to may delete itself while
  // the box is open (the splash closes on its timer), taking the box along; a
  // box on the stack would then be freed twice.
  QPointer<QMessageBox> box = new QMessageBox(icon, caption, text, buttons, QApplication::activeWindow());
  box->setDefaultButton(defaultButton);
  const int answer = box->exec();
  delete box.data();
  return answer;
}

QStringList RunFileDialog(const TsbFileDialogRequest& request, QFileDialog::AcceptMode mode, bool several = false) {
  // Watched for the same reason as the boxes above.
  QPointer<QFileDialog> dialog = new QFileDialog(QApplication::activeWindow(), request.Caption, QString(), request.Filter);
  dialog->setAcceptMode(mode);
  // An existing file to open; on saving an existing folder, and Qt asks before replacing a file.
  dialog->setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                      : several                      ? QFileDialog::ExistingFiles
                                                     : QFileDialog::ExistingFile);
  if (request.Folder) {
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
  }
  dialog->setOption(QFileDialog::ReadOnly, false);
  dialog->setDefaultSuffix(request.DefaultSuffix);
  // A name typed without a suffix takes the one of the kind chosen in the list ("*.cue").
  QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog = dialog.data()](const QString& filter) {
    const QRegularExpressionMatch suffix = QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(filter);
    if (suffix.hasMatch()) dialog->setDefaultSuffix(suffix.captured(1).toLower());
  });
  dialog->setSizeGripEnabled(true);
  if (!request.Proposal.isEmpty()) dialog->selectFile(request.Proposal);
  const bool accepted = dialog->exec() == QDialog::Accepted;
  if (!dialog) return {};
  const QStringList chosen = dialog->selectedFiles();
  delete dialog.data();
  if (!accepted) return {};
  return chosen;
}

QString FirstOf(const QStringList& chosen) { return chosen.isEmpty() ? QString() : chosen.constFirst(); }

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

int QtDialogs::AskChoice(const QString& text, const QStringList& choices) {
  // Watched for the same reason as the boxes above.
  QPointer<QMessageBox> box =
      new QMessageBox(QMessageBox::Question, kApplicationTitle, text, QMessageBox::NoButton, QApplication::activeWindow());
  QList<QAbstractButton*> buttons;
  for (const QString& choice : choices) buttons << box->addButton(choice, QMessageBox::AcceptRole);
  box->setEscapeButton(box->addButton(QMessageBox::Cancel));
  if (!buttons.isEmpty()) box->setDefaultButton(qobject_cast<QPushButton*>(buttons.constFirst()));
  box->exec();
  if (!box) return -1;
  const int chosen = int(buttons.indexOf(box->clickedButton()));
  delete box.data();
  return chosen;
}

int QtDialogs::ChooseItem(const QString& text, const QStringList& items) {
  // Watched for the same reason as the boxes above.
  QPointer<QInputDialog> dialog = new QInputDialog(QApplication::activeWindow());
  dialog->setWindowTitle(kApplicationTitle);
  dialog->setLabelText(text);
  dialog->setComboBoxItems(items);
  dialog->setComboBoxEditable(false);
  const bool accepted = dialog->exec() == QDialog::Accepted;
  if (!dialog) return -1;
  const QString chosen = dialog->textValue();
  delete dialog.data();
  return accepted ? int(items.indexOf(chosen)) : -1;
}

QString QtDialogs::OpenFileName(const TsbFileDialogRequest& request) {
  return FirstOf(RunFileDialog(request, QFileDialog::AcceptOpen));
}

QStringList QtDialogs::OpenFileNames(const TsbFileDialogRequest& request) {
  return RunFileDialog(request, QFileDialog::AcceptOpen, true);
}

QString QtDialogs::SaveFileName(const TsbFileDialogRequest& request) {
  return FirstOf(RunFileDialog(request, QFileDialog::AcceptSave));
}
