#include "layout/cue_sheet.h"

#include "Discwright.h"
#include "error.h"

namespace discwright {

std::shared_ptr<TrackLayout> layoutFromCueSheet(const std::string& cuePath) {
  throw DwError(DW_E_NOT_SUPPORTED, cuePath + ": cue sheets cannot be read yet");
}
std::string cueSheetText(const TrackLayout&, const std::string&) {
  throw DwError(DW_E_NOT_SUPPORTED, "Cue sheets cannot be written yet");
}

}  // namespace discwright
