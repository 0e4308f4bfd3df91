// Discs with several sessions as readers see them: where each session starts
// (past the lead-out and lead-in on CD kinds), what GetSessionInformation
// reads of it, and layouts saved before the gap. A session that broke off:
// tests/cli/test_cli_sessions.cpp, across processes.
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "discwright/test_support.h"

namespace dwtest {
namespace {

// An image of blocks blocks with a primary volume descriptor at its block 16.
void volumeImage(const fs::path& path, uint32_t blocks, const std::string& label, const std::string& created) {
  Bytes image(uint64_t(blocks) * 2048, 0);
  uint8_t* pvd = image.data() + 16 * 2048;
  pvd[0] = 1;
  std::memcpy(pvd + 1, "CD001", 5);
  std::memset(pvd + 40, ' ', 32);
  std::memcpy(pvd + 40, label.data(), label.size());
  std::memcpy(pvd + 813, created.data(), created.size());
  pvd[829] = 8;  // UTC+2
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
}

DiscwrightSessionInformation sessionInfo(DiscwrightHandle g, uint16_t n, uint8_t expected = DW_E_OK) {
  Triple t;
  DiscwrightSessionInformation info{};
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetSessionInformation(g, DW_ARGS(t), n, &info), expected));
  return info;
}

uint8_t taoMulti(DiscwrightHandle g, const fs::path& image) {
  Triple t;
  uint8_t code = Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(g, DW_ARGS(t), testcommon::utf8(image).c_str(), 1, 0,
                                                                  1, 0, 0);
  if (code == DW_E_OK) {
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CloseSession(g, DW_ARGS(t))));
  }
  return code;
}

class SessionsTest : public LibraryTest {};

TEST_F(SessionsTest, ThreeSessionsLieWhereTheKindPutsThem) {
  struct Case {
    json recorder;
    std::vector<uint32_t> starts;  // of sessions 1 to 3, then the next writable block
  };
  const std::vector<Case> cases = {
      {cdRecorder(0), {0, 20 + 11'400, 11'420 + 30 + 6'900, 18'350 + 40 + 6'900}},
      {dvdRecorder(0, "DVD-R"), {0, 20, 50, 90}},
  };
  const std::vector<std::pair<uint32_t, std::string>> sessions = {{20, "ONE"}, {30, "TWO"}, {40, "THREE"}};
  for (size_t i = 0; i < sessions.size(); ++i)
    volumeImage(dir_ / ("s" + std::to_string(i) + ".iso"), sessions[i].first, sessions[i].second,
                "2024050112000000");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.recorder["medium"]["type"].get<std::string>());
    start({c.recorder});
    Grabber g = openGrabber("CdRom0");
    for (size_t i = 0; i < sessions.size(); ++i) ASSERT_EQ(taoMulti(g, dir_ / ("s" + std::to_string(i) + ".iso")), 0);
    for (uint16_t n = 1; n <= 3; ++n) {
      auto s = sessionInfo(g, n);
      EXPECT_EQ(s.Valid, 1);
      EXPECT_EQ(uint16_t(s.Number), n);  // a copy: the packed field may lie at an odd address
      EXPECT_EQ(s.StartBlock, c.starts[n - 1u]);
      EXPECT_EQ(s.SizeBlocks, sessions[n - 1u].first);
      EXPECT_EQ(s.Status, DW_SESSION_COMPLETE);
      EXPECT_EQ(s.Damaged, 0);
      EXPECT_EQ(s.HasIso9660, 1);
      EXPECT_STREQ(s.VolumeLabel, sessions[n - 1u].second.c_str());
      EXPECT_STREQ(s.Created, "2024050112000000");
      EXPECT_EQ(s.CreatedZone, 8);
    }
    auto disc = discInfo(g);
    EXPECT_EQ(disc.Sessions, 3);
    EXPECT_EQ(disc.LastSessionStart, c.starts[2]);
    EXPECT_EQ(disc.NextWritable, c.starts[3]);
    EXPECT_EQ(disc.FreeBlocks, disc.CapacityBlocks - c.starts[3]);
    Triple t;
    Bytes block(2048);
    // A gap reads as unrecorded disc does.
    uint8_t gapRead = Discwright_CdvdBurnerGrabber_ReadSectors(g, DW_ARGS(t), c.starts[1] - 1, 1, block.data());
    EXPECT_EQ(gapRead, c.starts[1] == 20 ? DW_E_OK : DW_E_IO);
    sessionInfo(g, 0, DW_E_INVALID_ARGUMENT);
    sessionInfo(g, 4, DW_E_INVALID_ARGUMENT);
    g.reset();
    stop();
    fs::remove_all(stateFolder());
  }
}

TEST_F(SessionsTest, ALayoutSavedWithoutGapsStillLoads) {
  start({cdRecorder(0)});
  makeImage(dir_ / "a.iso", 15 * 2048, 1);
  {
    Grabber g = openGrabber("CdRom0");
    ASSERT_EQ(taoMulti(g, dir_ / "a.iso"), DW_E_OK);
  }
  stop();
  // As an earlier version saved two closed sessions: three elements per track, no gap between them.
  const fs::path layout = stateFolder() / "CdRom0.medium.json";
  json j = json::parse(std::ifstream(layout));
  j["tracks"] = {{0, 10, 1}, {10, 5, 2}};
  j["closed_sessions"] = 2;
  std::ofstream(layout) << j.dump();
  restart();
  Grabber g = openGrabber("CdRom0");
  EXPECT_EQ(sessionInfo(g, 2).StartBlock, 10u);
  EXPECT_EQ(discInfo(g).NextWritable, 15u + 6'900);
  ASSERT_EQ(taoMulti(g, dir_ / "a.iso"), DW_E_OK);
  EXPECT_EQ(sessionInfo(g, 3).StartBlock, 15u + 6'900);
}

}  // namespace
}  // namespace dwtest
