// What the program decides before any window exists: its command line, and
// which recorders the wizard uses when the command line names none.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

#include "sbLibrarySession.h"

struct TProgramArgs {
  TsbLibraryOptions Library;
  QString ImageFile;  // the image to preselect, when one is named
  bool Help = false;
  bool Version = false;
};

// The usage text of `korvanel`, ending in a newline.
QByteArray ProgramUsage();

// Reads the arguments after the program name; throws TsbUsageError on a
// malformed command line.
TProgramArgs ParseProgramArgs(const QStringList& arguments);

// Parses the command line and answers --help and --version (on out) and usage
// errors ("korvanel: <reason>" and the usage, on err). Returns the exit status
// when the program is to end here (0, or 2 on a usage error), nothing when the
// wizard is to start with args.
std::optional<int> HandleCommandLine(const QStringList& arguments, TProgramArgs& args, std::FILE* out,
                                     std::FILE* err);

// Whether this machine can have a CD/DVD drive: a device node srN in devFolder.
bool RealDrivesCanExist(const QString& devFolder = QStringLiteral("/dev"));

// When the command line chose no devices and no drive can exist, the wizard
// opens on the demo recorders rather than on an empty device list. Returns true
// (and says so on err) when it switched to them.
bool UseDemoWithoutDrives(TsbLibraryOptions& options, bool drivesCanExist, std::FILE* err);

// Set (to anything but empty) to start without the splash and its fade-in of
// about 1.3 s: the tests and benchmarks that start the program set it.
inline constexpr const char* kNoSplashVariable = "KORVANEL_NO_SPLASH";
