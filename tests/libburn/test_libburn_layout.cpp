// Track layouts through the libburn backend without a recorder: what is refused before a
// drive is asked, what each of libburn's tracks is told, and a file pseudo-drive left
// untouched by a layout burn.
#include <gtest/gtest.h>
#include <libburn/libburn.h>

#include <cstring>

#include "common/test_common.h"
#include "libburn/libburn_drive.h"
#include "libburn/libburn_layout.h"

using namespace discwright;
using namespace testcommon;

namespace {

class ZeroSource : public ByteSource {
 public:
  explicit ZeroSource(uint64_t size) : left_(size), size_(size) {}
  uint64_t size() const override { return size_; }
  size_t read(void* buf, size_t n) override {
    n = size_t(std::min<uint64_t>(n, left_));
    std::memset(buf, 0, n);
    left_ -= n;
    return n;
  }
  std::string describe() const override { return "zeros"; }

 private:
  uint64_t left_, size_;
};

class ZeroTrack : public TrackSource {
 public:
  ZeroTrack(uint32_t blocks, TrackKind kind) : blocks_(blocks), kind_(kind) {}
  uint32_t blocks() const override { return blocks_; }
  std::unique_ptr<ByteSource> open() const override {
    return std::make_unique<ZeroSource>(uint64_t(blocks_) * sectorBytes(kind_));
  }
  std::string describe() const override { return "zeros.bin"; }

 private:
  uint32_t blocks_;
  TrackKind kind_;
};

LayoutTrack track(TrackKind kind, uint32_t pause = 150, uint32_t blocks = 400) {
  LayoutTrack t;
  t.kind = kind;
  t.pauseBlocks = pause;
  t.source = std::make_shared<ZeroTrack>(blocks, kind);
  return t;
}

BurnJob job(WriteMode mode, std::vector<LayoutTrack> tracks, std::vector<uint8_t> cdText = {}) {
  auto layout = std::make_shared<TrackLayout>();
  layout->tracks = std::move(tracks);
  BurnJob j;
  j.mode = mode;
  for (const auto& t : layout->tracks) j.tracks.push_back(t.source->open());
  j.layout = layout;
  j.cdText = std::move(cdText);
  return j;
}

const std::vector<uint8_t> kOnePack(18, 0x80);
constexpr auto A = TrackKind::Audio;
constexpr auto M1 = TrackKind::Mode1;

}  // namespace

TEST(LayoutJobCheck, RefusesWhatTheModeCannotWriteBeforeAnyDriveIsAsked) {
  auto with = [](LayoutTrack t, void (*change)(LayoutTrack&)) {
    change(t);
    return t;
  };
  struct Case {
    const char* name;
    BurnJob job;
    uint8_t code;  // DW_E_OK: accepted
    const char* text;
  };
  const char* noText = "Track-at-once writes no CD-TEXT: burn session-at-once";
  const char* twoSeconds = "Track-at-once writes pauses of 2 seconds only: burn session-at-once";
  Case cases[] = {
      {"TAO, 2 s pauses", job(WriteMode::Tao, {track(A, 0), track(A), track(M1)}), DW_E_OK, ""},
      {"TAO, CD-TEXT", job(WriteMode::Tao, {track(A)}, kOnePack), DW_E_NOT_SUPPORTED, noText},
      {"TAO, no pause", job(WriteMode::Tao, {track(A), track(A, 0)}), DW_E_NOT_SUPPORTED, twoSeconds},
      {"TAO, track 1 longer", job(WriteMode::Tao, {track(A, 300)}), DW_E_NOT_SUPPORTED, twoSeconds},
      {"TAO, postgap", job(WriteMode::Tao, {with(track(A), [](LayoutTrack& t) { t.postgapBlocks = 150; })}),
       DW_E_NOT_SUPPORTED, twoSeconds},
      {"TAO, source pregap",
       job(WriteMode::Tao, {track(A), with(track(A), [](LayoutTrack& t) { t.sourcePregapBlocks = 75; })}),
       DW_E_NOT_SUPPORTED, twoSeconds},
      {"TAO, index 2", job(WriteMode::Tao, {with(track(A), [](LayoutTrack& t) { t.indexes = {100}; })}),
       DW_E_NOT_SUPPORTED, "Track-at-once writes no index marks: burn session-at-once"},
      {"SAO, audio with all", job(WriteMode::Sao, {track(A, 300), track(A, 0)}, kOnePack), DW_E_OK, ""},
      {"SAO, MODE2/2352", job(WriteMode::Sao, {track(TrackKind::Mode2Raw)}), DW_E_NOT_SUPPORTED,
       "MODE2/2352 tracks cannot be written to a drive by this build"},
      {"SAO, mixed", job(WriteMode::Sao, {track(M1), track(A)}), DW_E_NOT_SUPPORTED, "track-at-once only"},
      {"SAO, data with CD-TEXT", job(WriteMode::Sao, {track(M1)}, kOnePack), DW_E_NOT_SUPPORTED, "audio tracks only"},
      {"SAO, under 4 s", job(WriteMode::Sao, {track(A), track(A, 150, 299)}), DW_E_INVALID_ARGUMENT, "Track 2 lasts 299"},
      {"DAO raw", job(WriteMode::DaoRaw, {track(A)}), DW_E_INVALID_ARGUMENT, "session-at-once or track-at-once"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      checkLayoutJob(c.job);
      EXPECT_EQ(c.code, DW_E_OK);
    } catch (const DwError& e) {
      EXPECT_EQ(e.code(), c.code);
      EXPECT_NE(std::string(e.what()).find(c.text), std::string::npos) << e.what();
    }
  }
}

TEST(LayoutPlan, GapsIndexesAndFlagsAsLibburnTakesThem) {
  TrackLayout layout;
  layout.tracks = {track(A, 300), track(A, 0), track(A, 75), track(M1, 150)};
  layout.tracks[0].copyPermitted = true;
  layout.tracks[0].preEmphasis = true;
  layout.tracks[0].isrc = "DEA121234567";
  layout.tracks[1].sourcePregapBlocks = 40;
  layout.tracks[1].indexes = {100, 200};
  layout.tracks[2].postgapBlocks = 150;
  layout.tracks[3].preEmphasis = true;  // means nothing on data
  using Indexes = std::vector<std::pair<int, uint32_t>>;
  struct Want {
    int mode, pregap, postgap;
    Indexes indexes;
  };
  const Want sao[] = {
      {BURN_AUDIO | BURN_COPY | BURN_PREEMPHASIS, 300, -1, {}},
      {BURN_AUDIO, -1, -1, {{0, 0}, {1, 40}, {2, 140}, {3, 240}}},
      {BURN_AUDIO, 75, 150, {}},
      {BURN_MODE1, 150, -1, {}},
  };
  auto plans = planLayout(layout, WriteMode::Sao);
  ASSERT_EQ(plans.size(), 4u);
  for (size_t i = 0; i < plans.size(); ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(plans[i].mode, sao[i].mode);
    EXPECT_EQ(plans[i].pregap, sao[i].pregap);
    EXPECT_EQ(plans[i].postgap, sao[i].postgap);
    EXPECT_EQ(plans[i].indexes, sao[i].indexes);
  }
  EXPECT_EQ(plans[0].isrc, "DEA121234567");
  // Track-at-once: the drive writes the 2 s pauses itself; libburn is told no gaps.
  for (const auto& p : planLayout(layout, WriteMode::Tao)) EXPECT_TRUE(p.pregap == -1 && p.postgap == -1 && p.indexes.empty());

  // libburn keeps the modes as told, and refuses an ISRC it cannot write (its refusals are messages).
  auto runtime = LibburnRuntime::acquire();
  for (const auto& p : plans) {
    struct burn::burn_track* t = burn::burn_track_create();
    defineLayoutTrack(t, p);
    EXPECT_EQ(burn::burn_track_get_mode(t), p.mode);
    burn::burn_track_free(t);
  }
  LayoutTrackPlan bad = plans[0];
  bad.isrc = "DE-121234567";
  struct burn::burn_track* t = burn::burn_track_create();
  EXPECT_THROW(defineLayoutTrack(t, bad), DwError);
  burn::burn_track_free(t);
}

TEST(LayoutBurn, AFilePseudoDriveIsRefusedAndLeftAsItWas) {
#ifdef _WIN32
  GTEST_SKIP() << "file pseudo-drives by POSIX path: not on Windows";
#endif
  TempDir dir;
  const Bytes before = writePatternFile(dir / "disc.img", 64 * 2048, 5);
  auto runtime = LibburnRuntime::acquire();
  LibburnDriveSetup setup;
  setup.libburnAddress = "stdio:" + (dir / "disc.img").string();
  setup.name = "CdRom0";
  LibburnDrive drive(runtime, setup);
  struct Quiet : BurnObserver {
    void progress(uint64_t, uint64_t) override {}
    void buffer(uint32_t, uint32_t) override {}
    bool cancelled() const override { return false; }
  } observer;
  struct Case {
    BurnJob job;
    const char* text;
  };
  Case cases[] = {
      {job(WriteMode::Tao, {track(A)}, kOnePack), "Track-at-once writes no CD-TEXT"},
      {job(WriteMode::Sao, {track(A)}), "CdRom0 is a file, not a CD: audio CDs and cue sheets are burned on a CD-R or CD-RW"},
  };
  for (Case& c : cases) {
    try {
      drive.burn(c.job, observer);
      ADD_FAILURE() << "burned";
    } catch (const DwError& e) {
      EXPECT_EQ(e.code(), DW_E_NOT_SUPPORTED);
      EXPECT_NE(std::string(e.what()).find(c.text), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(readFile(dir / "disc.img"), before);
  EXPECT_THROW(drive.readRawSectors(0, 1, std::vector<uint8_t>(2352).data()), DwError);
}
