// The program's string table: user texts by numeric identifier.
#pragma once

#include <QString>

#include <cstdint>

enum TsbStringId : int {
  sNext = 15101,
  sBack = 15102,
  sCancel = 15103,
  sSelectBurningDevice = 15120,
  sWelcome = 15200,
  sTitleBurning = 15202,
  sTitleDevice = 15204,
  sTitleOptions = 15210,
  sSubTitleOptions = 15211,
  sTitleTransport = 15220,
  sSubTitleTransport = 15221,
  sSubTitleSummary = 15222,
  sTitleSummary = 15223,
  sNoWritableDisc = 15121,
  sNoMediaInDrive = 15164,
  sDiscNotBlank = 15171,
  sClickNextToStartBurning = 15228,
  sFinishedSuccessfully = 15229,
  sCompleting = 15230,
  sFinishedWithError = 15231,
  sCancelledByUser = 15232,
  sSummaryHeading = 15233,
  sSubTitleMode = 15234,
  sTitleMode = 15235,
  sTestModeExplanation = 15237,
  sDestinationDevice = 15308,
  sScanningSystem = 15605,
  sBurningImage = 15951,
  sSourceImageFile = 15952,
  sTitleImage = 15953,
  sSubTitleImage = 15954,
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
  sSubTitleBurning = 15972,
  sSubTitleDevice = 15974,
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

// The text of an identifier in the user's language; an unknown identifier gives an empty text.
QString ResStr(int id);
// The English text, for outputs that scripts read (korvanel-cli's device table).
QString ResSourceStr(int id);

// Figures a user reads, in the locale of QLocale() (the user's; korvanel-cli keeps the C
// locale, since scripts read its lines): "1,79" in German, "1.79" in English. Digits are
// never grouped, so that only the decimal point differs between the languages and a
// figure reads the same in a sentence and in a table cell.
QString LocaleNumber(double value, int decimals);
// FormatMegabytes in the user's locale, with its unit: "700,00 MB" in German.
QString LocaleMegabytes(std::int64_t bytes);
// A speed as a factor of the disc's 1x and in MB (10^6 bytes) a second: "48,1x (8,46 MB/s)".
QString SpeedFigures(double factor, double bytesPerSecond);
