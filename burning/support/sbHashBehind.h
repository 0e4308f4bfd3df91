// Hashing beside the reading: the bytes of a disc are collected into chunks, and
// each full chunk is hashed on a thread of its own while the caller reads the next.
// Reading a disc and hashing it one after the other would take as long as both.
#pragma once

#include <cstddef>
#include <functional>
#include <future>
#include <vector>

class TsbHashBehind {
 public:
  using Sink = std::function<void(const char* data, size_t size)>;
  static constexpr size_t kChunkBytes = size_t(2) << 20;

  // sink receives every byte in order, on the hashing thread; it must outlive this object.
  explicit TsbHashBehind(Sink sink);
  // Waits for the chunk being hashed (a failure leaving early must not free it under the thread).
  ~TsbHashBehind();
  TsbHashBehind(const TsbHashBehind&) = delete;
  TsbHashBehind& operator=(const TsbHashBehind&) = delete;

  void Add(const char* data, size_t size);
  // Hashes what is left and waits: the sink has seen every byte afterwards.
  void Finish();

 private:
  void HandOver();

  Sink sink_;
  std::vector<char> chunks_[2];
  size_t filling_ = 0;
  size_t filled_ = 0;
  std::future<void> hashing_;
};
