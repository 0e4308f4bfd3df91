// The image page's second source: the files and folders to burn, and the label
// of the disc they make.
#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class TsbFilesPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TsbFilesPanel(QWidget* parent = nullptr);

  // One row per chosen entry: where it sits on the disc, its size, where it comes from.
  QTreeWidget* lstFiles;
  QPushButton* btnAddFiles;
  QPushButton* btnAddFolder;
  QPushButton* btnRemove;
  QLineEdit* edtLabel;
  QLabel* lblLabelNote;  // what the label became, when it was changed

  QStringList Paths() const;
  // Adds each path not in the list yet.
  void AddPaths(const QStringList& paths);
  // The label as the disc holds it.
  QString VolumeLabel() const;

 signals:
  void Changed();

 private:
  void AddFromDialog(bool folder);
  void RemoveSelected();
  void UpdateLabelNote();
};
