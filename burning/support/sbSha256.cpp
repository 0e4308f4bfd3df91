#include "sbSha256.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SB_SHA_X86 1
#endif

namespace {

alignas(16) constexpr uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void PlainBlocks(uint32_t* state, const uint8_t* data, size_t count) {
  for (; count > 0; --count, data += 64) {
    uint32_t w[64];
    for (int t = 0; t < 16; ++t)
      w[t] = uint32_t(data[4 * t]) << 24 | uint32_t(data[4 * t + 1]) << 16 | uint32_t(data[4 * t + 2]) << 8 |
             uint32_t(data[4 * t + 3]);
    for (int t = 16; t < 64; ++t) {
      const uint32_t s0 = Rotr(w[t - 15], 7) ^ Rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
      const uint32_t s1 = Rotr(w[t - 2], 17) ^ Rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
      w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4], f = state[5], g = state[6],
             h = state[7];
    for (int t = 0; t < 64; ++t) {
      const uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[t] + w[t];
      const uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

#ifdef SB_SHA_X86
__attribute__((target("sha,sse4.1,ssse3"))) void ShaInstructionBlocks(uint32_t* state, const uint8_t* data,
                                                                      size_t count) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  // The instructions keep the state as ABEF and CDGH.
  __m128i tmp = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
  __m128i state1 = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
  __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);
  state1 = _mm_blend_epi16(state1, tmp, 0xF0);
  for (; count > 0; --count, data += 64) {
    const __m128i saved0 = state0, saved1 = state1;
    __m128i w[4];
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
      __m128i& x = w[i % 4];
      if (i < 4) {
        x = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), byteSwap);
      } else {
        const __m128i& last = w[(i + 3) % 4];
        x = _mm_sha256msg2_epu32(
            _mm_add_epi32(_mm_sha256msg1_epu32(x, w[(i + 1) % 4]), _mm_alignr_epi8(last, w[(i + 2) % 4], 4)), last);
      }
      __m128i msg = _mm_add_epi32(x, _mm_load_si128(reinterpret_cast<const __m128i*>(kRound + 4 * i)));
      state1 = _mm_sha256rnds2_epu32(state1, state0, msg);
      msg = _mm_shuffle_epi32(msg, 0x0E);
      state0 = _mm_sha256rnds2_epu32(state0, state1, msg);
    }
    state0 = _mm_add_epi32(state0, saved0);
    state1 = _mm_add_epi32(state1, saved1);
  }
  tmp = _mm_shuffle_epi32(state0, 0x1B);
  state1 = _mm_shuffle_epi32(state1, 0xB1);
  state0 = _mm_blend_epi16(tmp, state1, 0xF0);
  state1 = _mm_alignr_epi8(state1, tmp, 8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), state0);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), state1);
}
#endif

}  // namespace

bool TsbSha256::Accelerated() {
#ifdef SB_SHA_X86
  static const bool present = __builtin_cpu_supports("sha") && __builtin_cpu_supports("sse4.1");
  return present;
#else
  return false;
#endif
}

TsbSha256::TsbSha256(bool accelerated)
    : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19},
      accelerated_(accelerated && Accelerated()) {}

void TsbSha256::Blocks(const uint8_t* data, size_t count) {
#ifdef SB_SHA_X86
  if (accelerated_) return ShaInstructionBlocks(state_.data(), data, count);
#endif
  PlainBlocks(state_.data(), data, count);
}

void TsbSha256::Add(const void* data, size_t size) {
  auto bytes = static_cast<const uint8_t*>(data);
  total_ += size;
  if (pendingSize_ > 0) {
    const size_t take = std::min(size, pending_.size() - pendingSize_);
    std::memcpy(pending_.data() + pendingSize_, bytes, take);
    pendingSize_ += take;
    bytes += take;
    size -= take;
    if (pendingSize_ < pending_.size()) return;
    Blocks(pending_.data(), 1);
    pendingSize_ = 0;
  }
  Blocks(bytes, size / 64);
  bytes += size / 64 * 64;
  pendingSize_ = size % 64;
  if (pendingSize_ > 0) std::memcpy(pending_.data(), bytes, pendingSize_);
}

QByteArray TsbSha256::HexResult() {
  const uint64_t bits = total_ * 8;
  uint8_t tail[72] = {0x80};
  const size_t padding = (pendingSize_ < 56 ? 56 : 120) - pendingSize_;
  for (int i = 0; i < 8; ++i) tail[padding + size_t(i)] = uint8_t(bits >> (56 - 8 * i));
  Add(tail, padding + 8);
  QByteArray digest(32, '\0');
  for (int i = 0; i < 32; ++i) digest[i] = char(state_[size_t(i / 4)] >> (24 - 8 * (i % 4)));
  return digest.toHex();
}
