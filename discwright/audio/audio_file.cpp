// Music files as audio tracks: probed once when added, decoded again on every pass of a
// burn or verify, a chunk at a time (no temporary files, a few KiB held per track).
#include "audio/audio_file.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "Discwright.h"
#include "audio/audio_decoder.h"
#include "error.h"
#include "platform/platform.h"

namespace discwright {

namespace {

namespace fs = std::filesystem;

// A file's size and time of change: a file edited between adding and burning is refused,
// not burned as it now stands.
struct Stamp {
  uintmax_t size = 0;
  fs::file_time_type changed;
  bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const std::string& path) {
  std::error_code ec;
  const fs::path file = platform::fsPath(path);
  Stamp s;
  s.size = fs::file_size(file, ec);
  if (!ec) s.changed = fs::last_write_time(file, ec);
  if (ec) throw DwError(DW_E_FILE, undecodable(path, ec.message()));
  return s;
}

bool sameFacts(const AudioFacts& a, const AudioFacts& b) {
  return a.samples == b.samples && a.rate == b.rate && a.channels == b.channels;
}

constexpr size_t kChunkSamples = size_t(kSamplesPerBlock) * 8;

class AudioStream : public ByteSource {
 public:
  AudioStream(std::string path, uint64_t from, uint64_t samples, uint32_t blocks, AudioFacts facts, Stamp stamp)
      : path_(std::move(path)), from_(from), samples_(samples), size_(uint64_t(blocks) * kRawSectorBytes),
        facts_(facts), stamp_(stamp) {}

  uint64_t size() const override { return size_; }
  std::string describe() const override { return "file \"" + path_ + "\""; }

  size_t read(void* buf, size_t n) override {
    auto* out = static_cast<uint8_t*>(buf);
    size_t done = 0;
    while (done < n && position_ < size_) {
      if (next_ == bytes_.size()) refill();
      const size_t k = std::min(n - done, bytes_.size() - next_);
      std::memcpy(out + done, bytes_.data() + next_, k);
      next_ += k;
      done += k;
      position_ += k;
    }
    return done;
  }

 private:
  void refill() {
    const uint64_t totalSamples = size_ / 4;
    const size_t chunk = size_t(std::min<uint64_t>(kChunkSamples, totalSamples - delivered_));
    pcm_.assign(chunk * 2, 0);
    const size_t sound = size_t(std::min<uint64_t>(chunk, samples_ > delivered_ ? samples_ - delivered_ : 0));
    if (sound > 0) {
      if (!reader_) openReader();
      size_t got = 0;
      while (got < sound) {
        const size_t r = reader_->read(pcm_.data() + 2 * got, sound - got);
        if (r == 0) break;
        got += r;
      }
      if (got < sound)
        throw DwError(DW_E_FILE, undecodable(path_, "it ended " + std::to_string(samples_ - delivered_ - got) +
                                                        " samples early; it changed since it was added"));
      // The last of the range: the file is closed now, not when the whole burn ends.
      if (delivered_ + sound == samples_) reader_.reset();
    }
    delivered_ += chunk;
    bytes_.resize(chunk * 4);
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(bytes_.data(), pcm_.data(), bytes_.size());
    } else {
      for (size_t i = 0; i < pcm_.size(); ++i) {
        const auto v = uint16_t(pcm_[i]);
        bytes_[2 * i] = uint8_t(v & 0xff);
        bytes_[2 * i + 1] = uint8_t(v >> 8);
      }
    }
    next_ = 0;
  }

  void openReader() {
    if (!(stampOf(path_) == stamp_))
      throw DwError(DW_E_FILE, path_ + " changed since it was added to the disc; add it again");
    OpenedAudio opened = openAudio(path_, from_);
    if (!sameFacts(opened.file.facts, facts_))
      throw DwError(DW_E_FILE, path_ + " changed since it was added to the disc; add it again");
    reader_ = std::move(opened.reader);
  }

  std::string path_;
  uint64_t from_, samples_, size_;
  AudioFacts facts_;
  Stamp stamp_;
  std::unique_ptr<PcmReader> reader_;  // opened at the first read
  std::vector<int16_t> pcm_;
  std::vector<uint8_t> bytes_;
  size_t next_ = 0;
  uint64_t position_ = 0, delivered_ = 0;
};

class AudioFileSource : public TrackSource {
 public:
  AudioFileSource(std::string path, uint64_t from, uint64_t samples, AudioFacts facts, Stamp stamp)
      : path_(std::move(path)), from_(from), samples_(samples),
        blocks_(uint32_t((samples + kSamplesPerBlock - 1) / kSamplesPerBlock)), facts_(facts), stamp_(stamp) {}

  uint32_t blocks() const override { return blocks_; }
  std::string describe() const override { return path_; }

  std::unique_ptr<ByteSource> open() const override {
    // Checked now too, so that a burn does not start on a file that is gone or edited.
    if (!(stampOf(path_) == stamp_))
      throw DwError(DW_E_FILE, path_ + " changed since it was added to the disc; add it again");
    return std::make_unique<AudioStream>(path_, from_, samples_, blocks_, facts_, stamp_);
  }

 private:
  std::string path_;
  uint64_t from_, samples_;
  uint32_t blocks_;
  AudioFacts facts_;
  Stamp stamp_;
};

std::string timeText(uint64_t samples) {
  const uint64_t blocks = samples / kSamplesPerBlock;
  char text[32];
  std::snprintf(text, sizeof text, "%llu:%02llu.%02llu", static_cast<unsigned long long>(blocks / 4500),
                static_cast<unsigned long long>(blocks / 75 % 60), static_cast<unsigned long long>(blocks % 75));
  return text;
}

}  // namespace

std::string undecodable(const std::string& path, const std::string& why) { return path + " cannot be decoded: " + why; }

uint64_t cdSamples(uint64_t frames, uint32_t rate) {
  if (rate == 44100) return frames;
  // frames * 44100 stays below 2^64 for any file of less than a few thousand years.
  return (frames * 44100 + rate / 2) / rate;
}

AudioFile probeAudioFile(const std::string& path) {
  if (path.empty()) throw DwError(DW_E_INVALID_ARGUMENT, "No music file was named");
  std::error_code ec;
  const fs::path file = platform::fsPath(path);
  if (!fs::exists(file, ec)) throw DwError(DW_E_FILE, undecodable(path, "there is no such file"));
  if (!fs::is_regular_file(file, ec)) throw DwError(DW_E_FILE, undecodable(path, "it is not a file"));
  if (fs::file_size(file, ec) == 0) throw DwError(DW_E_FILE, undecodable(path, "the file is empty"));
  AudioFile probed = openAudio(path, 0).file;
  if (probed.facts.samples == 0) throw DwError(DW_E_FILE, undecodable(path, "it holds no sound"));
  return probed;
}

std::shared_ptr<const TrackSource> audioFileSource(const std::string& path, uint64_t fromSample, uint64_t samples) {
  const AudioFile probed = probeAudioFile(path);
  const Stamp stamp = stampOf(path);
  const uint64_t length = probed.facts.samples;
  if (fromSample > length || (samples > 0 && samples > length - fromSample))
    throw DwError(DW_E_INVALID_ARGUMENT, path + " lasts " + timeText(length) + ": the part from " +
                                             timeText(fromSample) + " to " + timeText(fromSample + samples) +
                                             " lies past its end");
  if (samples == 0) samples = length - fromSample;
  if ((samples + kSamplesPerBlock - 1) / kSamplesPerBlock > UINT32_MAX)
    throw DwError(DW_E_INVALID_ARGUMENT, path + " is too long for a track");
  return std::make_shared<AudioFileSource>(path, fromSample, samples, probed.facts, stamp);
}

}  // namespace discwright
