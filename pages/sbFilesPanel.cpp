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
#include <QTreeWidget>

#include "sbDialogs.h"
#include "sbFileSelection.h"
#include "sbStrings.h"

namespace {

enum Column { colOnDisc, colSize, colFrom };

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

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(btnAddFiles);
  buttons->addWidget(btnAddFolder);
  buttons->addWidget(btnRemove);
  buttons->addStretch(1);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(lstFiles, 0, 0, 1, 2);
  layout->addLayout(buttons, 0, 2);
  layout->addWidget(labelCaption, 1, 0);
  layout->addWidget(edtLabel, 1, 1, 1, 2);
  layout->addWidget(lblLabelNote, 2, 0, 1, 3);
  layout->setColumnStretch(1, 1);
}

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
