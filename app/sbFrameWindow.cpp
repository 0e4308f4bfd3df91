#include "sbFrameWindow.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include "sbDialogs.h"
#include "sbErrors.h"
#include "sbWindowFrame.h"

namespace framewindow {

QPushButton* AddButton(TWindowFrame& frame, const QString& text, QWidget* window) {
  auto* button = new QPushButton(text, window);
  button->setMinimumWidth(84);
  frame.ButtonRow->addWidget(button);
  return button;
}

QLabel* NewTitle(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  QFont title = label->font();
  title.setBold(true);
  title.setPointSizeF(title.pointSizeF() * 1.6);
  label->setFont(title);
  return label;
}

void MakeDefault(QPushButton* next, QWidget* window) {
  next->setDefault(true);
  for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
    auto* shortcut = new QShortcut(QKeySequence(key), window);
    // As in a dialog: a focused button takes Enter, else the default one.
    QObject::connect(shortcut, &QShortcut::activated, next, [next, window] {
      auto* focused = qobject_cast<QPushButton*>(window->focusWidget());
      QPushButton* target = focused != nullptr ? focused : next;
      if (target->isEnabled()) target->click();
    });
  }
}

void LoadImagesReporting(TWindowFrame& frame) {
  try {
    frame.LoadImages();
  } catch (const TsbError& error) {
    Dialogs().ApplicationError(error.Message());
  }
}

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

}  // namespace framewindow
