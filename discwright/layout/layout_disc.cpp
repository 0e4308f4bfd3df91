#include "layout/layout_disc.h"

namespace discwright {

DiscwrightLayoutCheck verifyLayout(Device&, const TrackLayout&, uint32_t, BurnObserver&) {
  throw DwError(DW_E_NOT_SUPPORTED, "Audio CDs cannot be verified yet");
}
void readDiscToCueSheet(Device&, const std::string&, const std::string&, BurnObserver&) {
  throw DwError(DW_E_NOT_SUPPORTED, "Discs cannot be saved as cue sheets yet");
}

}  // namespace discwright
