// A written CD read back: compared with the layout it was burned from, or saved as a
// raw image and its cue sheet.
#pragma once

#include <cstdint>
#include <string>

#include "Discwright.h"
#include "device.h"
#include "layout/track_layout.h"

namespace discwright {

// Progress goes to the observer (bytes, and each track as it begins).
DiscwrightLayoutCheck verifyLayout(Device& device, const TrackLayout& layout, uint32_t maxOffsetSamples,
                                   BurnObserver& observer);

// Writes binPath and cuePath; removes both when it fails or is cancelled.
void readDiscToCueSheet(Device& device, const std::string& binPath, const std::string& cuePath,
                        BurnObserver& observer);

}  // namespace discwright
