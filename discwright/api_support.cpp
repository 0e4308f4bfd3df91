#include "api_support.h"

#include <algorithm>
#include <cstring>

namespace discwright {

void clearTriple(const Triple& triple) {
  if (triple.text && triple.textSize > 0) triple.text[0] = '\0';
  if (triple.status) *triple.status = 0;
  if (triple.failureInfo) std::memset(triple.failureInfo, 0, DISCWRIGHT_FAILURE_INFO_SIZE);
}

uint8_t fillTriple(const Triple& triple, uint8_t code, const std::string& message, uint32_t status) {
  if (triple.text && triple.textSize > 0) {
    size_t n = std::min<size_t>(message.size(), triple.textSize - 1);
    std::memcpy(triple.text, message.data(), n);
    triple.text[n] = '\0';
  }
  if (triple.status) *triple.status = status;
  if (triple.failureInfo) {
    // Block layout: exception number, then the sense key, ASC and ASCQ.
    auto* block = static_cast<uint8_t*>(triple.failureInfo);
    block[0] = code;
    block[1] = uint8_t(status >> 16);
    block[2] = uint8_t(status >> 8);
    block[3] = uint8_t(status);
  }
  return code;
}

}  // namespace discwright
