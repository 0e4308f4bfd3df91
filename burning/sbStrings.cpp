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
      {sClickNextToStartBurning, QStringLiteral("Click Next to start burning")},
      {sSummaryHeading, QStringLiteral("Data CD/DVD will be created with the following options chosen:")},
      {sTestModeExplanation,
       QStringLiteral("Test mode does everything as in normal burning process, but with the device laser turned "
                      "off. It allows to test the Data CD/DVD compilation for errors.")},
      {sDestinationDevice, QStringLiteral("Destination device")},
      {sScanningSystem, QStringLiteral("Korvanel is scanning your system for CD and DVD devices.")},
      {sBurningImage, QStringLiteral("Burning image")},
      {sSourceImageFile, QStringLiteral("Source image file:")},
      {sSelectImageFile, QStringLiteral("You must select image file")},
      {sConfirmCancel, QStringLiteral("Are you sure you want to cancel current operation?")},
      {sImageTooBig, QStringLiteral("Image size is too big to fit disc space")},
      {sSizeInformation, QStringLiteral("File size: %.2f Mb      Disc size: %.2f Mb")},
      {sSummaryDrive, QStringLiteral("Drive: %s %s (%s)")},
      {sSummaryImageFile, QStringLiteral("Selected image file name: %s")},
      {sSummaryDiscType, QStringLiteral("Disc Type: %s")},
      {sSummarySendOpc, QStringLiteral("Send OPC: %s")},
      {sSummarySpeed, QStringLiteral("Burning Speed: %s")},
      {sSummaryTestWrite, QStringLiteral("Test Write: %s")},
      {sSummaryTransport, QStringLiteral("Transport: %s")},
      {sSummaryBurningMode, QStringLiteral("Burning Mode: %s")},
      {sBurningMode, QStringLiteral("Burning mode")},
      {sBurningStarted, QStringLiteral("Burning started")},
      {sScanningDevices, QStringLiteral("Scanning devices")},
      {sBlank, QStringLiteral("Blank")},
      {sYes, QStringLiteral("Yes")},
      {sNo, QStringLiteral("No")},
      {sCancelling, QStringLiteral("Cancelling...")},
      {sSummaryVerify, QStringLiteral("Verify written data: %s")},
  };
  return table.value(id);
}
