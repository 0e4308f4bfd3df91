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
  bool overwritable = false;  // no sessions: the volume at block 0 grows
};

// The last session of the disc in device, when a session can be added after it; on an
// overwritable disc (DVD+RW, DVD-RAM, BD-RE, formatted DVD-RW, a file) the volume whose
// descriptors are at block 16, to be grown after its end (rounded up to 32 blocks).
// DwError: DW_E_NOT_SUPPORTED for a blank or closed disc, one whose last session is still
// open, or an overwritable one without ISO 9660 at block 16; DW_E_OUT_OF_SPACE when no
// room is left; DW_E_IO when block 16 cannot be read.
LastSession lastSessionToContinue(Device& device);

// DwError(DW_E_INVALID_ARGUMENT) unless the disc in device is still the one origin was
// read from, with nothing written since: the new session's directories point at its files.
void checkSameDisc(Device& device, const DiscOrigin& origin);

}  // namespace discwright
