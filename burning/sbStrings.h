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
  sDestinationDevice = 15308,
  sScanningSystem = 15605,
  sBurningImage = 15951,
  sSourceImageFile = 15952,
  sSelectImageFile = 15955,
  sImageTooBig = 15959,
  // Texts without an identifier of their own elsewhere.
  sBurningMode = 16001,
  sBurningStarted = 16002,
  sScanningDevices = 16003,
  sBlank = 16004,
  sYes = 16005,
  sNo = 16006,
  sCancelling = 16007,
};

// The text of an identifier; an unknown identifier gives an empty text.
QString ResStr(int id);
