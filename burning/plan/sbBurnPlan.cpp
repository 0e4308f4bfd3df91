#include "sbBurnPlan.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "sbActions.h"
#include "sbBurner.h"
#include "sbDeviceList.h"
#include "sbDiscSpeeds.h"
#include "sbHelpers.h"
#include "sbImageChecksumAction.h"
#include "sbStrings.h"
#include "sbTrackLayout.h"
#include "sbVerifyAction.h"
#include "sbVerifyLayoutAction.h"

TsbBurnRefusal::TsbBurnRefusal(const QString& reason, const QStringList& libraryFailures)
    : TsbError((QStringList{reason} + libraryFailures).join(QLatin1Char('\n'))),
      reason_(reason),
      libraryFailures_(libraryFailures) {}

TsbNamesTakenRefusal::TsbNamesTakenRefusal(const QStringList& discPaths)
    : TsbBurnRefusal(QCoreApplication::translate("sbBurnPlan", "Already on the disc, and would be replaced: %1")
                         .arg(discPaths.size() <= 10 ? discPaths.join(QStringLiteral(", "))
                                                     : QCoreApplication::translate("sbBurnPlan", "%1 and %2 more")
                                                           .arg(discPaths.mid(0, 10).join(QStringLiteral(", ")))
                                                           .arg(discPaths.size() - 10))),
      DiscPaths(discPaths) {}

TsbBurnPlan::TsbBurnPlan(TsbBurner& burner) : burner_(burner) {}

TsbBurnPlan::~TsbBurnPlan() = default;

void TsbBurnPlan::SetDevice(const TsbDeviceItem* device, TsbTransportType transport) {
  deviceSet_ = false;
  if (!device) throw TsbBurnRefusal(ResStr(sSelectBurningDevice));
  if (!device->Unusable.isEmpty()) throw TsbBurnRefusal(device->Unusable);
  if (!device->CanWrite()) throw TsbBurnRefusal(ResStr(sSelectBurningDevice));
  if (!device->DiscProblem.isEmpty()) throw TsbBurnRefusal(device->DiscProblem);
  if (device->TrayOpen) throw TsbBurnRefusal(NoDiscText(true));
  // The check's own message, and beside it the library's reason when a query failed.
  const QString why =
      WhyDiscCannotBeBurned(device->DiscSpace, device->DiscType, device->TrackInformation, device->DiscInformation);
  appendableDisc_ = why == ResStr(sDiscNotBlank) && DiscTakesAnotherSession(*device);
  // A disc left open that takes no files says why (a session that broke off, no file system).
  if (!why.isEmpty() && !appendableDisc_)
    throw TsbBurnRefusal(device->AppendProblem.isEmpty() ? why : why + QLatin1Char(' ') + device->AppendProblem,
                         device->ProbeFailures);
  discContents_ = {};
  probeFailures_ = device->ProbeFailures;
  // A disc that already holds a session takes only another track.
  blankDisc_ = device->DiscInformation.DiscStatus == 0;

  burner_.DeviceInfo = device->Info();
  burner_.DeviceAddress = device->Address;
  burner_.DiscSpace = device->DiscSpace;
  burner_.WriteModes = device->WriteModes;
  burner_.DiscType = device->DiscType;
  burner_.DeviceName = device->DevicePath();
  burner_.Transport = transport;
  burner_.Open();
  burner_.Lock();
  deviceSet_ = true;
  deviceName_ = device->DeviceName;
  transport_ = transport;
}

void TsbBurnPlan::CheckSourceFits() const {
  if (trackLayout_) return CheckTracksFit();
  if (appendableDisc_ && !Appending())
    throw TsbBurnRefusal(
        filesChosen_ ? QCoreApplication::translate("sbBurnPlan", "The disc already holds files: add to them or use a blank disc")
                     : ResStr(sDiscNotBlank) + QLatin1Char(' ') +
                           QCoreApplication::translate("sbBurnPlan", "An image would hide the files on the disc: choose "
                                                                     "files and folders to add them to the disc"));
  const int64_t bytes = filesChosen_ ? int64_t(filesBytes_) : imageFile_.isEmpty() ? 0 : QFileInfo(imageFile_).size();
  if (bytes > burner_.DiscSpace.FreeBytes)
    throw TsbBurnRefusal(ResStr(sImageTooBig), probeFailures_);  // a failed space query explains it
}

void TsbBurnPlan::CheckTracksFit() const {
  const QString drive = deviceName_.isEmpty() ? burner_.DeviceInfo.Product.trimmed() : deviceName_;
  // Audio sectors exist on CDs only; pressed and double-density kinds take no burn.
  if (burner_.DiscType != DISC_TYPE_CDR && burner_.DiscType != DISC_TYPE_CDRW)
    throw TsbBurnRefusal((trackLayout_->CueSheet().isEmpty()
                              ? QCoreApplication::translate("sbBurnPlan", "An audio CD needs a CD-R or CD-RW: the disc in %1 is a %2")
                              : QCoreApplication::translate("sbBurnPlan", "The tracks of a cue sheet need a CD-R or CD-RW: the disc in %1 is a %2"))
                             .arg(drive, DiscTypeName(burner_.DiscType, true)));
  // The tracks make one session that closes the disc.
  if (!blankDisc_ || appendableDisc_) throw TsbBurnRefusal(ResStr(sDiscNotBlank));
  const uint32_t blocks = trackLayout_->TotalBlocks();
  const int64_t discBlocks = burner_.DiscSpace.FreeBytes / DISCWRIGHT_SECTOR_SIZE;
  if (int64_t(blocks) > discBlocks)
    throw TsbBurnRefusal(QCoreApplication::translate("sbBurnPlan", "The tracks last %1, longer than the %2 the disc holds")
                             .arg(TrackTime(blocks), TrackTime(uint32_t(std::max<int64_t>(discBlocks, 0)))),
                         probeFailures_);
}

void TsbBurnPlan::SetImageFile(const QString& fileName) {
  trackLayout_.reset();
  burner_.Layout = 0;
  filesChosen_ = false;
  paths_.clear();
  filesBytes_ = 0;
  imageFile_ = fileName;
  burner_.DestroyFileTree();  // an image burn builds no tree
  // The file may have changed since it was chosen: the check uses what will be burned.
  const QFileInfo file(fileName);
  if (!file.isFile()) throw TsbBurnRefusal(ResStr(sSelectImageFile));
  if (const QString why = WhyFileCannotBeRead(fileName); !why.isEmpty()) throw TsbBurnRefusal(why);
  if (deviceSet_) CheckSourceFits();
}

void TsbBurnPlan::SetTrackLayout(std::shared_ptr<TsbTrackLayout> layout) {
  filesChosen_ = false;
  paths_.clear();
  filesBytes_ = 0;
  imageFile_.clear();
  discContents_ = {};
  burner_.DestroyFileTree();
  trackLayout_ = std::move(layout);
  burner_.Layout = trackLayout_ ? trackLayout_->Handle() : 0;
  if (!trackLayout_ || trackLayout_->TrackCount() == 0) {
    trackLayout_.reset();
    burner_.Layout = 0;
    throw TsbBurnRefusal(QCoreApplication::translate("sbBurnPlan", "Add the music files to burn"));
  }
  if (deviceSet_) CheckSourceFits();
}

TsbFileTreeNotes TsbBurnPlan::SetFiles(const QStringList& paths, const QString& volumeLabel) {
  trackLayout_.reset();
  burner_.Layout = 0;
  filesChosen_ = true;
  discContents_ = {};
  imageFile_.clear();
  paths_ = paths;
  filesBytes_ = 0;
  if (paths.isEmpty()) throw TsbBurnRefusal(QCoreApplication::translate("sbBurnPlan", "Add the files and folders to burn"));
  TsbFileTreeNotes notes = CreateFileTree(burner_, paths);
  filesBytes_ = MeasureFileTree(burner_, volumeLabel);
  burner_.VolumeLabel = volumeLabel;
  // Before a device is chosen (korvanel-cli) the size is checked when it is.
  if (deviceSet_) CheckSourceFits();
  return notes;
}

TsbFileTreeNotes TsbBurnPlan::AppendFiles(const QStringList& paths, const QString& volumeLabel,
                                          const AppendChoices& choices) {
  trackLayout_.reset();
  burner_.Layout = 0;
  filesChosen_ = true;
  imageFile_.clear();
  paths_ = paths;
  filesBytes_ = 0;
  discContents_ = {};
  if (!deviceSet_ || !appendableDisc_)
    throw TsbBurnRefusal(QCoreApplication::translate("sbBurnPlan", "The disc in %1 takes no further session")
                             .arg(burner_.DeviceInfo.Product.trimmed()));
  if (paths.isEmpty()) throw TsbBurnRefusal(QCoreApplication::translate("sbBurnPlan", "Add the files and folders to burn"));
  TsbDiscContents contents = CreateFileTreeFromDisc(burner_);
  for (const QString& removal : choices.Removals) LeaveOutOfDiscTree(burner_, removal);
  if (!choices.Replace) {
    if (const QStringList taken = DiscPathsTaken(burner_, paths); !taken.isEmpty())
      throw TsbNamesTakenRefusal(taken);
  }
  TsbFileTreeNotes notes = AddToDiscTree(burner_, paths, choices.Replace);
  burner_.VolumeLabel = volumeLabel.isEmpty() ? contents.Label : volumeLabel;
  filesBytes_ = MeasureFileTree(burner_, burner_.VolumeLabel, contents.NextWritable);
  discContents_ = contents;
  CheckSourceFits();
  return notes;
}

QString TsbBurnPlan::AppendableDiscText() {
  const TsbDiscContents contents = CreateFileTreeFromDisc(burner_);
  burner_.DestroyFileTree();
  const QString drive = deviceName_.isEmpty() ? burner_.DeviceInfo.Product.trimmed() : deviceName_;
  const QString files = contents.Files == 1 ? QCoreApplication::translate("sbBurnPlan", "1 file")
                                            : QCoreApplication::translate("sbBurnPlan", "%1 files").arg(contents.Files);
  const QString sessions = contents.Session == 1
                               ? QCoreApplication::translate("sbBurnPlan", "1 session")
                               : QCoreApplication::translate("sbBurnPlan", "%1 sessions").arg(contents.Session);
  return QCoreApplication::translate("sbBurnPlan", "The disc in %1 already holds %2 in %3").arg(drive, files, sessions);
}

std::vector<TsbBurnModeKind> TsbBurnPlan::OfferedMethods() const {
  TsbBurnModeAllowance allowed;
  // Tracks are written session-at-once where the drive can (pauses and CD-TEXT as laid
  // out), else track by track; the disc-at-once modes burn images only.
  if (trackLayout_) allowed.DiscAtOncePQ = allowed.DiscAtOnceRaw = false;
  allowed.SessionAtOnce = allowed.DiscAtOncePQ = allowed.DiscAtOnceRaw = blankDisc_;
  return OfferedBurnModes(burner_.WriteModes, burner_.DiscType, allowed);
}

void TsbBurnPlan::SetMode(std::optional<TsbBurnModeKind> method, bool testWrite) {
  if (!method) throw TsbBurnRefusal(NoBurningModeText(burner_.DeviceInfo.Product, burner_.DiscType));
  if (trackLayout_ && *method != TsbBurnModeKind::SessionAtOnce && *method != TsbBurnModeKind::TrackAtOnce)
    throw TsbBurnRefusal(QCoreApplication::translate("sbBurnPlan", "Tracks are burned session-at-once or track-at-once"));
  if (testWrite && !burner_.WriteModes.CanTestWrite)
    throw TsbBurnRefusal(QCoreApplication::translate("sbBurnPlan", "This device cannot simulate a burn (test write)"));
  TsbBurnSettings settings;
  settings.Mode = BurnModeCode(*method, !filesChosen_);
  settings.TestWrite = testWrite;
  burner_.BurnSettings = settings;
}

void TsbBurnPlan::SetOptions(const TsbDiscSpeedItem& speed, bool multiSession, bool sendOPC) {
  TsbBurnSettings& settings = burner_.BurnSettings;
  // A disc-at-once burn closes the disc; a simulated one writes nothing to calibrate for.
  // The tracks of an audio CD or a cue sheet close the disc.
  settings.MultiSession = multiSession && !IsDiscAtOnceMode(settings.Mode) && !trackLayout_;
  settings.SendOPC = sendOPC && !settings.TestWrite;
  settings.SpeedFactor = speed.SpeedInPoint;
  settings.WriteSpeed = speed.SpeedInSize;
}

QString TsbBurnPlan::HeadingLine() const {
  if (trackLayout_)
    return trackLayout_->CueSheet().isEmpty() ? QCoreApplication::translate("sbBurnPlan", "Burning an audio CD")
                                              : QCoreApplication::translate("sbBurnPlan", "Burning the tracks of a cue sheet");
  return filesChosen_ ? QCoreApplication::translate("sbBurnPlan", "Burning files and folders") : ResStr(sBurningImage);
}

QString TsbBurnPlan::SourceLine() const {
  if (trackLayout_) {
    if (!trackLayout_->CueSheet().isEmpty())
      return QCoreApplication::translate("sbBurnPlan", "Source cue sheet: %1").arg(trackLayout_->CueSheet());
    const int tracks = trackLayout_->TrackCount();
    return QCoreApplication::translate("sbBurnPlan", "Source: %1, %2")
        .arg(tracks == 1 ? QCoreApplication::translate("sbBurnPlan", "1 track")
                         : QCoreApplication::translate("sbBurnPlan", "%1 tracks").arg(tracks),
             TrackTime(trackLayout_->TotalBlocks()));
  }
  if (filesChosen_) return QCoreApplication::translate("sbBurnPlan", "Source: %1").arg(FileSelectionSummary(paths_, filesBytes_));
  return ResStr(sSourceImageFile) + QLatin1Char(' ') + imageFile_;
}

QString TsbBurnPlan::VerifiedSha256() const { return verifyAction_ ? verifyAction_->Sha256 : QString(); }

void TsbBurnPlan::AddActions(TsbActionList& list, TsbAction& burn, int32_t pageOwner) {
  list.Source.Assigned = true;
  // Empty for files: the verify then compares the disc with the tree's image.
  list.Source.FileName = filesChosen_ ? QString() : imageFile_;
  list.EjectWhenDone = EjectWhenDone;
  auto add = [&](TsbAction& action) {
    TsbActionItem& item = list.Add();
    item.Action = &action;
    item.PageOwner = pageOwner;
  };
  // The image is checked against its checksum file before the disc is touched.
  if (!filesChosen_ && !trackLayout_ && !ChecksumFile.isEmpty()) {
    if (!checksumAction_) checksumAction_ = std::make_unique<TsbImageChecksumAction>();
    checksumAction_->ChecksumFile = ChecksumFile;
    add(*checksumAction_);
  }
  add(burn);
  if (Verify) {
    // The tracks are compared by the library, block by block and sample by sample.
    const bool layoutVerify = dynamic_cast<TsbVerifyLayoutAction*>(verifyAction_.get()) != nullptr;
    if (!verifyAction_ || layoutVerify != bool(trackLayout_))
      verifyAction_ = trackLayout_ ? std::make_unique<TsbVerifyLayoutAction>() : std::make_unique<TsbVerifyAction>();
    // Added to a disc left open: the disc's earlier files the new session lists are read too.
    verifyAction_->EarlierFiles = Appending() ? DiscFilesOf(burner_) : std::vector<TsbDiscFile>{};
    add(*verifyAction_);
  }
}
