// The frame the welcome, finish and wizard windows share: a borderless
// 772 x 547 window whose background and outline come from "main.bmp" (magenta
// outside the outline), the logos (dragging either moves the window), the
// version label, the "More free tools..." link, the minimise and close buttons
// of the title band, the area for the window's own content and the bottom
// button row.
#pragma once

#include <QObject>
#include <QPixmap>
#include <QPoint>

#include <functional>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QToolButton;
class QWidget;

class TWindowFrame : public QObject {
  Q_OBJECT

 public:
  // Builds the frame into window, which it makes borderless and 772 x 547.
  explicit TWindowFrame(QWidget* window);

  QLabel* ImageTopLogo;
  QLabel* ImageLeftLogo;
  QLabel* LabelVersion;    // "Version: <version>"
  QLabel* LabelMoreTools;  // "More free tools...", grey, underlined, hand cursor
  QToolButton* ButtonMin;
  QToolButton* ButtonClose2;
  QWidget* Content;        // the window's own widgets go here (it has no layout yet)
  QHBoxLayout* ButtonRow;  // the bottom row: the window adds its buttons

  // Loads "toplogo.png", "leftlogo.png" and "main.bmp" from SkinFolder() in
  // this order; raises TsbError naming the first file that is missing or
  // unreadable (the images loaded before it stay).
  void LoadImages();
  // The same from folder.
  void LoadImages(const QString& folder);

  // Fired by the link and by the close button; ButtonMin minimises by itself.
  // Unset, the link opens the home page and the close button closes the window.
  std::function<void()> OnMoreTools;
  std::function<void()> OnClose;

 protected:
  // Paints the background, lets the logos drag the window.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetBackground(const QPixmap& background);

  QWidget* window_;
  QPixmap background_;  // magenta masked out; null: the plain drawn frame
  QPoint dragOffset_;
  bool dragging_ = false;
};

// One window image of folder; raises TsbError naming the file and why it
// cannot be read.
QPixmap LoadWindowImage(const QString& folder, const QString& name);
