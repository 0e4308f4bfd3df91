// The action that writes the image of the burner's file tree into a file instead of
// burning it: builds the image, checks the target volume's room, creates the file and
// lets the burn thread copy the image (burn mode bmToImageFile).
#pragma once

#include <QString>

#include <cstdint>

#include "sbActions.h"

class TsbBurnToFileAction : public TsbAction {
 public:
  void Execute(TsbActionItem* item) override;
};

// The small file-system calls of the action, kept apart so a port replaces only these.
namespace sbfile {

// Creates or truncates the file for writing (readable by others); -1 and errno on failure.
int CreateForWriting(const QString& fileName);
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

}  // namespace sbfile
