// Failures inside the library travel as DwError; the C API turns them into the error triple.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace discwright {

// SCSI sense packed as the status word: (key << 16) | (ASC << 8) | ASCQ.
constexpr uint32_t sense(uint8_t key, uint8_t asc, uint8_t ascq) {
  return (uint32_t(key) << 16) | (uint32_t(asc) << 8) | ascq;
}

namespace senses {
constexpr uint32_t kNoMedium = sense(0x02, 0x3A, 0x00);
constexpr uint32_t kTrayOpen = sense(0x02, 0x3A, 0x02);
constexpr uint32_t kInvalidField = sense(0x05, 0x24, 0x00);
constexpr uint32_t kInvalidCommand = sense(0x05, 0x20, 0x00);
constexpr uint32_t kIncompatibleMedium = sense(0x05, 0x30, 0x00);
constexpr uint32_t kRemovalPrevented = sense(0x05, 0x53, 0x02);
constexpr uint32_t kWriteError = sense(0x03, 0x0C, 0x00);
constexpr uint32_t kReadError = sense(0x03, 0x11, 0x00);
constexpr uint32_t kLbaOutOfRange = sense(0x05, 0x21, 0x00);
constexpr uint32_t kMediumChanged = sense(0x06, 0x28, 0x00);
}  // namespace senses

class DwError : public std::runtime_error {
 public:
  DwError(uint8_t code, const std::string& message, uint32_t status = 0)
      : std::runtime_error(message), code_(code), status_(status) {}
  uint8_t code() const noexcept { return code_; }
  uint32_t status() const noexcept { return status_; }

 private:
  uint8_t code_;
  uint32_t status_;
};

}  // namespace discwright
