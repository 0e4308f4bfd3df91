#include "layout/cd_text.h"

#include "Discwright.h"
#include "error.h"

namespace discwright {

std::vector<uint8_t> cdTextPacks(const TrackLayout& layout) {
  if (layout.hasCdText()) throw DwError(DW_E_NOT_SUPPORTED, "CD-TEXT cannot be written yet");
  return {};
}
CdTexts readCdTextPacks(const std::vector<uint8_t>&) { return {}; }

}  // namespace discwright
