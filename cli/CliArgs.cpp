#include "CliArgs.h"

#include <QCoreApplication>

namespace {
const char* const kCliUsageTemplate = QT_TRANSLATE_NOOP(
    "CliArgs",
    "usage: korvanel-cli [global options] COMMAND [arguments]\n"
    "\n"
    "Global options:\n"
    "%1"
    "  --transport name|address  open devices by name (default) or by SCSI address\n"
    "  --help, --version\n"
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
    "  erase DEVICE [--full]   erase the rewritable disc (CD-RW, DVD-RW, DVD+RW, BD-RE);\n"
    "                          --full erases every block instead of the table of contents\n"
    "  build-image FOLDER OUTPUT.iso [--label L] [--boot FILE]\n"
    "  checksum IMAGE|DEVICE [--sha256|--md5]  the checksum of an image file or of a disc's data track\n"
    "  wait-disc DEVICE [--timeout S]  returns when a disc is in the drive (0), or after S seconds (1)\n"
    "  read DEVICE OUTPUT.iso  save the disc's data track as an image file, with its SHA-256;\n"
    "                          OUTPUT - writes the image to standard output\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 usage error, 3 cancelled.\n");
}  // namespace

QByteArray CliUsage() {
  return QCoreApplication::translate("CliArgs", kCliUsageTemplate)
      .arg(QCoreApplication::translate("sbLibrarySession", kLibraryOptionsUsage))
      .toLocal8Bit();
}

CliArgs ParseCliArgs(const QStringList& arguments) {
  CliArgs args;
  auto value = [&](int& i, const QString& option) {
    if (i + 1 >= arguments.size())
      throw CliUsageError{QCoreApplication::translate("CliArgs", "%1 needs a value").arg(option)};
    return arguments[++i];
  };
  for (int i = 0; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
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
      static const QStringList modes = {"tao", "sao", "dao", "dao-raw"};
      if (!modes.contains(args.mode))
        throw CliUsageError{QCoreApplication::translate("CliArgs", "--mode is tao, sao, dao or dao-raw")};
    } else if (a == QLatin1String("--speed")) {
      args.speed = value(i, a);
      bool ok = false;
      if (args.speed != QLatin1String("max") && (args.speed.toInt(&ok) <= 0 || !ok))
        throw CliUsageError{
            QCoreApplication::translate("CliArgs", "--speed is a whole factor above 0 such as 8, or max")};
    } else if (a == QLatin1String("--test")) args.test = true;
    else if (a == QLatin1String("--no-opc")) args.noOpc = true;
    else if (a == QLatin1String("--multisession")) args.multiSession = true;
    else if (a == QLatin1String("--verify")) args.verify = true;
    else if (a == QLatin1String("--no-eject")) args.noEject = true;
    else if (a == QLatin1String("--copies")) {
      bool ok = false;
      args.copies = value(i, a).toInt(&ok);
      if (!ok || args.copies < 1 || args.copies > 99) throw CliUsageError{QCoreApplication::translate("CliArgs", "--copies is a number from 1 to 99")};
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
    else if (a == QLatin1String("--timeout")) {
      bool ok = false;
      args.timeout = value(i, a).toDouble(&ok);
      if (!ok || *args.timeout < 0)
        throw CliUsageError{QCoreApplication::translate("CliArgs", "--timeout is a number of seconds, 0 or more")};
    } else if (a.startsWith(QLatin1String("--")))
      throw CliUsageError{QCoreApplication::translate("CliArgs", "unknown option %1").arg(a)};
    else if (args.command.isEmpty()) args.command = a;
    else args.positional << a;
  }
  if (args.help || args.version) return args;
  static const QStringList commands = {"devices", "info", "speeds", "burn", "erase", "build-image", "checksum",
                                        "wait-disc", "burn-files", "read"};
  if (args.command.isEmpty()) throw CliUsageError{QCoreApplication::translate("CliArgs", "no command given")};
  if (!commands.contains(args.command))
    throw CliUsageError{QCoreApplication::translate("CliArgs", "unknown command %1").arg(args.command)};
  int wanted = args.command == QLatin1String("devices")                                              ? 0
               : args.command == QLatin1String("build-image") || args.command == QLatin1String("read") ? 2
                                                                                                      : 1;
  if (args.command == QLatin1String("burn-files")) {
    if (args.positional.isEmpty())
      throw CliUsageError{QCoreApplication::translate("CliArgs", "burn-files takes one or more files or folders")};
  } else if (args.positional.size() != wanted)
    throw CliUsageError{
        QCoreApplication::translate("CliArgs", "%1 takes %2 argument(s)").arg(args.command).arg(wanted)};
  if ((args.command == QLatin1String("burn") || args.command == QLatin1String("burn-files")) && args.device.isEmpty())
    throw CliUsageError{QCoreApplication::translate("CliArgs", "%1 needs --device DEVICE").arg(args.command)};
  // Only track-at-once leaves the session open for another; the other modes
  // would close the disc while the user asked to keep it open.
  if (args.multiSession && args.mode != QLatin1String("tao"))
    throw CliUsageError{
        QCoreApplication::translate("CliArgs", "--multisession needs --mode tao: the other modes close the disc")};
  // An image's checksum needs no device; a device's finds out the same way as info does.
  if (!args.library.NamesDevices() && args.command != QLatin1String("build-image") &&
      args.command != QLatin1String("checksum"))
    throw CliUsageError{QCoreApplication::translate(
        "CliArgs", "no devices to use: give --demo or --virtual-drives FILE, or allow real drives")};
  return args;
}
