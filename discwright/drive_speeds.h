// The speeds a real drive works at, from what it reports: shared by every
// real-drive backend, so a drive on any system shows the same factors.
#pragma once

#include <cstdint>
#include <vector>

#include "device.h"

namespace discwright {

// What a drive tells of its speeds, in kB/s of 1000 bytes as libburn and the
// speed tables count them.
struct DriveSpeedReport {
  uint32_t maximumRead = 0;
  uint32_t maximumWrite = 0;
  std::vector<uint32_t> writeSpeeds;  // the inserted medium's, from GET PERFORMANCE
  uint32_t pageCurrentRead = 0;       // the capabilities page's, 0 when it has none
  uint32_t pageCurrentWrite = 0;
};
// The speeds in use after the given requests (DISCWRIGHT_SPEED_MAX: the fastest),
// as the drive rounds them: a write request sets the fastest listed speed not above it.
Speeds speedsInUse(const DriveSpeedReport& report, uint32_t readRequest, uint32_t writeRequest);

}  // namespace discwright
