// The library session as every program starts it: the version check, the
// command-line options that choose the recorders (read alike by the wizard and
// by the command-line burner), and the start they feed.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

struct TsbLibraryOptions {
  bool Demo = false;      // --demo: the shipped demo recorders alone
  QString VirtualDrives;  // --virtual-drives FILE
  std::optional<double> TimeScale;  // --time-scale X, 0 to DISCWRIGHT_MAX_TIME_SCALE
  bool NoRealDrives = false;        // --no-real-drives
  // Files that act as extra drives, for tests and benchmarks (--pseudo-drive
  // FILE [--pseudo-drive-size BYTES]; not in any usage text). A size of 0 lets
  // the backend take the free space.
  QStringList PseudoDrives;
  std::vector<uint64_t> PseudoDriveSizes;

  // The demo stands alone, so that it behaves alike on a machine with drives.
  bool UseRealDrives() const { return !Demo && !NoRealDrives; }
  // Whether any source of devices is left.
  bool NamesDevices() const { return Demo || !VirtualDrives.isEmpty() || UseRealDrives() || !PseudoDrives.isEmpty(); }
};

// A malformed command line; the message says what is wrong.
struct TsbUsageError {
  QString message;
};

// When arguments[i] is one of the options above, reads it (and its value,
// moving i onto that) into options and returns true. Throws TsbUsageError on a
// missing or bad value.
bool ParseLibraryOption(const QStringList& arguments, int& i, TsbLibraryOptions& options);

// A number as typed on a command line: decimal digits, at most one point and an
// exponent, nothing else (no sign, blank, hexadecimal, nan or inf); the value
// is finite. Empty otherwise, so that "5x" or "1e400" is refused, never read
// as something else.
std::optional<double> ParseCommandLineNumber(const QString& text);

// The usage lines of the options above.
extern const char* const kLibraryOptionsUsage;

// The demo recorder configuration shipped with the program; throws TsbError
// when it is not found.
QString DemoRecordersPath();

// Starts the library session with the options' recorders (Discwright_UpStartEx,
// written to the diagnostic log first). On failure the library's reason goes to
// the diagnostic log, and TsbError "Discwright_UpStartEx() failed, exception N"
// is raised with the reason on the next line.
void UpStartLibrary(const TsbLibraryOptions& options);
// What is wrong with the options' own virtual recorder configuration (its file
// and the entry), or empty when it reads well or none is named; starts nothing.
QString VirtualConfigProblem(const TsbLibraryOptions& options);

// Compares the library's version with the one this program was built for and
// writes the outcome to stderr; a mismatch is also shown in a warning box
// without a caption. Start-up goes on either way. True when they match.
bool CheckLibraryVersion(uint32_t version);
