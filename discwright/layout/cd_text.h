// CD-TEXT as written into a CD's lead-in: 18-byte packs (type, track, sequence, block and
// character position, 12 text bytes, CRC), block 0 in English with ISO 8859-1 texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "layout/track_layout.h"

namespace discwright {

// Empty when the layout has no text.
std::vector<uint8_t> cdTextPacks(const TrackLayout& layout);

struct CdTexts {
  std::string title, performer;  // the album's, UTF-8
  std::vector<std::string> titles, performers;  // per track (index 0: track 1)
};
// ISO 8859-1 text as UTF-8 (CD-TEXT, and cue sheets written in Latin-1).
std::string latin1ToUtf8(std::string_view latin);

// DwError(DW_E_IO) when the packs are damaged (a CRC that does not match).
CdTexts readCdTextPacks(const std::vector<uint8_t>& packs);

}  // namespace discwright
