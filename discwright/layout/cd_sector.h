// Whole CD data sectors (2352 bytes): the sync, header, EDC and error correction that a
// drive adds to 2048 bytes of Mode 1 user data, so that raw images can be made and checked.
#pragma once

#include <cstdint>
#include <string>

namespace discwright {

// Writes the Mode 1 sector of block lba (its header holds lba + 150 as minutes, seconds, frames).
void encodeMode1Sector(uint32_t lba, const uint8_t* userData2048, uint8_t* sector2352);

// The user data of a Mode 1 sector; false (and why) when the sync or mode is not Mode 1's.
bool mode1UserData(const uint8_t* sector2352, uint8_t* userData2048, std::string* why);

}  // namespace discwright
