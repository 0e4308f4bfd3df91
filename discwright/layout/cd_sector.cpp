#include "layout/cd_sector.h"

#include <array>
#include <cstring>

namespace discwright {

namespace {

constexpr size_t kHeaderAt = 12;
constexpr size_t kUserAt = 16;
constexpr size_t kEdcAt = 2064;
constexpr size_t kPParityAt = 2076;
constexpr size_t kQParityAt = 2248;

constexpr std::array<uint8_t, 12> kSync = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

// The CD's EDC: the CRC of (x^16 + x^15 + x^2 + 1)(x^16 + x^2 + x + 1), taken least
// significant bit first, starting from zero.
constexpr std::array<uint32_t, 256> makeEdcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t r = i;
    for (int b = 0; b < 8; ++b) r = (r >> 1) ^ ((r & 1) ? 0xD8018001u : 0);
    table[i] = r;
  }
  return table;
}
constexpr auto kEdcTable = makeEdcTable();

uint32_t edc(const uint8_t* data, size_t size) {
  uint32_t crc = 0;
  for (size_t i = 0; i < size; ++i) crc = (crc >> 8) ^ kEdcTable[(crc ^ data[i]) & 0xFF];
  return crc;
}

// GF(2^8) over x^8 + x^4 + x^3 + x^2 + 1: times[a] = a·α, and unTimesPlusOne undoes
// a -> a·α + a (so that parity bytes come out of the two running sums).
struct ParityTables {
  std::array<uint8_t, 256> times{}, unTimesPlusOne{};
};
constexpr ParityTables makeParityTables() {
  ParityTables t;
  for (uint32_t i = 0; i < 256; ++i) {
    const uint32_t doubled = (i << 1) ^ ((i & 0x80) ? 0x11D : 0);
    t.times[i] = uint8_t(doubled);
    t.unTimesPlusOne[i ^ doubled] = uint8_t(i);
  }
  return t;
}
constexpr auto kGf = makeParityTables();

// One plane of the product code: bytes 12 on of the sector as 16-bit words, the
// codewords running through them with a stride and wrapping at the end of the area they
// protect. Each codeword gets two parity bytes, written count bytes apart.
void computeParity(uint8_t* sector, size_t codewords, size_t length, size_t start, size_t step, uint8_t* out) {
  const uint8_t* area = sector + kHeaderAt;
  const size_t size = codewords * length;
  for (size_t major = 0; major < codewords; ++major) {
    size_t at = (major >> 1) * start + (major & 1);
    uint8_t weighted = 0, sum = 0;
    for (size_t minor = 0; minor < length; ++minor) {
      const uint8_t v = area[at];
      at += step;
      if (at >= size) at -= size;
      weighted = kGf.times[uint8_t(weighted ^ v)];
      sum ^= v;
    }
    // Both checks of the codeword vanish: the parity pair solves p0 + p1 = sum and
    // α·p0 + p1 = weighted (as Horner's rule leaves them).
    const uint8_t p0 = kGf.unTimesPlusOne[uint8_t(kGf.times[weighted] ^ sum)];
    out[major] = p0;
    out[major + codewords] = uint8_t(p0 ^ sum);
  }
}

uint8_t bcd(uint32_t v) { return uint8_t((v / 10) << 4 | (v % 10)); }

}  // namespace

void encodeMode1Sector(uint32_t lba, const uint8_t* userData2048, uint8_t* sector2352) {
  uint8_t* s = sector2352;
  std::memcpy(s, kSync.data(), kSync.size());
  const uint32_t address = lba + 150;
  s[12] = bcd(address / (60 * 75));
  s[13] = bcd(address / 75 % 60);
  s[14] = bcd(address % 75);
  s[15] = 1;
  std::memmove(s + kUserAt, userData2048, 2048);
  const uint32_t check = edc(s, kEdcAt);
  for (int i = 0; i < 4; ++i) s[kEdcAt + size_t(i)] = uint8_t(check >> (8 * i));
  std::memset(s + kEdcAt + 4, 0, 8);
  // P first: the Q codewords run over the P parity too.
  computeParity(s, 86, 24, 2, 86, s + kPParityAt);
  computeParity(s, 52, 43, 86, 88, s + kQParityAt);
}

bool mode1UserData(const uint8_t* sector2352, uint8_t* userData2048, std::string* why) {
  auto fail = [&](const char* reason) {
    if (why) *why = reason;
    return false;
  };
  if (std::memcmp(sector2352, kSync.data(), kSync.size()) != 0) return fail("it has no sync pattern of a data sector");
  if (sector2352[15] != 1) return fail(sector2352[15] == 2 ? "it is a Mode 2 sector" : "it is not a Mode 1 sector");
  uint32_t stored = 0;
  for (int i = 0; i < 4; ++i) stored |= uint32_t(sector2352[kEdcAt + size_t(i)]) << (8 * i);
  if (edc(sector2352, kEdcAt) != stored) return fail("its error detection code does not match its data");
  std::memcpy(userData2048, sector2352 + kUserAt, 2048);
  return true;
}

}  // namespace discwright
