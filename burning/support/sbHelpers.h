// Small text and file routines shared by the burning classes, the logger and the windows.
#pragma once

#include <QDateTime>
#include <QFileDevice>
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <stdexcept>

// A file could not be created, opened, written or closed. Carries a sentence for the user.
class TsbIOError : public std::runtime_error {
 public:
  explicit TsbIOError(const QString& message);
  QString Message() const;
};

// Text files of the program end their lines with CR LF on every platform, so that a
// saved log reads the same wherever it is opened.
inline constexpr char kLineEnd[] = "\r\n";

// Appends Line and a line end to the file (created when missing), flushes and closes it.
// Throws TsbIOError when the file cannot be created or written.
void AppendLine(const QString& fileName, const QString& line);

// Empty when the file can be opened for reading, else "Cannot read <file>:
// <reason>" (a file that exists but is not readable would otherwise measure 0
// bytes and fail only once the burn has begun). Never blocks on a pipe.
QString WhyFileCannotBeRead(const QString& fileName);

// Why a write to file failed, as the system said it ("No space left on device"): Qt's
// own text where it has one, else the errno value left by the failing call (set errno
// to 0 before it), since a failed commit or close leaves only "Unknown error".
QString WriteFailureText(const QFileDevice& file);

// The file name part of Path without its extension ("/opt/k/burner.bin" -> "burner").
QString StripExtension(const QString& path);

// Bytes as megabytes with two decimals, rounded to six significant digits first
// ("700.00 MB" for 734003200); more than six integer digits switch to exponent form.
QString FormatMegabytes(std::int64_t bytes, bool noUnit = false);

// The last Width characters of Width zeros followed by Value: (7, 2) -> "07", (123, 2) -> "23".
QString PadLeftZeros(int value, int width);

// "Yes" or "No"; the localised form goes through the translation tables.
QString BoolToYesNo(bool value, bool localised = false);

// Every occurrence of OldText replaced by NewText, left to right, without rescanning what
// was inserted. An empty OldText leaves the text as it is.
QString ReplaceText(const QString& text, const QString& oldText, const QString& newText);

// True when both texts are equal after upper-casing.
bool SameText(const QString& a, const QString& b);

// The text of a zero-terminated character array (UTF-8), at most Length characters.
QString FixedArrayToText(const char* chars, std::size_t length);
template <std::size_t N>
QString FixedArrayToText(const char (&chars)[N]) {
  return FixedArrayToText(chars, N);
}


// Path with a '/' at its end, added only when missing.
QString IncludeTrailingSeparator(const QString& path);

// Absolute path of the running executable.
QString ProgramFilePath();
// Folder of the running executable, with a trailing separator.
QString ProgramFolder();
// The per-user state folder of the program: $XDG_STATE_HOME/korvanel/, else
// ~/.local/state/korvanel/ (a relative XDG_STATE_HOME is ignored, as the XDG rules ask).
QString UserStateFolder();
// The running program's file, asked of the system (for before the application object exists).
QString SystemProgramFilePath();

// Folder of the window images: "sounds/res10/" beside the executable.
QString SkinFolder();
QString SkinFolder(const QString& programFolder);

// The preparer and application named in every image the program builds: the
// product and its version, not where the program happens to be installed.
QByteArray ImageCreatorId();
