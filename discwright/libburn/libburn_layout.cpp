#include "libburn/libburn_layout.h"

#include <libburn/libburn.h>

#include <algorithm>
#include <cstring>

#include "error.h"

namespace discwright {

namespace {

std::string trackName(size_t i) { return "Track " + std::to_string(i + 1); }

}  // namespace

void checkLayoutJob(const BurnJob& job) {
  const TrackLayout& layout = *job.layout;
  if (job.mode != WriteMode::Tao && job.mode != WriteMode::Sao)
    throw DwError(DW_E_INVALID_ARGUMENT, "A track layout is burned session-at-once or track-at-once");
  if (layout.tracks.empty() || layout.tracks.size() != job.tracks.size())
    throw DwError(DW_E_INVALID_ARGUMENT, "The layout's tracks and the burn's sources do not match");
  if (layout.tracks.size() > 99) throw DwError(DW_E_INVALID_ARGUMENT, "A CD holds at most 99 tracks");
  if (job.cdText.size() % 18)
    throw DwError(DW_E_INVALID_ARGUMENT, "CD-TEXT comes in packs of 18 bytes");
  bool audio = false, data = false;
  for (size_t i = 0; i < layout.tracks.size(); ++i) {
    const LayoutTrack& t = layout.tracks[i];
    if (t.kind == TrackKind::Mode2Raw)
      throw DwError(DW_E_NOT_SUPPORTED, "MODE2/2352 tracks cannot be written to a drive by this build");
    (t.kind == TrackKind::Audio ? audio : data) = true;
    if (t.sourceBlocks() < kMinTrackBlocks)
      throw DwError(DW_E_INVALID_ARGUMENT, trackName(i) + " lasts " + std::to_string(t.sourceBlocks()) +
                                               " blocks, less than the 4 seconds (300 blocks) a CD track holds "
                                               "at least: make it longer or join it with another");
  }
  if (job.mode == WriteMode::Tao) {
    if (!job.cdText.empty())
      throw DwError(DW_E_NOT_SUPPORTED, "Track-at-once writes no CD-TEXT: burn session-at-once");
    for (size_t i = 0; i < layout.tracks.size(); ++i) {
      const LayoutTrack& t = layout.tracks[i];
      // Track 1's pause lies before block 0 whatever it is asked; the drive writes 2 s there.
      const bool twoSeconds = i == 0 ? t.pauseBlocks <= kLeadInPauseBlocks : t.pauseBlocks == kLeadInPauseBlocks;
      if (!twoSeconds || t.sourcePregapBlocks || t.postgapBlocks)
        throw DwError(DW_E_NOT_SUPPORTED, "Track-at-once writes pauses of 2 seconds only: burn session-at-once");
      if (!t.indexes.empty())
        throw DwError(DW_E_NOT_SUPPORTED, "Track-at-once writes no index marks: burn session-at-once");
    }
    return;
  }
  // libburn's session-at-once keeps to one kind of track, and CD-TEXT to audio.
  if (audio && data)
    throw DwError(DW_E_NOT_SUPPORTED,
                  "A drive writes audio and data tracks on one disc track-at-once only: burn track-at-once");
  if (data && !job.cdText.empty())
    throw DwError(DW_E_NOT_SUPPORTED, "CD-TEXT is written on discs of audio tracks only");
}

std::vector<LayoutTrackPlan> planLayout(const TrackLayout& layout, WriteMode mode) {
  std::vector<LayoutTrackPlan> plans;
  const bool sao = mode != WriteMode::Tao;
  for (size_t i = 0; i < layout.tracks.size(); ++i) {
    const LayoutTrack& t = layout.tracks[i];
    LayoutTrackPlan p;
    p.mode = t.kind == TrackKind::Audio ? BURN_AUDIO : BURN_MODE1;
    if (t.copyPermitted) p.mode |= BURN_COPY;
    if (t.preEmphasis && t.kind == TrackKind::Audio) p.mode |= BURN_PREEMPHASIS;
    p.isrc = t.isrc;
    if (sao) {
      // libburn gives track 1 its 150 blocks before block 0 itself; more are asked for.
      if (i == 0 ? t.pauseBlocks > kLeadInPauseBlocks : t.pauseBlocks > 0) p.pregap = int(t.pauseBlocks);
      if (t.postgapBlocks) p.postgap = int(t.postgapBlocks);
      if (t.sourcePregapBlocks || !t.indexes.empty()) {
        if (t.sourcePregapBlocks) p.indexes.push_back({0, 0});
        p.indexes.push_back({1, t.sourcePregapBlocks});
        int number = 2;
        for (uint32_t at : t.indexes) p.indexes.push_back({number++, t.sourcePregapBlocks + at});
      }
    }
    plans.push_back(std::move(p));
  }
  return plans;
}

void defineLayoutTrack(burn::burn_track* track, const LayoutTrackPlan& plan) {
  using namespace burn;
  burn_track_define_data(track, 0, 0, 1, plan.mode);
  // Our samples are little-endian, as libburn sends audio to the drive.
  burn_track_set_byte_swap(track, 0);
  if (plan.pregap >= 0) burn_track_set_pregap_size(track, plan.pregap, 0);
  if (plan.postgap >= 0) burn_track_set_postgap_size(track, plan.postgap, 0);
  for (auto [number, block] : plan.indexes)
    if (burn_track_set_index(track, number, block, 0) <= 0)
      throw DwError(DW_E_INVALID_ARGUMENT, "Index " + std::to_string(number) + " cannot be written");
  if (!plan.isrc.empty()) {
    char isrc[13] = {};
    std::memcpy(isrc, plan.isrc.data(), std::min<size_t>(12, plan.isrc.size()));
    if (burn_track_set_isrc_string(track, isrc, 0) <= 0)
      throw DwError(DW_E_INVALID_ARGUMENT, "\"" + plan.isrc + "\" is no ISRC: 5 letters or digits, then 7 digits");
  }
}

}  // namespace discwright
