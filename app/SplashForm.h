// The splash: a borderless picture with per-pixel transparency that fades in
// while the program starts, then closes itself a second later or on any key.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include <vector>

class QTimer;

// The constant alpha after each step of the fade-in: alpha += (255 - alpha) / 32 + 1
// from 0, so 8, 16, 24, 32, 39, 46, ... 253, 254, 255 (85 steps).
std::vector<int> FadeSteps();

// The splash picture must be 32 bits per pixel (an image that failed to decode
// has none); raises TsbError "Wrong bitmap format - must be 32 bits/pixel",
// followed by where the picture came from.
void CheckSplashBitmap(const QImage& image, const QString& source);

// Replaces blue, green and red of every pixel by table[alpha][value], with
// table[a][c] = a * c / 255 (integer division); alpha stays. The image is then
// ARGB32_Premultiplied. Expects Format_ARGB32.
void PremultiplyAlpha(QImage& image);

class TFormSplash : public QWidget {
  Q_OBJECT

 public:
  // source: the picture, by default the embedded ":/SPLASH".
  explicit TFormSplash(QString source = QStringLiteral(":/SPLASH"));

  // Decodes and checks the picture (raises TsbError), shows the window centred
  // and fades it in synchronously, processing events between the steps. One
  // step per tick of tickMs milliseconds, so that the default lasts about 1.3 s;
  // 0 runs every step at once. Then starts TimerSplash.
  void ShowSplash(int tickMs = 16);

  QTimer* TimerSplash;  // single shot, 1000 ms: closes the splash
  int ConstantAlpha() const { return constantAlpha_; }  // of the fade, 0 to 255

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QString source_;
  QPixmap frame_;      // the premultiplied picture; all that painting needs
  int constantAlpha_ = 0;
  QPoint dragOffset_;  // where the window was grabbed, when the platform cannot move it
  bool dragging_ = false;
};
