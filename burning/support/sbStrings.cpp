#include "sbStrings.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>

#include "sbHelpers.h"

namespace {

// The English texts, marked for lupdate; ResStr translates them when they are looked up.
const char* SourceText(int id) {
  static const QHash<int, const char*> table = {
      {sNext, QT_TRANSLATE_NOOP("sbStrings", "&Next >")},
      {sBack, QT_TRANSLATE_NOOP("sbStrings", "< &Back")},
      {sCancel, QT_TRANSLATE_NOOP("sbStrings", "Cancel")},
      {sSelectBurningDevice, QT_TRANSLATE_NOOP("sbStrings", "You must select device that is supports burning CD/DVD")},
      {sWelcome, QT_TRANSLATE_NOOP("sbStrings", "Welcome to Korvanel")},
      {sTitleBurning, QT_TRANSLATE_NOOP("sbStrings", "Burning")},
      {sTitleDevice, QT_TRANSLATE_NOOP("sbStrings", "Device Selection")},
      {sTitleOptions, QT_TRANSLATE_NOOP("sbStrings", "Burning Options")},
      {sSubTitleOptions, QT_TRANSLATE_NOOP("sbStrings", "You can choose various burning options")},
      {sTitleTransport, QT_TRANSLATE_NOOP("sbStrings", "SCSI Transport")},
      {sSubTitleTransport, QT_TRANSLATE_NOOP("sbStrings", "The SCSI transport is a method to access devices")},
      {sSubTitleSummary,
       QT_TRANSLATE_NOOP("sbStrings", "Review the Data CD/DVD options you have chosen before proceed with burning")},
      {sTitleSummary, QT_TRANSLATE_NOOP("sbStrings", "Options Summary")},
      {sFinishedSuccessfully, QT_TRANSLATE_NOOP("sbStrings", "Korvanel has successfully finished!")},
      {sCompleting, QT_TRANSLATE_NOOP("sbStrings", "Completing the Korvanel")},
      {sFinishedWithError, QT_TRANSLATE_NOOP("sbStrings", "Korvanel has finished with error")},
      {sCancelledByUser, QT_TRANSLATE_NOOP("sbStrings", "Burning was canceled by user!")},
      {sSubTitleMode, QT_TRANSLATE_NOOP("sbStrings", "You can choose burning mode")},
      {sTitleMode, QT_TRANSLATE_NOOP("sbStrings", "Burning Mode")},
      {sTitleImage, QT_TRANSLATE_NOOP("sbStrings", "Source Image File Selection")},
      {sSubTitleImage, QT_TRANSLATE_NOOP("sbStrings", "Please select an image file you would like to burn")},
      {sSubTitleBurning, QT_TRANSLATE_NOOP("sbStrings", "Burning file system image...")},
      {sSubTitleDevice, QT_TRANSLATE_NOOP("sbStrings", "CD or DVD burning device to use for disc burning.")},
      {sNoWritableDisc, QT_TRANSLATE_NOOP("sbStrings", "No writable disc is inserted")},
      {sNoMediaInDrive, QT_TRANSLATE_NOOP("sbStrings", "No media in drive")},
      {sDiscNotBlank, QT_TRANSLATE_NOOP("sbStrings", "Disc is not blank, burning is impossible!")},
      {sClickNextToStartBurning, QT_TRANSLATE_NOOP("sbStrings", "Click Next to start burning")},
      {sSummaryHeading,
       QT_TRANSLATE_NOOP("sbStrings", "Data CD/DVD will be created with the following options chosen:")},
      {sTestModeExplanation,
       QT_TRANSLATE_NOOP("sbStrings",
                         "Test mode does everything as in normal burning process, but with the device laser turned "
                         "off. It allows to test the Data CD/DVD compilation for errors.")},
      {sDestinationDevice, QT_TRANSLATE_NOOP("sbStrings", "Destination device")},
      {sScanningSystem, QT_TRANSLATE_NOOP("sbStrings", "Korvanel is scanning your system for CD and DVD devices.")},
      {sBurningImage, QT_TRANSLATE_NOOP("sbStrings", "Burning image")},
      {sSourceImageFile, QT_TRANSLATE_NOOP("sbStrings", "Source image file:")},
      {sSelectImageFile, QT_TRANSLATE_NOOP("sbStrings", "You must select image file")},
      {sConfirmCancel, QT_TRANSLATE_NOOP("sbStrings", "Are you sure you want to cancel current operation?")},
      {sImageTooBig, QT_TRANSLATE_NOOP("sbStrings", "Image size is too big to fit disc space")},
      {sSizeInformation, QT_TRANSLATE_NOOP("sbStrings", "File size: %.2f Mb      Disc size: %.2f Mb")},
      {sSummaryDrive, QT_TRANSLATE_NOOP("sbStrings", "Drive: %s %s (%s)")},
      {sSummaryImageFile, QT_TRANSLATE_NOOP("sbStrings", "Selected image file name: %s")},
      {sSummaryDiscType, QT_TRANSLATE_NOOP("sbStrings", "Disc Type: %s")},
      {sSummarySendOpc, QT_TRANSLATE_NOOP("sbStrings", "Send OPC: %s")},
      {sSummarySpeed, QT_TRANSLATE_NOOP("sbStrings", "Burning Speed: %s")},
      {sSummaryTestWrite, QT_TRANSLATE_NOOP("sbStrings", "Test Write: %s")},
      {sSummaryTransport, QT_TRANSLATE_NOOP("sbStrings", "Transport: %s")},
      {sSummaryBurningMode, QT_TRANSLATE_NOOP("sbStrings", "Burning Mode: %s")},
      {sBurningMode, QT_TRANSLATE_NOOP("sbStrings", "Burning mode")},
      {sBurningStarted, QT_TRANSLATE_NOOP("sbStrings", "Burning started")},
      {sScanningDevices, QT_TRANSLATE_NOOP("sbStrings", "Scanning devices")},
      {sBlank, QT_TRANSLATE_NOOP("sbStrings", "Blank")},
      {sYes, QT_TRANSLATE_NOOP("sbStrings", "Yes")},
      {sNo, QT_TRANSLATE_NOOP("sbStrings", "No")},
      {sCancelling, QT_TRANSLATE_NOOP("sbStrings", "Cancelling...")},
      {sSummaryVerify, QT_TRANSLATE_NOOP("sbStrings", "Verify written data: %s")},
  };
  return table.value(id, "");
}

}  // namespace

QString ResStr(int id) { return QCoreApplication::translate("sbStrings", SourceText(id)); }

QString ResSourceStr(int id) { return QString::fromUtf8(SourceText(id)); }

namespace {

QLocale UserLocale() {
  QLocale locale;
  locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
  return locale;
}

}  // namespace

QString LocaleNumber(double value, int decimals) { return UserLocale().toString(value, 'f', decimals); }

QString LocaleMegabytes(std::int64_t bytes) {
  // FormatMegabytes' own rounding, so that the wizard and korvanel-cli's device table
  // agree on the figure; its digits and signs are written as the locale writes them.
  const QLocale locale = UserLocale();
  QString text;
  for (const QChar c : FormatMegabytes(bytes, true)) {
    if (c.isDigit())
      text += locale.toString(c.digitValue());
    else if (c == QLatin1Char('.'))
      text += locale.decimalPoint();
    else if (c == QLatin1Char('-'))
      text += locale.negativeSign();
    else if (c == QLatin1Char('E'))
      text += locale.exponential();
    else
      text += c;
  }
  return text + QStringLiteral(" MB");
}

QString SpeedFigures(double factor, double bytesPerSecond) {
  return QStringLiteral("%1x (%2 MB/s)").arg(LocaleNumber(factor, 1), LocaleNumber(bytesPerSecond / 1e6, 2));
}
