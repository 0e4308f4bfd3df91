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
#include <vector>

namespace discwright {

// Checks and mends the directory records and path tables in head, the image's
// first blocks; read(end) makes at least the first end bytes of the image
// available in head. True when head was changed.
bool fixPlainView(std::vector<unsigned char>& head, const std::function<void(uint64_t)>& read, uint32_t startBlock);

}  // namespace discwright
