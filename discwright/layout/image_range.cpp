#include "layout/image_range.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "Discwright.h"
#include "error.h"
#include "layout/cd_sector.h"
#include "platform/platform.h"

namespace discwright {

namespace {

constexpr uint32_t kChunkBlocks = 64;

uint32_t outBlockBytes(const ImageRange& r) { return r.form == ImageForm::Mode1Data ? kCookedSectorBytes : r.fileBlockBytes; }

class ImageRangeStream : public ByteSource {
 public:
  explicit ImageRangeStream(const ImageRange& range) : r_(range) {
    if (!file_.open(r_.path, platform::File::Access::Read)) {
      const platform::SystemError err = platform::lastError();
      throw DwError(DW_E_FILE, "Cannot open \"" + r_.path + "\": " + err.text, err.code);
    }
    file_.adviseSequential();
  }

  uint64_t size() const override { return uint64_t(r_.blocks) * outBlockBytes(r_); }
  std::string describe() const override { return "file \"" + r_.path + "\""; }

  size_t read(void* buf, size_t n) override {
    size_t done = 0;
    auto* out = static_cast<uint8_t*>(buf);
    while (done < n) {
      if (outPos_ == out_.size()) {
        if (nextBlock_ == r_.blocks) break;
        refill();
      }
      const size_t take = std::min(n - done, out_.size() - outPos_);
      std::memcpy(out + done, out_.data() + outPos_, take);
      outPos_ += take;
      done += take;
    }
    return done;
  }

 private:
  void refill() {
    const uint32_t count = std::min(kChunkBlocks, r_.blocks - nextBlock_);
    in_.assign(size_t(count) * r_.fileBlockBytes, 0);
    const uint64_t at = r_.offset + uint64_t(nextBlock_) * r_.fileBlockBytes;
    size_t got = 0;
    while (got < in_.size()) {
      const int64_t n = file_.readAt(at + got, in_.data() + got, in_.size() - got);
      if (n < 0) {
        const platform::SystemError err = platform::lastError();
        throw DwError(DW_E_FILE, "Cannot read \"" + r_.path + "\": " + err.text, err.code);
      }
      if (n == 0) break;  // a last block cut short: the rest stays silence
      got += size_t(n);
    }
    switch (r_.form) {
      case ImageForm::AsIs: out_.swap(in_); break;
      case ImageForm::SwapBytes:
        for (size_t i = 0; i + 1 < in_.size(); i += 2) std::swap(in_[i], in_[i + 1]);
        out_.swap(in_);
        break;
      case ImageForm::Mode1Data:
        out_.resize(size_t(count) * kCookedSectorBytes);
        for (uint32_t b = 0; b < count; ++b) {
          std::string why;
          if (!mode1UserData(in_.data() + size_t(b) * kRawSectorBytes, out_.data() + size_t(b) * kCookedSectorBytes,
                             &why)) {
            const uint64_t sector = r_.offset / kRawSectorBytes + nextBlock_ + b;
            throw DwError(DW_E_FILE, "\"" + r_.path + "\", sector " + std::to_string(sector) + " (" + r_.label +
                                         "): not a Mode 1 sector: " + why);
          }
        }
        break;
    }
    nextBlock_ += count;
    outPos_ = 0;
  }

  ImageRange r_;
  platform::File file_;
  uint32_t nextBlock_ = 0;
  std::vector<uint8_t> in_, out_;
  size_t outPos_ = 0;
};

class ImageRangeSource : public TrackSource {
 public:
  explicit ImageRangeSource(ImageRange range) : r_(std::move(range)) {}
  uint32_t blocks() const override { return r_.blocks; }
  std::unique_ptr<ByteSource> open() const override { return std::make_unique<ImageRangeStream>(r_); }
  std::string describe() const override { return r_.path; }

 private:
  ImageRange r_;
};

class JoinedStream : public ByteSource {
 public:
  explicit JoinedStream(const std::vector<std::shared_ptr<const TrackSource>>& parts, uint64_t size)
      : parts_(parts), size_(size) {}
  uint64_t size() const override { return size_; }
  std::string describe() const override { return parts_.front()->describe(); }
  size_t read(void* buf, size_t n) override {
    size_t done = 0;
    while (done < n && next_ <= parts_.size()) {
      if (!current_) {
        if (next_ == parts_.size()) break;
        current_ = parts_[next_++]->open();
      }
      const size_t got = current_->read(static_cast<uint8_t*>(buf) + done, n - done);
      if (got == 0) current_.reset();
      done += got;
    }
    return done;
  }

 private:
  std::vector<std::shared_ptr<const TrackSource>> parts_;
  uint64_t size_;
  size_t next_ = 0;
  std::unique_ptr<ByteSource> current_;
};

class JoinedSource : public TrackSource {
 public:
  JoinedSource(std::vector<std::shared_ptr<const TrackSource>> parts, uint32_t blockBytes)
      : parts_(std::move(parts)), blockBytes_(blockBytes) {}
  uint32_t blocks() const override {
    uint32_t n = 0;
    for (const auto& p : parts_) n += p->blocks();
    return n;
  }
  std::unique_ptr<ByteSource> open() const override {
    return std::make_unique<JoinedStream>(parts_, uint64_t(blocks()) * blockBytes_);
  }
  std::string describe() const override {
    std::string text;
    for (const auto& p : parts_) text += (text.empty() ? "" : " + ") + p->describe();
    return text;
  }

 private:
  std::vector<std::shared_ptr<const TrackSource>> parts_;
  uint32_t blockBytes_;
};

}  // namespace

std::shared_ptr<const TrackSource> imageRangeSource(ImageRange range) {
  return std::make_shared<ImageRangeSource>(std::move(range));
}

std::shared_ptr<const TrackSource> joinedSource(std::vector<std::shared_ptr<const TrackSource>> parts,
                                                uint32_t blockBytes) {
  if (parts.size() == 1) return parts.front();
  return std::make_shared<JoinedSource>(std::move(parts), blockBytes);
}

}  // namespace discwright
