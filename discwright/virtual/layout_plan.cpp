#include "virtual/layout_plan.h"

#include <algorithm>
#include <cstring>

#include "Discwright.h"
#include "error.h"

namespace discwright {

LayoutPlan LayoutPlan::of(const TrackLayout& layout) {
  LayoutPlan plan;
  uint32_t block = 0;
  uint64_t stream = 0;
  for (size_t i = 0; i < layout.tracks.size(); ++i) {
    const LayoutTrack& lt = layout.tracks[i];
    Track t;
    t.kind = lt.kind;
    t.start = block;
    // Track 1's first 150 pause blocks are the lead-in's: only what exceeds them is on the disc.
    t.zeroLead = i == 0 ? lt.pauseBlocks - std::min(lt.pauseBlocks, kLeadInPauseBlocks) : lt.pauseBlocks;
    t.sourcePregap = lt.sourcePregapBlocks;
    t.sourceBlocks = lt.sourceBlocks();
    t.postgap = lt.postgapBlocks;
    t.streamStart = stream;
    block += t.blocks();
    stream += t.streamBytes();
    plan.tracks.push_back(t);
  }
  plan.endBlock = block;
  plan.streamBytes = stream;
  return plan;
}

size_t LayoutPlan::trackAt(uint64_t offset) const {
  auto after = std::upper_bound(tracks.begin(), tracks.end(), offset,
                                [](uint64_t o, const Track& t) { return o < t.streamStart; });
  if (after == tracks.begin()) return tracks.size();
  const size_t i = size_t(after - tracks.begin()) - 1;
  return offset < tracks[i].streamStart + tracks[i].streamBytes() ? i : tracks.size();
}

uint32_t LayoutPlan::blocksReached(size_t i, uint64_t bytes) const {
  const Track& t = tracks[i];
  if (bytes <= t.streamStart) return 0;
  const uint64_t in = std::min(bytes - t.streamStart, t.streamBytes());
  const uint32_t unit = sectorBytes(t.kind);
  return uint32_t((in + unit - 1) / unit);
}

void blankBlock(TrackKind kind, uint32_t lba, uint8_t* out) {
  std::memset(out, 0, sectorBytes(kind));
  if (kind != TrackKind::Mode2Raw) return;
  // A drive's Mode 2 pause: sync, header, and zeros where the data would be.
  std::memset(out + 1, 0xFF, 10);
  const uint32_t a = lba + kLeadInPauseBlocks;
  auto bcd = [](uint32_t v) { return uint8_t((v / 10) << 4 | (v % 10)); };
  out[12] = bcd(a / (60 * 75));
  out[13] = bcd(a / 75 % 60);
  out[14] = bcd(a % 75);
  out[15] = 2;
}

namespace {

class LayoutStream : public ByteSource {
 public:
  LayoutStream(const LayoutPlan& plan, std::vector<std::unique_ptr<ByteSource>>& sources)
      : plan_(plan), sources_(sources) {}

  uint64_t size() const override { return plan_.streamBytes; }
  std::string describe() const override { return "track layout"; }

  size_t read(void* buf, size_t n) override {
    auto* out = static_cast<uint8_t*>(buf);
    size_t done = 0;
    while (done < n && at_ < plan_.streamBytes) {
      const size_t i = plan_.trackAt(at_);
      const LayoutPlan::Track& t = plan_.tracks[i];
      const uint32_t unit = sectorBytes(t.kind);
      const uint64_t within = at_ - t.streamStart;
      const uint64_t sourceFrom = uint64_t(t.zeroLead) * unit;
      const uint64_t sourceTo = sourceFrom + uint64_t(t.sourceBlocks) * unit;
      size_t got;
      if (within >= sourceFrom && within < sourceTo) {
        const size_t want = size_t(std::min<uint64_t>(n - done, sourceTo - within));
        got = sources_[i]->read(out + done, want);
        if (got == 0)
          throw DwError(DW_E_IO, "The source " + sources_[i]->describe() + " ended early: " +
                                     std::to_string(within - sourceFrom) + " of " +
                                     std::to_string(sourceTo - sourceFrom) + " bytes could be read",
                        senses::kReadError);
      } else {
        // A pause or postgap block: the device's own.
        const uint64_t inBlock = within % unit;
        const uint32_t lba = t.start + uint32_t(within / unit);
        uint8_t blank[kRawSectorBytes];
        blankBlock(t.kind, lba, blank);
        got = size_t(std::min<uint64_t>(n - done, unit - inBlock));
        std::memcpy(out + done, blank + inBlock, got);
      }
      done += got;
      at_ += got;
    }
    return done;
  }

 private:
  const LayoutPlan& plan_;
  std::vector<std::unique_ptr<ByteSource>>& sources_;
  uint64_t at_ = 0;
};

}  // namespace

std::unique_ptr<ByteSource> layoutStream(const LayoutPlan& plan, std::vector<std::unique_ptr<ByteSource>>& sources) {
  return std::make_unique<LayoutStream>(plan, sources);
}

}  // namespace discwright
