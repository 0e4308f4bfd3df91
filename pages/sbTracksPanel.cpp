#include "sbTracksPanel.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

#include "sbDialogs.h"
#include "sbErrors.h"
#include "sbTrackLayout.h"

namespace {

constexpr uint32_t kBlocksPerSecond = 75;
constexpr int kLongestPauseSeconds = 10;

QStringList LocalFiles(const QMimeData* data) {
  QStringList paths;
  if (data && data->hasUrls())
    for (const QUrl& url : data->urls())
      if (url.isLocalFile()) paths << QDir::toNativeSeparators(url.toLocalFile());
  return paths;
}

// Titles and performers edited in a line as long as CD-TEXT holds; the pause in a spin
// box of whole seconds. The number, the length and track 1's pause are not edited.
class TrackDelegate : public QStyledItemDelegate {
 public:
  TrackDelegate(TsbTracksPanel* panel, bool* readOnly) : QStyledItemDelegate(panel), panel_(panel), readOnly_(readOnly) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (*readOnly_) return nullptr;
    switch (index.column()) {
      case TsbTracksPanel::colTitle:
      case TsbTracksPanel::colPerformer: {
        auto* edit = new QLineEdit(parent);
        edit->setMaxLength(int(DISCWRIGHT_CD_TEXT_CHARS));
        return edit;
      }
      case TsbTracksPanel::colPause: {
        if (index.row() == 0) return nullptr;
        auto* spin = new QSpinBox(parent);
        spin->setRange(0, kLongestPauseSeconds);
        spin->setSuffix(TsbTracksPanel::tr(" s"));
        spin->setAccessibleName(TsbTracksPanel::tr("Pause before the track"));
        return spin;
      }
      default:
        (void)option;
        return nullptr;
    }
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
      spin->setValue(int(index.data(Qt::UserRole).toUInt() / kBlocksPerSecond));
      return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
    if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
      spin->interpretText();
      // After the view has closed the editor: the change reads every row again.
      QMetaObject::invokeMethod(
          panel_, [panel = panel_, row = index.row(), seconds = spin->value()] { panel->SetPause(row, seconds); },
          Qt::QueuedConnection);
      return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
  }

 private:
  TsbTracksPanel* panel_;
  bool* readOnly_;
};

}  // namespace

TsbTrackList::TsbTrackList(QWidget* parent) : QTreeWidget(parent) {
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
}

void TsbTrackList::dragEnterEvent(QDragEnterEvent* event) {
  if (event->source() == this || (OnDropFiles && !LocalFiles(event->mimeData()).isEmpty()))
    event->acceptProposedAction();
  else
    event->ignore();
}

void TsbTrackList::dragMoveEvent(QDragMoveEvent* event) {
  // The indicator between rows, for moves; files from outside are appended wherever they fall.
  if (event->source() == this) QTreeWidget::dragMoveEvent(event);
  if (event->source() == this || (OnDropFiles && !LocalFiles(event->mimeData()).isEmpty()))
    event->acceptProposedAction();
}

void TsbTrackList::dropEvent(QDropEvent* event) {
  if (event->source() != this) {
    const QStringList paths = LocalFiles(event->mimeData());
    if (paths.isEmpty() || !OnDropFiles) return event->ignore();
    event->acceptProposedAction();
    OnDropFiles(paths);
    return;
  }
  // The list does not move its own rows: the layout moves the track and the rows are read again.
  event->setDropAction(Qt::IgnoreAction);
  event->accept();
  QTreeWidgetItem* dragged = currentItem();
  if (!dragged || !OnMove) return;
  const int from = indexOfTopLevelItem(dragged);
  const QPoint at = event->position().toPoint();
  QTreeWidgetItem* under = itemAt(at);
  int to = under ? indexOfTopLevelItem(under) : topLevelItemCount() - 1;
  // Dropped on the lower half of a row: after it.
  if (under && at.y() > visualItemRect(under).center().y() && to < from) ++to;
  if (under && at.y() <= visualItemRect(under).center().y() && to > from) --to;
  if (to != from) OnMove(from, to);
}

bool TsbTrackList::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  // F2 on a row whose number or length has the keyboard edits its title.
  if (trigger == EditKeyPressed && index.isValid() &&
      (index.column() == TsbTracksPanel::colNumber || index.column() == TsbTracksPanel::colLength))
    return QTreeWidget::edit(index.siblingAtColumn(TsbTracksPanel::colTitle), trigger, event);
  return QTreeWidget::edit(index, trigger, event);
}

void TsbTrackList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && state() != QAbstractItemView::EditingState && OnDeleteKey) {
    OnDeleteKey();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

TsbTracksPanel::TsbTracksPanel(QWidget* parent) : QWidget(parent) {
  lblCaption = new QLabel(this);
  lblCaption->setVisible(false);
  auto* titleCaption = new QLabel(tr("Album title:"), this);
  edtAlbumTitle = new QLineEdit(this);
  edtAlbumTitle->setMaxLength(int(DISCWRIGHT_CD_TEXT_CHARS));
  titleCaption->setBuddy(edtAlbumTitle);
  auto* performerCaption = new QLabel(tr("Performer:"), this);
  edtAlbumPerformer = new QLineEdit(this);
  edtAlbumPerformer->setMaxLength(int(DISCWRIGHT_CD_TEXT_CHARS));
  performerCaption->setBuddy(edtAlbumPerformer);

  lstTracks = new TsbTrackList(this);
  lstTracks->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstTracks->setRootIsDecorated(false);
  lstTracks->setUniformRowHeights(true);
  lstTracks->setHeaderLabels({tr("#"), tr("Title"), tr("Performer"), tr("Length"), tr("Pause")});
  lstTracks->header()->setStretchLastSection(false);
  lstTracks->header()->setSectionResizeMode(colNumber, QHeaderView::ResizeToContents);
  lstTracks->header()->setSectionResizeMode(colTitle, QHeaderView::Stretch);
  lstTracks->header()->setSectionResizeMode(colPerformer, QHeaderView::Stretch);
  lstTracks->header()->setSectionResizeMode(colLength, QHeaderView::ResizeToContents);
  lstTracks->header()->setSectionResizeMode(colPause, QHeaderView::ResizeToContents);
  lstTracks->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  lstTracks->setItemDelegate(new TrackDelegate(this, &readOnly_));
  lstTracks->setAccessibleName(tr("Tracks of the audio CD"));
  lstTracks->OnMove = [this](int from, int to) { MoveTrack(from, to); };
  lstTracks->OnDropFiles = [this](const QStringList& paths) { AddFiles(paths); };
  lstTracks->OnDeleteKey = [this] { RemoveSelected(); };

  btnAddFiles = new QPushButton(tr("Add Files..."), this);
  btnUp = new QPushButton(tr("Up"), this);
  btnUp->setToolTip(tr("Move the selected tracks up"));
  btnDown = new QPushButton(tr("Down"), this);
  btnDown->setToolTip(tr("Move the selected tracks down"));
  btnRemove = new QPushButton(tr("Remove"), this);
  btnGapless = new QPushButton(tr("Gapless"), this);
  btnGapless->setToolTip(tr("No pause between the tracks: each plays on into the next (track 1 keeps its 2 seconds)"));
  lblRefused = new QLabel(this);
  lblRefused->setWordWrap(true);
  lblRefused->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblRefused->setStyleSheet(QStringLiteral("color: #b00000"));
  lblRefused->setVisible(false);

  connect(btnAddFiles, &QPushButton::clicked, this, &TsbTracksPanel::AddFromDialog);
  connect(btnUp, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
  connect(btnDown, &QPushButton::clicked, this, [this] { MoveSelected(+1); });
  connect(btnRemove, &QPushButton::clicked, this, &TsbTracksPanel::RemoveSelected);
  connect(btnGapless, &QPushButton::clicked, this, &TsbTracksPanel::MakeGapless);
  connect(lstTracks, &QTreeWidget::itemSelectionChanged, this, &TsbTracksPanel::UpdateButtons);
  connect(lstTracks, &QTreeWidget::itemChanged, this, &TsbTracksPanel::TakeEditedRow);
  auto album = [this] {
    if (!filling_ && layout_ && !readOnly_) Change([&] { layout_->SetAlbum(edtAlbumTitle->text(), edtAlbumPerformer->text()); });
  };
  connect(edtAlbumTitle, &QLineEdit::textChanged, this, album);
  connect(edtAlbumPerformer, &QLineEdit::textChanged, this, album);

  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {btnAddFiles, btnUp, btnDown, btnRemove, btnGapless}) buttons->addWidget(button);
  buttons->addStretch(1);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(lblCaption, 0, 0, 1, 5);
  layout->addWidget(titleCaption, 1, 0);
  layout->addWidget(edtAlbumTitle, 1, 1);
  layout->addWidget(performerCaption, 1, 2);
  layout->addWidget(edtAlbumPerformer, 1, 3, 1, 2);
  layout->addWidget(lstTracks, 2, 0, 1, 4);
  layout->addLayout(buttons, 2, 4);
  layout->addWidget(lblRefused, 3, 0, 1, 5);
  layout->setColumnStretch(1, 3);
  layout->setColumnStretch(3, 2);
  UpdateButtons();
}

void TsbTracksPanel::SetLayout(std::shared_ptr<TsbTrackLayout> layout, bool readOnly) {
  layout_ = std::move(layout);
  readOnly_ = readOnly;
  for (QWidget* w : std::initializer_list<QWidget*>{btnAddFiles, btnUp, btnDown, btnRemove, btnGapless})
    w->setVisible(!readOnly);
  edtAlbumTitle->setReadOnly(readOnly);
  edtAlbumPerformer->setReadOnly(readOnly);
  lstTracks->setDragEnabled(!readOnly);
  lstTracks->setAcceptDrops(!readOnly);
  lblRefused->clear();
  lblRefused->setVisible(false);
  Refresh();
}

QString TsbTracksPanel::PauseText(uint32_t blocks) {
  const QString seconds = blocks % kBlocksPerSecond == 0
                              ? QString::number(blocks / kBlocksPerSecond)
                              : QLocale().toString(double(blocks) / kBlocksPerSecond, 'g', 3);
  return tr("%1 s").arg(seconds);
}

void TsbTracksPanel::ShowRow(QTreeWidgetItem* item, int index) {
  const TsbLayoutTrack track = layout_->Track(index);
  item->setText(colNumber, QString::number(index + 1));
  item->setText(colTitle, track.Title);
  item->setText(colPerformer, track.Performer);
  item->setText(colLength, TrackTime(track.Blocks));
  // The silence the burn writes and the pause a cue sheet's file holds are heard as one.
  item->setText(colPause, PauseText(track.PauseBlocks + track.SourcePregapBlocks));
  item->setData(colPause, Qt::UserRole, track.PauseBlocks);
  const QString from = QDir::toNativeSeparators(track.Source);
  for (int column : {colNumber, colTitle, colPerformer, colLength}) item->setToolTip(column, from);
  item->setToolTip(colPause, index == 0 ? tr("The first track always begins after 2 seconds")
                                        : tr("The pause before the track: double-click to change it"));
  item->setTextAlignment(colNumber, Qt::AlignRight | Qt::AlignVCenter);
  item->setTextAlignment(colLength, Qt::AlignRight | Qt::AlignVCenter);
  item->setTextAlignment(colPause, Qt::AlignRight | Qt::AlignVCenter);
  Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
  if (!readOnly_) flags |= Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
  item->setFlags(flags);
}

void TsbTracksPanel::Refresh() {
  const QList<int> selected = SelectedRows();
  filling_ = true;  // the album's fields and the rows are written from the layout, not edited
  lstTracks->clear();
  try {
    if (layout_) {
      edtAlbumTitle->setText(layout_->AlbumTitle());
      edtAlbumPerformer->setText(layout_->AlbumPerformer());
      for (int i = 0, n = layout_->TrackCount(); i < n; ++i) ShowRow(new QTreeWidgetItem(lstTracks), i);
    } else {
      edtAlbumTitle->clear();
      edtAlbumPerformer->clear();
    }
  } catch (const TsbError& e) {
    lblRefused->setText(e.Message());
    lblRefused->setVisible(true);
  }
  filling_ = false;
  SelectRows(selected);
  UpdateButtons();
}

bool TsbTracksPanel::Change(const std::function<void()>& change) {
  try {
    change();
    return true;
  } catch (const TsbError& e) {
    lblRefused->setText(e.Message());
    lblRefused->setVisible(true);
    return false;
  }
}

void TsbTracksPanel::AddFiles(const QStringList& paths) {
  if (!layout_ || readOnly_ || paths.isEmpty()) return;
  QStringList refused;
  int added = 0;
  for (const QString& path : paths) {
    try {
      layout_->AddAudioFile(QDir::fromNativeSeparators(path));
      ++added;
    } catch (const TsbError& e) {
      // The library's reason, with the file's name in front when it does not name it already.
      const QString name = QFileInfo(path).fileName();
      refused << (e.Message().contains(name) ? e.Message() : QStringLiteral("%1: %2").arg(name, e.Message()));
    }
  }
  lblRefused->setText(refused.join(QLatin1Char('\n')));
  lblRefused->setToolTip(refused.join(QLatin1Char('\n')));
  lblRefused->setVisible(!refused.isEmpty());
  if (added == 0) return;
  Refresh();
  SelectRows({lstTracks->topLevelItemCount() - 1});
  emit Changed();
}

void TsbTracksPanel::AddFromDialog() {
  TsbFileDialogRequest request;
  request.Caption = tr("Add music files");
  QStringList patterns;
  for (const QString& kind : TsbTrackLayout::AudioKinds()) patterns << QStringLiteral("*.") + kind;
  if (patterns.isEmpty()) patterns << QStringLiteral("*.wav");
  request.Filter = tr("Music files (%1)").arg(patterns.join(QLatin1Char(' '))) + QStringLiteral(";;") +
                   tr("All files (*)");
  AddFiles(Dialogs().OpenFileNames(request));
}

void TsbTracksPanel::MoveTrack(int from, int to) {
  if (!layout_ || readOnly_ || from == to) return;
  if (!Change([&] { layout_->MoveTrack(from, to); })) return;
  Refresh();
  SelectRows({to});
  emit Changed();
}

void TsbTracksPanel::MoveSelected(int by) {
  QList<int> rows = SelectedRows();
  const int count = lstTracks->topLevelItemCount();
  if (!layout_ || readOnly_ || rows.isEmpty()) return;
  // A block at the top (or bottom) stays; the others move one step past it.
  if ((by < 0 && rows.constFirst() == 0) || (by > 0 && rows.constLast() == count - 1)) return;
  if (by > 0) std::reverse(rows.begin(), rows.end());
  QList<int> moved;
  for (int row : rows) {
    if (!Change([&] { layout_->MoveTrack(row, row + by); })) break;
    moved << row + by;
  }
  Refresh();
  SelectRows(moved);
  emit Changed();
}

void TsbTracksPanel::RemoveSelected() {
  QList<int> rows = SelectedRows();
  if (!layout_ || readOnly_ || rows.isEmpty()) return;
  std::sort(rows.begin(), rows.end(), std::greater<int>());
  for (int row : rows)
    if (!Change([&] { layout_->RemoveTrack(row); })) break;
  Refresh();
  SelectRows({std::min(rows.constLast(), lstTracks->topLevelItemCount() - 1)});
  emit Changed();
}

void TsbTracksPanel::SetPause(int row, int seconds) {
  if (!layout_ || readOnly_ || row <= 0) return;
  Change([&] {
    TsbLayoutTrack track = layout_->Track(row);
    track.PauseBlocks = uint32_t(seconds) * kBlocksPerSecond;
    layout_->SetTrack(row, track);
  });
  Refresh();
  emit Changed();
}

void TsbTracksPanel::MakeGapless() {
  if (!layout_ || readOnly_) return;
  Change([&] {
    for (int i = 1, n = layout_->TrackCount(); i < n; ++i) {
      TsbLayoutTrack track = layout_->Track(i);
      track.PauseBlocks = 0;
      layout_->SetTrack(i, track);
    }
  });
  Refresh();
  emit Changed();
}

void TsbTracksPanel::TakeEditedRow(QTreeWidgetItem* item, int column) {
  if (filling_ || !layout_ || readOnly_ || (column != colTitle && column != colPerformer)) return;
  const int index = lstTracks->indexOfTopLevelItem(item);
  Change([&] {
    TsbLayoutTrack track = layout_->Track(index);
    (column == colTitle ? track.Title : track.Performer) = item->text(column).trimmed();
    layout_->SetTrack(index, track);
  });
  // What the layout kept (cut to what CD-TEXT holds), not what was typed.
  filling_ = true;
  Change([&] { ShowRow(item, index); });
  filling_ = false;
  emit Changed();
}

QList<int> TsbTracksPanel::SelectedRows() const {
  QList<int> rows;
  for (QTreeWidgetItem* item : lstTracks->selectedItems()) rows << lstTracks->indexOfTopLevelItem(item);
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TsbTracksPanel::SelectRows(const QList<int>& rows) {
  lstTracks->clearSelection();
  for (int row : rows)
    if (QTreeWidgetItem* item = lstTracks->topLevelItem(row)) {
      item->setSelected(true);
      lstTracks->setCurrentItem(item, 0, QItemSelectionModel::Select);
    }
  UpdateButtons();
}

void TsbTracksPanel::UpdateButtons() {
  const QList<int> rows = SelectedRows();
  const int count = lstTracks->topLevelItemCount();
  btnRemove->setEnabled(!rows.isEmpty());
  btnUp->setEnabled(!rows.isEmpty() && rows.constFirst() > 0);
  btnDown->setEnabled(!rows.isEmpty() && rows.constLast() < count - 1);
  btnGapless->setEnabled(count > 1);
}
