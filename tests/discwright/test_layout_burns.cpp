// Audio CDs and mixed discs on the emulated recorders: whole data sectors checked by
// arithmetic of their own, layouts burned and read back raw, the refusals, the stored
// disc seen again, and a cancelled burn.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "common/test_common.h"
#include "layout/cd_sector.h"
#include "layout/track_layout.h"
#include "virtual/medium_store.h"
#include "virtual/virtual_config.h"
#include "virtual/virtual_recorder.h"

namespace {

using namespace discwright;
using nlohmann::json;
using Bytes = std::vector<uint8_t>;

// ---- Whole sectors, checked without the encoder's tables ----------------------

// GF(2^8) over x^8 + x^4 + x^3 + x^2 + 1, by shifting and adding.
uint8_t gfMul(uint8_t a, uint8_t b) {
  uint8_t r = 0;
  for (; b; b >>= 1) {
    if (b & 1) r ^= a;
    a = uint8_t((a << 1) ^ ((a & 0x80) ? 0x1D : 0));
  }
  return r;
}

// A Reed-Solomon codeword of the product code is whole when both checks vanish:
// the sum of its symbols, and the sum of symbol i times α^(n-1-i).
bool codewordWhole(const std::vector<uint8_t>& v) {
  uint8_t s0 = 0, s1 = 0;
  for (uint8_t x : v) {
    s0 ^= x;
    s1 = uint8_t(gfMul(s1, 2) ^ x);
  }
  return s0 == 0 && s1 == 0;
}

// The EDC bit by bit: the polynomial (x^16 + x^15 + x^2 + 1)(x^16 + x^2 + x + 1), reflected.
uint32_t edcBitwise(const uint8_t* d, size_t n) {
  uint32_t crc = 0;
  for (size_t i = 0; i < n; ++i) {
    crc ^= d[i];
    for (int b = 0; b < 8; ++b) crc = (crc >> 1) ^ ((crc & 1) ? 0xD8018001u : 0);
  }
  return crc;
}

TEST(CdSector, Mode1SectorsAreWholeCodewords) {
  struct Case {
    uint32_t lba;
    uint8_t minutes, seconds, frames;  // BCD of lba + 150
    uint32_t seed;
  } cases[] = {{0, 0x00, 0x02, 0x00, 0}, {16, 0x00, 0x02, 0x16, 7}, {333'000 - 1, 0x74, 0x01, 0x74, 99}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lba);
    Bytes user(2048), sector(2352, 0xEE);
    for (size_t i = 0; i < user.size(); ++i) user[i] = uint8_t(c.seed ? (i * c.seed + i / 7) : 0);
    encodeMode1Sector(c.lba, user.data(), sector.data());

    const Bytes sync = {0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0};
    EXPECT_TRUE(std::equal(sync.begin(), sync.end(), sector.begin()));
    EXPECT_EQ(sector[12], c.minutes);
    EXPECT_EQ(sector[13], c.seconds);
    EXPECT_EQ(sector[14], c.frames);
    EXPECT_EQ(sector[15], 1);
    EXPECT_EQ(0, std::memcmp(sector.data() + 16, user.data(), 2048));
    const uint32_t edc = edcBitwise(sector.data(), 2064);
    EXPECT_EQ(sector[2064] | sector[2065] << 8 | sector[2066] << 16 | uint32_t(sector[2067]) << 24, edc);
    EXPECT_TRUE(std::all_of(sector.begin() + 2068, sector.begin() + 2076, [](uint8_t b) { return b == 0; }));

    // From byte 12 on, two planes of 16-bit words: P codewords run down the 43 columns
    // of 24 rows and their 2 parity rows; Q codewords along the diagonals of those 26
    // rows, 43 symbols and 2 parity words each.
    const uint8_t* area = sector.data() + 12;
    for (int plane = 0; plane < 2; ++plane) {
      for (size_t column = 0; column < 43; ++column) {
        std::vector<uint8_t> v;
        for (size_t row = 0; row < 26; ++row) v.push_back(area[2 * (row * 43 + column) + size_t(plane)]);
        EXPECT_TRUE(codewordWhole(v)) << "P codeword " << column << " plane " << plane;
      }
      for (size_t diagonal = 0; diagonal < 26; ++diagonal) {
        std::vector<uint8_t> v;
        for (size_t k = 0; k < 43; ++k) v.push_back(area[2 * ((43 * diagonal + 44 * k) % 1118) + size_t(plane)]);
        v.push_back(area[2 * (1118 + diagonal) + size_t(plane)]);
        v.push_back(area[2 * (1144 + diagonal) + size_t(plane)]);
        EXPECT_TRUE(codewordWhole(v)) << "Q codeword " << diagonal << " plane " << plane;
      }
    }

    Bytes back(2048);
    std::string why;
    EXPECT_TRUE(mode1UserData(sector.data(), back.data(), &why)) << why;
    EXPECT_EQ(back, user);
    sector[500] ^= 1;
    EXPECT_FALSE(mode1UserData(sector.data(), back.data(), &why));
    EXPECT_NE(why.find("error detection"), std::string::npos) << why;
    sector[15] = 2;
    EXPECT_FALSE(mode1UserData(sector.data(), back.data(), &why));
  }
}

// ---- Layouts on an emulated recorder --------------------------------------------

class MemoryTrack : public TrackSource {
 public:
  MemoryTrack(Bytes bytes, TrackKind kind) : bytes_(std::make_shared<Bytes>(std::move(bytes))), kind_(kind) {}
  uint32_t blocks() const override { return uint32_t(bytes_->size() / sectorBytes(kind_)); }
  std::string describe() const override { return "memory track"; }
  std::unique_ptr<ByteSource> open() const override {
    struct Reader : ByteSource {
      std::shared_ptr<Bytes> bytes;
      size_t at = 0;
      uint64_t size() const override { return bytes->size(); }
      size_t read(void* buf, size_t n) override {
        n = std::min(n, bytes->size() - at);
        std::memcpy(buf, bytes->data() + at, n);
        at += n;
        return n;
      }
      std::string describe() const override { return "memory track"; }
    };
    auto r = std::make_unique<Reader>();
    r->bytes = bytes_;
    return r;
  }
  const Bytes& bytes() const { return *bytes_; }

 private:
  std::shared_ptr<Bytes> bytes_;
  TrackKind kind_;
};

struct TrackSpec {
  TrackKind kind;
  uint32_t blocks;
  uint32_t pause = 150;
  uint32_t postgap = 0;
  std::string isrc = {};
  bool copy = false;
};

std::shared_ptr<TrackLayout> makeLayout(const std::vector<TrackSpec>& specs) {
  auto layout = std::make_shared<TrackLayout>();
  uint32_t seed = 1;
  for (const TrackSpec& s : specs) {
    LayoutTrack t;
    t.kind = s.kind;
    t.pauseBlocks = s.pause;
    t.postgapBlocks = s.postgap;
    t.isrc = s.isrc;
    t.copyPermitted = s.copy;
    Bytes bytes(size_t(s.blocks) * sectorBytes(s.kind));
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t((i * 31 + seed * 17 + i / 2352) | 1);
    t.source = std::make_shared<MemoryTrack>(std::move(bytes), s.kind);
    layout->tracks.push_back(std::move(t));
    ++seed;
  }
  return layout;
}

BurnJob makeJob(const std::shared_ptr<TrackLayout>& layout, WriteMode mode, Bytes cdText = {}) {
  BurnJob job;
  job.mode = mode;
  job.layout = layout;
  job.cdText = std::move(cdText);
  for (const LayoutTrack& t : layout->tracks) job.tracks.push_back(t.source->open());
  return job;
}

class Observer : public BurnObserver {
 public:
  void progress(uint64_t total, uint64_t done) override {
    total_ = total;
    done_ = done;
  }
  void buffer(uint32_t, uint32_t) override {}
  bool cancelled() const override { return cancelAfter_ && done_ >= cancelAfter_; }
  void track(uint32_t number, uint32_t count) override { tracks_.push_back({number, count}); }

  std::atomic<uint64_t> total_{0}, done_{0};
  uint64_t cancelAfter_ = 0;
  std::vector<std::pair<uint32_t, uint32_t>> tracks_;
};

// The whole disc as a drive reads it raw: pauses as blank blocks of their track's kind.
Bytes expectedRaw(const TrackLayout& layout) {
  Bytes disc;
  for (size_t i = 0; i < layout.tracks.size(); ++i) {
    const LayoutTrack& t = layout.tracks[i];
    const auto& src = static_cast<const MemoryTrack&>(*t.source).bytes();
    const uint32_t lead = layout.startBlock(i) - uint32_t(disc.size() / 2352);
    const uint32_t unit = sectorBytes(t.kind);
    Bytes blocks(size_t(lead) * unit, 0);
    blocks.insert(blocks.end(), src.begin(), src.end());
    blocks.resize(blocks.size() + size_t(t.postgapBlocks) * unit, 0);
    const uint32_t first = uint32_t(disc.size() / 2352);
    for (uint32_t b = 0; b < blocks.size() / unit; ++b) {
      uint8_t sector[2352] = {};
      if (t.kind == TrackKind::Mode1) {
        encodeMode1Sector(first + b, blocks.data() + size_t(b) * unit, sector);
      } else {
        std::memcpy(sector, blocks.data() + size_t(b) * unit, unit);
        if (t.kind == TrackKind::Mode2Raw && (b < lead || b >= lead + t.sourceBlocks())) {
          // a drive's Mode 2 pause: sync, header, zeros
          uint8_t user[2048] = {};
          encodeMode1Sector(first + b, user, sector);
          sector[15] = 2;
          std::memset(sector + 16, 0, 2336);
        }
      }
      disc.insert(disc.end(), sector, sector + 2352);
    }
  }
  return disc;
}

class LayoutBurnTest : public ::testing::Test {
 protected:
  // Each state folder holds its own medium; a second recorder on one sees what the first wrote.
  std::unique_ptr<VirtualRecorder> recorder(json r, const std::string& stateName = "state") {
    r["name"] = "CdRom0";
    json doc = {{"recorders", json::array({r})}};
    VirtualSetup setup = parseVirtualSetup(doc.dump(), dir_.path().string(), "\"test.json\"");
    const std::string state = (dir_.path() / stateName).string();
    createStateFolder(state);
    return std::make_unique<VirtualRecorder>(setup.recorders.at(0), state, nullptr);
  }

  testcommon::TempDir dir_;
};

struct BurnCase {
  const char* name;
  WriteMode mode;
  std::vector<TrackSpec> tracks;
  Bytes cdText;
  std::string catalog;
};

TEST_F(LayoutBurnTest, LayoutsReadBackAsLaidOut) {
  const BurnCase cases[] = {
      {"album in session-at-once",
       WriteMode::Sao,
       {{TrackKind::Audio, 200, 150, 0, "DEXYZ2600001", false},
        {TrackKind::Audio, 120, 150, 30, "", true},
        {TrackKind::Audio, 90, 0, 0, "DEXYZ2600003", false}},
       Bytes(18 * 4, 0x8F),
       "4012345678901"},
      {"mixed disc", WriteMode::Sao, {{TrackKind::Mode1, 300}, {TrackKind::Audio, 100}, {TrackKind::Mode2Raw, 40}}, {}, ""},
      {"album in track-at-once", WriteMode::Tao, {{TrackKind::Audio, 80}, {TrackKind::Audio, 60}}, {}, ""},
  };
  for (const BurnCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto layout = makeLayout(c.tracks);
    layout->catalog = c.catalog;
    BurnJob job = makeJob(layout, c.mode, c.cdText);
    {
      auto dev = recorder(testcommon::cdRecorder(0, "cd-rw"), c.name);
      Observer obs;
      ASSERT_NO_THROW(dev->burn(job, obs));
      EXPECT_EQ(obs.done_, obs.total_);
      EXPECT_EQ(obs.tracks_.size(), c.tracks.size());
      EXPECT_EQ(obs.tracks_.back(), std::make_pair(uint32_t(c.tracks.size()), uint32_t(c.tracks.size())));
    }
    // A new recorder on the same state: another process sees the same disc.
    auto dev = recorder(testcommon::cdRecorder(0, "cd-rw"), c.name);
    const DiscwrightDiscInformation info = dev->discInformation();
    EXPECT_EQ(info.DiscStatus, DW_DISC_COMPLETE);
    EXPECT_EQ(info.Sessions, 1);
    const DiscwrightTocInformation toc = dev->toc();
    ASSERT_EQ(toc.LastTrack, c.tracks.size());
    EXPECT_EQ(toc.LeadOutBlock, layout->leadOutBlock());
    for (size_t i = 0; i < c.tracks.size(); ++i) {
      const TrackSpec& s = c.tracks[i];
      EXPECT_EQ(toc.Entries[i].StartBlock, layout->startBlock(i)) << "track " << i + 1;
      EXPECT_EQ(toc.Entries[i].Control, (s.kind == TrackKind::Audio ? 0 : 4) | (s.copy ? 2 : 0));
      EXPECT_EQ(toc.Entries[i].Mode, s.kind == TrackKind::Audio ? 0 : s.kind == TrackKind::Mode1 ? 1 : 2);
      EXPECT_EQ(dev->trackInformation(uint8_t(i + 1)).StartBlock, layout->startBlock(i));
    }

    const Bytes expected = expectedRaw(*layout);
    ASSERT_EQ(expected.size(), size_t(layout->leadOutBlock()) * 2352);
    Bytes raw(expected.size());
    dev->readRawSectors(0, layout->leadOutBlock(), raw.data());
    for (size_t b = 0; b < raw.size() / 2352; ++b)
      ASSERT_EQ(0, std::memcmp(raw.data() + b * 2352, expected.data() + b * 2352, 2352)) << "block " << b;

    const CdFacts facts = dev->cdFacts();
    EXPECT_EQ(facts.cdText, c.cdText);
    EXPECT_EQ(facts.catalog, c.catalog);
    ASSERT_EQ(facts.pauses.size(), c.tracks.size());
    for (size_t i = 0; i < c.tracks.size(); ++i) {
      EXPECT_EQ(facts.pauses[i], i == 0 ? std::max(150u, c.tracks[i].pause) : c.tracks[i].pause);
      EXPECT_EQ(facts.isrcs[i], c.tracks[i].isrc);
    }

    // 2048-byte reads: data where a data track is, a drive's refusal on audio.
    for (size_t i = 0; i < c.tracks.size(); ++i) {
      Bytes block(2048);
      const uint32_t at = layout->startBlock(i);
      if (c.tracks[i].kind == TrackKind::Audio) {
        try {
          dev->readSectors(at, 1, block.data());
          ADD_FAILURE() << "an audio block read as data";
        } catch (const DwError& e) {
          EXPECT_EQ(e.code(), DW_E_IO);
          EXPECT_NE(std::string(e.what()).find("is audio"), std::string::npos) << e.what();
        }
      } else if (c.tracks[i].kind == TrackKind::Mode1) {
        dev->readSectors(at, 1, block.data());
        const auto& src = static_cast<const MemoryTrack&>(*layout->tracks[i].source).bytes();
        EXPECT_TRUE(std::equal(block.begin(), block.end(), src.begin()));
      }
    }
  }
}

TEST_F(LayoutBurnTest, DataDiscsReadRawAsMode1Sectors) {
  auto dev = recorder(testcommon::cdRecorder(0, "cd-r"));
  BurnJob job;
  job.mode = WriteMode::Sao;
  auto track = std::make_shared<MemoryTrack>(Bytes(3 * 2048, 0x5A), TrackKind::Mode1);
  job.tracks.push_back(track->open());
  Observer obs;
  dev->burn(job, obs);
  Bytes raw(3 * 2352), user(2048);
  dev->readRawSectors(0, 3, raw.data());
  std::string why;
  ASSERT_TRUE(mode1UserData(raw.data() + 2 * 2352, user.data(), &why)) << why;
  EXPECT_EQ(user, Bytes(2048, 0x5A));
  EXPECT_EQ(raw[2 * 2352 + 14], 0x02);  // block 2 is 00:02:02
  EXPECT_EQ(dev->cdFacts().pauses, std::vector<uint32_t>{150});
}

TEST_F(LayoutBurnTest, RefusesWhatTheDiscOrModeCannotTake) {
  auto small = testcommon::cdRecorder(0, "cd-r");
  small["medium"]["capacity_bytes"] = 600 * 2048;  // 8 seconds
  auto saoOnly = testcommon::cdRecorder(0, "cd-r");
  saoOnly["write_modes"] = {"sao"};
  const std::vector<TrackSpec> album = {{TrackKind::Audio, 80}, {TrackKind::Audio, 60}};
  struct Refusal {
    const char* name;
    json recorder;
    WriteMode mode;
    std::vector<TrackSpec> tracks;
    Bytes cdText;
    uint8_t code;
    const char* says;
  } cases[] = {
      {"CD-TEXT in TAO", testcommon::cdRecorder(0, "cd-r"), WriteMode::Tao, album, Bytes(18, 1), DW_E_NOT_SUPPORTED,
       "Track-at-once writes no CD-TEXT: burn session-at-once"},
      {"no pause in TAO", testcommon::cdRecorder(0, "cd-r"), WriteMode::Tao,
       {{TrackKind::Audio, 80}, {TrackKind::Audio, 60, 0}}, {}, DW_E_NOT_SUPPORTED, "track 2 has one of 0 s"},
      {"postgap in TAO", testcommon::cdRecorder(0, "cd-r"), WriteMode::Tao, {{TrackKind::Audio, 80, 150, 75}}, {},
       DW_E_NOT_SUPPORTED, "no postgap"},
      {"mode not offered", saoOnly, WriteMode::Tao, album, {}, DW_E_NOT_SUPPORTED, "Track-At-Once"},
      {"too long", small, WriteMode::Sao, {{TrackKind::Audio, 500}, {TrackKind::Audio, 160}}, {}, DW_E_OUT_OF_SPACE,
       "they last 0:10 (minutes:seconds), the CD-R holds 0:08"},
      {"DVD", testcommon::dvdRecorder(0, "dvd+r"), WriteMode::Sao, album, {}, DW_E_NOT_SUPPORTED,
       "An audio CD needs a CD: the disc in CdRom0 is a DVD+R"},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.name);
    auto dev = recorder(c.recorder, c.name);
    BurnJob job = makeJob(makeLayout(c.tracks), c.mode, c.cdText);
    Observer obs;
    try {
      dev->burn(job, obs);
      ADD_FAILURE() << "burned";
    } catch (const DwError& e) {
      EXPECT_EQ(e.code(), c.code) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
    EXPECT_EQ(dev->discInformation().DiscStatus, DW_DISC_BLANK);
  }
}

TEST_F(LayoutBurnTest, ABrokenOffBurnLeavesAnUnfinishedSession) {
  const uint64_t at = 300 * 2352;  // in track 2, past its pause
  auto failing = testcommon::cdRecorder(0, "cd-r");
  failing["faults"] = {{"write_fails_at", at + 150 * 2352 + 1000}};
  struct Case {
    const char* name;
    json recorder;
    uint64_t cancelAfter;
    uint8_t code;
  } cases[] = {{"cancelled", testcommon::cdRecorder(0, "cd-r"), at, DW_E_CANCELLED},
               {"write error", failing, 0, DW_E_IO}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto dev = recorder(c.recorder, c.name);
    auto layout = makeLayout({{TrackKind::Audio, 300}, {TrackKind::Audio, 300}, {TrackKind::Audio, 300}});
    BurnJob job = makeJob(layout, WriteMode::Sao);
    job.fifoBytes = 256u << 10;
    Observer obs;
    obs.cancelAfter_ = c.cancelAfter;
    try {
      dev->burn(job, obs);
      ADD_FAILURE() << "not broken off";
    } catch (const DwError& e) {
      EXPECT_EQ(e.code(), c.code) << e.what();
    }
    const DiscwrightDiscInformation info = dev->discInformation();
    EXPECT_EQ(info.DiscStatus, DW_DISC_APPENDABLE);
    EXPECT_EQ(info.LastSessionStatus, DW_SESSION_INCOMPLETE);
    EXPECT_EQ(info.Tracks, 2);
    EXPECT_FALSE(dev->trackInformation(1).Damaged);
    EXPECT_TRUE(dev->trackInformation(2).Damaged);
    // What was written reads back as it was sent; the disc takes nothing more.
    Bytes raw(2352 * 10);
    dev->readRawSectors(290, 10, raw.data());
    const auto& src = static_cast<const MemoryTrack&>(*layout->tracks[0].source).bytes();
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), src.begin() + 290 * 2352));
    BurnJob again = makeJob(layout, WriteMode::Sao);
    EXPECT_THROW(dev->burn(again, obs), DwError);
  }
}

TEST_F(LayoutBurnTest, AProcessThatDiedMidBurnLeavesABrokenOffDisc) {
  const std::string state = (dir_.path() / "state").string();
  { auto dev = recorder(testcommon::cdRecorder(0, "cd-r")); }  // a blank disc stored
  // What a layout burn records before its first byte, and 40 blocks that reached the file.
  const std::string layoutPath = state + "/CdRom0.medium.json";
  const Bytes text = testcommon::readFile(layoutPath);
  json stored = json::parse(text.begin(), text.end());
  stored["writing"] = {{"start", 0}, {"raw", true}};
  std::ofstream(layoutPath, std::ios::trunc) << stored.dump();
  std::ofstream(state + "/CdRom0.medium", std::ios::binary | std::ios::trunc) << std::string(40 * 2352 - 100, '\x11');

  auto dev = recorder(testcommon::cdRecorder(0, "cd-r"));
  EXPECT_EQ(dev->discInformation().LastSessionStatus, DW_SESSION_INCOMPLETE);
  EXPECT_EQ(dev->toc().LeadOutBlock, 40u);
  Bytes raw(2352);
  dev->readRawSectors(39, 1, raw.data());
  EXPECT_EQ(raw[0], 0x11);
}

TEST_F(LayoutBurnTest, ATestWriteIsPacedAtTheWriteSpeed) {
  auto r = testcommon::cdRecorder(0, "cd-r");
  r["time_scale"] = 0.25;
  auto dev = recorder(r);
  dev->setSpeeds(DISCWRIGHT_SPEED_MAX, 706);  // 4x: 300 blocks a second, 1200 at this scale
  BurnJob job = makeJob(makeLayout({{TrackKind::Audio, 75}, {TrackKind::Audio, 75}}), WriteMode::Sao);
  job.testWrite = true;
  Observer obs;
  const auto began = std::chrono::steady_clock::now();
  dev->burn(job, obs);
  const auto took = std::chrono::steady_clock::now() - began;
  // 300 blocks with the pause between the tracks: a quarter of a second.
  EXPECT_GE(took, std::chrono::milliseconds(220));
  EXPECT_LT(took, std::chrono::milliseconds(1500));
  EXPECT_EQ(obs.done_, obs.total_);
  EXPECT_EQ(dev->discInformation().DiscStatus, DW_DISC_BLANK);  // a test write writes nothing
}

}  // namespace
