#include "layout/cd_sector.h"

#include "Discwright.h"
#include "error.h"

namespace discwright {

void encodeMode1Sector(uint32_t, const uint8_t*, uint8_t*) {
  throw DwError(DW_E_NOT_SUPPORTED, "Whole data sectors cannot be made yet");
}
bool mode1UserData(const uint8_t*, uint8_t*, std::string* why) {
  if (why) *why = "whole data sectors cannot be read yet";
  return false;
}

}  // namespace discwright
