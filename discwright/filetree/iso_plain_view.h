// The plain ISO 9660 view of a built image, made unambiguous.
//
// Directories deeper than 8 levels, or whose paths would pass 255 characters, are moved
// into a relocation folder (Rock Ridge readers still see them in place). The image
// library gives the moved folders unique names only when equal names happen to arrive
// next to each other, and leaves them unsorted, so two deep folders of the same name
// ("src" under two projects) end up with the same identifier. The directory records and
// path tables are therefore checked after each build; where names repeat, the later ones
// get a same-length unique name, the folder is sorted again and the path tables are
// written anew (a folder moved into the root is also left unsorted). Only these first
// blocks of the image change.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace discwright {

// Bytes of the built image that replace what the image library produced at the same place.
struct ImagePatch {
  uint64_t at = 0;
  std::vector<unsigned char> bytes;
};

// Fills out with the n bytes of the image at byte offset at. The check reads the image
// mostly forwards, so a sequential producer serves it without holding the directories.
using ImageReadAt = std::function<void(uint64_t at, unsigned char* out, size_t n)>;

// Checks the directory records and path tables of the plain view of an image of
// imageSize bytes and returns what must change, sorted by offset and not overlapping
// (empty when the view is sound). Only the folders that change are held whole; the
// others pass by in pieces, so a tree of many files costs little more than its folders.
// relocationFolder: the name the image library gave the root folder of moved folders
// ("" when there is none); its Rock Ridge name becomes ".rr_moved", which readers know.
std::vector<ImagePatch> fixPlainView(const ImageReadAt& read, uint64_t imageSize, uint32_t startBlock,
                                     const std::string& relocationFolder = {});

}  // namespace discwright
