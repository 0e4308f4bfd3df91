// Cue sheets: read into a track layout (its files opened and measured), and written for
// a disc read back as one raw image.
#pragma once

#include <memory>
#include <string>

#include "layout/track_layout.h"

namespace discwright {

// DwError(DW_E_FILE) when the sheet or a file it names cannot be read, DW_E_INVALID_ARGUMENT
// for what cannot be written, each naming the line ("album.cue, line 7: ...").
std::shared_ptr<TrackLayout> layoutFromCueSheet(const std::string& cuePath);

// The sheet of a disc saved as binName (a raw image of every track, 2352 bytes a block
// from block 0 on): modes, pauses (INDEX 00 where known), ISRCs, catalog, CD-TEXT.
std::string cueSheetText(const TrackLayout& disc, const std::string& binName);

}  // namespace discwright
