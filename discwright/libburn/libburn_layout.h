// A track layout as libburn writes it onto a CD: what a drive would refuse once the
// disc is touched, refused before; and what each of libburn's tracks is told.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "device.h"
#include "layout/track_layout.h"

namespace burn {
struct burn_track;
}  // namespace burn

namespace discwright {

// The least a CD track holds: libburn pads a shorter one, which would move every later track.
constexpr uint32_t kMinTrackBlocks = 4 * kBlocksPerSecond;

// Throws DwError for what job (its layout, mode and CD-TEXT) cannot put on a CD through
// libburn; asks no drive.
void checkLayoutJob(const BurnJob& job);

struct LayoutTrackPlan {
  int mode = 0;     // BURN_AUDIO or BURN_MODE1, with BURN_COPY and BURN_PREEMPHASIS
  int pregap = -1;  // silence libburn writes before the source (session-at-once); -1: none
  int postgap = -1;  // zeros after the source (session-at-once); -1: none
  // {index number, block from the source's first}; empty: libburn's own (index 1 at 0).
  std::vector<std::pair<int, uint32_t>> indexes;
  std::string isrc;  // 12 characters or empty
};

// What each track of layout is told, burned in mode (checked by checkLayoutJob before).
std::vector<LayoutTrackPlan> planLayout(const TrackLayout& layout, WriteMode mode);

// Tells a libburn track its mode, gaps, indexes and ISRC (not its source).
void defineLayoutTrack(burn::burn_track* track, const LayoutTrackPlan& plan);

}  // namespace discwright
