#include "sbFilesPanel.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

#include "sbDialogs.h"
#include "sbFileSelection.h"
#include "sbStrings.h"

#include <algorithm>

namespace {

enum Column { colOnDisc, colSize, colFrom };
// Disc files shown at most; the rest are counted (a disc may list a hundred thousand).
constexpr size_t kShownDiscFiles = 2000;

// The bytes of a file, or of every file under a folder (links not followed, as the tree takes them).
qint64 EntryBytes(const QFileInfo& entry) {
  if (!entry.isDir() || entry.isSymLink()) return entry.isFile() ? entry.size() : 0;
  qint64 bytes = 0;
  QDirIterator walk(entry.filePath(), QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
  while (walk.hasNext()) {
    walk.next();
    bytes += walk.fileInfo().size();
  }
  return bytes;
}

}  // namespace

TsbFilesPanel::TsbFilesPanel(QWidget* parent) : QWidget(parent) {
  lstFiles = new QTreeWidget(this);
  lstFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstFiles->setRootIsDecorated(false);
  lstFiles->setUniformRowHeights(true);
  lstFiles->setHeaderLabels({tr("On the disc"), tr("Size"), tr("From")});
  lstFiles->header()->setStretchLastSection(true);
  lstFiles->header()->setSectionResizeMode(colSize, QHeaderView::ResizeToContents);
  lstFiles->setColumnWidth(colOnDisc, 150);
  lstFiles->setTextElideMode(Qt::ElideMiddle);  // a long path keeps its start and its name
  lstFiles->setAccessibleName(tr("Files and folders to burn"));
  btnAddFiles = new QPushButton(tr("Add File..."), this);
  btnAddFolder = new QPushButton(tr("Add Folder..."), this);
  btnRemove = new QPushButton(tr("Remove"), this);
  btnRemove->setEnabled(false);
  auto* labelCaption = new QLabel(tr("Disc label:"), this);
  edtLabel = new QLineEdit(DefaultVolumeLabel(), this);
  edtLabel->setMaxLength(64);  // longer ones are cut to what a disc holds, and the note says so
  labelCaption->setBuddy(edtLabel);
  lblLabelNote = new QLabel(this);
  lblLabelNote->setWordWrap(true);
  lblLabelNote->setVisible(false);

  connect(btnAddFiles, &QPushButton::clicked, this, [this] { AddFromDialog(false); });
  connect(btnAddFolder, &QPushButton::clicked, this, [this] { AddFromDialog(true); });
  connect(btnRemove, &QPushButton::clicked, this, &TsbFilesPanel::RemoveSelected);
  connect(lstFiles, &QTreeWidget::itemSelectionChanged, this,
          [this] { btnRemove->setEnabled(!lstFiles->selectedItems().isEmpty()); });
  connect(edtLabel, &QLineEdit::textChanged, this, &TsbFilesPanel::UpdateLabelNote);

  lblDiscFiles = new QLabel(tr("On the disc now:"), this);
  lstDiscFiles = new QTreeWidget(this);
  lstDiscFiles->setRootIsDecorated(false);
  lstDiscFiles->setUniformRowHeights(true);
  lstDiscFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstDiscFiles->setHeaderLabels({tr("On the disc"), tr("Size")});
  lstDiscFiles->header()->setStretchLastSection(false);
  lstDiscFiles->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  lstDiscFiles->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  lstDiscFiles->setMaximumHeight(96);
  lstDiscFiles->setAccessibleName(tr("Files on the disc"));
  lblDiscFiles->setBuddy(lstDiscFiles);
  btnLeaveOut = new QPushButton(tr("Leave out"), this);
  btnLeaveOut->setToolTip(tr("Leave the selected files of the disc out of the new session's directory, or take them "
                             "back in; their bytes stay on the disc"));
  btnLeaveOut->setEnabled(false);
  connect(btnLeaveOut, &QPushButton::clicked, this, &TsbFilesPanel::LeaveOutSelected);
  connect(lstDiscFiles, &QTreeWidget::itemSelectionChanged, this,
          [this] { btnLeaveOut->setEnabled(!lstDiscFiles->selectedItems().isEmpty()); });
  ShowDiscFiles({});
  // The keyboard follows the panel from top to bottom: the disc's files come first.
  const QWidget* order[] = {lstDiscFiles, btnLeaveOut, lstFiles, btnAddFiles, btnAddFolder, btnRemove, edtLabel};
  for (size_t i = 0; i + 1 < std::size(order); ++i)
    setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(btnAddFiles);
  buttons->addWidget(btnAddFolder);
  buttons->addWidget(btnRemove);
  buttons->addStretch(1);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(lblDiscFiles, 0, 0, 1, 3);
  layout->addWidget(lstDiscFiles, 1, 0, 1, 2);
  layout->addWidget(btnLeaveOut, 1, 2, Qt::AlignTop);
  layout->addWidget(lstFiles, 2, 0, 1, 2);
  layout->addLayout(buttons, 2, 2);
  layout->addWidget(labelCaption, 3, 0);
  layout->addWidget(edtLabel, 3, 1, 1, 2);
  layout->addWidget(lblLabelNote, 4, 0, 1, 3);
  layout->setColumnStretch(1, 1);
}

void TsbFilesPanel::ShowDiscFiles(const std::vector<TsbDiscFile>& files) {
  lstDiscFiles->clear();
  const bool shown = !files.empty();
  for (QWidget* w : std::initializer_list<QWidget*>{lblDiscFiles, lstDiscFiles, btnLeaveOut}) w->setVisible(shown);
  lblDiscFiles->setText(tr("On the disc now: %1 files, kept in the new session").arg(files.size()));
  for (size_t i = 0; i < files.size() && i < kShownDiscFiles; ++i) {
    auto* item = new QTreeWidgetItem(lstDiscFiles, {files[i].Path, LocaleMegabytes(qint64(files[i].Bytes))});
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setForeground(0, palette().color(QPalette::Disabled, QPalette::Text));
  }
  if (files.size() > kShownDiscFiles)
    new QTreeWidgetItem(lstDiscFiles, {tr("... and %1 more").arg(files.size() - kShownDiscFiles)});
}

QStringList TsbFilesPanel::LeftOut() const {
  QStringList paths;
  for (int i = 0; i < lstDiscFiles->topLevelItemCount(); ++i)
    if (lstDiscFiles->topLevelItem(i)->data(0, Qt::UserRole).toBool()) paths << lstDiscFiles->topLevelItem(i)->text(0);
  return paths;
}

void TsbFilesPanel::LeaveOutSelected() {
  for (QTreeWidgetItem* item : lstDiscFiles->selectedItems()) {
    if (!item->text(0).startsWith(QLatin1Char('/'))) continue;  // the "... and N more" row
    const bool out = !item->data(0, Qt::UserRole).toBool();
    item->setData(0, Qt::UserRole, out);
    QFont font = item->font(0);
    font.setStrikeOut(out);
    item->setFont(0, font);
    item->setToolTip(0, out ? tr("Left out of the new session") : QString());
  }
  emit Changed();
}

void TsbFilesPanel::MarkReplacing(const QStringList& discPaths) {
  const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
  for (int i = 0; i < lstFiles->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = lstFiles->topLevelItem(i);
    const QString onDisc = item->text(colOnDisc);
    // A folder ("/photos/") takes the names inside it, or a file of its own name.
    const bool folder = onDisc.endsWith(QLatin1Char('/'));
    const bool replaces = std::any_of(discPaths.begin(), discPaths.end(), [&](const QString& taken) {
      return taken == onDisc || (folder && (taken.startsWith(onDisc) || taken + QLatin1Char('/') == onDisc));
    });
    item->setIcon(colOnDisc, replaces ? warning : QIcon());
    item->setData(colOnDisc, Qt::AccessibleDescriptionRole, replaces ? ReplacesText() : QString());
    item->setToolTip(colOnDisc, replaces ? ReplacesText() : item->toolTip(colFrom));
  }
}

QString TsbFilesPanel::ReplacesText() { return tr("replaces the file on the disc"); }

QStringList TsbFilesPanel::Paths() const {
  QStringList paths;
  for (int i = 0; i < lstFiles->topLevelItemCount(); ++i)
    paths << lstFiles->topLevelItem(i)->data(colOnDisc, Qt::UserRole).toString();
  return paths;
}

void TsbFilesPanel::AddPaths(const QStringList& paths) {
  const QStringList known = Paths();
  bool added = false;
  for (const QString& path : paths) {
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (path.isEmpty() || known.contains(clean)) continue;
    const QFileInfo entry(clean);
    const QString from = QDir::toNativeSeparators(clean);
    // Each chosen entry sits at the top of the disc under its own name.
    const QString onDisc = QLatin1Char('/') + entry.fileName() + (entry.isDir() ? QStringLiteral("/") : QString());
    auto* item = new QTreeWidgetItem(lstFiles, {onDisc, LocaleMegabytes(EntryBytes(entry)), from});
    item->setData(colOnDisc, Qt::UserRole, clean);
    item->setTextAlignment(colSize, Qt::AlignRight | Qt::AlignVCenter);
    // The whole path, which a long one does not show in the list.
    const QString tip = (entry.isDir() ? tr("Folder: %1") : tr("File: %1")).arg(from);
    for (int column : {colOnDisc, colSize, colFrom}) item->setToolTip(column, tip);
    added = true;
  }
  if (added) emit Changed();
}

QString TsbFilesPanel::VolumeLabel() const { return CleanVolumeLabel(edtLabel->text()).Label; }

void TsbFilesPanel::AddFromDialog(bool folder) {
  TsbFileDialogRequest request;
  request.Caption = folder ? tr("Add a folder to burn") : tr("Add a file to burn");
  request.Folder = folder;
  if (const QString chosen = Dialogs().OpenFileName(request); !chosen.isEmpty()) AddPaths({chosen});
}

void TsbFilesPanel::RemoveSelected() {
  const auto selected = lstFiles->selectedItems();
  if (selected.isEmpty()) return;
  qDeleteAll(selected);
  emit Changed();
}

void TsbFilesPanel::UpdateLabelNote() {
  const QString note = CleanVolumeLabel(edtLabel->text()).Change;
  lblLabelNote->setText(note);
  lblLabelNote->setVisible(!note.isEmpty());
  emit Changed();
}
