#include "layout/track_layout.h"

namespace discwright {

const char* trackKindName(TrackKind kind) {
  switch (kind) {
    case TrackKind::Audio: return "AUDIO";
    case TrackKind::Mode1: return "MODE1/2048";
    case TrackKind::Mode2Raw: return "MODE2/2352";
  }
  return "?";
}

bool TrackLayout::hasCdText() const {
  if (!title.empty() || !performer.empty()) return true;
  for (const LayoutTrack& t : tracks)
    if (!t.title.empty() || !t.performer.empty()) return true;
  return false;
}

uint32_t TrackLayout::startBlock(size_t i) const {
  uint32_t block = 0;
  for (size_t n = 0; n <= i && n < tracks.size(); ++n) {
    const LayoutTrack& t = tracks[n];
    const uint32_t pause = n == 0 ? (t.pauseBlocks > kLeadInPauseBlocks ? t.pauseBlocks - kLeadInPauseBlocks : 0)
                                  : t.pauseBlocks;
    block += pause + t.sourcePregapBlocks;
    if (n == i) break;
    block += t.sourceBlocks() - t.sourcePregapBlocks + t.postgapBlocks;
  }
  return block;
}

uint32_t TrackLayout::leadOutBlock() const {
  if (tracks.empty()) return 0;
  const LayoutTrack& last = tracks.back();
  return startBlock(tracks.size() - 1) + last.sourceBlocks() - last.sourcePregapBlocks + last.postgapBlocks;
}

}  // namespace discwright
