// The recorded layout of a medium, and the records the library hands out for it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Discwright.h"
#include "layout/track_layout.h"

namespace discwright {

struct TrackExtent {
  uint32_t start = 0;   // first block
  uint32_t blocks = 0;  // length in 2048-byte blocks
  uint16_t session = 1;
  bool damaged = false;  // the write broke off inside it
  uint32_t end() const { return start + blocks; }
};

// A CD burned from a track layout (audio CDs, mixed discs). Its blocks lie in the medium
// file as whole 2352-byte slots: audio and Mode 2 sectors as written, Mode 1 blocks as
// their 2048 bytes of user data. Each track's extent runs from the start of its pause
// to the start of the next track's pause, so the extents still cover the disc.
struct CdTrackRecord {
  TrackKind kind = TrackKind::Audio;
  bool copyPermitted = false;
  bool preEmphasis = false;
  uint32_t pause = 0;      // blocks before index 1 (index 0), track 1's 150 before block 0 included
  uint32_t leadBlocks = 0; // of them, on the readable area: index 1 lies this far into the extent
  uint32_t postgap = 0;
  std::string isrc;

  // The control nibble of the table of contents: 4 data, 2 copy permitted, 1 pre-emphasis.
  uint8_t control() const {
    return uint8_t((kind == TrackKind::Audio ? 0 : 4) | (copyPermitted ? 2 : 0) | (preEmphasis ? 1 : 0));
  }
};

struct CdRecord {
  std::vector<CdTrackRecord> tracks;  // one per track of the medium
  std::string catalog;
  std::vector<uint8_t> cdText;        // 18-byte packs of the lead-in
};

// The blocks a closed session leaves unwritable after its last track on CD
// kinds: its lead-out and the next session's lead-in (11400 after the first
// session, 6900 after later ones); DVD and BD kinds have none.
uint32_t sessionGap(uint8_t discType, uint16_t closedSession);

struct MediumLayout {
  uint8_t discType = DISC_TYPE_CDR;
  uint32_t capacityBlocks = 0;
  std::vector<TrackExtent> tracks;
  uint16_t closedSessions = 0;
  bool sessionOpen = false;       // tracks written, session not closed yet
  bool openSessionMulti = false;  // the open session allows a further one after it
  bool finalized = false;         // nothing more can be written
  // Overwritable kinds: the end of the ISO 9660 volume whose descriptors are at block 16
  // (0 when there is none). Such a disc has no sessions, yet grows as if appendable.
  uint32_t volumeEnd = 0;
  std::optional<CdRecord> cd;  // written from a track layout

  // Where index 1 of track i (0-based) lies.
  uint32_t indexOne(size_t i) const { return tracks[i].start + (cd ? cd->tracks[i].leadBlocks : 0); }

  // An overwritable disc holding a volume: files are added after it, and its descriptors
  // at block 16 are replaced last.
  bool grows() const;

  // The block after the last recorded one.
  uint32_t recordedEnd() const { return tracks.empty() ? 0 : tracks.back().end(); }
  // Past the gap of a closed session, so that it differs from recordedEnd() as on a real CD.
  uint32_t nextWritable() const;
  // Up to where the next session starts: the gap is spent too.
  uint32_t usedBlocks() const { return nextWritable(); }
  uint32_t freeBlocks() const {
    return finalized && !grows() ? 0 : capacityBlocks - std::min(capacityBlocks, nextWritable());
  }
  // Whether every block from lba on, count of them, lies in a track (a gap or the blank rest does not).
  bool recorded(uint32_t lba, uint32_t count) const;
  bool blank() const { return tracks.empty() && !sessionOpen && !finalized; }
  uint8_t discStatus() const;
  uint8_t lastSessionStatus() const;
  uint16_t sessionCount() const { return uint16_t(closedSessions + (sessionOpen ? 1 : 0)); }
};

bool isErasableKind(uint8_t discType);
// Kinds written at any block, without sessions: DVD+RW, DVD-RAM, DVD-RW (restricted
// overwrite), BD-RE.
bool isOverwritableKind(uint8_t discType);
// The first block after a volume of volumeEnd blocks where a further one may go on an
// overwritable disc: the next multiple of 32 blocks (one DVD ECC block is 16).
constexpr uint32_t growthStart(uint32_t volumeEnd) { return uint32_t((uint64_t(volumeEnd) + 31) / 32 * 32); }
// Kinds the erase call takes: CD-RW, DVD-RW (both recording modes), DVD+RW, BD-RE.
bool isBlankableKind(uint8_t discType);
// Kinds that a recorder can write at all (not the pressed ROM kinds).
bool isRecordableKind(uint8_t discType);

DiscwrightDiscInformation makeDiscInformation(const MediumLayout& medium);
DiscwrightTrackInformation makeTrackInformation(const MediumLayout& medium, uint8_t trackNumber);
DiscwrightTocInformation makeToc(const MediumLayout& medium);

}  // namespace discwright
