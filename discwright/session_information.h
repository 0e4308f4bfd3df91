// One session of a disc as readers see it, put together from what every
// backend answers: the disc information, the table of contents, the tracks'
// damage, and the volume descriptor at the session's block 16.
#pragma once

#include <cstdint>

#include "Discwright.h"
#include "device.h"

namespace discwright {

DiscwrightSessionInformation sessionInformation(Device& device, uint16_t session);

}  // namespace discwright
