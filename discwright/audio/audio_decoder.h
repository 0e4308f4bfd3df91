// What a build's music-file reader offers the audio tracks: a file opened at a sample,
// yielding 16-bit stereo at 44.1 kHz. One implementation per build (with or without the
// decoding libraries), chosen by CMake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/audio_file.h"

namespace discwright {

class PcmReader {
 public:
  virtual ~PcmReader() = default;
  // Up to `samples` stereo samples (interleaved left, right, host byte order); fewer only
  // at the end of the file's sound, 0 after it. Throws DwError naming the file on a failure.
  virtual size_t read(int16_t* out, size_t samples) = 0;
};

struct OpenedAudio {
  AudioFile file;
  std::unique_ptr<PcmReader> reader;  // positioned at fromSample (44.1 kHz)
};

// DwError(DW_E_FILE, "<path> cannot be decoded: <why>") when it cannot.
OpenedAudio openAudio(const std::string& path, uint64_t fromSample);

// "<path> cannot be decoded: <why>"
std::string undecodable(const std::string& path, const std::string& why);

// round(frames * 44100 / rate): a file's length in CD samples.
uint64_t cdSamples(uint64_t frames, uint32_t rate);

}  // namespace discwright
