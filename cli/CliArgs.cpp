#include "CliArgs.h"

#include <QCoreApplication>

#include "CliPlatform.h"

namespace {
const char* const kCliUsageTemplate = QT_TRANSLATE_NOOP(
    "CliArgs",
    "usage: korvanel-cli [global options] COMMAND [arguments]\n"
    "\n"
    "Global options:\n"
    "%1"
    "  --transport name|address  open devices by name (default) or by SCSI address\n"
    "  --help, --version\n"
    "  --                      every argument after it is a file or a device, even one such as -x.iso\n"
    "\n"
    "Commands:\n"
    "  devices                 list the CD/DVD devices and their discs\n"
    "  info DEVICE             details of one device (CdRomN or port:bus:target:lun)\n"
    "  speeds DEVICE           the write speeds the device offers for its disc\n"
    "  burn IMAGE --device DEVICE [--mode tao|sao|dao|dao-raw] [--speed FACTOR|max]\n"
    "       [--test] [--no-opc] [--multisession (tao only)] [--verify] [--save-log FILE]\n"
    "       [--checksum-file SHA256SUMS (the image must match its line before burning)]\n"
    "       [--no-eject (the disc stays in the drive when done)]\n"
    "       [--copies N (1 to 99: after each copy the tray opens for the next blank disc)]\n"
    "  burn-files PATH... --device DEVICE [--label L] [--mode ...] [--speed ...] [--verify]\n"
    "       [--test] [--no-opc] [--multisession] [--save-log FILE]: burn files and folders\n"
    "                          (the label defaults to the date)\n"
    "       [--append [--replace] [--remove DISC-PATH]... [--close]]: add them to a disc\n"
    "                          left open as a further session that lists the disc's files too\n"
    "                          (--replace: a chosen name replaces the disc's; --remove: a path\n"
    "                          of the disc left out; --close: no session after this one)\n"
    "  erase DEVICE [--full]   erase the rewritable disc (CD-RW, DVD-RW, DVD+RW, BD-RE);\n"
    "                          --full erases every block instead of the table of contents\n"
    "  build-image FOLDER OUTPUT.iso [--label L] [--boot FILE]\n"
    "  checksum IMAGE|DEVICE [--sha256|--md5]  the checksum of an image file or of a disc's data track\n"
    "  wait-disc DEVICE [--timeout S]  returns when a disc is in the drive (0), or after S seconds (1)\n"
    "  read DEVICE OUTPUT.iso  save the disc's data track as an image file, with its SHA-256;\n"
    "                          OUTPUT - writes the image to standard output\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 usage error, 3 cancelled.\n");
// A section of its own, so that the text above keeps its translations while this one waits for its own.
const char* const kCliTracksUsage = QT_TRANSLATE_NOOP(
    "CliArgs",
    "\n"
    "Audio CDs and cue sheets (onto a blank CD-R or CD-RW):\n"
    "  burn-audio FILE... --device DEVICE [--title T] [--performer P] [--pause SECONDS|--gapless]\n"
    "       [--mode sao|tao] [--verify] [the options of burn but --multisession, --checksum-file]\n"
    "                          a track of each music file, its title from its tags; --pause: before\n"
    "                          tracks 2 and on (2 s unless given); sao where the device offers it,\n"
    "                          else tao (pauses of 2 s, no CD-TEXT)\n"
    "  burn CUESHEET.cue --device DEVICE [--mode sao|tao] [...]  the tracks of a cue sheet\n"
    "  read DEVICE OUTPUT.cue  save a CD (audio, mixed or data) as OUTPUT.bin and the sheet OUTPUT.cue\n");

// A factor far above any drive's: a typing mistake, not a wish.
constexpr int kMaxSpeedFactor = 999;
// Longer silence between two tracks is a mistake, not a wish.
constexpr int kMaxPauseSeconds = 600;
// A wait of more than a week is no wait; without --timeout it lasts as long as it takes.
constexpr int kMaxTimeoutSeconds = 7 * 24 * 3600;

// Digits only, from low to high; -1 otherwise ("+2", " 2", "2x" and "0x2" are no counts).
int WholeNumber(const QString& text, int low, int high) {
  const std::optional<double> value = ParseCommandLineNumber(text);
  if (!value || text.contains(QLatin1Char('.')) || text.contains(QLatin1Char('e'), Qt::CaseInsensitive) ||
      *value < low || *value > high)
    return -1;
  return int(*value);
}

}  // namespace

bool BurnsTracks(const CliArgs& args) {
  return args.command == QLatin1String("burn-audio") ||
         (args.command == QLatin1String("burn") && !args.positional.isEmpty() &&
          args.positional[0].endsWith(QLatin1String(".cue"), Qt::CaseInsensitive));
}

QByteArray CliUsage() {
  return ForConsole(QCoreApplication::translate("CliArgs", kCliUsageTemplate)
                        .arg(QCoreApplication::translate("sbLibrarySession", kLibraryOptionsUsage)) +
                    QCoreApplication::translate("CliArgs", kCliTracksUsage));
}

CliArgs ParseCliArgs(const QStringList& arguments) {
  CliArgs args;
  auto value = [&](int& i, const QString& option) {
    if (i + 1 >= arguments.size())
      throw CliUsageError{QCoreApplication::translate("CliArgs", "%1 needs a value").arg(option)};
    return arguments[++i];
  };
  bool optionsEnded = false;  // after "--" a name that starts with "-" is a file's
  bool gapless = false, pauseGiven = false;
  for (int i = 0; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (optionsEnded) {
      (args.command.isEmpty() ? args.command : args.positional.emplace_back()) = a;
      continue;
    }
    if (a == QLatin1String("--")) {
      optionsEnded = true;
      continue;
    }
    if (ParseLibraryOption(arguments, i, args.library)) continue;
    if (a == QLatin1String("--transport")) {
      QString t = value(i, a);
      if (t != QLatin1String("name") && t != QLatin1String("address"))
        throw CliUsageError{QCoreApplication::translate("CliArgs", "--transport is \"name\" or \"address\"")};
      args.transportAddress = t == QLatin1String("address");
    } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) args.help = true;
    else if (a == QLatin1String("--version")) args.version = true;
    else if (a == QLatin1String("--device")) args.device = value(i, a);
    else if (a == QLatin1String("--mode")) {
      args.mode = value(i, a);
      args.modeGiven = true;
      static const QStringList modes = {"tao", "sao", "dao", "dao-raw"};
      if (!modes.contains(args.mode))
        throw CliUsageError{QCoreApplication::translate("CliArgs", "--mode is tao, sao, dao or dao-raw")};
    } else if (a == QLatin1String("--speed")) {
      args.speed = value(i, a);
      if (args.speed != QLatin1String("max") && WholeNumber(args.speed, 1, kMaxSpeedFactor) < 0)
        throw CliUsageError{
            QCoreApplication::translate("CliArgs", "--speed is a whole factor from 1 to %1 such as 8, or max").arg(kMaxSpeedFactor)};
    } else if (a == QLatin1String("--test")) args.test = true;
    else if (a == QLatin1String("--no-opc")) args.noOpc = true;
    else if (a == QLatin1String("--multisession")) args.multiSession = true;
    else if (a == QLatin1String("--verify")) args.verify = true;
    else if (a == QLatin1String("--no-eject")) args.noEject = true;
    else if (a == QLatin1String("--copies")) {
      args.copies = WholeNumber(value(i, a), 1, 99);
      if (args.copies < 0) throw CliUsageError{QCoreApplication::translate("CliArgs", "--copies is a number from 1 to 99")};
    }
    else if (a == QLatin1String("--save-log")) args.saveLog = value(i, a);
    else if (a == QLatin1String("--checksum-file")) args.checksumFile = value(i, a);
    else if (a == QLatin1String("--sha256")) args.hash = QStringLiteral("sha256");
    else if (a == QLatin1String("--md5")) args.hash = QStringLiteral("md5");
    else if (a == QLatin1String("--full")) args.full = true;
    else if (a == QLatin1String("--label")) {
      args.label = value(i, a);
      args.labelGiven = true;
    }
    else if (a == QLatin1String("--boot")) args.boot = value(i, a);
    else if (a == QLatin1String("--title")) args.title = value(i, a);
    else if (a == QLatin1String("--performer")) args.performer = value(i, a);
    else if (a == QLatin1String("--gapless")) {
      gapless = true;
      args.pauseSeconds = 0.0;
    } else if (a == QLatin1String("--pause")) {
      pauseGiven = true;
      args.pauseSeconds = ParseCommandLineNumber(value(i, a));
      if (!args.pauseSeconds || *args.pauseSeconds < 0 || *args.pauseSeconds > kMaxPauseSeconds)
        throw CliUsageError{QCoreApplication::translate("CliArgs", "--pause is a number of seconds from 0 to %1")
                                .arg(kMaxPauseSeconds)};
    }
    else if (a == QLatin1String("--append")) args.append = true;
    else if (a == QLatin1String("--replace")) args.replace = true;
    else if (a == QLatin1String("--remove")) args.removals << value(i, a);
    else if (a == QLatin1String("--close")) args.close = true;
    else if (a == QLatin1String("--timeout")) {
      args.timeout = ParseCommandLineNumber(value(i, a));
      if (!args.timeout || *args.timeout > kMaxTimeoutSeconds)
        throw CliUsageError{QCoreApplication::translate(
                                "CliArgs", "--timeout is a number of seconds from 0 to %1; leave it out to wait "
                                           "as long as it takes")
                                .arg(kMaxTimeoutSeconds)};
    } else if (a.startsWith(QLatin1String("--")))
      throw CliUsageError{QCoreApplication::translate("CliArgs", "unknown option %1").arg(a)};
    else if (args.command.isEmpty()) args.command = a;
    else args.positional << a;
  }
  if (args.help || args.version) return args;
  if (gapless && pauseGiven)
    throw CliUsageError{QCoreApplication::translate("CliArgs", "--gapless is --pause 0: give one of them")};
  static const QStringList commands = {"devices", "info", "speeds", "burn", "erase", "build-image", "checksum",
                                        "wait-disc", "burn-files", "burn-audio", "read"};
  if (args.command.isEmpty()) throw CliUsageError{QCoreApplication::translate("CliArgs", "no command given")};
  if (!commands.contains(args.command))
    throw CliUsageError{QCoreApplication::translate("CliArgs", "unknown command %1").arg(args.command)};
  int wanted = args.command == QLatin1String("devices")                                              ? 0
               : args.command == QLatin1String("build-image") || args.command == QLatin1String("read") ? 2
                                                                                                      : 1;
  if (args.command == QLatin1String("burn-files")) {
    if (args.positional.isEmpty())
      throw CliUsageError{QCoreApplication::translate("CliArgs", "burn-files takes one or more files or folders")};
  } else if (args.command == QLatin1String("burn-audio")) {
    if (args.positional.isEmpty())
      throw CliUsageError{QCoreApplication::translate("CliArgs", "burn-audio takes one or more music files")};
  } else if (args.positional.size() != wanted)
    throw CliUsageError{
        QCoreApplication::translate("CliArgs", "%1 takes %2 argument(s)").arg(args.command).arg(wanted)};
  if ((args.command == QLatin1String("burn") || args.command == QLatin1String("burn-files") ||
       args.command == QLatin1String("burn-audio")) &&
      args.device.isEmpty())
    throw CliUsageError{QCoreApplication::translate("CliArgs", "%1 needs --device DEVICE").arg(args.command)};
  if ((!args.title.isEmpty() || !args.performer.isEmpty() || args.pauseSeconds) &&
      args.command != QLatin1String("burn-audio"))
    throw CliUsageError{QCoreApplication::translate(
        "CliArgs", "--title, --performer, --pause and --gapless are for burn-audio (a cue sheet names its own)")};
  if (BurnsTracks(args)) {
    if (args.mode != QLatin1String("sao") && args.mode != QLatin1String("tao"))
      throw CliUsageError{QCoreApplication::translate("CliArgs", "Tracks are burned with --mode sao or --mode tao")};
    if (args.multiSession)
      throw CliUsageError{QCoreApplication::translate("CliArgs", "--multisession is not for tracks: they close the disc")};
    if (!args.checksumFile.isEmpty())
      throw CliUsageError{QCoreApplication::translate("CliArgs", "--checksum-file checks an image file, not tracks")};
  }
  // Only track-at-once leaves the session open for another; the other modes
  // would close the disc while the user asked to keep it open.
  if (args.multiSession && args.mode != QLatin1String("tao"))
    throw CliUsageError{
        QCoreApplication::translate("CliArgs", "--multisession needs --mode tao: the other modes close the disc")};
  const bool appending = args.append || args.replace || !args.removals.isEmpty() || args.close;
  if (appending && args.command != QLatin1String("burn-files"))
    throw CliUsageError{QCoreApplication::translate(
        "CliArgs", "--append, --replace, --remove and --close are for burn-files: an image would hide the "
                   "files on the disc")};
  if ((args.replace || !args.removals.isEmpty() || args.close) && !args.append)
    throw CliUsageError{QCoreApplication::translate("CliArgs", "--replace, --remove and --close need --append")};
  if (args.append && args.mode != QLatin1String("tao"))
    throw CliUsageError{QCoreApplication::translate("CliArgs", "--append writes with --mode tao: the other modes "
                                                               "write a whole disc")};
  if (args.append && args.copies > 1)
    throw CliUsageError{QCoreApplication::translate("CliArgs", "--append makes one disc: each disc holds other "
                                                               "files, so --copies cannot go with it")};
  // An image's checksum needs no device; a device's finds out the same way as info does.
  if (!args.library.NamesDevices() && args.command != QLatin1String("build-image") &&
      args.command != QLatin1String("checksum"))
    throw CliUsageError{QCoreApplication::translate(
        "CliArgs", "no devices to use: give --demo or --virtual-drives FILE, or allow real drives")};
  return args;
}
