// The tracks of one CD session as they are burned: audio CDs from music files and the
// tracks of cue sheets, each with its kind, its pauses, its flags and its CD-TEXT.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "byte_source.h"

namespace discwright {

constexpr uint32_t kRawSectorBytes = 2352;
constexpr uint32_t kCookedSectorBytes = 2048;
constexpr uint32_t kBlocksPerSecond = 75;
constexpr uint32_t kSamplesPerBlock = 588;    // stereo samples of one audio block
constexpr uint32_t kLeadInPauseBlocks = 150;  // track 1's pause lies before block 0

enum class TrackKind : uint8_t {
  Audio,    // 2352 bytes a block: 16-bit little-endian stereo at 44.1 kHz
  Mode1,    // 2048 bytes of user data a block; the device adds sync, header and error correction
  Mode2Raw  // whole 2352-byte sectors as they stand in the image (CD-ROM XA and the like)
};

// Bytes of one block as a track's source yields them and a device takes them.
constexpr uint32_t sectorBytes(TrackKind kind) { return kind == TrackKind::Mode1 ? kCookedSectorBytes : kRawSectorBytes; }
const char* trackKindName(TrackKind kind);  // "AUDIO", "MODE1/2048", "MODE2/2352"

// Where a track's blocks come from. open() starts a fresh pass over them (a burn, a
// trial pass, a verify): each pass yields exactly blocks() * sectorBytes(kind) bytes.
class TrackSource {
 public:
  virtual ~TrackSource() = default;
  virtual uint32_t blocks() const = 0;
  virtual std::unique_ptr<ByteSource> open() const = 0;
  virtual std::string describe() const = 0;  // the file, for messages
};

struct AudioFacts {  // what a music file told when it was opened
  uint64_t samples = 0;  // at 44.1 kHz, after resampling
  uint32_t rate = 0;     // the file's own rate
  uint8_t channels = 0;
};

struct LayoutTrack {
  TrackKind kind = TrackKind::Audio;
  bool copyPermitted = false;  // DCP
  bool preEmphasis = false;    // PRE
  uint32_t pauseBlocks = 2 * kBlocksPerSecond;  // silence before the track, written by the device
  uint32_t sourcePregapBlocks = 0;  // leading blocks of the source that are the pause (index 0)
  uint32_t postgapBlocks = 0;       // zeros after the track, still part of it
  std::vector<uint32_t> indexes;    // index 2, 3, ...: blocks after index 1
  std::string isrc;                 // 12 characters or empty
  std::string title, performer;     // CD-TEXT, UTF-8
  std::shared_ptr<const TrackSource> source;
  AudioFacts audio;                 // music files only

  uint32_t sourceBlocks() const { return source ? source->blocks() : 0; }
};

struct TrackLayout {
  std::string catalog;           // 13 digits or empty
  std::string title, performer;  // the album's CD-TEXT
  std::vector<LayoutTrack> tracks;

  bool hasCdText() const;
  // Where index 1 of track i (0-based) lies on the disc, and the lead-out.
  uint32_t startBlock(size_t i) const;
  uint32_t leadOutBlock() const;
};

}  // namespace discwright
