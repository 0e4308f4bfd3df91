// The emulated recorder's audio CDs and mixed discs: what it refuses before a layout
// burn, what the disc holds after it, and the whole-sector reads and facts of a CD.
#include <cstdio>
#include <cstring>
#include <vector>

#include "layout/cd_sector.h"
#include "virtual/virtual_recorder.h"

namespace discwright {

namespace {

bool isWritableCd(uint8_t t) { return t == DISC_TYPE_CDR || t == DISC_TYPE_CDRW; }

bool isCd(uint8_t t) {
  return t == DISC_TYPE_CDROM || t == DISC_TYPE_CDR || t == DISC_TYPE_CDRW || t == DISC_TYPE_DDCDROM ||
         t == DISC_TYPE_DDCDR || t == DISC_TYPE_DDCDRW;
}

std::string playingTime(uint64_t blocks) {
  char text[32];
  std::snprintf(text, sizeof text, "%u:%02u", unsigned(blocks / kBlocksPerSecond / 60),
                unsigned(blocks / kBlocksPerSecond % 60));
  return text;
}

std::string seconds(uint32_t blocks) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", double(blocks) / kBlocksPerSecond);
  return text;
}

const char* noun(const TrackLayout& layout) {
  for (const LayoutTrack& t : layout.tracks)
    if (t.kind != TrackKind::Audio) return "A disc of CD tracks";
  return "An audio CD";
}

}  // namespace

void VirtualRecorder::checkLayoutWritable(const BurnJob& job, const MediumLayout& m) const {
  const TrackLayout& layout = *job.layout;
  if (!config_.formats[DW_FMT_WRITE])
    throw DwError(DW_E_NOT_SUPPORTED, "This device cannot write discs", senses::kInvalidCommand);
  if (!isWritableCd(m.discType))
    throw DwError(DW_E_NOT_SUPPORTED,
                  isRecordableKind(m.discType)
                      ? std::string(noun(layout)) + " needs a CD: the disc in " + config_.name + " is a " +
                            discTypeText(m.discType)
                      : std::string("A ") + discTypeText(m.discType) + " cannot be written",
                  senses::kIncompatibleMedium);
  if ((job.mode != WriteMode::Sao && job.mode != WriteMode::Tao) || !config_.writeModes[size_t(job.mode)])
    throw DwError(DW_E_NOT_SUPPORTED,
                  std::string("This recorder does not support ") + writeModeName(job.mode) + " writing",
                  senses::kInvalidField);
  if (job.testWrite && !config_.formats[DW_FMT_TEST_WRITE])
    throw DwError(DW_E_NOT_SUPPORTED, "This recorder cannot simulate a burn (test write)", senses::kInvalidField);
  if (layout.tracks.empty()) throw DwError(DW_E_INVALID_ARGUMENT, "There is no track to write", senses::kInvalidField);
  if (layout.tracks.size() > 99) throw DwError(DW_E_OUT_OF_SPACE, "A CD holds at most 99 tracks", senses::kInvalidField);
  if (job.tracks.size() != layout.tracks.size())
    throw DwError(DW_E_INTERNAL, "The burn has " + std::to_string(job.tracks.size()) + " sources for " +
                                     std::to_string(layout.tracks.size()) + " tracks");
  for (size_t i = 0; i < layout.tracks.size(); ++i) {
    const LayoutTrack& t = layout.tracks[i];
    const std::string track = "Track " + std::to_string(i + 1);
    if (t.sourceBlocks() <= t.sourcePregapBlocks)
      throw DwError(DW_E_INVALID_ARGUMENT, track + " (" + job.tracks[i]->describe() +
                                               ") has no block after its pause: a track needs at least one",
                    senses::kInvalidField);
    if (job.tracks[i]->size() != uint64_t(t.sourceBlocks()) * sectorBytes(t.kind))
      throw DwError(DW_E_INVALID_ARGUMENT, track + ": " + job.tracks[i]->describe() + " yields " +
                                               std::to_string(job.tracks[i]->size()) + " bytes, not the " +
                                               std::to_string(t.sourceBlocks()) + " blocks laid out",
                    senses::kInvalidField);
  }
  if (job.mode == WriteMode::Tao) {
    // The drive writes each track on its own, with its standard pause before it and
    // nothing in the lead-in but the table of contents.
    if (!job.cdText.empty())
      throw DwError(DW_E_NOT_SUPPORTED, "Track-at-once writes no CD-TEXT: burn session-at-once",
                    senses::kInvalidField);
    for (size_t i = 0; i < layout.tracks.size(); ++i) {
      const LayoutTrack& t = layout.tracks[i];
      const std::string track = "track " + std::to_string(i + 1);
      if (t.pauseBlocks != 2 * kBlocksPerSecond || t.sourcePregapBlocks != 0)
        throw DwError(DW_E_NOT_SUPPORTED,
                      "Track-at-once writes a pause of 2 s before every track, but " + track + " has one of " +
                          seconds(t.pauseBlocks + t.sourcePregapBlocks) + ": burn session-at-once",
                      senses::kInvalidField);
      if (t.postgapBlocks != 0)
        throw DwError(DW_E_NOT_SUPPORTED,
                      "Track-at-once writes no postgap, but " + track + " has one of " + seconds(t.postgapBlocks) +
                          ": burn session-at-once",
                      senses::kInvalidField);
    }
  }
  if (!m.blank())
    throw DwError(DW_E_MEDIUM_NOT_BLANK,
                  std::string("Medium is not blank: ") + noun(layout) + " is written on a blank disc" +
                      (isBlankableKind(m.discType) ? "; erase the CD-RW first" : ""),
                  senses::kIncompatibleMedium);
  const uint64_t end = layout.leadOutBlock();
  if (end > m.capacityBlocks)
    throw DwError(DW_E_OUT_OF_SPACE,
                  "The tracks do not fit: they last " + playingTime(end) + " (minutes:seconds), the " +
                      discTypeText(m.discType) + " holds " + playingTime(m.capacityBlocks),
                  sense(0x05, 0x21, 0x00));
}

void VirtualRecorder::recordLayoutBurn(const BurnJob& job, const LayoutPlan& plan, uint64_t bytesWritten,
                                       bool complete) {
  std::lock_guard lock(mutex_);
  burning_ = false;
  if (job.testWrite || !medium_) return;
  MediumLayout& m = *medium_;  // also when it was taken out: what is on it stays on it
  const TrackLayout& layout = *job.layout;
  CdRecord cd;
  cd.catalog = layout.catalog;
  if (job.mode == WriteMode::Sao) cd.cdText = job.cdText;
  for (size_t i = 0; i < plan.tracks.size(); ++i) {
    const uint32_t blocks = plan.blocksReached(i, bytesWritten);
    if (blocks == 0) break;
    const LayoutPlan::Track& p = plan.tracks[i];
    const LayoutTrack& t = layout.tracks[i];
    m.tracks.push_back({p.start, blocks, 1, !complete && blocks < p.blocks()});
    CdTrackRecord r;
    r.kind = t.kind;
    r.copyPermitted = t.copyPermitted;
    r.preEmphasis = t.preEmphasis;
    r.pause = (i == 0 ? std::max(t.pauseBlocks, kLeadInPauseBlocks) : t.pauseBlocks) + t.sourcePregapBlocks;
    r.leadBlocks = std::min(blocks, p.zeroLead + p.sourcePregap);
    r.postgap = t.postgapBlocks;
    r.isrc = t.isrc;
    cd.tracks.push_back(std::move(r));
  }
  if (!m.tracks.empty()) {
    m.cd = std::move(cd);
    if (complete) {
      m.closedSessions = 1;
      m.sessionOpen = false;
      m.finalized = true;
    } else {
      // A burn that broke off leaves an unfinished session, as on a real disc.
      m.tracks.back().damaged = true;
      m.sessionOpen = true;
      m.openSessionMulti = false;
    }
  }
  store_.save(m);  // also ends the recorded write
}

void VirtualRecorder::readLayoutSectors(const MediumLayout& m, uint32_t lba, uint32_t count, uint8_t* buffer) {
  uint8_t raw[kRawSectorBytes];
  size_t track = 0;
  for (uint32_t n = 0; n < count; ++n) {
    const uint32_t block = lba + n;
    while (m.tracks[track].end() <= block) ++track;
    uint8_t* out = buffer + size_t(n) * DISCWRIGHT_SECTOR_SIZE;
    switch (m.cd->tracks[track].kind) {
      case TrackKind::Audio:
        // As a drive answers a data read there: audio has no 2048-byte blocks.
        throw DwError(DW_E_IO, "Cannot read block " + std::to_string(block) + ": block " + std::to_string(block) +
                                   " is audio (track " + std::to_string(track + 1) + "); read it whole",
                      sense(0x05, 0x64, 0x00));
      case TrackKind::Mode1:
        store_.read(uint64_t(block) * kRawSectorBytes, out, DISCWRIGHT_SECTOR_SIZE);
        break;
      case TrackKind::Mode2Raw:
        // The user data of a Mode 2 Form 1 sector, after its header and subheader.
        store_.read(uint64_t(block) * kRawSectorBytes, raw, kRawSectorBytes);
        std::memcpy(out, raw + 24, DISCWRIGHT_SECTOR_SIZE);
        break;
    }
  }
}

void VirtualRecorder::readRawSectors(uint32_t lba, uint32_t count, void* buffer) {
  std::lock_guard lock(mutex_);
  const MediumLayout& m = accessibleMedium();
  if (!isCd(m.discType))
    throw DwError(DW_E_NOT_SUPPORTED, std::string("Whole sectors are read from CDs only: the disc in ") +
                                          config_.name + " is a " + discTypeText(m.discType),
                  senses::kIncompatibleMedium);
  checkRecorded(m, lba, count);
  auto* out = static_cast<uint8_t*>(buffer);
  size_t track = 0;
  for (uint32_t n = 0; n < count; ++n, out += kRawSectorBytes) {
    const uint32_t block = lba + n;
    while (m.tracks[track].end() <= block) ++track;
    // Data discs of the track-by-track burns hold 2048-byte blocks, every one Mode 1.
    const TrackKind kind = m.cd ? m.cd->tracks[track].kind : TrackKind::Mode1;
    const uint64_t at = uint64_t(block) * (m.cd ? kRawSectorBytes : DISCWRIGHT_SECTOR_SIZE);
    if (kind == TrackKind::Mode1) {
      store_.read(at, out + 16, DISCWRIGHT_SECTOR_SIZE);
      encodeMode1Sector(block, out + 16, out);
    } else {
      store_.read(at, out, kRawSectorBytes);
    }
  }
}

CdFacts VirtualRecorder::cdFacts() {
  std::lock_guard lock(mutex_);
  const MediumLayout& m = accessibleMedium();
  CdFacts facts;
  if (!isCd(m.discType)) return facts;
  if (!m.cd) {
    // A data CD: the lead-in's 2 s before track 1, the tracks one after the other.
    for (size_t i = 0; i < m.tracks.size(); ++i) {
      facts.pauses.push_back(i == 0 ? kLeadInPauseBlocks : 0);
      facts.isrcs.emplace_back();
    }
    return facts;
  }
  facts.cdText = m.cd->cdText;
  facts.catalog = m.cd->catalog;
  for (const CdTrackRecord& t : m.cd->tracks) {
    facts.pauses.push_back(t.pause);
    facts.isrcs.push_back(t.isrc);
  }
  return facts;
}

}  // namespace discwright
