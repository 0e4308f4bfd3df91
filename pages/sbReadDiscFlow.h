// "Read from a disc...": a written disc in one of the drives saved as an image file,
// which is then the image to burn. A disc copy in the wizard's own pages.
#pragma once

#include <QString>

class QWidget;

struct TsbDiscReadResult {
  QString Image;             // the image written; empty when cancelled or failed (the reason was shown)
  bool DestinationDiscOut = false;  // read from the burn's own drive: its disc was ejected for a blank one
};

// Scans the drives, lets the user choose the disc and the image file, and reads it
// behind a progress window with Cancel. destinationDrive: the drive the burn goes to.
TsbDiscReadResult ReadDiscIntoImage(QWidget* parent, const QString& destinationDrive);
