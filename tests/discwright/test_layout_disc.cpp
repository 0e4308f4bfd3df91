// Written CDs read back through a device: compared with their layout (under the read
// offset of the drive) and saved as BIN/CUE, on a small drive that serves sectors from memory.
#include <gtest/gtest.h>

#include <cstring>

#include "common/test_common.h"
#include "device.h"
#include "layout/cue_sheet.h"
#include "layout/layout_disc.h"

namespace {

using namespace discwright;
using testcommon::Bytes;
using testcommon::TempDir;
namespace fs = std::filesystem;

// Sources in memory: each pass streams the same bytes.
struct MemoryStream : ByteSource {
  std::shared_ptr<const Bytes> b;
  size_t at = 0;
  explicit MemoryStream(std::shared_ptr<const Bytes> bytes) : b(std::move(bytes)) {}
  uint64_t size() const override { return b->size(); }
  size_t read(void* buf, size_t n) override {
    n = std::min(n, b->size() - at);
    std::memcpy(buf, b->data() + at, n);
    at += n;
    return n;
  }
  std::string describe() const override { return "memory"; }
};
struct MemorySource : TrackSource {
  std::shared_ptr<const Bytes> b;
  uint32_t bpb;
  uint32_t blocks() const override { return uint32_t(b->size() / bpb); }
  std::unique_ptr<ByteSource> open() const override { return std::make_unique<MemoryStream>(b); }
  std::string describe() const override { return "memory"; }
};

struct TrackPlan {
  TrackKind kind;
  uint32_t pause, blocks;
};

// Audio of pattern bytes that starts with a little silence, as songs do.
TrackLayout layoutOf(const std::vector<TrackPlan>& plan) {
  TrackLayout layout;
  uint32_t seed = 1;
  for (const TrackPlan& p : plan) {
    LayoutTrack t;
    t.kind = p.kind;
    t.pauseBlocks = p.pause;
    Bytes bytes = testcommon::pattern(uint64_t(p.blocks) * sectorBytes(p.kind), seed++);
    if (p.kind == TrackKind::Audio) std::fill(bytes.begin(), bytes.begin() + 3 * 2352 + 40, 0);
    auto source = std::make_shared<MemorySource>();
    source->b = std::make_shared<const Bytes>(std::move(bytes));
    source->bpb = sectorBytes(p.kind);
    t.source = std::move(source);
    layout.tracks.push_back(std::move(t));
  }
  return layout;
}

// A CD drive whose disc holds what a burn of the layout wrote, whose audio reads come
// shifted by `shift` samples and whose reads fail from failFrom on.
class FakeCd : public Device {
 public:
  explicit FakeCd(const TrackLayout& layout) : layout_(layout) {
    const uint32_t end = layout.leadOutBlock();
    raw_.assign(size_t(end) * 2352, 0);
    cooked_.assign(size_t(end) * 2048, 0);
    for (size_t i = 0; i < layout.tracks.size(); ++i) {
      const LayoutTrack& t = layout.tracks[i];
      const uint32_t first = layout.startBlock(i) - t.sourcePregapBlocks;
      auto s = t.source->open();
      Bytes b(size_t(s->size()));
      s->read(b.data(), b.size());
      for (uint32_t k = 0; k < t.sourceBlocks(); ++k) {
        if (t.kind == TrackKind::Mode1) {
          std::memcpy(&cooked_[size_t(first + k) * 2048], &b[size_t(k) * 2048], 2048);
          std::memcpy(&raw_[size_t(first + k) * 2352 + 16], &b[size_t(k) * 2048], 2048);
        } else {
          std::memcpy(&raw_[size_t(first + k) * 2352], &b[size_t(k) * 2352], 2352);
        }
      }
    }
  }

  Bytes raw_, cooked_;
  int32_t shift = 0;
  uint32_t failFrom = UINT32_MAX;
  uint8_t type = DISC_TYPE_CDR;
  uint8_t sessions = 1;

  // What these reads do not ask stays trivial.
  const DeviceIdentity& identity() const override { return id_; }
  std::array<bool, DW_FMT_COUNT> mediaFormats() override { return {}; }
  std::array<bool, DW_FMTX_COUNT> mediaFormatsEx() override { return {}; }
  std::array<bool, DW_WRITE_MODE_COUNT> writeModes() override { return {}; }
  std::array<bool, DW_READ_MODE_COUNT> readModes() override { return {}; }
  RpcState rpc() override { return {}; }
  Speeds speeds() override { return {}; }
  BupState bup() override { return {}; }
  uint64_t freeBytes() override { return 0; }
  uint64_t usedBytes() override { return 0; }
  std::string mountPoint() override { return {}; }
  void testUnitReady() override {}
  void setSpeeds(uint32_t, uint32_t) override {}
  void setBup(bool) override {}
  void lock(LockOwner) override {}
  void release(LockOwner) override {}
  void eject() override {}
  void closeTray() override {}
  void closeSession() override {}
  void sendOpc() override {}
  void burn(BurnJob&, BurnObserver&) override {}
  void erase(bool, BurnObserver&) override {}
  void ownerGone(LockOwner) override {}
  void checkFault(const std::string&) override {}

  uint8_t discType() override { return type; }
  DiscwrightDiscInformation discInformation() override {
    DiscwrightDiscInformation d{};
    d.Valid = 1, d.Sessions = sessions;
    return d;
  }
  DiscwrightTrackInformation trackInformation(uint8_t n) override {
    DiscwrightTrackInformation t{};
    t.Valid = 1, t.DataMode = layout_.tracks.at(n - 1).kind == TrackKind::Mode2Raw ? 2 : 1;
    return t;
  }
  DiscwrightTocInformation toc() override {
    DiscwrightTocInformation toc{};
    toc.Valid = 1, toc.FirstTrack = 1, toc.LastTrack = uint8_t(layout_.tracks.size()), toc.Sessions = sessions;
    toc.LeadOutBlock = layout_.leadOutBlock();
    for (size_t i = 0; i < layout_.tracks.size(); ++i)
      toc.Entries[i] = {uint8_t(i + 1), 1, uint8_t(layout_.tracks[i].kind == TrackKind::Audio ? 0 : 4), 0,
                        layout_.startBlock(i), 0};
    return toc;
  }
  CdFacts cdFacts() override {
    CdFacts f;
    f.catalog = "4006381333931";
    for (size_t i = 0; i < layout_.tracks.size(); ++i) {
      const LayoutTrack& t = layout_.tracks[i];
      f.pauses.push_back(t.pauseBlocks + t.sourcePregapBlocks);
      f.isrcs.push_back(i == 0 ? "DEA123456789" : "");
    }
    return f;
  }
  void readSectors(uint32_t lba, uint32_t count, void* buffer) override {
    check(lba, count);
    std::memcpy(buffer, &cooked_[size_t(lba) * 2048], size_t(count) * 2048);
  }
  void readRawSectors(uint32_t lba, uint32_t count, void* buffer) override {
    check(lba, count);
    auto* out = static_cast<uint8_t*>(buffer);
    const int64_t samples = int64_t(raw_.size() / 4);
    for (int64_t j = 0; j < int64_t(count) * 588; ++j) {
      const int64_t from = int64_t(lba) * 588 + j + shift;
      if (from >= 0 && from < samples) std::memcpy(out + j * 4, &raw_[size_t(from) * 4], 4);
      else std::memset(out + j * 4, 0, 4);
    }
  }

 private:
  void check(uint32_t lba, uint32_t count) const {
    if (uint64_t(lba) + count > raw_.size() / 2352)
      throw DwError(DW_E_IO, "past the lead-out", senses::kLbaOutOfRange);
    if (lba + count > failFrom) throw DwError(DW_E_IO, "unreadable sector", senses::kReadError);
  }
  TrackLayout layout_;
  DeviceIdentity id_{"CdRom0", {}, "", "", "", 0};
};

struct Watcher : BurnObserver {
  uint64_t total = 0, done = 0;
  std::vector<uint32_t> tracks;
  int cancelAfter = -1;  // progress reports before it asks to stop
  void progress(uint64_t t, uint64_t d) override {
    total = t, done = d;
    if (cancelAfter > 0) --cancelAfter;
  }
  void buffer(uint32_t, uint32_t) override {}
  bool cancelled() const override { return cancelAfter == 0; }
  void track(uint32_t n, uint32_t) override { tracks.push_back(n); }
};

const std::vector<TrackPlan> kMixed = {
    {TrackKind::Audio, 150, 200}, {TrackKind::Audio, 150, 100}, {TrackKind::Audio, 0, 60}, {TrackKind::Mode1, 150, 50}};

// Whatever the drive's offset within the range searched, it is found and the disc is equal.
TEST(VerifyLayout, FindsTheReadOffsetAndComparesUnderIt) {
  const TrackLayout layout = layoutOf(kMixed);
  for (int32_t shift : {0, 30, -667, 1000, -1000}) {
    SCOPED_TRACE(shift);
    FakeCd cd(layout);
    cd.shift = shift;
    Watcher w;
    const DiscwrightLayoutCheck check = verifyLayout(cd, layout, 1000, w);
    EXPECT_EQ(check.OffsetSamples, shift);
    EXPECT_EQ(check.BadTrack, 0u);
    EXPECT_EQ(check.CheckedTracks, 4u);
    EXPECT_EQ(w.tracks, (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(w.done, w.total);
  }
}

// A changed byte is found in its track and block, under any shift; a drive shifted but not
// searched makes the first audio track differ where its sound begins (block 3, reached early).
TEST(VerifyLayout, NamesTheFirstBlockThatDiffers) {
  const TrackLayout layout = layoutOf(kMixed);
  struct Row {
    int32_t shift;
    uint32_t maxOffset;
    size_t track;  // 0-based
    int32_t block;  // from index 1; negative: in the pause
    uint32_t badTrack, badBlock;
  };
  const Row rows[] = {{0, 0, 1, 17, 2, 17}, {-667, 1000, 0, 150, 1, 150}, {30, 100, 2, 59, 3, 59},
                      {0, 588, 3, 49, 4, 49},  {0, 0, 1, -5, 2, 0},         {12, 0, 1, 100, 1, 2}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "track " << r.track + 1 << " block " << r.block << " shift " << r.shift);
    FakeCd cd(layout);
    cd.shift = r.shift;
    const uint32_t block = uint32_t(int32_t(layout.startBlock(r.track)) + r.block);
    if (layout.tracks[r.track].kind == TrackKind::Mode1) cd.cooked_[size_t(block) * 2048 + 1000] ^= 0x40;
    else cd.raw_[size_t(block) * 2352 + 1000] ^= 0x40;
    Watcher w;
    const DiscwrightLayoutCheck check = verifyLayout(cd, layout, r.maxOffset, w);
    EXPECT_EQ(check.BadTrack, r.badTrack);
    EXPECT_EQ(check.BadBlock, r.badBlock);
    EXPECT_EQ(check.CheckedTracks, r.badTrack);
  }
}

const std::vector<TrackPlan> kSaved = {
    {TrackKind::Audio, 150, 120}, {TrackKind::Audio, 75, 80}, {TrackKind::Mode2Raw, 150, 40}};

// The image holds every block as the drive read it, and its sheet describes the same disc.
TEST(ReadDiscToCueSheet, SavesAnImageAndASheetThatReadsBack) {
  const TrackLayout layout = layoutOf(kSaved);
  FakeCd cd(layout);
  TempDir dir;
  Watcher w;
  readDiscToCueSheet(cd, testcommon::utf8(dir / "disc.bin"), testcommon::utf8(dir / "disc.cue"), w);
  EXPECT_EQ(testcommon::readFile(dir / "disc.bin"), cd.raw_);
  EXPECT_EQ(w.tracks, (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_EQ(w.done, cd.raw_.size());
  const auto back = layoutFromCueSheet(testcommon::utf8(dir / "disc.cue"));
  ASSERT_EQ(back->tracks.size(), 3u);
  EXPECT_EQ(back->catalog, "4006381333931");
  EXPECT_EQ(back->tracks[0].isrc, "DEA123456789");
  EXPECT_EQ(back->leadOutBlock(), layout.leadOutBlock());
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back->tracks[i].kind, layout.tracks[i].kind);
    EXPECT_EQ(back->startBlock(i), layout.startBlock(i));
  }
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir.path())) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"disc.bin", "disc.cue"}));
}

// Whatever stops the read, neither file (nor a part of one) stays.
TEST(ReadDiscToCueSheet, LeavesNothingWhenItFails) {
  const TrackLayout layout = layoutOf(kSaved);
  struct Row {
    const char* why;
    void (*setup)(FakeCd&, Watcher&);
    uint8_t code;
    const char* message;
  };
  const Row rows[] = {
      {"read failure", [](FakeCd& cd, Watcher&) { cd.failFrom = 300; }, DW_E_IO, "cannot be read: unreadable sector"},
      {"cancel", [](FakeCd&, Watcher& w) { w.cancelAfter = 4; }, DW_E_CANCELLED, "cancelled"},
      {"DVD", [](FakeCd& cd, Watcher&) { cd.type = DISC_TYPE_DVDR; }, DW_E_NOT_SUPPORTED, "is not a CD"},
      {"two sessions", [](FakeCd& cd, Watcher&) { cd.sessions = 2; }, DW_E_NOT_SUPPORTED, "holds 2 sessions"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    FakeCd cd(layout);
    Watcher w;
    r.setup(cd, w);
    TempDir dir;
    try {
      readDiscToCueSheet(cd, testcommon::utf8(dir / "disc.bin"), testcommon::utf8(dir / "disc.cue"), w);
      ADD_FAILURE() << "no failure";
    } catch (const DwError& e) {
      EXPECT_EQ(e.code(), r.code) << e.what();
      EXPECT_NE(std::string(e.what()).find(r.message), std::string::npos) << e.what();
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
  }
}

}  // namespace
