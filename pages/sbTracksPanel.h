// The image page's third source: the tracks of an audio CD, in the order of the disc,
// with the album's and each track's title and performer and the pause before each
// track. Also shows the tracks of a chosen cue sheet, read-only. Every change goes
// through the track layout, which stays the truth the list is read from.
#pragma once

#include <QStringList>
#include <QTreeWidget>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class TsbTrackLayout;

// The list of tracks: moves a row dragged inside it, and takes files dropped from a file manager.
class TsbTrackList : public QTreeWidget {
  Q_OBJECT

 public:
  explicit TsbTrackList(QWidget* parent = nullptr);
  std::function<void(int from, int to)> OnMove;       // to: the row the track takes
  std::function<void(const QStringList&)> OnDropFiles;
  std::function<void()> OnDeleteKey;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
};

class TsbTracksPanel : public QWidget {
  Q_OBJECT

 public:
  enum Column { colNumber, colTitle, colPerformer, colLength, colPause };

  explicit TsbTracksPanel(QWidget* parent = nullptr);

  QLabel* lblCaption;  // "Tracks of disc.cue" for a cue sheet, hidden for an audio CD
  QLineEdit* edtAlbumTitle;
  QLineEdit* edtAlbumPerformer;
  TsbTrackList* lstTracks;
  QPushButton* btnAddFiles;
  QPushButton* btnUp;
  QPushButton* btnDown;
  QPushButton* btnRemove;
  QPushButton* btnGapless;
  QLabel* lblRefused;  // the files that could not be added, each with the library's reason

  // The layout shown (none: an empty list); read-only for a cue sheet.
  void SetLayout(std::shared_ptr<TsbTrackLayout> layout, bool readOnly);
  const std::shared_ptr<TsbTrackLayout>& Layout() const { return layout_; }
  // Appends each file as a track; a file that cannot be decoded is named under the list with why.
  void AddFiles(const QStringList& paths);
  // Moves the track in row from to row to.
  void MoveTrack(int from, int to);
  void RemoveSelected();
  void MoveSelected(int by);  // -1: up, +1: down
  // The pause before a track in seconds (0: gapless); track 1 keeps its 2 seconds.
  void SetPause(int row, int seconds);
  void MakeGapless();
  // Reads every row again from the layout.
  void Refresh();

  // "2 s", "0 s", "1.5 s".
  static QString PauseText(uint32_t blocks);

 signals:
  void Changed();  // the tracks or their times changed

 private:
  void AddFromDialog();
  void TakeEditedRow(QTreeWidgetItem* item, int column);
  void ShowRow(QTreeWidgetItem* item, int index);
  void UpdateButtons();
  QList<int> SelectedRows() const;
  void SelectRows(const QList<int>& rows);
  // Runs a change of the layout; its refusal is shown under the list.
  bool Change(const std::function<void()>& change);

  std::shared_ptr<TsbTrackLayout> layout_;
  bool readOnly_ = false;
  bool filling_ = false;  // rows being written by the panel, not edited by the user
};
