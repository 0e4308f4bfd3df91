#include "sbStrings.h"

#include <QHash>

QString ResStr(int id) {
  static const QHash<int, QString> table = {
      {sNext, QStringLiteral("&Next >")},
      {sBack, QStringLiteral("< &Back")},
      {sCancel, QStringLiteral("Cancel")},
      {sSelectBurningDevice, QStringLiteral("You must select device that is supports burning CD/DVD")},
      {sNoWritableDisc, QStringLiteral("No writable disc is inserted")},
      {sNoMediaInDrive, QStringLiteral("No media in drive")},
      {sDiscNotBlank, QStringLiteral("Disc is not blank, burning is impossible!")},
      {sDestinationDevice, QStringLiteral("Destination device")},
      {sScanningSystem, QStringLiteral("Korvanel is scanning your system for CD and DVD devices.")},
      {sBurningImage, QStringLiteral("Burning image")},
      {sSourceImageFile, QStringLiteral("Source image file:")},
      {sSelectImageFile, QStringLiteral("You must select image file")},
      {sImageTooBig, QStringLiteral("Image size is too big to fit disc space")},
      {sBurningMode, QStringLiteral("Burning mode")},
      {sBurningStarted, QStringLiteral("Burning started")},
      {sScanningDevices, QStringLiteral("Scanning devices")},
      {sBlank, QStringLiteral("Blank")},
      {sYes, QStringLiteral("Yes")},
      {sNo, QStringLiteral("No")},
      {sCancelling, QStringLiteral("Cancelling...")},
  };
  return table.value(id);
}
