#include "sbPageStyle.h"

#include <QLabel>
#include <QPalette>
#include <QWidget>

void SetWhiteBackground(QWidget* page) {
  page->setAutoFillBackground(true);
  QPalette white = page->palette();
  white.setColor(QPalette::Window, Qt::white);
  page->setPalette(white);
}

QLabel* NewHeading(const QString& text, QWidget* parent) {
  QLabel* label = NewNote(text, parent);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}

QLabel* NewNote(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}
