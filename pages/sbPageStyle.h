// The look the wizard's pages share: a white page, a bold heading, and
// word-wrapped explanations.
#pragma once

#include <QString>

class QLabel;
class QWidget;

void SetWhiteBackground(QWidget* page);
// A bold heading that wraps when the page is narrow.
QLabel* NewHeading(const QString& text, QWidget* parent);
// A word-wrapped explanation.
QLabel* NewNote(const QString& text, QWidget* parent);
