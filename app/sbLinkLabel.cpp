#include "sbLinkLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>

namespace {

bool IsActivationKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space; }

}  // namespace

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  setTextFormat(Qt::PlainText);
}

QSize TLinkLabel::minimumSizeHint() const {
  // Long addresses are elided rather than widening the window.
  const QSize full = QLabel::minimumSizeHint();
  return {qMin(full.width(), fontMetrics().horizontalAdvance(QLatin1Char('x')) * 12), full.height()};
}

bool TLinkLabel::event(QEvent* event) {
  // Enter and Space belong to the link while it has the focus, not to a
  // window's default-button shortcut.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
      if (IsActivationKey(key->key())) {
        event->accept();
        return true;
      }
    }
  }
  // An elided address shows whole in its tooltip.
  if (event->type() == QEvent::ToolTip && toolTip().isEmpty() &&
      fontMetrics().horizontalAdvance(text()) > contentsRect().width()) {
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
    return true;
  }
  return QLabel::event(event);
}

void TLinkLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click) emit clicked();
}

void TLinkLabel::keyPressEvent(QKeyEvent* event) {
  if (IsActivationKey(event->key()) && !event->isAutoRepeat()) {
    event->accept();
    emit clicked();
    return;
  }
  QLabel::keyPressEvent(event);
}

void TLinkLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = contentsRect();
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
  const QRect textRect = style()->itemTextRect(fontMetrics(), area, int(alignment()), isEnabled(), shown);
  style()->drawItemText(&painter, area, int(alignment()), palette(), isEnabled(), shown, foregroundRole());
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = textRect.adjusted(-2, 0, 2, 0) & rect();
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}
