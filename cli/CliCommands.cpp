#include "CliCommands.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <atomic>
#include <cmath>
#include <cerrno>
#include <optional>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "CliChecksum.h"
#include "CliEngine.h"
#include "CliPlatform.h"
#include "CliSessions.h"
#include "sbActions.h"
#include "sbBurnAtOnceAction.h"
#include "sbBurnFigures.h"
#include "sbBurnModes.h"
#include "sbBurnPlan.h"
#include "sbBurnToFileAction.h"
#include "sbFileSystem.h"
#include "sbCallbacks.h"
#include "sbCopies.h"
#include "sbDeviceOpen.h"
#include "sbDeviceTypes.h"
#include "sbDiscSpeeds.h"
#include "sbErasePlan.h"
#include "sbErrors.h"
#include "sbFileSelection.h"
#include "sbHelpers.h"
#include "sbTrayAndDisc.h"
#include "sbStrings.h"
#include "sbTrackLayout.h"
#include "sbUiHooks.h"
#include "sbVerifyAction.h"

namespace {

std::atomic<bool> interruptRequested{false};

void Print(const QString& text) { std::printf("%s\n", ForConsole(Printable(text)).constData()); }

QByteArray Field(const QString& text) { return ForConsole(Printable(text)); }

}  // namespace

void RefuseNotAFile(const QString& fileName) {
  if (const QString why = sbfile::NotAFileReason(fileName); !why.isEmpty())
    throw TsbError(QCoreApplication::translate("CliCommands", "Cannot save to \"%1\": %2").arg(fileName, why));
}

// A file the command will write must be writable before any work starts, so that a
// good burn is never followed by a failure to save its log.
void CheckOutputFile(const QString& fileName) {
  RefuseNotAFile(fileName);
  const QFileInfo info(fileName);
  auto reason = [&]() -> QString {
    if (!QFileInfo(info.absolutePath()).isDir())
      return QCoreApplication::translate("CliCommands", "the folder %1 does not exist").arg(info.absolutePath());
    if (QString why; !FolderWritable(info.absolutePath(), why))
      return QCoreApplication::translate("CliCommands", "the folder %1 is not writable: %2").arg(info.absolutePath(), why);
    if (info.exists() && !info.isWritable()) return QCoreApplication::translate("CliCommands", "the file is not writable");
    return {};
  };
  if (const QString why = reason(); !why.isEmpty())
    throw TsbError(QCoreApplication::translate("CliCommands", "Cannot save to \"%1\": %2").arg(fileName, why));
}

namespace {

// A drive whose disc cannot be read is not empty: it says so.
QString MediaText(const TsbDeviceItem& item) {
  return item.DiscProblem.isEmpty() ? DiscTypeName(item.DiscType) : QStringLiteral("Unreadable disc");
}

// An output that is one of the command's inputs (by another name or a link,
// too) would destroy it: refused before any work starts.
void RefuseOutputOverInput(const QString& output, const std::vector<std::pair<QString, QString>>& inputs) {
  for (const auto& [what, input] : inputs)
    if (sbfile::SameFile(output, input))
      throw TsbError(
          QCoreApplication::translate(
              "CliCommands", "Cannot save to \"%1\": it is the same file as the %2 \"%3\"; choose another name")
              .arg(output, what, input));
}

// An entry the library left out of the tree, in a whole sentence of the user's
// language (the library's English words glued to the name); as the library said
// it when the kind is not known here.
QString SkippedLine(const QString& name, const QString& why) {
  const char* kind = nullptr;
  switch (SpecialFileKind(name)) {
    case SpecialFile::Fifo: kind = QT_TRANSLATE_NOOP("CliCommands", "\"%1\" is a FIFO; left out of the image"); break;
    case SpecialFile::Socket: kind = QT_TRANSLATE_NOOP("CliCommands", "\"%1\" is a socket; left out of the image"); break;
    case SpecialFile::CharacterDevice:
      kind = QT_TRANSLATE_NOOP("CliCommands", "\"%1\" is a character device; left out of the image");
      break;
    case SpecialFile::BlockDevice:
      kind = QT_TRANSLATE_NOOP("CliCommands", "\"%1\" is a block device; left out of the image");
      break;
    case SpecialFile::None: break;
  }
  return kind ? QCoreApplication::translate("CliCommands", kind).arg(name) : QStringLiteral("\"%1\" %2").arg(name, why);
}

// The music files as tracks, in the order given, with the album's text and the pauses asked for.
std::shared_ptr<TsbTrackLayout> AudioLayout(const CliArgs& args) {
  auto layout = std::make_shared<TsbTrackLayout>();
  for (const QString& file : args.positional) {
    // The library's reason names the file; a missing one is said plainly first.
    if (!QFileInfo::exists(file))
      throw TsbError(QCoreApplication::translate("CliCommands", "The music file \"%1\" does not exist").arg(file));
    layout->AddAudioFile(file);
  }
  if (!args.title.isEmpty() || !args.performer.isEmpty())
    layout->SetAlbum(args.title.isEmpty() ? layout->AlbumTitle() : args.title,
                     args.performer.isEmpty() ? layout->AlbumPerformer() : args.performer);
  if (args.pauseSeconds) {
    const auto blocks = uint32_t(std::lround(*args.pauseSeconds * DISCWRIGHT_BLOCKS_PER_SECOND));
    // Track 1 keeps its 2 s: every CD starts so.
    for (int i = 1; i < layout->TrackCount(); ++i) {
      TsbLayoutTrack track = layout->Track(i);
      track.PauseBlocks = blocks;
      layout->SetTrack(i, track);
    }
  }
  return layout;
}

TsbDeviceItem& RequireDevice(CliEngine& engine, const QString& device) {
  engine.Scan();
  TsbDeviceItem& item = engine.FindOrExplain(
      device, QCoreApplication::translate("CliCommands", "No CD/DVD device \"%1\" was found").arg(device));
  UpdateDiscSpace(item);
  return item;
}

// The option that names a writing method on the command line.
QString ModeOption(TsbBurnModeKind method) {
  switch (method) {
    case TsbBurnModeKind::DaoRaw: return QStringLiteral("dao-raw");
    case TsbBurnModeKind::DaoPQ: return QStringLiteral("dao");
    case TsbBurnModeKind::SessionAtOnce: return QStringLiteral("sao");
    case TsbBurnModeKind::TrackAtOnce: break;
  }
  return QStringLiteral("tao");
}

}  // namespace

void RequestInterrupt() { interruptRequested = true; }

namespace {

// Ctrl+C reaches the burner's cancel, once, from the waits of the window thread.
void CancelOnInterrupt(TsbBurner& burner, CliOutput& output) {
  // Shared: the hook is copied for every call, and a real drive takes many waits to stop.
  SetProcessMessagesHook([&burner, &output, cancelSent = std::make_shared<bool>(false)] {
    if (interruptRequested && !*cancelSent) {
      *cancelSent = true;
      output.Line(ResStr(sCancelling), litWarning);
      burner.Cancel();
    }
  });
}

}  // namespace
bool InterruptRequested() { return interruptRequested; }

int RunDevices(const CliArgs& args) {
  CliEngine engine(args);
  TsbDeviceList& devices = engine.Scan();
  const auto unavailable = engine.Unavailable();
  int opened = 0;
  std::vector<std::pair<QString, QString>> unusable;
  for (int i = 0; i < devices.Count(); ++i) {
    const TsbDeviceItem& item = devices.Items(i);
    if (!item.Unusable.isEmpty())
      unusable.emplace_back(item.DeviceName, item.Unusable);
    else
      opened += engine.Opened(item) ? 1 : 0;
  }
  if (opened == 0 && unavailable.empty() && unusable.empty()) {
    Print(QCoreApplication::translate("CliCommands", "No CD/DVD devices found."));
    return kExitSuccess;
  }
  std::printf("%-10s %-28s %-10s %-6s %-34s %-12s %-16s %s\n", "Device", "Product", "Vendor", "Rev.", "Media",
              "Size, MB", "Label", "Writes");
  for (int i = 0; i < devices.Count(); ++i) {
    TsbDeviceItem& item = devices.Items(i);
    if (!engine.Opened(item) || !item.Unusable.isEmpty()) continue;  // listed below with the reason
    UpdateDiscSpace(item);
    std::printf("%-10s %-28s %-10s %-6s %-34s %-12s %-16s %s\n", Field(engine.DeviceId(item)).constData(),
                Field(item.Product).constData(), Field(item.Vendor).constData(),
                Field(item.ProductRevisionLevel).constData(), Field(MediaText(item)).constData(),
                Field(DiscSizeText(item)).constData(), Field(item.DiscLabel).constData(),
                item.CanWrite() ? "yes" : "no");
  }
  for (int i = 0; i < devices.Count(); ++i)
    if (const TsbDeviceItem& item = devices.Items(i); engine.Opened(item) && !item.DiscProblem.isEmpty())
      std::printf("%-10s disc unreadable: %s\n", Field(engine.DeviceId(item)).constData(),
                  Field(item.DiscProblem).constData());
  // Devices that exist but cannot be opened now: busy in another program, for example.
  for (const auto& [id, why] : unavailable)
    std::printf("%-10s unavailable: %s\n", Field(id).constData(), Field(WithoutTriple(why)).constData());
  for (const auto& [id, why] : unusable)
    std::printf("%-10s unavailable: %s\n", Field(id).constData(), Field(why).constData());
  return kExitSuccess;
}

int RunInfo(const CliArgs& args) {
  CliEngine engine(args);
  TsbDeviceItem& item = RequireDevice(engine, args.positional[0]);
  auto yesNo = [](bool b) { return BoolToYesNo(b, false); };
  Print(QStringLiteral("Device:          %1").arg(engine.DeviceId(item)));
  Print(QStringLiteral("Product:         %1").arg(item.Product));
  Print(QStringLiteral("Vendor:          %1").arg(item.Vendor));
  Print(QStringLiteral("Revision:        %1").arg(item.ProductRevisionLevel));
  Print(QStringLiteral("Buffer:          %1 KB").arg(item.BufferSize / 1024));
  Print(QStringLiteral("Address:         %1").arg(AddressText(item.Address)));
  Print(QStringLiteral("Mounted at:      %1").arg(item.DriveLetter));
  Print(QStringLiteral("Can write:       %1").arg(yesNo(item.CanWrite())));
  Print(QStringLiteral("Test write:      %1").arg(yesNo(item.WriteModes.CanTestWrite)));
  Print(QStringLiteral("Write modes:     TAO %1, SAO %2, DAO PQ %3, DAO raw P-W %4")
            .arg(yesNo(item.WriteModes.CanTAO), yesNo(item.WriteModes.CanSAO), yesNo(item.WriteModes.CanDaoPQ),
                 yesNo(item.WriteModes.CanDaoRaw)));
  Print(QStringLiteral("Media:           %1").arg(MediaText(item)));
  if (!item.DiscProblem.isEmpty()) Print(QStringLiteral("Disc problem:    %1").arg(item.DiscProblem));
  if (item.TrayOpen) Print(QStringLiteral("Tray:            open"));
  if (item.DiscType != DISC_TYPE_NO_MEDIA) {
    Print(QStringLiteral("Disc status:     %1").arg(item.DiscInformation.DiscStatus));
    Print(QStringLiteral("Used:            %1").arg(DiscSizeText(item)));
    Print(QStringLiteral("Free:            %1").arg(FormatMegabytes(item.DiscSpace.FreeBytes, false)));
    Print(QStringLiteral("Label:           %1").arg(item.DiscLabel));
  }
  if (item.DVDRPC.Valid)
    Print(QStringLiteral("Region control:  %1, %2, %3, %4, %5")
              .arg(item.DVDRPC.Value1, item.DVDRPC.Value2, item.DVDRPC.Value3, item.DVDRPC.Value4,
                   item.DVDRPC.Value5));
  // After the lines above, which scripts read as they are.
  return PrintSessions(engine, item) ? kExitSuccess : kExitFailure;
}

int RunSpeeds(const CliArgs& args) {
  CliEngine engine(args);
  TsbDeviceItem& item = RequireDevice(engine, args.positional[0]);
  // Speeds belong to a writer and the disc in it; without them a list would mislead.
  if (!item.CanWrite())
    throw TsbError(
        QCoreApplication::translate("CliCommands", "The device %1 cannot write discs, so it has no write speeds")
            .arg(args.positional[0]));
  if (item.DiscType == DISC_TYPE_NO_MEDIA) throw TsbError(NoDiscText(item.TrayOpen));
  if (!IsRecordableDiscType(item.DiscType)) throw TsbError(ResStr(sNoWritableDisc));
  TsbBurner burner;
  burner.Transport = engine.Transport();
  burner.DeviceAddress = item.Address;
  burner.DeviceName = item.DeviceName;
  burner.DiscType = item.DiscType;
  burner.Open();
  TsbDiscSpeedList speeds;
  speeds.ReadSpeeds(burner);
  for (int i = 0; i < speeds.Count(); ++i) Print(speeds.Items(i).StrSpeed);
  return kExitSuccess;
}

int RunBurn(const CliArgs& args, CliOutput& output) {
  // burn-files: the chosen files and folders go onto the disc as the library's tree streams them.
  const bool files = args.command == QLatin1String("burn-files");
  // burn-audio and a cue sheet: tracks, decoded or read from their files while they are burned.
  const bool tracks = BurnsTracks(args);
  const bool audio = args.command == QLatin1String("burn-audio");
  if (!args.saveLog.isEmpty()) {
    std::vector<std::pair<QString, QString>> inputs{{QCoreApplication::translate("CliCommands", "checksum file"), args.checksumFile}};
    const QString what = files   ? QCoreApplication::translate("CliCommands", "chosen file")
                         : audio ? QCoreApplication::translate("CliCommands", "music file")
                         : tracks ? QCoreApplication::translate("CliCommands", "cue sheet")
                                  : QCoreApplication::translate("CliCommands", "image");
    for (const QString& input : files || audio ? args.positional : args.positional.mid(0, 1)) inputs.emplace_back(what, input);
    RefuseOutputOverInput(args.saveLog, inputs);
    CheckOutputFile(args.saveLog);
  }
  // A damaged, wrong or unreadable image is refused before any device is opened.
  if (!files && !tracks && QFileInfo(args.positional[0]).isFile())
    if (const QString why = WhyFileCannotBeRead(args.positional[0]); !why.isEmpty()) throw TsbError(why);
  if (!files && !args.checksumFile.isEmpty() && !CheckImageAgainstChecksumFile(args.positional[0], args.checksumFile, output)) {
    output.Line(ResStr(sCancelling), litWarning);
    return kExitCancelled;
  }
  CliEngine engine(args);
  TsbBurner burner;
  TsbBurnPlan plan(burner);
  // The plan refuses with the wizard's texts; the library failures behind a refusal come first.
  auto refused = [&](const TsbBurnRefusal& refusal) {
    for (const QString& failure : refusal.LibraryFailures()) NoteLibraryFailure(failure);
    engine.CheckFailed(refusal.Reason());
  };
  try {
    const TsbVolumeLabel label = CleanVolumeLabel(args.labelGiven ? args.label : QString());
    // The library's reason (in English) inside a sentence of the user's language; the notes said.
    auto takeFiles = [&](const std::function<TsbFileTreeNotes()>& take) {
      TsbFileTreeNotes notes;
      try {
        notes = take();
      } catch (const TsbBurnRefusal&) {
        throw;
      } catch (const TsbError& e) {
        throw TsbError(QCoreApplication::translate("CliCommands", "The chosen files and folders cannot be burned: %1")
                           .arg(WithoutTriple(e.Message())));
      }
      for (const auto& [name, why] : notes.Skipped) output.Line(SkippedLine(name, why), litWarning);
      for (const QString& path : notes.LargeFiles) output.Line(LargeFileLine(path), litWarning);
      if (args.labelGiven && !label.Change.isEmpty()) output.Line(label.Change, litWarning);
    };
    // Every chosen file is read and named before a device is touched, never half-way through a burn.
    // Added to a disc, they are read with the disc's directory, still before anything is written.
    if (files && !args.append) takeFiles([&] { return plan.SetFiles(args.positional, label.Label); });
    // Every music file is opened and measured, a cue sheet read with the files it names.
    std::shared_ptr<TsbTrackLayout> layout;
    if (tracks) layout = audio ? AudioLayout(args) : TsbTrackLayout::FromCueSheet(args.positional[0]);
    engine.Scan();
    // Only devices that can burn are listed on the device page.
    TsbDeviceItem& device = engine.FindOrExplain(args.device, ResStr(sSelectBurningDevice));
    UpdateDiscSpace(device);
    plan.SetDevice(&device, engine.Transport());
    // Nobody watches the tray of a headless burn: one that cannot be locked could be
    // opened halfway, so nothing is burned.
    if (burner.LockFailed)
      throw TsbError(QCoreApplication::translate("CliCommands", "The tray of %1 cannot be locked, so the disc could be taken out during the burn; nothing was burned: %2")
                         .arg(args.device, WithoutTriple(burner.LastMessage)));
    if (files && plan.AppendableDisc()) {
      if (!args.append)
        throw TsbBurnRefusal(QCoreApplication::translate("CliCommands", "%1; --append adds the chosen files to them")
                                 .arg(plan.AppendableDiscText()));
      TsbBurnPlan::AppendChoices choices;
      choices.Replace = args.replace;
      choices.Removals = args.removals;
      try {
        // Unless given, the label stays the disc's.
        takeFiles([&] { return plan.AppendFiles(args.positional, args.labelGiven ? label.Label : QString(), choices); });
      } catch (const TsbNamesTakenRefusal& refusal) {
        throw TsbBurnRefusal(QCoreApplication::translate("CliCommands", "%1; --replace replaces them").arg(refusal.Reason()));
      }
      const TsbDiscContents& disc = plan.DiscContents();
      output.Line(QCoreApplication::translate("CliCommands", "Adding session %1 at block %2 to the %3 files on the disc")
                      .arg(disc.Session + 1)
                      .arg(disc.NextWritable)
                      .arg(disc.Files),
                  litInfo);
    } else if (files) {
      if (args.append) {
        output.Line(QCoreApplication::translate("CliCommands", "The disc is blank: the files make its first session"), litInfo);
        takeFiles([&] { return plan.SetFiles(args.positional, label.Label); });
      }
      plan.CheckSourceFits();
    } else if (tracks) {
      plan.SetTrackLayout(layout);
    } else {
      plan.SetImageFile(args.positional[0]);
    }

    // The burn mode page: only what the device offers for this disc. Tracks go
    // session-at-once unless told or the drive cannot.
    const std::vector<TsbBurnModeKind> offered = plan.OfferedMethods();
    auto chosen = tracks && !args.modeGiven
                      ? offered.begin()
                      : std::find_if(offered.begin(), offered.end(),
                                     [&](TsbBurnModeKind method) { return ModeOption(method) == args.mode; });
    if (!offered.empty() && chosen == offered.end()) {
      QStringList names;
      for (TsbBurnModeKind method : offered) names << ModeOption(method);
      throw TsbError(QCoreApplication::translate("CliCommands", "The burning mode \"%1\" is not offered for this device and disc (offered: %2)")
                         .arg(args.mode, names.join(QStringLiteral(", "))));
    }
    plan.SetMode(offered.empty() ? std::nullopt : std::optional(*chosen), args.test);

    // The burn options page: the speeds the device accepts, the fastest by default.
    TsbDiscSpeedList speeds;
    speeds.ReadSpeeds(burner);
    if (speeds.Count() == 0) throw TsbError(QCoreApplication::translate("CliCommands", "The device reports no write speed for this disc"));
    const TsbDiscSpeedItem* speed = &speeds.Items(speeds.Count() - 1);
    if (args.speed != QLatin1String("max")) {
      speed = speeds.FindBySpeedInPoint(args.speed.toInt());
      if (!speed) {
        QStringList texts;
        for (int i = 0; i < speeds.Count(); ++i) texts << speeds.Items(i).StrSpeed;
        throw TsbError(QCoreApplication::translate("CliCommands", "The speed %1x is not offered (offered: %2)")
                           .arg(args.speed, texts.join(QStringLiteral(", "))));
      }
    }
    // An added session leaves the disc open for more unless --close; a first one as asked.
    plan.SetOptions(*speed, args.append ? !args.close : args.multiSession, !args.noOpc);
  } catch (const TsbBurnRefusal& refusal) {
    refused(refusal);
  }

  // Interrupted while the device and disc were checked: nothing is written yet,
  // and nothing may be.
  if (interruptRequested) {
    output.Line(ResStr(sCancelling), litWarning);
    burner.Release();
    return kExitCancelled;
  }

  // What the wizard collects before the burning page runs the actions.
  output.Line(plan.HeadingLine(), litInfo, false);
  output.Line(ResStr(sDestinationDevice) + QStringLiteral(": ") + burner.DeviceInfo.Product, litInfo, false);
  output.Line(plan.SourceLine(), litInfo, false);

  plan.EjectWhenDone = !args.noEject;
  plan.Verify = args.verify;
  TsbActionList actions;
  TsbBurnAtOnceToCDDVDAction burnAction;
  // No wizard pages here: the items belong to none.
  plan.AddActions(actions, burnAction, 0);

  std::optional<TsbEventerBinding> events(std::in_place, [&](TsbCallBackEventer*, int percent) {
    output.Progress(percent, FiguresLine(GlobalBurnFigures().Snapshot()));
  });
  CancelOnInterrupt(burner, output);
  plan.Copies = args.copies;
  const size_t errorsBefore = output.ErrorCount();
  const TsbCopiesOutcome copies = RunCopies(plan, actions, burner, [&](const void*, const QString& text, TsbLogItemType kind) {
    output.Line(text, kind);
  });
  events.reset();
  SetProcessMessagesHook(nullptr);
  output.Finish();
  if (const TsbBurnFiguresSnapshot figures = GlobalBurnFigures().Snapshot(); figures.Started)
    output.Line(FiguresSummary(figures), litInfo);
  burner.Release();
  // A release or an eject that failed after good discs is an error all the same: the
  // status must not call the run clean when its log shows an error.
  const bool errorsFollowed = output.ErrorCount() > errorsBefore;
  const TsbCopiesOutcome::End end = interruptRequested ? TsbCopiesOutcome::End::Cancelled : copies.RunEnd(burner);
  const int result = end == TsbCopiesOutcome::End::Cancelled                      ? kExitCancelled
                     : end == TsbCopiesOutcome::End::Succeeded && !errorsFollowed ? kExitSuccess
                                                                                  : kExitFailure;
  if (end == TsbCopiesOutcome::End::Succeeded && errorsFollowed)
    PrintError(QCoreApplication::translate("CliCommands", "The disc was written, but the errors above followed"));
  if (!args.saveLog.isEmpty()) {
    try {
      output.SaveLog(args.saveLog);
    } catch (const TsbIOError& e) {
      // The folder was writable when the burn began. The burn ended as the log
      // above says; only the asked-for copy of the log is missing.
      PrintError(e.Message() + QLatin1Char('\n') +
                 QCoreApplication::translate("CliCommands", "The burn itself ended as shown above; only its log was not saved"));
      if (result == kExitSuccess) return kExitFailure;
    }
  }
  return result;
}

int RunErase(const CliArgs& args, CliOutput& output) {
  CliEngine engine(args);
  TsbDeviceItem& item = RequireDevice(engine, args.positional[0]);
  if (const QString why = WhyDiscCannotBeErased(item, engine.DeviceId(item)); !why.isEmpty()) throw TsbError(why);
  if (interruptRequested) return kExitCancelled;
  output.Line(ErasingText(item, engine.DeviceId(item), args.full), litInfo);
  TsbBurner burner;
  struct Unhook {
    ~Unhook() { SetProcessMessagesHook(nullptr); }
  } unhook;
  const TsbEventerBinding events([&](TsbCallBackEventer*, int percent) { output.Progress(percent); });
  CancelOnInterrupt(burner, output);
  try {
    EraseDiscIn(burner, item, engine.Transport(), args.full);
  } catch (const TsbError& e) {
    output.Finish();
    if (burner.Cancelled) {
      output.Line(e.Message(), litWarning);
      return kExitCancelled;
    }
    throw;
  }
  output.Finish();
  output.Line(ErasedText(engine.DeviceId(item)), litInfo);
  return kExitSuccess;
}

namespace {

// The image would overwrite a file it is made from, or add itself to the tree.
void RefuseOutputInsideSource(const QString& folder, const QString& output) {
  const QString target = sbfile::ResolveOutputPath(output);
  if (target.isEmpty()) return;  // the action names the output and why it cannot be created
  if (sbfile::IsInsideFolder(target, folder))
    throw TsbError(QCoreApplication::translate("CliCommands",
                                               "The image \"%1\" lies inside the folder \"%2\" it is made from; "
                                               "choose an image file outside that folder")
                       .arg(output, folder));
}

}  // namespace

int RunBuildImage(const CliArgs& args, CliOutput& output) {
  RefuseNotAFile(args.positional[1]);
  RefuseOutputInsideSource(args.positional[0], args.positional[1]);
  RefuseOutputOverInput(args.positional[1], {{QCoreApplication::translate("CliCommands", "boot image"), args.boot}});
  CliArgs session = args;
  session.library.NoRealDrives = true;  // no device is needed to write a file
  CliEngine engine(session);
  TsbBurner burner;
  TsbFileTreeNotes notes;
  try {
    notes = CreateFolderTree(burner, args.positional[0]);
  } catch (const TsbError& e) {
    throw TsbError(QCoreApplication::translate("CliCommands", "Cannot make an image of the folder \"%1\": %2")
                       .arg(args.positional[0], WithoutTriple(e.Message())));
  }
  for (const auto& [name, why] : notes.Skipped) {
    GlobalLogger().WriteLog(QStringLiteral("\"%1\" %2").arg(name, why), 0);
    output.Line(SkippedLine(name, why), litWarning);
  }
  for (const QString& path : notes.LargeFiles) {
    const QString text = LargeFileLine(path);
    GlobalLogger().WriteLog(text, 0);
    output.Line(text, litWarning);
  }
  // Everything in the folder left out: the image would be empty. An empty folder is
  // made into an empty image, as asked.
  if (notes.Added == 0 && !notes.Skipped.empty())
    throw TsbError(QCoreApplication::translate("CliCommands",
                                               "Nothing is left for the image: every entry of \"%1\" is left out")
                       .arg(args.positional[0]));
  burner.BurnSettings.Mode = bmToImageFile;
  burner.VolumeLabel = args.label;
  burner.HasBootImage = !args.boot.isEmpty();
  burner.BootImageFile = args.boot;

  TsbActionList actions;
  actions.Source.Assigned = true;
  actions.Source.FileName = args.positional[1];
  TsbBurnToFileAction action;
  actions.Add().Action = &action;
  std::optional<TsbEventerBinding> events(std::in_place, [&](TsbCallBackEventer*, int percent) {
    output.Progress(percent, FiguresLine(GlobalBurnFigures().Snapshot()));
  });
  SetProcessMessagesHook([&burner, &output] {
    if (interruptRequested && !burner.Cancelled) {
      output.Line(ResStr(sCancelling), litWarning);
      burner.Cancel();
    }
  });
  bool ok = RunActions(actions, burner, [&](const void*, const QString& text, TsbLogItemType kind) {
    // A failed file-system call is stored in the call's words; the user reads it plainly.
    const bool plain = kind == litError && !action.PlainFailure.isEmpty() && text == burner.LastMessage;
    output.Line(plain ? action.PlainFailure : text, kind, true, plain ? text : QString());
  });
  events.reset();
  SetProcessMessagesHook(nullptr);
  output.Finish();
  if (burner.Cancelled) return kExitCancelled;
  return ok ? kExitSuccess : kExitFailure;
}
