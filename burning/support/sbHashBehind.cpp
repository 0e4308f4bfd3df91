#include "sbHashBehind.h"

#include <algorithm>
#include <cstring>

TsbHashBehind::TsbHashBehind(Sink sink) : sink_(std::move(sink)) {
  for (auto& chunk : chunks_) chunk.resize(kChunkBytes);
}

TsbHashBehind::~TsbHashBehind() {
  if (hashing_.valid()) hashing_.wait();
}

void TsbHashBehind::Add(const char* data, size_t size) {
  while (size > 0) {
    const size_t n = std::min(size, kChunkBytes - filled_);
    std::memcpy(chunks_[filling_].data() + filled_, data, n);
    filled_ += n;
    data += n;
    size -= n;
    if (filled_ == kChunkBytes) HandOver();
  }
}

void TsbHashBehind::HandOver() {
  if (hashing_.valid()) hashing_.get();
  hashing_ = std::async(std::launch::async, [this, data = chunks_[filling_].data(), n = filled_] { sink_(data, n); });
  filling_ ^= 1;
  filled_ = 0;
}

void TsbHashBehind::Finish() {
  if (filled_ > 0) HandOver();
  if (hashing_.valid()) hashing_.get();
}
