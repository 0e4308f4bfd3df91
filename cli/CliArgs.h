// The command line of korvanel-cli: global options, a command and its arguments.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "sbLibrarySession.h"

struct CliArgs {
  // Global options.
  TsbLibraryOptions library;
  std::optional<bool> transportAddress;  // --transport; unset: follow the form of DEVICE
  bool help = false;
  bool version = false;

  QString command;  // devices, info, speeds, burn, burn-files, burn-audio, erase, build-image, checksum, read
  QStringList positional;

  // burn
  QString device;
  QString mode = QStringLiteral("tao");
  bool modeGiven = false;  // tracks default to sao where the drive offers it
  QString speed = QStringLiteral("max");
  bool test = false;
  bool noOpc = false;
  bool multiSession = false;
  bool verify = false;
  QString saveLog;
  QString checksumFile;  // the image must match its line in this file before the burn
  bool noEject = false;  // the disc stays in the drive when done
  int copies = 1;        // discs burned one after the other

  // burn-audio: the album's CD-TEXT (tracks take theirs from their tags) and the pause
  // before each track after the first (none given: 2 s; --gapless: 0)
  QString title;
  QString performer;
  std::optional<double> pauseSeconds;

  // checksum
  QString hash = QStringLiteral("sha256");  // sha256 or md5

  // erase
  bool full = false;

  // wait-disc: none waits as long as it takes
  std::optional<double> timeout;

  // build-image, burn-files
  QString label = QStringLiteral("NEW");
  bool labelGiven = false;  // burn-files labels its disc with the date unless told
  QString boot;

  // burn-files onto a disc that holds sessions: a further session whose directory
  // holds the disc's files and the chosen ones
  bool append = false;
  bool replace = false;        // a chosen name may replace the file of that name on the disc
  QStringList removals;        // paths of the disc left out of the new directory
  bool close = false;          // no session after this one
};

using CliUsageError = TsbUsageError;

// burn-audio, and burn of a cue sheet: a track layout rather than an image.
bool BurnsTracks(const CliArgs& args);

// Throws CliUsageError with the reason on a malformed command line.
CliArgs ParseCliArgs(const QStringList& arguments);

QByteArray CliUsage();

