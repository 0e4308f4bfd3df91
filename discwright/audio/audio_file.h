// Music files as CD audio: probed for their length and tags, then decoded while they are
// burned or verified (16-bit little-endian stereo at 44.1 kHz, whole blocks).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "layout/track_layout.h"

namespace discwright {

struct AudioFile {
  AudioFacts facts;
  std::string title, performer;  // from the tags, empty when absent
};

// DwError(DW_E_FILE, "<file name> cannot be decoded: <why>") when it cannot be opened or decoded.
AudioFile probeAudioFile(const std::string& path);

// The samples [fromSample, fromSample + samples) of the file at 44.1 kHz (samples 0: to its
// end), padded with silence to whole blocks. Every open() decodes them anew, equal each time.
std::shared_ptr<const TrackSource> audioFileSource(const std::string& path, uint64_t fromSample = 0,
                                                   uint64_t samples = 0);

// Whether other files than 44.1 kHz 16-bit stereo WAV can be decoded, and which kinds
// ("wav flac ogg opus mp3").
bool audioDecoding();
std::string audioKinds();

}  // namespace discwright
