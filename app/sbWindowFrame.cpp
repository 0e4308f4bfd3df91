#include "sbWindowFrame.h"

#include <QCoreApplication>
#include <QBitmap>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include "sbErrors.h"
#include "sbHelpActions.h"
#include "sbHelpers.h"
#include "sbLinkLabel.h"

namespace {

constexpr int kWidth = 772;
constexpr int kHeight = 547;
constexpr int kTitleBand = 56;  // the navy band of "main.bmp"
const QColor kTransparent(255, 0, 255);
const QColor kContentBorder(0xc3, 0xce, 0xdb);

QToolButton* NewTitleButton(const QString& text, const QString& name, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setAccessibleName(name);
  button->setToolTip(name);
  button->setFixedSize(28, 24);
  button->setFocusPolicy(Qt::TabFocus);
  button->setStyleSheet(QStringLiteral(
      "QToolButton { color: white; background: transparent; border: 1px solid transparent;"
      " border-radius: 3px; font-size: 16px; font-weight: bold; padding: 0 0 2px 0; }"
      "QToolButton:hover { background: rgba(255, 255, 255, 40); }"
      "QToolButton:pressed { background: rgba(255, 255, 255, 70); }"
      "QToolButton:focus { border: 1px dotted white; }"));
  return button;
}

// Without "main.bmp" the window keeps its look in plain shapes: the navy band
// over a light body.
void PaintPlainFrame(QPainter& painter, const QRect& area) {
  QLinearGradient band(0, 0, 0, kTitleBand);
  band.setColorAt(0, QColor(30, 88, 150));
  band.setColorAt(1, QColor(18, 39, 73));
  painter.fillRect(QRect(0, 0, area.width(), kTitleBand), band);
  painter.fillRect(QRect(0, kTitleBand, area.width(), 1), QColor(40, 170, 190));
  QLinearGradient body(0, kTitleBand + 1, 0, area.height());
  body.setColorAt(0, QColor(250, 251, 253));
  body.setColorAt(1, QColor(232, 237, 244));
  painter.fillRect(QRect(0, kTitleBand + 1, area.width(), area.height() - kTitleBand - 1), body);
}

}  // namespace

TWindowFrame::TWindowFrame(QWidget* window) : QObject(window), window_(window) {
  window->setWindowFlags(window->windowFlags() | Qt::Window | Qt::FramelessWindowHint);
  window->setFixedSize(kWidth, kHeight);
  window->installEventFilter(this);

  ImageTopLogo = new QLabel(window);
  ImageTopLogo->setFixedSize(209, 44);
  ImageTopLogo->setAccessibleName(QStringLiteral("Korvanel"));
  ButtonMin = NewTitleButton(QString(QChar(0x2013)), tr("Minimize"), window);
  ButtonClose2 = NewTitleButton(QString(QChar(0x00D7)), tr("Close"), window);

  ImageLeftLogo = new QLabel(window);
  ImageLeftLogo->setFixedSize(164, 380);
  ImageLeftLogo->setAlignment(Qt::AlignCenter);

  Content = new QWidget(window);
  Content->setObjectName(QStringLiteral("Content"));
  Content->setAutoFillBackground(true);
  QPalette white = Content->palette();
  white.setColor(QPalette::Window, Qt::white);
  Content->setPalette(white);

  LabelVersion = new QLabel(tr("Version: %1").arg(QStringLiteral(KORVANEL_VERSION)), window);
  auto* moreTools = new TLinkLabel(tr("More free tools..."), window);
  moreTools->setAccessibleName(tr("More free tools"));
  QPalette grey = moreTools->palette();
  grey.setColor(QPalette::WindowText, QColor(0x70, 0x70, 0x70));
  moreTools->setPalette(grey);
  LabelMoreTools = moreTools;
  ButtonRow = new QHBoxLayout;
  ButtonRow->setSpacing(8);

  auto* titleRow = new QHBoxLayout;
  titleRow->setContentsMargins(14, 6, 14, 6);
  titleRow->addWidget(ImageTopLogo, 0, Qt::AlignVCenter);
  titleRow->addStretch();
  titleRow->addWidget(ButtonMin, 0, Qt::AlignTop);
  titleRow->addWidget(ButtonClose2, 0, Qt::AlignTop);

  auto* bottomLeft = new QVBoxLayout;
  bottomLeft->setSpacing(2);
  bottomLeft->addWidget(LabelVersion);
  bottomLeft->addWidget(LabelMoreTools, 0, Qt::AlignLeft);

  // The page area of the design: 553 x 409 at (200, 80), the logo band at its left.
  auto* body = new QGridLayout;
  body->setContentsMargins(18, 24, 19, 16);
  body->setHorizontalSpacing(18);
  body->setVerticalSpacing(10);
  body->addWidget(ImageLeftLogo, 0, 0, Qt::AlignTop);
  body->addWidget(Content, 0, 1);
  body->addLayout(bottomLeft, 1, 0);
  body->addLayout(ButtonRow, 1, 1);
  body->setRowStretch(0, 1);
  body->setColumnStretch(1, 1);

  auto* root = new QVBoxLayout(window);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);
  root->addLayout(titleRow);
  root->addLayout(body, 1);

  ImageTopLogo->installEventFilter(this);
  ImageLeftLogo->installEventFilter(this);
  connect(ButtonMin, &QToolButton::clicked, window, &QWidget::showMinimized);
  connect(ButtonClose2, &QToolButton::clicked, this, [this] {
    if (OnClose)
      OnClose();
    else
      window_->close();
  });
  connect(moreTools, &TLinkLabel::clicked, this, [this] {
    if (OnMoreTools)
      OnMoreTools();
    else
      OpenHomePage();
  });
}

QPixmap LoadWindowImage(const QString& folder, const QString& name) {
  const QString path = IncludeTrailingSeparator(folder) + name;
  if (!QFileInfo(path).isFile())
    throw TsbError(
        QCoreApplication::translate("sbWindowFrame", "Cannot load the window image \"%1\": the file is missing")
            .arg(path));
  QPixmap image;
  if (!image.load(path))
    throw TsbError(
        QCoreApplication::translate("sbWindowFrame", "Cannot load the window image \"%1\": not a readable image")
            .arg(path));
  return image;
}

void TWindowFrame::LoadImages() { LoadImages(SkinFolder()); }

void TWindowFrame::LoadImages(const QString& folder) {
  ImageTopLogo->setPixmap(LoadWindowImage(folder, QStringLiteral("toplogo.png")));
  ImageLeftLogo->setPixmap(LoadWindowImage(folder, QStringLiteral("leftlogo.png")));
  SetBackground(LoadWindowImage(folder, QStringLiteral("main.bmp")));
}

void TWindowFrame::SetBackground(const QPixmap& background) {
  background_ = background.size() == window_->size()
                    ? background
                    : background.scaled(window_->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const QBitmap outline = background_.createMaskFromColor(kTransparent, Qt::MaskInColor);
  background_.setMask(outline);
  window_->setMask(outline);
  window_->update();
}

bool TWindowFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_) {
    if (event->type() == QEvent::Paint) {
      QPainter painter(window_);
      if (background_.isNull())
        PaintPlainFrame(painter, window_->rect());
      else
        painter.drawPixmap(0, 0, background_);
      painter.setPen(kContentBorder);
      painter.drawRect(Content->geometry().adjusted(-1, -1, 0, 0));
    }
    return false;
  }
  if (watched != ImageTopLogo && watched != ImageLeftLogo) return false;
  // Either logo drags the window: the window system moves it where it can,
  // else the window follows the mouse.
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) return false;
      QWindow* handle = window_->windowHandle();
      if (handle != nullptr && handle->startSystemMove()) return true;
      dragging_ = true;
      dragOffset_ = mouse->globalPosition().toPoint() - window_->pos();
      return true;
    }
    case QEvent::MouseMove:
      if (!dragging_) return false;
      window_->move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
      return true;
    case QEvent::MouseButtonRelease:
      if (!dragging_) return false;
      dragging_ = false;
      return true;
    default:
      return false;
  }
}
