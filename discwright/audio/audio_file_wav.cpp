// Builds without the decoding libraries (the Windows build) read WAV files that already
// hold CD audio: PCM, 16-bit, 44.1 kHz, stereo. Their samples are copied as they stand.
#include <algorithm>
#include <bit>
#include <cstring>

#include "Discwright.h"
#include "audio/audio_decoder.h"
#include "error.h"
#include "platform/platform.h"

namespace discwright {

namespace {

constexpr const char* kOnlyCdWav = "this build reads only 44.1 kHz 16-bit stereo WAV files";

uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

class WavReader : public PcmReader {
 public:
  WavReader(std::string path, platform::File file, uint64_t position, uint64_t samples)
      : path_(std::move(path)), file_(std::move(file)), position_(position), left_(samples) {}

  size_t read(int16_t* out, size_t samples) override {
    const size_t n = size_t(std::min<uint64_t>(samples, left_));
    size_t got = 0;
    auto* bytes = reinterpret_cast<uint8_t*>(out);
    while (got < 4 * n) {
      const int64_t r = file_.readAt(position_ + got, bytes + got, 4 * n - got);
      if (r < 0) throw DwError(DW_E_FILE, undecodable(path_, platform::lastErrorText()));
      if (r == 0) throw DwError(DW_E_FILE, undecodable(path_, "it ended early; it changed since it was added"));
      got += size_t(r);
    }
    if constexpr (std::endian::native == std::endian::big)
      for (size_t i = 0; i < 2 * n; ++i) out[i] = int16_t(le16(bytes + 2 * i));
    position_ += got;
    left_ -= n;
    return n;
  }

 private:
  std::string path_;
  platform::File file_;
  uint64_t position_, left_;
};

}  // namespace

OpenedAudio openAudio(const std::string& path, uint64_t fromSample) {
  platform::File file;
  if (!file.open(path, platform::File::Access::Read))
    throw DwError(DW_E_FILE, undecodable(path, platform::lastErrorText()));
  platform::FileInfo info;
  if (!file.info(info)) throw DwError(DW_E_FILE, undecodable(path, platform::lastErrorText()));
  uint8_t head[12];
  if (file.readAt(0, head, sizeof head) != int64_t(sizeof head) || std::memcmp(head, "RIFF", 4) != 0 ||
      std::memcmp(head + 8, "WAVE", 4) != 0)
    throw DwError(DW_E_FILE, undecodable(path, kOnlyCdWav));
  bool cdFormat = false, sawFormat = false;
  uint64_t dataAt = 0, dataBytes = 0;
  for (uint64_t at = 12; at + 8 <= info.size;) {
    uint8_t chunk[8 + 40] = {};
    const int64_t got = file.readAt(at, chunk, sizeof chunk);
    if (got < 8) break;
    const uint64_t size = le32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
      uint16_t tag = le16(chunk + 8);
      // WAVE_FORMAT_EXTENSIBLE names the real format in its first GUID bytes.
      if (tag == 0xFFFE && size >= 40) tag = le16(chunk + 8 + 24);
      sawFormat = true;
      cdFormat = tag == 1 && le16(chunk + 10) == 2 && le32(chunk + 12) == 44100 && le16(chunk + 22) == 16;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      dataAt = at + 8;
      // A size the writer never filled in (a stream's WAV): the file's end.
      dataBytes = std::min<uint64_t>(size, info.size - dataAt);
      break;
    }
    at += 8 + size + (size & 1);
  }
  if (!sawFormat || !cdFormat || dataAt == 0) throw DwError(DW_E_FILE, undecodable(path, kOnlyCdWav));
  OpenedAudio opened;
  opened.file.facts = AudioFacts{dataBytes / 4, 44100, 2};
  if (fromSample > opened.file.facts.samples)
    throw DwError(DW_E_INVALID_ARGUMENT, path + " holds " + std::to_string(opened.file.facts.samples) +
                                             " samples, not " + std::to_string(fromSample));
  opened.reader = std::make_unique<WavReader>(path, std::move(file), dataAt + 4 * fromSample,
                                              opened.file.facts.samples - fromSample);
  return opened;
}

bool audioDecoding() { return false; }
std::string audioKinds() { return "wav"; }

}  // namespace discwright
