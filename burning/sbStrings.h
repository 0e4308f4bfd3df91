// The program's string table: user texts by numeric identifier.
#pragma once

#include <QString>

enum TsbStringId : int {
  sNext = 15101,
  sBack = 15102,
  sCancel = 15103,
  sSelectBurningDevice = 15120,
  sNoWritableDisc = 15121,
  sNoMediaInDrive = 15164,
  sDiscNotBlank = 15171,
  sClickNextToStartBurning = 15228,
  sSummaryHeading = 15233,
  sTestModeExplanation = 15237,
  sDestinationDevice = 15308,
  sScanningSystem = 15605,
  sBurningImage = 15951,
  sSourceImageFile = 15952,
  sSelectImageFile = 15955,
  sConfirmCancel = 15958,
  sImageTooBig = 15959,
  sSizeInformation = 15960,
  sSummaryDrive = 15961,
  sSummaryImageFile = 15962,
  sSummaryDiscType = 15963,
  sSummarySendOpc = 15964,
  sSummarySpeed = 15965,
  sSummaryTestWrite = 15966,
  sSummaryTransport = 15967,
  sSummaryBurningMode = 15968,
  // Texts without an identifier of their own elsewhere.
  sBurningMode = 16001,
  sBurningStarted = 16002,
  sScanningDevices = 16003,
  sBlank = 16004,
  sYes = 16005,
  sNo = 16006,
  sCancelling = 16007,
  sSummaryVerify = 16008,
};

// The text of an identifier; an unknown identifier gives an empty text.
QString ResStr(int id);
