#include "SplashForm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <array>
#include <cstdint>
#include <memory>

#include "sbErrors.h"

std::vector<int> FadeSteps() {
  std::vector<int> steps;
  for (int alpha = 0; alpha < 255;) {
    alpha += (255 - alpha) / 32 + 1;
    steps.push_back(alpha);
  }
  return steps;
}

void CheckSplashBitmap(const QImage& image, const QString& source) {
  if (image.depth() != 32)
    throw TsbError(
        QCoreApplication::translate("SplashForm", "Wrong bitmap format - must be 32 bits/pixel (splash picture %1: %2)")
            .arg(source, image.isNull()
                             ? QCoreApplication::translate("SplashForm", "not a readable picture")
                             : QCoreApplication::translate("SplashForm", "%1 bits per pixel").arg(image.depth())));
}

void PremultiplyAlpha(QImage& image) {
  using Table = std::array<std::array<uint8_t, 256>, 256>;
  auto table = std::make_unique<Table>();
  for (int a = 0; a < 256; ++a)
    for (int c = 0; c < 256; ++c) (*table)[a][c] = uint8_t(a * c / 255);

  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = row[x];
      const auto& scale = (*table)[qAlpha(p)];
      row[x] = qRgba(scale[qRed(p)], scale[qGreen(p)], scale[qBlue(p)], qAlpha(p));
    }
  }
  image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
}

TFormSplash::TFormSplash(QString source)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      TimerSplash(new QTimer(this)),
      source_(std::move(source)) {
  setWindowTitle(tr("Splash!"));
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_DeleteOnClose);
  setFocusPolicy(Qt::StrongFocus);
  TimerSplash->setSingleShot(true);
  TimerSplash->setInterval(1000);
  connect(TimerSplash, &QTimer::timeout, this, &QWidget::close);
}

void TFormSplash::ShowSplash(int tickMs) {
  QImage image = QImage(source_).convertToFormat(QImage::Format_ARGB32);
  CheckSplashBitmap(image, source_);
  PremultiplyAlpha(image);
  frame_ = QPixmap::fromImage(image);
  image = QImage();  // the pixmap is all that painting needs from here on

  setFixedSize(frame_.size() / frame_.devicePixelRatio());
  const QRect screenArea = screen()->availableGeometry();
  move(screenArea.center() - rect().center());
  constantAlpha_ = 0;
  show();
  activateWindow();

  // There is no event loop yet: the fade blocks, and events are processed
  // between steps so that each one is painted. A step is taken only when the
  // tick changed; the first one at once.
  QElapsedTimer clock;
  clock.start();
  qint64 lastTick = -1;
  // A key closes the splash during the fade too, and the events processed here may
  // delete it: the fade stops with it.
  const QPointer<TFormSplash> self(this);
  for (int alpha : FadeSteps()) {
    if (tickMs > 0) {
      while (clock.elapsed() / tickMs == lastTick) QThread::msleep(10);
      lastTick = clock.elapsed() / tickMs;
    }
    constantAlpha_ = alpha;
    repaint();
    QCoreApplication::processEvents();
    if (!self || !isVisible()) return;
  }
  TimerSplash->start();
}

void TFormSplash::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // The background is cleared to transparent, so drawing the premultiplied
  // pixels over it at the constant alpha blends each pixel as source-over
  // with per-pixel alpha times constant alpha. Painted rather than set as the
  // window's opacity, which several platforms (Wayland, offscreen) ignore.
  painter.setOpacity(constantAlpha_ / 255.0);
  painter.drawPixmap(0, 0, frame_);
}

void TFormSplash::keyPressEvent(QKeyEvent*) { close(); }

// Dragging from any point moves the splash: the window manager moves it where
// it can, else the window follows the mouse itself.
void TFormSplash::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (windowHandle() && windowHandle()->startSystemMove()) return;
  dragging_ = true;
  dragOffset_ = event->globalPosition().toPoint() - pos();
}

void TFormSplash::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) move(event->globalPosition().toPoint() - dragOffset_);
}

void TFormSplash::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

// The splash's meta object lives here rather than with the other windows', so
// that the program and the tests link it alone.
#include "moc_SplashForm.cpp"
