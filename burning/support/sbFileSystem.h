// The file-system calls of the engine, kept apart so that each platform has its own
// (sbFileSystem_posix.cpp, sbFileSystem_windows.cpp): outputs written under a temporary
// name and moved over the target in one step, free space, file identity. Names are
// Qt strings; a handle is the C runtime's file number on every platform.
#pragma once

#include <QString>

#include <cstdint>

namespace sbfile {

// The absolute name the image is written to: the folder resolved through links and
// relative parts, and an output that is a link followed to its target (the name itself
// need not exist). Empty, with errno set, when the folder cannot be resolved.
QString ResolveOutputPath(const QString& fileName);
// Whether path (resolved as above) lies inside folder or is folder itself. folder is
// resolved through links; false when it cannot be.
bool IsInsideFolder(const QString& path, const QString& folder);

// Removes the temporary files beside target that a killed run of this program
// left: by their name, and only those no process holds any more.
void RemoveStalePartials(const QString& target);
// Why an existing output (followed through links) cannot be replaced by a file: "it is
// a folder", "it is a character device, not a regular file", ...; empty when the name
// is free or a regular file. A device, pipe or socket must never be renamed over.
QString NotAFileReason(const QString& fileName);
// Whether both names lead (through links) to one existing file: same device and inode.
bool SameFile(const QString& a, const QString& b);
// Creates an empty temporary file beside target for writing (readable by others) and
// sets tempName; -1 and errno on failure.
int CreateTemporaryBeside(const QString& target, QString& tempName);
// Moves the temporary file over target in one step and makes the move durable. No (the
// output as it was) or NotSynced (the image in place, its folder not synced) set errno.
enum class Replaced { No, Yes, NotSynced };
Replaced ReplaceWith(const QString& tempName, const QString& target);
void Remove(const QString& fileName);

// Free space of the volume holding folder; false and errno on failure.
struct FreeSpace {
  int64_t AvailableToCaller = 0;
  int64_t Total = 0;
  int64_t TotalFree = 0;
};
bool QueryFreeSpace(const QString& folder, FreeSpace& space);
// The folder whose volume must hold fileName: an absolute name's folder ("/disc.iso" gives
// "/"), the current directory for a relative one.
QString FolderForSpaceCheck(const QString& fileName);
// Writes what the handle holds to the disk; false and errno on failure.
bool FlushToDisk(int handle);
void Close(int handle);

// The errno value for the system's last failure (Windows: its error code mapped).
int ErrnoOfLastError();

// "status N (reason)" for an errno value.
QString StatusText(int error);

}  // namespace sbfile
