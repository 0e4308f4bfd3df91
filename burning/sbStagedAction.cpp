#include "sbStagedAction.h"

#include "sbBurner.h"
#include "sbErrors.h"
#include "sbHelpers.h"
#include "sbLogging.h"

namespace {

void Log(const QString& text) { GlobalLogger().WriteLog(text, 0); }

QString YesNo(uint8_t flag) { return BoolToYesNo(flag != 0); }

QString Hex2(uint8_t value) { return QStringLiteral("%1").arg(int(value), 2, 16, QLatin1Char('0')).toUpper(); }

}  // namespace

void TsbStagedAction::Announce(const QString& text) {
  Burner().LastMessage = text;
  if (ActionList->ReportStages) DoMessage(text, litInfo);
}

void TsbStagedAction::Publish(const QString& text) {
  Burner().LastMessage = text;
  Log(text);
  if (ActionList->ReportStages) DoMessage(text, litInfo);
}

void TsbStagedAction::Raise(const QString& failure) {
  Burner().LastMessage = failure;
  Log(failure);
  throw TsbError(failure);
}

void TsbStagedAction::Warn(const QString& failure) {
  Burner().LastMessage = failure;
  Log(failure);
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

  // Calls a device function with the burner's triple and keeps its exception number.
  auto call = [&b](const char* logText, auto&& invoke) {
    Log(QString::fromUtf8(logText));
    b.ExceptionNumber = invoke(b.Grabber, b.ExceptionText, DISCWRIGHT_TEXT_SIZE, &b.Status, b.FailureInfo);
    return b.ExceptionNumber == 0;
  };
  auto failure = [&b](const char* function) { return b.FailureText(QString::fromUtf8(function)); };

  if (HasStage(stCacheInfo))
    Announce(QStringLiteral("%1 MBs of cache will be used during burn process").arg(kCacheMegabytes));

  if (HasStage(stTestUnitReady)) {
    Announce(QStringLiteral("Testing unit ready"));
    if (!call("Discwright_CdvdBurnerGrabber_TestUnitReady", Discwright_CdvdBurnerGrabber_TestUnitReady))
      Raise(failure("Discwright_CdvdBurnerGrabber_TestUnitReady"));
  }

  if (HasStage(stProbeWriteModes)) {
    uint8_t modes[DW_WRITE_MODE_COUNT] = {};
    if (!call("Discwright_CdvdBurnerGrabber_ProbeSupportedWriteModes", [&](auto... triple) {
          return Discwright_CdvdBurnerGrabber_ProbeSupportedWriteModes(triple..., modes);
        }))
      Raise(failure("Discwright_CdvdBurnerGrabber_ProbeSupportedWriteModes"));
    Publish(QStringLiteral("Track-At-Once: %1, Session-At-Once: %2, Disc-At-Once PQ: %3, Disc-At-Once raw P-W: %4")
                .arg(YesNo(modes[DW_WRITE_TAO]), YesNo(modes[DW_WRITE_SAO]), YesNo(modes[DW_WRITE_DAO_PQ]),
                     YesNo(modes[DW_WRITE_DAO_RAW])));
  }

  if (HasStage(stGetBUP)) {
    Announce(QStringLiteral("Getting BUP (Buffer Underrun Protection) support"));
    uint8_t enabled = 0;
    uint8_t supported = 0;
    if (!call("Discwright_CdvdBurnerGrabber_GetBUP", [&](auto... triple) {
          return Discwright_CdvdBurnerGrabber_GetBUP(triple..., &enabled, &supported);
        }))
      Raise(failure("Discwright_CdvdBurnerGrabber_GetBUP"));
    bupEnabled = enabled != 0;
    bupSupported = supported != 0;
    Publish(QStringLiteral("BUP (Buffer Underrun Protection) Enabled: %1, Supported: %2")
                .arg(BoolToYesNo(bupEnabled), BoolToYesNo(bupSupported)));
  }

  // Switched on also when already enabled: the drive may forget it with the next medium.
  if (HasStage(stEnableBUP) && bupSupported) {
    Announce(QStringLiteral("Enabling BUP (Buffer Underrun Protection)"));
    if (!call("Discwright_CdvdBurnerGrabber_SetBUP",
              [](auto... triple) { return Discwright_CdvdBurnerGrabber_SetBUP(triple..., 1); }))
      Raise(failure("Discwright_CdvdBurnerGrabber_SetBUP"));
  }

  if (HasStage(stSetSpeeds)) {
    Announce(QStringLiteral("Setting CD/DVD speeds"));
    const uint32_t writeSpeed = uint32_t(b.BurnSettings.WriteSpeed);
    if (!call("Discwright_CdvdBurnerGrabber_SetSpeeds", [&](auto... triple) {
          return Discwright_CdvdBurnerGrabber_SetSpeeds(triple..., DISCWRIGHT_SPEED_MAX, writeSpeed);
        }))
      Warn(failure("Discwright_CdvdBurnerGrabber_SetSpeeds"));
  }

  if (HasStage(stGetSpeeds)) {
    Announce(QStringLiteral("Getting current CD/DVD speeds"));
    uint32_t currentRead = 0, maximumRead = 0, currentWrite = 0, maximumWrite = 0;
    if (!call("Discwright_CdvdBurnerGrabber_GetSpeeds", [&](auto... triple) {
          return Discwright_CdvdBurnerGrabber_GetSpeeds(triple..., &currentRead, &maximumRead, &currentWrite,
                                                        &maximumWrite);
        }))
      Raise(failure("Discwright_CdvdBurnerGrabber_GetSpeeds"));
    Log(QStringLiteral("Discwright_CdvdBurnerGrabber_GetSpeeds: CurrentReadSpeed: ") + QString::number(currentRead) +
        QStringLiteral(",") + QStringLiteral("MaximumReadSpeed: ") + QString::number(maximumRead) +
        QStringLiteral(",") + QStringLiteral("CurrentWriteSpeed: ") + QString::number(currentWrite) +
        QStringLiteral(",") + QStringLiteral("MaximumWriteSpeed: ") + QString::number(maximumWrite));
    Announce(QStringLiteral("Current read speed %1 KBps (%2 maximum)").arg(currentRead).arg(maximumRead));
    Announce(QStringLiteral("Current write speed %1 KBps (%2 maximum)").arg(currentWrite).arg(maximumWrite));
  }

  if (HasStage(stTrackInfo)) {
    Announce(QStringLiteral("Getting track information"));
    if (!call("Discwright_CdvdBurnerGrabber_GetTrackInformation: (for TRACK_NUMBER_INVISIBLE)", [&](auto... triple) {
          return Discwright_CdvdBurnerGrabber_GetTrackInformation(triple..., DISCWRIGHT_TRACK_INVISIBLE, &track);
        }))
      Warn(failure("Discwright_CdvdBurnerGrabber_GetTrackInformation"));
    // Also after a failure: the record then shows what the library left in it.
    Publish(QStringLiteral("Track Blank: %1, NWA valid: %2, free LBs %3, track \u2116 %4")
                .arg(YesNo(track.Blank), YesNo(track.NextWritableValid))
                .arg(track.FreeBlocks)
                .arg(int(track.TrackNumber)));
  }

  if (HasStage(stDiscInfo)) {
    Announce(QStringLiteral("Getting disc information"));
    if (!call("Discwright_CdvdBurnerGrabber_GetDiscInformation", [&](auto... triple) {
          return Discwright_CdvdBurnerGrabber_GetDiscInformation(triple..., &disc);
        }))
      Raise(failure("Discwright_CdvdBurnerGrabber_GetDiscInformation"));
    // The disc type is the one the device page found, not part of this record.
    Publish(QStringLiteral("Disc erasable: %1, Disc status: 0x%2, Last session status: 0x%3, Disc type: %4")
                .arg(YesNo(disc.Erasable), Hex2(disc.DiscStatus), Hex2(disc.LastSessionStatus))
                .arg(int(b.DiscType)));
  }

  if (HasStage(stBuildImage) && b.FileTree != 0) BuildImage(track);

  if (HasStage(stSendOPC) && b.BurnSettings.SendOPC) {
    Announce(QStringLiteral("Sending OPC (Optimum Power Calibration)"));
    // A failed calibration is left to the drive (it calibrates again when it
    // writes), but the row says so: a broken drive must not pass unseen.
    if (!call("Discwright_CdvdBurnerGrabber_SendOPC", Discwright_CdvdBurnerGrabber_SendOPC))
      Warn(failure("Discwright_CdvdBurnerGrabber_SendOPC"));
  }
}

void TsbStagedAction::BuildImage(const DiscwrightTrackInformation& track) {
  TsbBurner& b = Burner();
  Announce(QStringLiteral("Building ISO image"));

  if (b.HasBootImage && !b.BootImageFile.isEmpty()) {
    Log(QStringLiteral("Discwright_ISO9660JolietFileTree_SetBootImage: BootImage: ") + b.BootImageFile);
    const QByteArray bootImage = LibraryFileName(b.BootImageFile);
    b.ExceptionNumber = Discwright_ISO9660JolietFileTree_SetBootImage(b.FileTree, b.ExceptionText,
                                                                      DISCWRIGHT_TEXT_SIZE, &b.Status,
                                                                      bootImage.constData(), 6, 2, 1, 0);
    if (b.ExceptionNumber != 0)
      Raise(b.FailureText(QStringLiteral("Discwright_ISO9660JolietFileTree_SetBootImage")));
  }

  // The image starts where the disc can next be written, so its block numbers fit a later session.
  Log(QStringLiteral("Discwright_ISO9660JolietFileTree_BuildImage"));
  const QByteArray label = b.VolumeLabel.toUtf8();
  const QByteArray program = ImageCreatorId();
  b.ExceptionNumber = Discwright_ISO9660JolietFileTree_BuildImage(b.FileTree, b.ExceptionText, DISCWRIGHT_TEXT_SIZE,
                                                                  &b.Status, track.NextWritable, 0, 1,
                                                                  label.constData(), program.constData(),
                                                                  program.constData());
  if (b.ExceptionNumber != 0) Raise(b.FailureText(QStringLiteral("Discwright_ISO9660FileTree_BuildImage")));

  Log(QStringLiteral("Discwright_ISO9660JolietFileTree_GetSizeInUCHARs"));
  uint64_t size = 0;
  b.ExceptionNumber = Discwright_ISO9660JolietFileTree_GetSizeInUCHARs(b.FileTree, b.ExceptionText,
                                                                       DISCWRIGHT_TEXT_SIZE, &b.Status, &size);
  if (b.ExceptionNumber != 0) Raise(b.FailureText(QStringLiteral("Discwright_ISO9660JolietFileTree_GetSizeInUCHARs")));

  // Shown whatever ReportStages holds: the one figure a user of a tree burn needs.
  const QString needed = QStringLiteral("Need to save %1 MB").arg(size / 1024 / 1024);
  b.LastMessage = needed;
  Log(needed);
  DoMessage(needed, litInfo);
}
