// Pieces the welcome and finish windows share beside their frame.
#pragma once

#include <QString>

class QLabel;
class QPushButton;
class QWidget;
class TWindowFrame;

namespace framewindow {

// A bottom-row button of the frame.
QPushButton* AddButton(TWindowFrame& frame, const QString& text, QWidget* window);
// The big bold heading of the content panel.
QLabel* NewTitle(const QString& text, QWidget* parent);
// Enter presses the focused button, else next (a link label takes Enter itself).
void MakeDefault(QPushButton* next, QWidget* window);
// Loads the frame's images; a failure goes to the application's error box.
void LoadImagesReporting(TWindowFrame& frame);
// Centres window on the screen it is on.
void CentreOnScreen(QWidget* window);

}  // namespace framewindow
