#include "ProgramStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

#include <algorithm>

QByteArray ProgramUsage() {
  return QCoreApplication::translate(
             "ProgramStart",
             "usage: korvanel [--demo | --virtual-drives FILE] [--no-real-drives] [--time-scale X] [IMAGE.iso]\n"
             "\n"
             "Opens the wizard that burns an ISO image onto a CD or DVD; IMAGE.iso is\n"
             "preselected as the image to burn. Without options it uses the drives of this\n"
             "machine, or the demo recorders when the machine has none.\n"
             "\n"
             "Options:\n"
             "%1"
             "  --help, -h              show this text\n"
             "  --version               show the version\n")
      .arg(QCoreApplication::translate("sbLibrarySession", kLibraryOptionsUsage))
      .toLocal8Bit();
}

TProgramArgs ParseProgramArgs(const QStringList& arguments) {
  TProgramArgs args;
  for (int i = 0; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (ParseLibraryOption(arguments, i, args.Library)) continue;
    if (a == QLatin1String("--help") || a == QLatin1String("-h")) args.Help = true;
    else if (a == QLatin1String("--version")) args.Version = true;
    else if (a.startsWith(QLatin1Char('-')) && a.size() > 1)
      throw TsbUsageError{QCoreApplication::translate("ProgramStart", "unknown option %1").arg(a)};
    else if (args.ImageFile.isEmpty()) args.ImageFile = QDir::toNativeSeparators(a);  // shown with the system's separators
    else
      throw TsbUsageError{
          QCoreApplication::translate("ProgramStart", "only one image file can be given, not both %1 and %2")
              .arg(args.ImageFile, a)};
  }
  if (args.Help || args.Version) return args;
  // The demo stands alone: a file of recorders beside it would be ignored.
  if (args.Library.Demo && !args.Library.VirtualDrives.isEmpty())
    throw TsbUsageError{QCoreApplication::translate("ProgramStart", "--demo and --virtual-drives exclude each other")};
  if (!args.Library.NamesDevices())
    throw TsbUsageError{QCoreApplication::translate(
        "ProgramStart", "no devices to use: give --demo or --virtual-drives FILE, or allow real drives")};
  return args;
}

std::optional<int> HandleCommandLine(const QStringList& arguments, TProgramArgs& args, std::FILE* out,
                                     std::FILE* err) {
  try {
    args = ParseProgramArgs(arguments);
  } catch (const TsbUsageError& e) {
    std::fprintf(err, "korvanel: %s\n\n%s", e.message.toLocal8Bit().constData(), ProgramUsage().constData());
    return 2;
  }
  if (args.Help) {
    std::fputs(ProgramUsage().constData(), out);
    return 0;
  }
  if (args.Version) {
    std::fprintf(out, "korvanel %s\n", KORVANEL_VERSION);
    return 0;
  }
  return std::nullopt;
}

bool RealDrivesCanExist(const QString& devFolder) {
  static const QRegularExpression driveNode(QStringLiteral("^sr[0-9]+$"));
  const QStringList names = QDir(devFolder).entryList({QStringLiteral("sr*")}, QDir::AllEntries | QDir::System);
  return std::any_of(names.begin(), names.end(), [](const QString& name) { return driveNode.match(name).hasMatch(); });
}

bool UseDemoWithoutDrives(TsbLibraryOptions& options, bool drivesCanExist, std::FILE* err) {
  const bool devicesChosen =
      options.Demo || !options.VirtualDrives.isEmpty() || options.NoRealDrives || !options.PseudoDrives.isEmpty();
  if (devicesChosen || drivesCanExist) return false;
  options.Demo = true;
  std::fprintf(err, "korvanel: %s\n",
               qUtf8Printable(QCoreApplication::translate(
                   "ProgramStart", "this machine has no CD/DVD drive (no /dev/sr* device): using the demo recorders")));
  return true;
}
