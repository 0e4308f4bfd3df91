// A disc made of chosen files and folders rather than an image: its volume label,
// the library's file tree of the selection and the size the image will take.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>
#include <vector>

#include "sbDiscFiles.h"

class TsbBurner;

// Longest volume label a disc holds.
constexpr int kVolumeLabelLength = 32;

struct TsbVolumeLabel {
  QString Label;
  QString Change;  // what was changed and why, empty when the label was taken as given
};

// The label as a disc holds it: capitals, digits and "_", at most 32 of them,
// each other character becoming "_"; an empty label becomes the date.
TsbVolumeLabel CleanVolumeLabel(const QString& wanted, const QDate& today = QDate::currentDate());
// The label a new disc of files gets: the date, "2026_12_08".
QString DefaultVolumeLabel(const QDate& today = QDate::currentDate());

// Entries left out of the tree (FIFOs, sockets, device nodes), each with the reason.
using TsbSkippedEntries = std::vector<std::pair<QString, QString>>;

// What the tree says of the chosen entries beside the image itself.
struct TsbFileTreeNotes {
  TsbSkippedEntries Skipped;
  // Files over 4 GiB: the disc holds them in several pieces, which only readers of
  // ISO 9660 level 3 join.
  QStringList LargeFiles;
  // Entries that went into a folder's tree (CreateFolderTree).
  int Added = 0;
  // One warning line each, as the log and the file list show them.
  QStringList Lines() const;
};

// The line of an entry the library left out, with its reason in its own words (why):
// a whole sentence in the user's language for the special files it names.
QString LeftOutLine(const QString& name, const QString& why);

// The warning line of a file over 4 GiB.
QString LargeFileLine(const QString& path);

// Replaces the burner's file tree with one of the paths, each at the top of the disc.
// Throws TsbError naming every unreadable entry and every clash of names, and when every
// chosen entry is left out (nothing would be burned).
TsbFileTreeNotes CreateFileTree(TsbBurner& burner, const QStringList& paths);
// Replaces the burner's file tree with one of the folder's contents, each entry at the top
// of the image: an image made of a folder. Throws TsbError with the library call's failure
// text; a folder whose every entry was left out is the caller's to refuse (Added is 0).
TsbFileTreeNotes CreateFolderTree(TsbBurner& burner, const QString& folder);
// Builds the tree's image under the label and answers its size in bytes, as the burn writes it.
// startBlock: where the image will lie on the disc (a further session's next writable block).
uint64_t MeasureFileTree(TsbBurner& burner, const QString& label, uint32_t startBlock = 0);

// What a disc that takes a further session holds, as the tree read from it says.
struct TsbDiscContents {
  int Session = 0;            // the last session, whose directory the tree continues
  uint32_t NextWritable = 0;  // where the new session goes
  uint32_t Files = 0;
  uint32_t Folders = 0;
  QString Label;
};

// Replaces the burner's file tree with the directory of the last session of the disc in the
// burner's device (opened): the disc's files stay where they are, the new session lists them.
// Throws TsbError with the library's reason (no file system, damaged, a block unreadable).
TsbDiscContents CreateFileTreeFromDisc(TsbBurner& burner);
// The paths of the disc that the chosen entries would take (each at the top of the disc).
QStringList DiscPathsTaken(TsbBurner& burner, const QStringList& paths);
// Adds the chosen entries at the top of the disc tree; replace: a name of the disc is given up
// for the chosen entry of that name. Throws TsbError naming the names taken when not replacing.
TsbFileTreeNotes AddToDiscTree(TsbBurner& burner, const QStringList& paths, bool replace);
// The files of the disc the burner's tree (made by CreateFileTreeFromDisc) still lists, in path order.
std::vector<TsbDiscFile> DiscFilesOf(TsbBurner& burner);
// Leaves a file or folder of the disc out of the new session's directory. Throws TsbError when
// the disc has no such path.
void LeaveOutOfDiscTree(TsbBurner& burner, const QString& discPath);

// "3 files, 2 folders, 412.70 MB": what the paths are, and the image's size (in the user's locale).
QString FileSelectionSummary(const QStringList& paths, uint64_t imageBytes);
