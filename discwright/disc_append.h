// A disc that takes another session: where its last session lies, and whether it is still
// the disc a tree read its files from.
#pragma once

#include <cstdint>

#include "device.h"
#include "filetree/iso_tree.h"

namespace discwright {

struct LastSession {
  uint16_t number = 0;
  uint32_t start = 0;
  uint32_t nextWritable = 0;
};

// The last session of the disc in device, when a session can be added after it. DwError:
// DW_E_NOT_SUPPORTED for a blank, closed or overwritable disc, or one whose last session is
// still open; DW_E_OUT_OF_SPACE when no room is left.
LastSession lastSessionToContinue(Device& device);

// DwError(DW_E_INVALID_ARGUMENT) unless the disc in device is still the one origin was
// read from, with nothing written since: the new session's directories point at its files.
void checkSameDisc(Device& device, const DiscOrigin& origin);

}  // namespace discwright
