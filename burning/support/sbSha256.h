// A streaming SHA-256. The processor's SHA instructions are used where present:
// the verify action and korvanel-cli checksum hash whole discs, and the plain
// code would make hashing, not reading, the slowest step.
#pragma once

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>

class TsbSha256 {
 public:
  // accelerated false keeps to the plain code (for comparing the two).
  explicit TsbSha256(bool accelerated = true);
  void Add(const void* data, size_t size);
  // The digest as 64 lower-case hex digits; the object is spent afterwards.
  QByteArray HexResult();
  // True when this processor has the SHA instructions.
  static bool Accelerated();

 private:
  void Blocks(const uint8_t* data, size_t count);

  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> pending_{};
  size_t pendingSize_ = 0;
  uint64_t total_ = 0;
  bool accelerated_;
};
