// The image page's second source: the files and folders to burn, and the label
// of the disc they make.
#pragma once

#include <QStringList>
#include <QWidget>

#include <vector>

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

  // A disc left open: the files it lists already, read-only above the chosen ones; each
  // may be left out of the new session's directory.
  QLabel* lblDiscFiles;
  QTreeWidget* lstDiscFiles;
  QPushButton* btnLeaveOut;
  void ShowDiscFiles(const std::vector<struct TsbDiscFile>& files);  // empty: no disc to add to
  QStringList LeftOut() const;  // the disc paths left out
  // Marks the chosen entries that take a name of the disc ("replaces the file on the disc").
  void MarkReplacing(const QStringList& discPaths);
  static QString ReplacesText();  // "replaces the file on the disc"

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
  void LeaveOutSelected();
};
