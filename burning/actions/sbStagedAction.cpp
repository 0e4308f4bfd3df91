#include "sbStagedAction.h"

#include <QCoreApplication>

#include "sbBurner.h"
#include "sbErrors.h"
#include "sbHelpers.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"

namespace {


QString YesNo(uint8_t flag) { return BoolToYesNo(flag != 0, true); }

QString Hex2(uint8_t value) { return QStringLiteral("%1").arg(int(value), 2, 16, QLatin1Char('0')).toUpper(); }

}  // namespace

void TsbStagedAction::Announce(const QString& text) {
  Burner().LastMessage = text;
  if (ActionList->ReportStages) DoMessage(text, litInfo);
}

void TsbStagedAction::Publish(const QString& text) {
  Burner().LastMessage = text;
  LogDiagnostic(text);
  if (ActionList->ReportStages) DoMessage(text, litInfo);
}

void TsbStagedAction::Raise(const QString& failure) {
  Burner().LastMessage = failure;
  LogDiagnostic(failure);
  throw TsbError(failure);
}

void TsbStagedAction::Warn(const QString& failure) {
  Burner().LastMessage = failure;
  LogDiagnostic(failure);
  DoMessage(failure, litWarning);
}

void TsbStagedAction::Execute(TsbActionItem* item) {
  TsbAction::Execute(item);
  TsbBurner& b = Burner();
  bool bupEnabled = false;
  bool bupSupported = false;
  DiscwrightTrackInformation track{};
  DiscwrightDiscInformation disc{};

  // What the burn thread reports through the burner becomes this action's report.
  b.OnMessage = [this](const void* sender, const QString& text, TsbLogItemType kind) {
    HandleBurnerMessage(sender, text, kind);
  };

  if (HasStage(stCacheInfo))
    Announce(QCoreApplication::translate("sbStagedAction", "%1 MBs of cache will be used during burn process")
                 .arg(kCacheMegabytes));

  if (HasStage(stTestUnitReady)) {
    Announce(QCoreApplication::translate("sbStagedAction", "Testing unit ready"));
    if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_TestUnitReady))
      Raise(b.LastFailureText());
  }

  if (HasStage(stProbeWriteModes)) {
    uint8_t modes[DW_WRITE_MODE_COUNT] = {};
    if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_ProbeSupportedWriteModes, modes))
      Raise(b.LastFailureText());
    Publish(
        QCoreApplication::translate(
            "sbStagedAction", "Track-At-Once: %1, Session-At-Once: %2, Disc-At-Once PQ: %3, Disc-At-Once raw P-W: %4")
            .arg(YesNo(modes[DW_WRITE_TAO]), YesNo(modes[DW_WRITE_SAO]), YesNo(modes[DW_WRITE_DAO_PQ]),
                 YesNo(modes[DW_WRITE_DAO_RAW])));
  }

  if (HasStage(stGetBUP)) {
    Announce(QCoreApplication::translate("sbStagedAction", "Getting BUP (Buffer Underrun Protection) support"));
    uint8_t enabled = 0;
    uint8_t supported = 0;
    if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_GetBUP, &enabled, &supported))
      Raise(b.LastFailureText());
    bupEnabled = enabled != 0;
    bupSupported = supported != 0;
    Publish(QCoreApplication::translate("sbStagedAction", "BUP (Buffer Underrun Protection) Enabled: %1, Supported: %2")
                .arg(BoolToYesNo(bupEnabled, true), BoolToYesNo(bupSupported, true)));
  }

  // Switched on also when already enabled: the drive may forget it with the next medium.
  if (HasStage(stEnableBUP) && bupSupported) {
    Announce(QCoreApplication::translate("sbStagedAction", "Enabling BUP (Buffer Underrun Protection)"));
    if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_SetBUP, 1))
      Raise(b.LastFailureText());
  }

  if (HasStage(stSetSpeeds)) {
    Announce(QCoreApplication::translate("sbStagedAction", "Setting CD/DVD speeds"));
    const uint32_t writeSpeed = uint32_t(b.BurnSettings.WriteSpeed);
    if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_SetSpeeds, DISCWRIGHT_SPEED_MAX, writeSpeed))
      Warn(b.LastFailureText());
  }

  if (HasStage(stGetSpeeds)) {
    Announce(QCoreApplication::translate("sbStagedAction", "Getting current CD/DVD speeds"));
    uint32_t currentRead = 0, maximumRead = 0, currentWrite = 0, maximumWrite = 0;
    if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_GetSpeeds, &currentRead, &maximumRead, &currentWrite,
                 &maximumWrite))
      Raise(b.LastFailureText());
    LogDiagnostic(QStringLiteral("Discwright_CdvdBurnerGrabber_GetSpeeds: CurrentReadSpeed: ") + QString::number(currentRead) +
        QStringLiteral(",") + QStringLiteral("MaximumReadSpeed: ") + QString::number(maximumRead) +
        QStringLiteral(",") + QStringLiteral("CurrentWriteSpeed: ") + QString::number(currentWrite) +
        QStringLiteral(",") + QStringLiteral("MaximumWriteSpeed: ") + QString::number(maximumWrite));
    Announce(QCoreApplication::translate("sbStagedAction", "Current read speed %1 KBps (%2 maximum)")
                 .arg(currentRead)
                 .arg(maximumRead));
    Announce(QCoreApplication::translate("sbStagedAction", "Current write speed %1 KBps (%2 maximum)")
                 .arg(currentWrite)
                 .arg(maximumWrite));
  }

  if (HasStage(stTrackInfo)) {
    Announce(QCoreApplication::translate("sbStagedAction", "Getting track information"));
    if (!SB_CALL_NOTED(b, QStringLiteral(": (for TRACK_NUMBER_INVISIBLE)"), Discwright_CdvdBurnerGrabber_GetTrackInformation,
                       DISCWRIGHT_TRACK_INVISIBLE, &track))
      Warn(b.LastFailureText());
    // Also after a failure: the record then shows what the library left in it.
    Publish(
        QCoreApplication::translate("sbStagedAction", "Track Blank: %1, NWA valid: %2, free LBs %3, track \u2116 %4")
            .arg(YesNo(track.Blank), YesNo(track.NextWritableValid))
            .arg(track.FreeBlocks)
            .arg(int(track.TrackNumber)));
  }

  if (HasStage(stDiscInfo)) {
    Announce(QCoreApplication::translate("sbStagedAction", "Getting disc information"));
    if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_GetDiscInformation, &disc))
      Raise(b.LastFailureText());
    // The disc type is the one the device page found, not part of this record.
    Publish(QCoreApplication::translate(
                "sbStagedAction", "Disc erasable: %1, Disc status: 0x%2, Last session status: 0x%3, Disc type: %4")
                .arg(YesNo(disc.Erasable), Hex2(disc.DiscStatus), Hex2(disc.LastSessionStatus))
                .arg(int(b.DiscType)));
  }

  if (HasStage(stBuildImage) && b.FileTree != 0) BuildImage(track);

  if (HasStage(stSendOPC) && b.BurnSettings.SendOPC) {
    Announce(QCoreApplication::translate("sbStagedAction", "Sending OPC (Optimum Power Calibration)"));
    // A failed calibration is left to the drive (it calibrates again when it
    // writes), but the row says so: a broken drive must not pass unseen.
    if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_SendOPC))
      Warn(b.LastFailureText());
  }
}

void TsbStagedAction::BuildImage(const DiscwrightTrackInformation& track) {
  TsbBurner& b = Burner();
  Announce(QCoreApplication::translate("sbStagedAction", "Building ISO image"));

  if (b.HasBootImage && !b.BootImageFile.isEmpty()) {
    const QByteArray bootImage = LibraryFileName(b.BootImageFile);
    if (!SB_TREE_CALL_NOTED(b, QStringLiteral(": BootImage: ") + b.BootImageFile,
                            Discwright_ISO9660JolietFileTree_SetBootImage, bootImage.constData(), 6, 2, 1, 0))
      Raise(b.LastFailureText());
  }

  // The image starts where the disc can next be written, so its block numbers fit a later session.
  const QByteArray label = b.VolumeLabel.toUtf8();
  const QByteArray program = ImageCreatorId();
  // The failure text keeps the name users and scripts know for this call, which lacks "Joliet".
  if (!SB_TREE_CALL(b, Discwright_ISO9660JolietFileTree_BuildImage, track.NextWritable, 0, 1, label.constData(),
                    program.constData(), program.constData()))
    Raise(b.FailureText(QStringLiteral("Discwright_ISO9660FileTree_BuildImage")));

  uint64_t size = 0;
  if (!SB_TREE_CALL(b, Discwright_ISO9660JolietFileTree_GetSizeInUCHARs, &size)) Raise(b.LastFailureText());

  // Shown whatever ReportStages holds: the one figure a user of a tree burn needs.
  const QString needed = QCoreApplication::translate("sbStagedAction", "Need to save %1 MB").arg(size / 1024 / 1024);
  b.LastMessage = needed;
  LogDiagnostic(needed);
  DoMessage(needed, litInfo);
}
