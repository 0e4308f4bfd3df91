// The walk over a source folder before the image library adds it: what
// cannot be read fails the build (rather than being left out), and special
// files are named, since the image leaves them out.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace discwright {

// What a walk of the source folder found before the image library adds it: entries that
// cannot be read (the build must fail rather than leave them out) and special files,
// which the image leaves out (reading a FIFO would block the burn forever).
struct FolderScan {
  std::vector<std::string> unreadable;                        // "path" (reason)
  std::vector<std::pair<std::string, std::string>> special;  // path, what it is
  int firstError = 0;
};

// "a FIFO", "a socket", "a character device", "a block device", or null for other kinds.
const char* specialKind(mode_t mode);

// Opens every folder, file and link the way the image library will, without following links.
void scanFolder(const std::string& top, FolderScan& scan);

// "N files or folders ... cannot be read: "a" (reason), ..." within the error text's room.
// where: "of \"folder\"" or "among the chosen entries".
std::string unreadableText(const std::string& where, const std::vector<std::string>& entries);

}  // namespace discwright
