// How an emulated recorder lays a track layout onto a CD: where each track's pause, source
// blocks and postgap go, the one stream of bytes the burn pipeline carries for them, and
// where each byte of that stream lands in the medium file (a 2352-byte slot a block).
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "byte_source.h"
#include "layout/track_layout.h"

namespace discwright {

struct LayoutPlan {
  struct Track {
    TrackKind kind = TrackKind::Audio;
    uint32_t start = 0;         // first block on the disc: the readable part of its pause
    uint32_t zeroLead = 0;      // pause blocks the device writes (on the readable area)
    uint32_t sourcePregap = 0;  // pause blocks that come from the source
    uint32_t sourceBlocks = 0;
    uint32_t postgap = 0;
    uint64_t streamStart = 0;  // byte of the burn's stream where the track begins

    uint32_t blocks() const { return zeroLead + sourceBlocks + postgap; }
    uint64_t streamBytes() const { return uint64_t(blocks()) * sectorBytes(kind); }
  };
  std::vector<Track> tracks;
  uint64_t streamBytes = 0;
  uint32_t endBlock = 0;  // the lead-out

  static LayoutPlan of(const TrackLayout& layout);

  // The track that holds byte offset of the stream (tracks.size() past the end).
  size_t trackAt(uint64_t offset) const;
  // Blocks of track i that the first bytes of the stream reach into.
  uint32_t blocksReached(size_t i, uint64_t bytes) const;

  // Calls put(fileOffset, data, size) for each run of the stream's bytes [offset, offset +
  // size) that lies in one block; bytes past the stream's end (the pipeline's padding) go nowhere.
  template <class Put>
  void place(uint64_t offset, const uint8_t* data, size_t size, Put&& put) const {
    while (size > 0) {
      const size_t i = trackAt(offset);
      if (i >= tracks.size()) return;
      const Track& t = tracks[i];
      const uint32_t unit = sectorBytes(t.kind);
      const uint64_t within = offset - t.streamStart;
      const uint64_t inBlock = within % unit;
      const size_t n = size_t(std::min<uint64_t>(size, unit - inBlock));
      put((uint64_t(t.start) + within / unit) * kRawSectorBytes + inBlock, data, n);
      offset += n;
      data += n;
      size -= n;
    }
  }
};

// The bytes of the whole disc from block 0 to the lead-out, as the plan places them:
// pauses and postgaps as blank blocks of their track's kind, the sources between them.
// sources[i] yields track i's source blocks; they must outlive the stream.
std::unique_ptr<ByteSource> layoutStream(const LayoutPlan& plan, std::vector<std::unique_ptr<ByteSource>>& sources);

// The blank block of a kind that a recorder writes in pauses and postgaps: silence, a
// Mode 1 block of zeros, or a Mode 2 sector of zeros with its sync and header (lba
// placing its header), in sectorBytes(kind) bytes.
void blankBlock(TrackKind kind, uint32_t lba, uint8_t* out);

}  // namespace discwright
