// What an image file says about itself: the ISO 9660 volume descriptors read
// without mounting, for the image page's line about the chosen image.
#pragma once

#include <QDateTime>
#include <QString>

struct TsbIsoInfo {
  bool IsIso = false;  // a primary volume descriptor at block 16
  QString Label;
  QDateTime Created;   // invalid when the descriptor leaves it unset
  bool Bootable = false;  // an El Torito boot record
  bool Joliet = false;
  bool RockRidge = false;
};

// Reads the descriptors of the file; a file too short or of another kind is not ISO 9660.
TsbIsoInfo ReadIsoInfo(const QString& fileName);

// "Volume "HOLIDAY", made 2026-12-08 14:02; bootable; Joliet and Rock Ridge names",
// or the warning for a file that is not an ISO 9660 image.
QString IsoInfoText(const TsbIsoInfo& info);
