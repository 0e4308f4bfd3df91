// Blocks of an image file (the BIN of a cue sheet) as a track's source: a byte range read
// as it stands, byte-swapped (big-endian audio), or cut to the user data of Mode 1 sectors.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "layout/track_layout.h"

namespace discwright {

enum class ImageForm : uint8_t {
  AsIs,      // the file's blocks as they stand
  SwapBytes, // 16-bit big-endian samples turned little-endian
  Mode1Data  // whole 2352-byte Mode 1 sectors, yielded as their 2048 bytes of user data
};

struct ImageRange {
  std::string path;
  uint64_t offset = 0;           // where the first block starts in the file
  uint32_t blocks = 0;
  uint32_t fileBlockBytes = 2352;  // bytes of one block in the file
  ImageForm form = ImageForm::AsIs;
  std::string label;             // "track 2", for messages
};

// Bytes past the file's end (a last audio block cut short) read as zeros. A sector that is
// not Mode 1 fails the read with DwError(DW_E_FILE) naming it.
std::shared_ptr<const TrackSource> imageRangeSource(ImageRange range);

// Tracks whose blocks lie in several files (a pause kept at the end of the previous file):
// the parts one after the other.
std::shared_ptr<const TrackSource> joinedSource(std::vector<std::shared_ptr<const TrackSource>> parts,
                                                uint32_t blockBytes);

}  // namespace discwright
