// Bytes kept in order for a later reader, in pieces of 1 MiB: growing it never copies
// what it holds, and each piece is freed as soon as it has been read.
#pragma once

#include <algorithm>
#include <cstddef>
#include <deque>
#include <vector>

namespace discwright {

class ByteSpool {
 public:
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  void append(const unsigned char* bytes, size_t n) {
    while (n) {
      if (pieces_.empty() || pieces_.back().size() == kPiece) {
        pieces_.emplace_back();
        pieces_.back().reserve(kPiece);
      }
      std::vector<unsigned char>& last = pieces_.back();
      const size_t part = std::min(n, kPiece - last.size());
      last.insert(last.end(), bytes, bytes + part);
      bytes += part;
      n -= part;
      size_ += part;
    }
  }

  // Moves up to n bytes from the front into out; returns how many.
  size_t take(unsigned char* out, size_t n) {
    size_t done = 0;
    while (done < n && !pieces_.empty()) {
      const std::vector<unsigned char>& first = pieces_.front();
      const size_t part = std::min(n - done, first.size() - from_);
      std::copy_n(first.begin() + std::ptrdiff_t(from_), part, out + done);
      done += part;
      from_ += part;
      if (from_ == first.size()) {
        pieces_.pop_front();
        from_ = 0;
      }
    }
    size_ -= done;
    return done;
  }

  void clear() {
    pieces_.clear();
    from_ = size_ = 0;
  }

 private:
  static constexpr size_t kPiece = size_t(1) << 20;
  std::deque<std::vector<unsigned char>> pieces_;
  size_t from_ = 0;  // read position in the first piece
  size_t size_ = 0;  // bytes not yet taken
};

}  // namespace discwright
