// The command line of korvanel-cli: global options, a command and its arguments.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

struct CliArgs {
  // Global options.
  bool demo = false;
  QString virtualDrives;
  std::optional<double> timeScale;
  bool realDrives = true;
  std::optional<bool> transportAddress;  // --transport; unset: follow the form of DEVICE
  // Files that act as extra drives, for tests and benchmarks (not in the usage
  // text); each size is 0 when not given: the backend takes the free space.
  QStringList pseudoDrives;
  std::vector<uint64_t> pseudoDriveSizes;
  bool help = false;
  bool version = false;

  QString command;  // devices, info, speeds, burn, build-image
  QStringList positional;

  // burn
  QString device;
  QString mode = QStringLiteral("tao");
  QString speed = QStringLiteral("max");
  bool test = false;
  bool noOpc = false;
  bool multiSession = false;
  bool verify = false;
  QString saveLog;

  // build-image
  QString label = QStringLiteral("NEW");
  QString boot;
};

// Throws CliUsageError with the reason on a malformed command line.
CliArgs ParseCliArgs(const QStringList& arguments);

struct CliUsageError {
  QString message;
};

extern const char* const kCliUsage;

