#include "media_records.h"

#include <cstring>

namespace discwright {

uint32_t sessionGap(uint8_t t, uint16_t closedSession) {
  bool cd = t == DISC_TYPE_CDROM || t == DISC_TYPE_CDR || t == DISC_TYPE_CDRW || t == DISC_TYPE_DDCDROM ||
            t == DISC_TYPE_DDCDR || t == DISC_TYPE_DDCDRW;
  if (!cd || closedSession == 0) return 0;
  return closedSession == 1 ? 11400 : 6900;
}

bool MediumLayout::grows() const { return isOverwritableKind(discType) && volumeEnd > 0 && !sessionOpen; }

uint32_t MediumLayout::nextWritable() const {
  if (grows()) return growthStart(volumeEnd);
  uint32_t end = recordedEnd();
  if (tracks.empty() || sessionOpen || finalized) return end;
  uint64_t next = uint64_t(end) + sessionGap(discType, closedSessions);
  return uint32_t(std::min<uint64_t>(next, UINT32_MAX));
}

bool MediumLayout::recorded(uint32_t lba, uint32_t count) const {
  uint64_t at = lba;
  const uint64_t until = uint64_t(lba) + count;
  for (const TrackExtent& t : tracks)
    if (at < until && t.start <= at && at < t.end()) at = t.end();
  return at >= until;
}

uint8_t MediumLayout::discStatus() const {
  if (blank()) return DW_DISC_BLANK;
  // As the field's tools show such a disc: the volume can take more files.
  if (grows()) return DW_DISC_APPENDABLE;
  return finalized ? DW_DISC_COMPLETE : DW_DISC_APPENDABLE;
}

uint8_t MediumLayout::lastSessionStatus() const {
  if (blank()) return DW_SESSION_EMPTY;
  return sessionOpen ? DW_SESSION_INCOMPLETE : DW_SESSION_COMPLETE;
}

bool isErasableKind(uint8_t t) {
  return t == DISC_TYPE_CDRW || t == DISC_TYPE_DVDRAM || t == DISC_TYPE_DVDRWRO || t == DISC_TYPE_DVDRWSR ||
         t == DISC_TYPE_DVDPLUSRW || t == DISC_TYPE_DDCDRW || t == DISC_TYPE_BDRE || t == DISC_TYPE_HDDVDRW;
}

bool isOverwritableKind(uint8_t t) {
  return t == DISC_TYPE_DVDPLUSRW || t == DISC_TYPE_DVDRAM || t == DISC_TYPE_DVDRWRO || t == DISC_TYPE_BDRE;
}

bool isBlankableKind(uint8_t t) {
  return t == DISC_TYPE_CDRW || t == DISC_TYPE_DVDRWRO || t == DISC_TYPE_DVDRWSR || t == DISC_TYPE_DVDPLUSRW ||
         t == DISC_TYPE_BDRE;
}

bool isRecordableKind(uint8_t t) {
  return t != DISC_TYPE_CDROM && t != DISC_TYPE_DVDROM && t != DISC_TYPE_DDCDROM && t != DISC_TYPE_HDDVDROM &&
         t != DISC_TYPE_NO_MEDIA;
}

DiscwrightDiscInformation makeDiscInformation(const MediumLayout& m) {
  DiscwrightDiscInformation info{};
  info.Valid = 1;
  info.DiscStatus = m.discStatus();
  info.LastSessionStatus = m.lastSessionStatus();
  info.Erasable = isErasableKind(m.discType) ? 1 : 0;
  info.Sessions = m.sessionCount();
  uint16_t last = uint16_t(m.tracks.size());
  uint16_t firstOfLast = last;
  while (firstOfLast > 1 && m.tracks[firstOfLast - 2].session == m.tracks[last - 1].session) --firstOfLast;
  // On a disc that can take more, the next (invisible) track belongs to the last session too.
  bool writable = !m.finalized || m.grows();
  // A closed disc has no empty session after its last one.
  info.FirstTrackLastSession = m.tracks.empty() ? 1 : (m.sessionOpen || !writable ? firstOfLast : uint16_t(last + 1));
  info.LastTrackLastSession = uint16_t(writable ? last + 1 : last);
  info.DiscType = m.discType;
  info.CapacityBlocks = m.capacityBlocks;
  info.UsedBlocks = m.usedBlocks();
  info.FreeBlocks = m.freeBlocks();
  info.LastSessionStart = m.tracks.empty() || m.grows() ? 0 : m.tracks[firstOfLast - 1].start;
  info.NextWritable = writable ? m.nextWritable() : 0;
  info.Tracks = uint8_t(std::min<size_t>(m.tracks.size(), 255));
  return info;
}

DiscwrightTrackInformation makeTrackInformation(const MediumLayout& m, uint8_t trackNumber) {
  DiscwrightTrackInformation info{};
  size_t count = m.tracks.size();
  if (trackNumber == DISCWRIGHT_TRACK_INVISIBLE || trackNumber == count + 1) {
    // The invisible track: where the next write would go.
    info.Valid = 1;
    info.TrackNumber = uint8_t(std::min<size_t>(count + 1, 254));
    info.SessionNumber = uint8_t(m.sessionCount() + (m.sessionOpen ? 0 : 1));
    info.TrackMode = 4;
    info.DataMode = 1;
    if ((!m.finalized || m.grows()) && m.freeBlocks() > 0) {
      info.Blank = 1;
      info.NextWritableValid = 1;
      info.StartBlock = m.nextWritable();
      info.NextWritable = m.nextWritable();
      info.FreeBlocks = m.freeBlocks();
      info.SizeBlocks = m.freeBlocks();
    }
    return info;
  }
  if (trackNumber == 0 || trackNumber > count) return info;  // Valid stays 0
  const TrackExtent& t = m.tracks[trackNumber - 1];
  info.Valid = 1;
  info.TrackNumber = trackNumber;
  info.SessionNumber = uint8_t(t.session);
  info.TrackMode = 4;
  info.DataMode = 1;
  info.Damaged = t.damaged ? 1 : 0;
  info.StartBlock = t.start;
  info.SizeBlocks = t.blocks;
  if (m.cd) {
    // As the table of contents tells it: from index 1 to the next track's index 1.
    const CdTrackRecord& c = m.cd->tracks[trackNumber - 1];
    info.TrackMode = c.control();
    info.DataMode = c.kind == TrackKind::Audio ? 0 : c.kind == TrackKind::Mode1 ? 1 : 2;
    info.Copy = c.copyPermitted ? 1 : 0;
    info.StartBlock = m.indexOne(trackNumber - 1);
    info.SizeBlocks = (trackNumber < count ? m.indexOne(trackNumber) : m.recordedEnd()) - info.StartBlock;
  }
  return info;
}

DiscwrightTocInformation makeToc(const MediumLayout& m) {
  DiscwrightTocInformation toc{};
  if (m.tracks.empty()) return toc;
  toc.Valid = 1;
  toc.FirstTrack = 1;
  toc.LastTrack = uint8_t(std::min<size_t>(m.tracks.size(), DISCWRIGHT_TOC_ENTRIES));
  toc.Sessions = uint8_t(m.sessionCount());
  toc.LeadOutBlock = m.recordedEnd();
  for (size_t i = 0; i < m.tracks.size() && i < DISCWRIGHT_TOC_ENTRIES; ++i) {
    auto& e = toc.Entries[i];
    e.TrackNumber = uint8_t(i + 1);
    e.SessionNumber = uint8_t(m.tracks[i].session);
    e.Control = 4;
    e.Mode = 1;
    e.StartBlock = m.tracks[i].start;
    e.SizeBlocks = m.tracks[i].blocks;
    if (m.cd) {
      const CdTrackRecord& c = m.cd->tracks[i];
      e.Control = c.control();
      e.Mode = c.kind == TrackKind::Audio ? 0 : c.kind == TrackKind::Mode1 ? 1 : 2;
      e.StartBlock = m.indexOne(i);
      e.SizeBlocks = (i + 1 < m.tracks.size() ? m.indexOne(i + 1) : m.recordedEnd()) - e.StartBlock;
    }
  }
  return toc;
}

}  // namespace discwright
