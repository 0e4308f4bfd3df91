// Music files through libsndfile, brought to 44.1 kHz by libsamplerate. 16-bit (and
// 8-bit) stereo or mono at 44.1 kHz is read as integers and comes out bit for bit; all
// else goes through floats: mixed down to stereo, resampled, rounded and clipped.
#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include "Discwright.h"
#include "audio/audio_decoder.h"
#include "error.h"

namespace discwright {

namespace {

struct SndfileClose {
  void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileClose>;
struct SrcDelete {
  void operator()(SRC_STATE* s) const { src_delete(s); }
};

constexpr size_t kInputFrames = 4096;
// Output samples decoded and dropped before a part that starts inside a resampled file,
// so that the filter has settled where the part begins.
constexpr uint64_t kSettleSamples = 8192;

std::string reason(const char* text) {
  std::string s = text ? text : "unknown failure";
  while (!s.empty() && (s.back() == '.' || s.back() == ' ' || s.back() == '\n')) s.pop_back();
  if (!s.empty() && s[0] >= 'A' && s[0] <= 'Z' && !(s.size() > 1 && s[1] >= 'A' && s[1] <= 'Z')) s[0] = char(s[0] - 'A' + 'a');
  return s;
}

bool validUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = uint8_t(s[i]);
    const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((uint8_t(s[i + k]) >> 6) != 2) return false;
    i += n;
  }
  return true;
}

// Tags are UTF-8 in most kinds of file; WAV and AIFF text chunks are often Latin-1.
std::string tagText(SNDFILE* file, int which) {
  const char* raw = sf_get_string(file, which);
  std::string text = raw ? raw : "";
  if (!validUtf8(text)) {
    std::string utf8;
    for (const char ch : text) {
      const auto c = uint8_t(ch);
      if (c < 0x80) {
        utf8 += ch;
      } else {
        utf8 += char(0xC0 | (c >> 6));
        utf8 += char(0x80 | (c & 0x3F));
      }
    }
    text = std::move(utf8);
  }
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && space(text.back())) text.pop_back();
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), space));
  return text;
}

// The weights of each channel in the left and the right output: front channels go to
// their side, centre and surround at -3 dB, the LFE not at all; scaled so that the sum
// cannot clip.
void downmixWeights(SNDFILE* file, int channels, std::vector<float>& left, std::vector<float>& right) {
  std::vector<int> map(size_t(channels), SF_CHANNEL_MAP_INVALID);
  if (sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(), int(map.size() * sizeof(int))) != SF_TRUE) {
    // The usual order of WAV, FLAC and Vorbis files without a map.
    static const std::vector<std::vector<int>> usual = {
        {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_CENTER},
        {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT},
        {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_CENTER, SF_CHANNEL_MAP_REAR_LEFT,
         SF_CHANNEL_MAP_REAR_RIGHT},
        {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_CENTER, SF_CHANNEL_MAP_LFE,
         SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT},
        {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_CENTER, SF_CHANNEL_MAP_LFE,
         SF_CHANNEL_MAP_REAR_CENTER, SF_CHANNEL_MAP_SIDE_LEFT, SF_CHANNEL_MAP_SIDE_RIGHT},
        {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_CENTER, SF_CHANNEL_MAP_LFE,
         SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT, SF_CHANNEL_MAP_SIDE_LEFT, SF_CHANNEL_MAP_SIDE_RIGHT}};
    const std::vector<int>& order = usual[size_t(std::min(channels, 8) - 3)];
    std::copy_n(order.begin(), std::min(order.size(), map.size()), map.begin());
  }
  constexpr float k = 0.70710678f;
  left.assign(size_t(channels), 0.f);
  right.assign(size_t(channels), 0.f);
  for (size_t c = 0; c < map.size(); ++c) {
    switch (map[c]) {
      case SF_CHANNEL_MAP_LEFT: case SF_CHANNEL_MAP_FRONT_LEFT: case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
        left[c] = 1.f; break;
      case SF_CHANNEL_MAP_RIGHT: case SF_CHANNEL_MAP_FRONT_RIGHT: case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
        right[c] = 1.f; break;
      case SF_CHANNEL_MAP_MONO: case SF_CHANNEL_MAP_CENTER: case SF_CHANNEL_MAP_FRONT_CENTER:
      case SF_CHANNEL_MAP_REAR_CENTER: case SF_CHANNEL_MAP_TOP_CENTER:
        left[c] = right[c] = k; break;
      case SF_CHANNEL_MAP_REAR_LEFT: case SF_CHANNEL_MAP_SIDE_LEFT: case SF_CHANNEL_MAP_TOP_FRONT_LEFT:
      case SF_CHANNEL_MAP_TOP_REAR_LEFT:
        left[c] = k; break;
      case SF_CHANNEL_MAP_REAR_RIGHT: case SF_CHANNEL_MAP_SIDE_RIGHT: case SF_CHANNEL_MAP_TOP_FRONT_RIGHT:
      case SF_CHANNEL_MAP_TOP_REAR_RIGHT:
        right[c] = k; break;
      default: break;  // LFE, ambisonics, unknown
    }
  }
  const float loudest = std::max(std::accumulate(left.begin(), left.end(), 0.f),
                                 std::accumulate(right.begin(), right.end(), 0.f));
  if (loudest > 1.f)
    for (size_t c = 0; c < left.size(); ++c) left[c] /= loudest, right[c] /= loudest;
}

int16_t toSample(float v) {
  const long s = std::lrint(double(v) * 32768.0);
  return int16_t(std::clamp<long>(s, -32768, 32767));
}

class SndfileReader : public PcmReader {
 public:
  SndfileReader(std::string path, SndfileHandle file, const SF_INFO& info, uint64_t fromSample)
      : path_(std::move(path)), file_(std::move(file)), channels_(info.channels), rate_(uint32_t(info.samplerate)) {
    const int sub = info.format & SF_FORMAT_SUBMASK;
    const bool integer16 = sub == SF_FORMAT_PCM_16 || sub == SF_FORMAT_PCM_S8 || sub == SF_FORMAT_PCM_U8;
    exact_ = rate_ == 44100 && channels_ <= 2 && integer16;
    const uint64_t frames = uint64_t(info.frames);
    outLeft_ = cdSamples(frames, rate_) - fromSample;
    uint64_t startFrame = fromSample;
    if (rate_ != 44100) {
      // Start at an input frame that falls on an output sample, early enough for the
      // filter to settle, and drop what comes before the part.
      const uint64_t g = std::gcd(uint64_t(rate_), uint64_t(44100));
      const uint64_t inStep = rate_ / g, outStep = 44100 / g;
      const uint64_t steps = fromSample > kSettleSamples ? (fromSample - kSettleSamples) / outStep : 0;
      startFrame = steps * inStep;
      discard_ = fromSample - steps * outStep;
    }
    if (channels_ > 2) downmixWeights(file_.get(), channels_, left_, right_);
    framesLeft_ = frames - std::min(frames, startFrame);
    if (startFrame > 0 && sf_seek(file_.get(), sf_count_t(startFrame), SEEK_SET) < 0)
      fail("it cannot be read from " + std::to_string(startFrame) + " on (" + reason(sf_strerror(file_.get())) + ")");
  }

  size_t read(int16_t* out, size_t samples) override {
    samples = size_t(std::min<uint64_t>(samples, outLeft_));
    const size_t n = exact_ ? readExact(out, samples) : readConverted(out, samples);
    outLeft_ -= n;
    return n;
  }

 private:
  [[noreturn]] void fail(const std::string& why) const { throw DwError(DW_E_FILE, undecodable(path_, why)); }

  void checkCount(sf_count_t got, size_t wanted) {
    if (got == sf_count_t(wanted)) return;
    const int error = sf_error(file_.get());
    fail(error ? reason(sf_error_number(error)) : std::string("it ended early; it changed since it was added"));
  }

  size_t readExact(int16_t* out, size_t samples) {
    const size_t n = size_t(std::min<uint64_t>(samples, framesLeft_));
    if (n == 0) return 0;
    if (channels_ == 2) {
      checkCount(sf_readf_short(file_.get(), out, sf_count_t(n)), n);
    } else {
      mono_.resize(n);
      checkCount(sf_readf_short(file_.get(), mono_.data(), sf_count_t(n)), n);
      for (size_t i = 0; i < n; ++i) out[2 * i] = out[2 * i + 1] = mono_[i];
    }
    framesLeft_ -= n;
    return n;
  }

  // Up to kInputFrames frames of the file as stereo floats into in_.
  void fillInput() {
    const size_t n = size_t(std::min<uint64_t>(kInputFrames, framesLeft_));
    in_.resize(2 * n);
    if (channels_ == 2) {
      checkCount(sf_readf_float(file_.get(), in_.data(), sf_count_t(n)), n);
    } else {
      raw_.resize(n * size_t(channels_));
      checkCount(sf_readf_float(file_.get(), raw_.data(), sf_count_t(n)), n);
      for (size_t i = 0; i < n; ++i) {
        const float* frame = raw_.data() + i * size_t(channels_);
        if (channels_ == 1) {
          in_[2 * i] = in_[2 * i + 1] = frame[0];
          continue;
        }
        float l = 0, r = 0;
        for (size_t c = 0; c < size_t(channels_); ++c) l += frame[c] * left_[c], r += frame[c] * right_[c];
        in_[2 * i] = l;
        in_[2 * i + 1] = r;
      }
    }
    framesLeft_ -= n;
    inUsed_ = 0;
  }

  // More stereo floats at 44.1 kHz into out_; false when the file's sound is through.
  bool pull() {
    outNext_ = 0;
    if (rate_ == 44100) {
      if (framesLeft_ == 0) return false;
      fillInput();
      out_.swap(in_);
      return true;
    }
    if (!src_) {
      int error = 0;
      src_.reset(src_new(SRC_SINC_MEDIUM_QUALITY, 2, &error));
      if (!src_) fail(std::string("the resampler did not start: ") + src_strerror(error));
      out_.resize(2 * kInputFrames * 2);
    }
    for (;;) {
      if (inUsed_ * 2 == in_.size() && framesLeft_ > 0) fillInput();
      SRC_DATA d{};
      d.data_in = in_.data() + 2 * inUsed_;
      d.input_frames = long(in_.size() / 2 - inUsed_);
      d.data_out = out_.data();
      d.output_frames = long(out_.capacity() / 2);
      out_.resize(out_.capacity());
      d.src_ratio = 44100.0 / rate_;
      d.end_of_input = framesLeft_ == 0;
      if (const int error = src_process(src_.get(), &d)) fail(std::string("resampling failed: ") + src_strerror(error));
      inUsed_ += size_t(d.input_frames_used);
      out_.resize(size_t(d.output_frames_gen) * 2);
      if (d.output_frames_gen > 0) return true;
      if (d.end_of_input && inUsed_ * 2 == in_.size()) return false;
    }
  }

  size_t readConverted(int16_t* out, size_t samples) {
    size_t done = 0;
    while (done < samples) {
      if (outNext_ * 2 == out_.size() && !drained_) drained_ = !pull();
      if (drained_) {
        // The resampler's last output rounds differently from the length the file
        // was given: silence up to that length.
        std::fill(out + 2 * done, out + 2 * samples, int16_t(0));
        return samples;
      }
      size_t avail = out_.size() / 2 - outNext_;
      const size_t dropped = size_t(std::min<uint64_t>(discard_, avail));
      discard_ -= dropped;
      outNext_ += dropped;
      avail -= dropped;
      const size_t k = std::min(avail, samples - done);
      const float* from = out_.data() + 2 * outNext_;
      for (size_t i = 0; i < 2 * k; ++i) out[2 * done + i] = toSample(from[i]);
      outNext_ += k;
      done += k;
    }
    return done;
  }

  std::string path_;
  SndfileHandle file_;
  int channels_;
  uint32_t rate_;
  bool exact_ = false, drained_ = false;
  uint64_t framesLeft_ = 0, outLeft_ = 0, discard_ = 0;
  std::vector<float> left_, right_;
  std::vector<int16_t> mono_;
  std::vector<float> raw_, in_, out_;
  size_t inUsed_ = 0, outNext_ = 0;
  std::unique_ptr<SRC_STATE, SrcDelete> src_;
};

bool hasSubtype(int subtype) {
  int count = 0;
  sf_command(nullptr, SFC_GET_FORMAT_SUBTYPE_COUNT, &count, sizeof count);
  for (int i = 0; i < count; ++i) {
    SF_FORMAT_INFO info{};
    info.format = i;
    if (sf_command(nullptr, SFC_GET_FORMAT_SUBTYPE, &info, sizeof info) == 0 && info.format == subtype) return true;
  }
  return false;
}

}  // namespace

OpenedAudio openAudio(const std::string& path, uint64_t fromSample) {
  SF_INFO info{};
  SndfileHandle file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file) throw DwError(DW_E_FILE, undecodable(path, reason(sf_strerror(nullptr))));
  if (info.channels < 1 || info.channels > 255)
    throw DwError(DW_E_FILE, undecodable(path, "it has " + std::to_string(info.channels) + " channels"));
  // The resampler takes ratios up to 256 either way; no music file comes near that.
  if (info.samplerate < 1000 || info.samplerate > 768000)
    throw DwError(DW_E_FILE, undecodable(path, "its sample rate of " + std::to_string(info.samplerate) +
                                                   " Hz is none for music"));
  if (info.frames < 0) throw DwError(DW_E_FILE, undecodable(path, "its length is not known"));
  OpenedAudio opened;
  AudioFacts& facts = opened.file.facts;
  facts.rate = uint32_t(info.samplerate);
  facts.channels = uint8_t(info.channels);
  facts.samples = cdSamples(uint64_t(info.frames), facts.rate);
  opened.file.title = tagText(file.get(), SF_STR_TITLE);
  opened.file.performer = tagText(file.get(), SF_STR_ARTIST);
  if (fromSample > facts.samples)
    throw DwError(DW_E_INVALID_ARGUMENT, path + " holds " + std::to_string(facts.samples) + " samples, not " +
                                             std::to_string(fromSample));
  opened.reader = std::make_unique<SndfileReader>(path, std::move(file), info, fromSample);
  return opened;
}

bool audioDecoding() { return true; }

std::string audioKinds() {
  int count = 0;
  sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
  std::vector<int> majors;
  for (int i = 0; i < count; ++i) {
    SF_FORMAT_INFO info{};
    info.format = i;
    if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info) == 0) majors.push_back(info.format);
  }
  const auto has = [&](int major) { return std::find(majors.begin(), majors.end(), major) != majors.end(); };
  std::string kinds = "wav";
  if (has(SF_FORMAT_AIFF)) kinds += " aiff";
  if (has(SF_FORMAT_FLAC)) kinds += " flac";
  if (has(SF_FORMAT_OGG) && hasSubtype(SF_FORMAT_VORBIS)) kinds += " ogg";
  if (has(SF_FORMAT_OGG) && hasSubtype(SF_FORMAT_OPUS)) kinds += " opus";
  if (has(SF_FORMAT_MPEG)) kinds += " mp3";
  return kinds;
}

}  // namespace discwright
