// Not built yet: music files are refused.
#include "audio/audio_file.h"

#include "Discwright.h"
#include "error.h"

namespace discwright {

AudioFile probeAudioFile(const std::string& path) {
  throw DwError(DW_E_NOT_SUPPORTED, path + " cannot be decoded: this build decodes no music files");
}
std::shared_ptr<const TrackSource> audioFileSource(const std::string& path, uint64_t, uint64_t) {
  throw DwError(DW_E_NOT_SUPPORTED, path + " cannot be decoded: this build decodes no music files");
}
bool audioDecoding() { return false; }
std::string audioKinds() { return ""; }

}  // namespace discwright
