// A written CD read back through the Device interface alone, so that every backend verifies
// and saves discs alike: compared with its layout (audio under the drive's read offset),
// or saved as a raw image with its cue sheet.
#include "layout/layout_disc.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "layout/cd_text.h"
#include "layout/cue_sheet.h"
#include "platform/platform.h"

namespace discwright {

namespace {

constexpr uint32_t kChunkBlocks = 32;
constexpr uint32_t kWindowSamples = 8 * kSamplesPerBlock;  // what the offset search compares
constexpr uint32_t kBytesPerSample = 4;

void checkCancel(BurnObserver& observer, const char* what) {
  if (observer.cancelled()) throw DwError(DW_E_CANCELLED, std::string("The ") + what + " was cancelled");
}

// Where a track lies on the disc: its pause (written by the device), the source's blocks
// (index 1 at indexOne), its postgap.
struct Region {
  uint32_t start = 0, sourceStart = 0, indexOne = 0, sourceEnd = 0, end = 0;
};

Region regionOf(const TrackLayout& layout, size_t i) {
  const LayoutTrack& t = layout.tracks[i];
  Region r;
  r.indexOne = layout.startBlock(i);
  r.sourceStart = r.indexOne - t.sourcePregapBlocks;
  const uint32_t pause = i == 0 ? (t.pauseBlocks > kLeadInPauseBlocks ? t.pauseBlocks - kLeadInPauseBlocks : 0)
                                : t.pauseBlocks;
  r.start = r.sourceStart - pause;
  r.sourceEnd = r.sourceStart + t.sourceBlocks();
  r.end = r.sourceEnd + t.postgapBlocks;
  return r;
}

// The bytes a track's blocks should hold from `from` on: silence or zeros for the pause and
// postgap, the source between.
class Expected {
 public:
  Expected(const LayoutTrack& t, const Region& r, uint32_t from) : t_(t), r_(r), block_(from), bpb_(sectorBytes(t.kind)) {
    if (from < r.sourceEnd) source_ = t.source->open();
    // Blocks of the source before `from` are read and dropped (sources only stream).
    std::vector<uint8_t> skip(size_t(kChunkBlocks) * bpb_);
    for (uint32_t b = r.sourceStart; source_ && b < from;) {
      const uint32_t k = std::min(kChunkBlocks, from - b);
      pull(skip.data(), k);
      b += k;
    }
  }

  // The next count blocks.
  void next(uint8_t* out, uint32_t count) {
    for (uint32_t n = 0; n < count; ++n, ++block_) {
      uint8_t* at = out + size_t(n) * bpb_;
      if (block_ >= r_.sourceStart && block_ < r_.sourceEnd) pull(at, 1);
      else std::memset(at, 0, bpb_);
    }
  }

 private:
  void pull(uint8_t* out, uint32_t blocks) {
    const size_t want = size_t(blocks) * bpb_;
    size_t got = 0;
    while (got < want) {
      const size_t n = source_->read(out + got, want - got);
      if (n == 0) throw DwError(DW_E_FILE, t_.source->describe() + " ended before its last block: it changed since it was added");
      got += n;
    }
  }

  const LayoutTrack& t_;
  Region r_;
  uint32_t block_;
  uint32_t bpb_;
  std::unique_ptr<ByteSource> source_;
};

// Audio tracks next to each other form a run that shifted reads may cross.
std::pair<uint32_t, uint32_t> audioRun(const TrackLayout& layout, size_t i) {
  size_t a = i, b = i;
  while (a > 0 && layout.tracks[a - 1].kind == TrackKind::Audio) --a;
  while (b + 1 < layout.tracks.size() && layout.tracks[b + 1].kind == TrackKind::Audio) ++b;
  return {regionOf(layout, a).start, regionOf(layout, b).end};
}

// The shift s of the drive's audio reads: what it returns at sample p was written at p + s.
// A window of sound from the first audio track that has some is looked for among the disc's
// samples within max of where it belongs.
int32_t findOffset(Device& device, const TrackLayout& layout, uint32_t max, uint32_t discEnd) {
  for (size_t i = 0; i < layout.tracks.size(); ++i) {
    const LayoutTrack& t = layout.tracks[i];
    if (t.kind != TrackKind::Audio) continue;
    const Region r = regionOf(layout, i);
    const auto [runLo, runHi] = audioRun(layout, i);
    const int64_t lo = int64_t(runLo) * kSamplesPerBlock + max;  // a window must lie this far inside
    const int64_t hi = int64_t(std::min(runHi, discEnd)) * kSamplesPerBlock - max;
    // The first sound in the source where the window and its shifts can be read.
    auto stream = t.source->open();
    std::vector<uint8_t> block(kRawSectorBytes);
    std::vector<uint32_t> window;
    int64_t at = int64_t(r.sourceStart) * kSamplesPerBlock;  // disc sample of the next source sample
    int64_t windowAt = 0;
    for (uint32_t b = 0; b < t.sourceBlocks() && window.size() < kWindowSamples; ++b) {
      size_t got = 0;
      while (got < block.size()) {
        const size_t n = stream->read(block.data() + got, block.size() - got);
        if (n == 0) break;
        got += n;
      }
      if (got < block.size()) break;
      for (uint32_t s = 0; s < kSamplesPerBlock && window.size() < kWindowSamples; ++s, ++at) {
        uint32_t sample;
        std::memcpy(&sample, block.data() + size_t(s) * kBytesPerSample, kBytesPerSample);
        if (window.empty() && (sample == 0 || at < lo)) continue;
        if (window.empty()) windowAt = at;
        window.push_back(sample);
      }
    }
    if (window.size() < kSamplesPerBlock || windowAt + int64_t(window.size()) > hi) continue;
    // The disc's samples around it, and every shift tried against them.
    const int64_t readFrom = (windowAt - max) / kSamplesPerBlock;
    const int64_t readTo = (windowAt + int64_t(window.size()) + max + kSamplesPerBlock - 1) / kSamplesPerBlock;
    std::vector<uint32_t> disc(size_t(readTo - readFrom) * kSamplesPerBlock);
    device.readRawSectors(uint32_t(readFrom), uint32_t(readTo - readFrom), disc.data());
    const int64_t base = readFrom * kSamplesPerBlock;
    std::vector<int32_t> matches;
    const size_t bytes = window.size() * kBytesPerSample;
    for (int32_t s = -int32_t(max); s <= int32_t(max); ++s) {
      const uint32_t* got = disc.data() + (windowAt - s - base);
      if (got[0] == window[0] && std::memcmp(got, window.data(), bytes) == 0) matches.push_back(s);
    }
    if (matches.empty()) return 0;  // the comparison then tells where the sound differs
    // A sound that repeats within the range matches more than once: the smallest shift is the likeliest.
    return *std::min_element(matches.begin(), matches.end(),
                             [](int32_t a, int32_t b) { return std::abs(a) < std::abs(b); });
  }
  return 0;
}

struct Mismatch {
  bool found = false;
  uint32_t block = 0;  // on the disc
};

// Compares the blocks [from, to) of track i with what the disc holds there, audio under shift.
Mismatch compareTrack(Device& device, const TrackLayout& layout, size_t i, uint32_t from, uint32_t to,
                      int32_t shift, uint32_t discEnd, BurnObserver& observer, uint64_t total, uint64_t& done) {
  const LayoutTrack& t = layout.tracks[i];
  const Region r = regionOf(layout, i);
  const uint32_t bpb = sectorBytes(t.kind);
  Expected expected(t, r, from);
  std::vector<uint8_t> want(size_t(kChunkBlocks) * bpb), got((size_t(kChunkBlocks) + 2) * bpb);
  const uint32_t end = std::min(to, discEnd);
  int64_t readLo = 0, readHi = 0;  // audio: the bytes of the disc a shifted read may take
  if (t.kind == TrackKind::Audio) {
    const auto [runLo, runHi] = audioRun(layout, i);
    readLo = int64_t(runLo) * kRawSectorBytes;
    readHi = int64_t(std::min(runHi, discEnd)) * kRawSectorBytes;
  }
  for (uint32_t b = from; b < end; b += kChunkBlocks) {
    checkCancel(observer, "verify");
    const uint32_t k = std::min(kChunkBlocks, end - b);
    expected.next(want.data(), k);
    size_t differs = SIZE_MAX;
    if (t.kind == TrackKind::Audio) {
      const int64_t lo = int64_t(b) * kRawSectorBytes - int64_t(shift) * kBytesPerSample;
      const int64_t hi = lo + int64_t(k) * kRawSectorBytes;
      const int64_t cLo = std::max(lo, readLo), cHi = std::min(hi, readHi);
      if (cHi > cLo) {
        const int64_t first = cLo / kRawSectorBytes, last = (cHi + kRawSectorBytes - 1) / kRawSectorBytes;
        device.readRawSectors(uint32_t(first), uint32_t(last - first), got.data());
        const uint8_t* a = want.data() + (cLo - lo);
        const uint8_t* g = got.data() + (cLo - first * kRawSectorBytes);
        const size_t n = size_t(cHi - cLo);
        if (std::memcmp(a, g, n) != 0)
          differs = size_t(cLo - lo) + size_t(std::mismatch(a, a + n, g).first - a);
      }
    } else {
      if (t.kind == TrackKind::Mode1) device.readSectors(b, k, got.data());
      else device.readRawSectors(b, k, got.data());
      if (std::memcmp(want.data(), got.data(), size_t(k) * bpb) != 0)
        differs = size_t(std::mismatch(want.data(), want.data() + size_t(k) * bpb, got.data()).first - want.data());
    }
    if (differs != SIZE_MAX) return {true, b + uint32_t(differs / bpb)};
    done += uint64_t(k) * bpb;
    observer.progress(total, done);
  }
  // A disc that ends before the track does.
  if (end < to) return {true, end};
  return {};
}

// The blocks of a track compared: Mode 2 sectors of pauses are the device's own, so only
// the source's blocks count there.
std::pair<uint32_t, uint32_t> comparedBlocks(const TrackLayout& layout, size_t i) {
  const Region r = regionOf(layout, i);
  if (layout.tracks[i].kind == TrackKind::Mode2Raw) return {r.sourceStart, r.sourceEnd};
  return {r.start, r.end};
}

// A track of a disc read back: only its length, for the sheet's arithmetic.
class DiscBlocks : public TrackSource {
 public:
  explicit DiscBlocks(uint32_t blocks) : blocks_(blocks) {}
  uint32_t blocks() const override { return blocks_; }
  std::unique_ptr<ByteSource> open() const override {
    throw DwError(DW_E_INTERNAL, "A track read from a disc has no source to open");
  }
  std::string describe() const override { return "the disc"; }

 private:
  uint32_t blocks_;
};

bool isCd(uint8_t type) {
  return type == DISC_TYPE_CDROM || type == DISC_TYPE_CDR || type == DISC_TYPE_CDRW;
}

// The files being written, removed unless the whole read succeeded.
class PendingFiles {
 public:
  ~PendingFiles() {
    for (const std::string& p : paths_) {
      std::error_code ec;
      std::filesystem::remove(platform::fsPath(p), ec);
    }
  }
  void add(const std::string& path) { paths_.push_back(path); }
  void keep() { paths_.clear(); }

 private:
  std::vector<std::string> paths_;
};

[[noreturn]] void writeFailed(const std::string& path) {
  const platform::SystemError err = platform::lastError();
  throw DwError(DW_E_FILE, "Cannot write \"" + path + "\": " + err.text, err.code);
}

void writeAll(platform::File& file, const std::string& path, uint64_t at, const void* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const int64_t n = file.writeAt(at + done, static_cast<const uint8_t*>(data) + done, size - done);
    if (n <= 0) writeFailed(path);
    done += size_t(n);
  }
}

// How the sheet names the image: by its file name beside it, else by its whole path.
std::string imageName(const std::string& binPath, const std::string& cuePath) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path bin = fs::absolute(platform::fsPath(binPath), ec), cue = fs::absolute(platform::fsPath(cuePath), ec);
  if (bin.parent_path().lexically_normal() == cue.parent_path().lexically_normal())
    return platform::utf8(bin.filename());
  return platform::utf8(bin.lexically_normal());
}

TrackLayout discLayout(Device& device, const DiscwrightTocInformation& toc) {
  const std::string name = device.identity().name;
  const size_t count = size_t(toc.LastTrack - toc.FirstTrack + 1);
  const CdFacts facts = device.cdFacts();
  CdTexts texts;
  if (!facts.cdText.empty()) {
    // Damaged or unreadable CD-TEXT costs the names, not the disc.
    try {
      texts = readCdTextPacks(facts.cdText);
    } catch (const DwError&) {
      texts = {};
    }
  }
  TrackLayout disc;
  disc.catalog = facts.catalog;
  disc.title = texts.title;
  disc.performer = texts.performer;
  std::vector<uint32_t> starts(count), pregaps(count);
  for (size_t i = 0; i < count; ++i) {
    starts[i] = toc.Entries[i].StartBlock;
    if (i > 0 && starts[i] <= starts[i - 1])
      throw DwError(DW_E_IO, "The table of contents of the CD in " + name + " is damaged: its tracks do not follow each other");
  }
  if (toc.LeadOutBlock <= starts.back())
    throw DwError(DW_E_IO, "The table of contents of the CD in " + name + " is damaged: it ends before its last track");
  for (size_t i = 0; i < count; ++i) {
    // Track 1's blocks before its index 1 are its pause; the others' as the drive tells them.
    const uint32_t told = i < facts.pauses.size() ? facts.pauses[i] : 0;
    pregaps[i] = i == 0 ? starts[0] : std::min(told, starts[i] - starts[i - 1] - 1);
  }
  for (size_t i = 0; i < count; ++i) {
    const DiscwrightTocEntry& e = toc.Entries[i];
    LayoutTrack t;
    t.kind = TrackKind::Audio;
    if (e.Control & 0x04) {
      bool mode2 = e.Mode == 2;
      try {
        const DiscwrightTrackInformation info = device.trackInformation(e.TrackNumber);
        mode2 = mode2 || (info.Valid && info.DataMode == 2);
      } catch (const DwError&) {
        // Pressed discs may not answer: Mode 1 is what data CDs are.
      }
      t.kind = mode2 ? TrackKind::Mode2Raw : TrackKind::Mode1;
    }
    t.copyPermitted = (e.Control & 0x02) != 0;
    t.preEmphasis = (e.Control & 0x05) == 0x01;
    t.pauseBlocks = i == 0 ? kLeadInPauseBlocks : 0;
    t.sourcePregapBlocks = pregaps[i];
    const uint32_t regionStart = starts[i] - pregaps[i];
    const uint32_t next = i + 1 < count ? starts[i + 1] - pregaps[i + 1] : toc.LeadOutBlock;
    t.source = std::make_shared<DiscBlocks>(next - regionStart);
    if (i < facts.isrcs.size()) t.isrc = facts.isrcs[i];
    if (i < texts.titles.size()) t.title = texts.titles[i];
    if (i < texts.performers.size()) t.performer = texts.performers[i];
    disc.tracks.push_back(std::move(t));
  }
  return disc;
}

}  // namespace

DiscwrightLayoutCheck verifyLayout(Device& device, const TrackLayout& layout, uint32_t maxOffsetSamples,
                                   BurnObserver& observer) {
  if (layout.tracks.empty()) throw DwError(DW_E_INVALID_ARGUMENT, "The track layout holds no track");
  const DiscwrightTocInformation toc = device.toc();
  if (!toc.Valid || toc.LastTrack < toc.FirstTrack)
    throw DwError(DW_E_NOT_SUPPORTED, "The disc in " + device.identity().name + " holds no tracks to compare");
  const uint32_t discEnd = toc.LeadOutBlock;
  DiscwrightLayoutCheck check{};
  const bool audio = std::any_of(layout.tracks.begin(), layout.tracks.end(),
                                 [](const LayoutTrack& t) { return t.kind == TrackKind::Audio; });
  checkCancel(observer, "verify");
  if (audio && maxOffsetSamples > 0) check.OffsetSamples = findOffset(device, layout, maxOffsetSamples, discEnd);

  uint64_t total = 0, done = 0;
  for (size_t i = 0; i < layout.tracks.size(); ++i) {
    const auto [from, to] = comparedBlocks(layout, i);
    total += uint64_t(to - from) * sectorBytes(layout.tracks[i].kind);
  }
  observer.progress(total, 0);
  const uint32_t count = uint32_t(layout.tracks.size());
  for (size_t i = 0; i < layout.tracks.size(); ++i) {
    observer.track(uint32_t(i + 1), count);
    const auto [from, to] = comparedBlocks(layout, i);
    const Mismatch m = compareTrack(device, layout, i, from, to, check.OffsetSamples, discEnd, observer, total, done);
    check.CheckedTracks = uint32_t(i + 1);
    if (m.found) {
      const uint32_t indexOne = regionOf(layout, i).indexOne;
      check.BadTrack = uint32_t(i + 1);
      check.BadBlock = m.block > indexOne ? m.block - indexOne : 0;  // a pause that differs counts as block 0
      return check;
    }
  }
  return check;
}

void readDiscToCueSheet(Device& device, const std::string& binPath, const std::string& cuePath,
                        BurnObserver& observer) {
  const std::string name = device.identity().name;
  if (binPath.empty() || cuePath.empty()) throw DwError(DW_E_INVALID_ARGUMENT, "No image file or cue sheet was named");
  {
    std::error_code ec;
    if (std::filesystem::absolute(platform::fsPath(binPath), ec).lexically_normal() ==
        std::filesystem::absolute(platform::fsPath(cuePath), ec).lexically_normal())
      throw DwError(DW_E_INVALID_ARGUMENT, "The image and its cue sheet cannot be the same file (" + binPath + ")");
  }
  const uint8_t type = device.discType();
  if (type == DISC_TYPE_NO_MEDIA) throw DwError(DW_E_NO_MEDIUM, "There is no disc in " + name);
  if (!isCd(type)) throw DwError(DW_E_NOT_SUPPORTED, "The disc in " + name + " is not a CD");
  const DiscwrightTocInformation toc = device.toc();
  if (!toc.Valid || toc.LastTrack < toc.FirstTrack || toc.FirstTrack == 0)
    throw DwError(DW_E_NOT_SUPPORTED, "The CD in " + name + " holds no track");
  const DiscwrightDiscInformation info = device.discInformation();
  const unsigned sessions = std::max<unsigned>(toc.Sessions, info.Valid ? info.Sessions : 0);
  if (sessions > 1)
    throw DwError(DW_E_NOT_SUPPORTED, "The CD in " + name + " holds " + std::to_string(sessions) +
                                          " sessions: only a CD of one session is saved as a cue sheet");
  const TrackLayout disc = discLayout(device, toc);
  // Made before the long read, so that a name the sheet cannot hold fails at once.
  const std::string sheet = cueSheetText(disc, imageName(binPath, cuePath));

  PendingFiles pending;
  const std::string binTemp = binPath + ".part", cueTemp = cuePath + ".part";
  platform::File bin;
  pending.add(binTemp);
  if (!bin.open(binTemp, platform::File::Access::CreateEmpty)) writeFailed(binTemp);
  const uint32_t end = toc.LeadOutBlock;
  const uint64_t total = uint64_t(end) * kRawSectorBytes;
  std::vector<uint8_t> chunk(size_t(kChunkBlocks) * kRawSectorBytes);
  size_t nextTrack = 0;
  const uint32_t count = uint32_t(disc.tracks.size());
  observer.progress(total, 0);
  for (uint32_t b = 0; b < end;) {
    checkCancel(observer, "reading of the CD");
    // Each track is announced as its first block (its pause) is read; chunks stop there.
    uint32_t k = std::min(kChunkBlocks, end - b);
    while (nextTrack < disc.tracks.size() && regionOf(disc, nextTrack).start <= b) {
      observer.track(uint32_t(++nextTrack), count);
    }
    if (nextTrack < disc.tracks.size()) k = std::min(k, regionOf(disc, nextTrack).start - b);
    try {
      device.readRawSectors(b, k, chunk.data());
    } catch (const DwError& e) {
      throw DwError(e.code(), "Block " + std::to_string(b) + " of the CD in " + name + " cannot be read: " + e.what(),
                    e.status());
    }
    writeAll(bin, binTemp, uint64_t(b) * kRawSectorBytes, chunk.data(), size_t(k) * kRawSectorBytes);
    b += k;
    observer.progress(total, uint64_t(b) * kRawSectorBytes);
  }
  if (!bin.sync() || !bin.close()) writeFailed(binTemp);

  platform::File cue;
  pending.add(cueTemp);
  if (!cue.open(cueTemp, platform::File::Access::CreateEmpty)) writeFailed(cueTemp);
  writeAll(cue, cueTemp, 0, sheet.data(), sheet.size());
  if (!cue.sync() || !cue.close()) writeFailed(cueTemp);
  checkCancel(observer, "reading of the CD");
  pending.add(binPath);  // once renamed, the image goes too if the sheet cannot follow
  if (!platform::replaceFile(binTemp, binPath)) writeFailed(binPath);
  if (!platform::replaceFile(cueTemp, cuePath)) writeFailed(cuePath);
  pending.keep();
}

}  // namespace discwright
