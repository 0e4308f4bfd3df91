// Injected faults of emulated recorders, and media that outlive the session.
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "discwright/test_support.h"

namespace dwtest {
namespace {

uint8_t tao(DiscwrightHandle g, Triple& t, const fs::path& image, bool multiSession = false) {
  return Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(g, DW_ARGS(t), testcommon::utf8(image).c_str(), 1, 0, multiSession, 1, 0);
}

class FaultTest : public LibraryTest {};

TEST_F(FaultTest, FailingOperationGivesExactlyTheConfiguredTriple) {
  auto r = cdRecorder(0);
  r["faults"] = {{"operations",
                  {{"SetSpeeds", {{"exception", 10}, {"status", 197632}, {"text", "Speed change refused by the drive"}}},
                   {"TrackAtOnceFromFile", {{"exception", DW_E_NOT_READY}}}}}};
  auto unopenable = cdRecorder(1);
  unopenable["faults"] = {{"operations", {{"CreateEx", {{"exception", DW_E_NOT_READY}, {"text", "Becoming ready"}}}}}};
  start({r, unopenable});
  makeImage(dir_ / "a.iso", 4096, 1);
  Grabber g = openGrabber("CdRom0");
  Triple t;

  EXPECT_EQ(Discwright_CdvdBurnerGrabber_SetSpeeds(g, DW_ARGS(t), 1000, 1000), 10);
  EXPECT_EQ(t.status, 197632u);
  EXPECT_STREQ(t.text, "Speed change refused by the drive");

  // Every other operation works, the burn call named in the faults excepted.
  uint32_t speeds[4];
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetSpeeds(g, DW_ARGS(t), &speeds[0], &speeds[1], &speeds[2],
                                                             &speeds[3])));
  EXPECT_EQ(t.status, 0u);
  EXPECT_STREQ(t.text, "");
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_TestUnitReady(g, DW_ARGS(t))));
  EXPECT_TRUE(t.check(tao(g, t, dir_ / "a.iso"), DW_E_NOT_READY));
  EXPECT_NE(std::string(t.text).find("TrackAtOnceFromFile"), std::string::npos) << t.text;
  EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_BLANK);
  auto layout = sessionLayout({dir_ / "a.iso"});
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_SessionAtOnce(g, DW_ARGS(t), layout.get(), 0, 0, 1, 1, 0)));

  // A failing open by name leaves the open by address working.
  Triple u;
  DiscwrightHandle h = 5;
  EXPECT_EQ(Discwright_CdvdBurnerGrabber_CreateEx(&h, DW_ARGS(u), nullptr, nullptr, "CdRom1", 0), DW_E_NOT_READY);
  EXPECT_STREQ(u.text, "Becoming ready");
  EXPECT_EQ(h, 0u);
  ASSERT_TRUE(u.check(Discwright_CdvdBurnerGrabber_Create(&h, DW_ARGS(u), nullptr, nullptr, 1, 0, 1, 0, 0)));
  Grabber byAddress(h);
  EXPECT_TRUE(u.check(Discwright_CdvdBurnerGrabber_TestUnitReady(byAddress, DW_ARGS(u))));
}

TEST_F(FaultTest, WriteFailureKeepsWhatWasWritten) {
  constexpr uint64_t kFailsAt = 300'000;  // inside the second piece the burn hands over
  auto r = cdRecorder(0);
  r["faults"] = {{"write_fails_at", kFailsAt}};
  start({r});
  Grabber g = openGrabber("CdRom0");
  Bytes image = makeImage(dir_ / "a.iso", 1 << 20, 1);
  Triple t;

  EXPECT_TRUE(t.check(tao(g, t, dir_ / "a.iso"), DW_E_IO));
  EXPECT_EQ(t.status >> 16, 0x03u) << "sense key MEDIUM ERROR";
  auto disc = discInfo(g);
  EXPECT_NE(disc.DiscStatus, DW_DISC_BLANK);
  EXPECT_EQ(usedBytes(g), blocksFor(kFailsAt) * 2048);
  Bytes medium = readBlocks(g, 0, uint32_t(blocksFor(kFailsAt)));
  ASSERT_GE(medium.size(), kFailsAt);
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + kFailsAt, medium.begin()))
      << "the bytes before the failure are on the medium";
}

TEST_F(FaultTest, MediumRemovedDuringTheBurn) {
  auto r = cdRecorder(0);
  r["faults"] = {{"medium_removed_at", 100'000}};
  start({r});
  Grabber g = openGrabber("CdRom0");
  makeImage(dir_ / "a.iso", 1 << 20, 1);
  Triple t;

  EXPECT_TRUE(t.check(tao(g, t, dir_ / "a.iso"), DW_E_NO_MEDIUM));
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_TestUnitReady(g, DW_ARGS(t)), DW_E_NO_MEDIUM));
  uint8_t type = 0;
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetInsertedDiscType(g, DW_ARGS(t), &type)));
  EXPECT_EQ(type, DISC_TYPE_NO_MEDIA);
  EXPECT_TRUE(t.check(tao(g, t, dir_ / "a.iso"), DW_E_NO_MEDIUM));
  // Put back in, the disc shows what reached it before it was taken out.
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CloseTray(g, DW_ARGS(t))));
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_TestUnitReady(g, DW_ARGS(t))));
  auto disc = discInfo(g);
  EXPECT_EQ(disc.DiscStatus, DW_DISC_APPENDABLE);
  EXPECT_EQ(disc.LastSessionStatus, DW_SESSION_INCOMPLETE);
  EXPECT_EQ(usedBytes(g), blocksFor(100'000) * 2048);
}

TEST_F(FaultTest, CorruptByteIsTheOnlyDifference) {
  constexpr uint64_t kCorrupt = 70'001;
  auto r = cdRecorder(0);
  r["faults"] = {{"corrupt_byte_at", kCorrupt}};
  start({r});
  Grabber g = openGrabber("CdRom0");
  Bytes image = makeImage(dir_ / "a.iso", 600'000, 1);
  Triple t;

  ASSERT_TRUE(t.check(tao(g, t, dir_ / "a.iso")));
  Bytes medium = readBlocks(g, 0, uint32_t(blocksFor(image.size())));
  ASSERT_GE(medium.size(), image.size());
  std::vector<uint64_t> differences;
  for (uint64_t i = 0; i < image.size(); ++i)
    if (medium[i] != image[i]) differences.push_back(i);
  EXPECT_EQ(differences, std::vector<uint64_t>{kCorrupt});
}

class PersistenceTest : public LibraryTest {};

TEST_F(PersistenceTest, BurnedMediumOutlivesTheSession) {
  start({cdRecorder(0), cdRecorder(1)});
  Bytes first = makeImage(dir_ / "a.iso", 50'000, 1);
  Bytes second = makeImage(dir_ / "b.iso", 9'000, 2);
  Triple t;
  {
    Grabber closed = openGrabber("CdRom0");
    ASSERT_TRUE(t.check(tao(closed, t, dir_ / "a.iso", true)));
    ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CloseSession(closed, DW_ARGS(t))));
    Grabber open = openGrabber("CdRom1");
    ASSERT_TRUE(t.check(tao(open, t, dir_ / "b.iso")));
  }
  restart();

  Grabber closed = openGrabber("CdRom0");
  auto disc = discInfo(closed);
  EXPECT_EQ(disc.DiscStatus, DW_DISC_APPENDABLE);
  EXPECT_EQ(disc.LastSessionStatus, DW_SESSION_COMPLETE);
  EXPECT_EQ(disc.Sessions, 1);
  const uint32_t next = uint32_t(blocksFor(50'000)) + 11'400;  // past the session's lead-out and the next lead-in
  EXPECT_EQ(usedBytes(closed), uint64_t(next) * 2048);
  EXPECT_TRUE(mediumHolds(closed, 0, first));
  // The kept disc goes on where the next session may start.
  ASSERT_TRUE(t.check(tao(closed, t, dir_ / "b.iso", true)));
  EXPECT_TRUE(mediumHolds(closed, next, second));

  // A session left open is still open, and can be closed now.
  Grabber open = openGrabber("CdRom1");
  EXPECT_EQ(discInfo(open).LastSessionStatus, DW_SESSION_INCOMPLETE);
  EXPECT_TRUE(mediumHolds(open, 0, second));
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CloseSession(open, DW_ARGS(t))));
  EXPECT_EQ(discInfo(open).DiscStatus, DW_DISC_COMPLETE);
  restart();
  EXPECT_EQ(discInfo(openGrabber("CdRom1")).DiscStatus, DW_DISC_COMPLETE);
}

TEST_F(PersistenceTest, FreshMediaAtStart) {
  auto fresh = cdRecorder(0);
  fresh["medium"]["fresh_at_start"] = true;
  auto kept = cdRecorder(1);
  auto keptAlways = cdRecorder(2);
  keptAlways["medium"]["fresh_at_start"] = false;  // wins over the top-level default
  makeImage(dir_ / "a.iso", 8192, 1);
  auto burnAll = [&] {
    for (const char* name : {"CdRom0", "CdRom1", "CdRom2"}) {
      Triple t;
      ASSERT_TRUE(t.check(tao(openGrabber(name), t, dir_ / "a.iso", true))) << name;
    }
  };
  auto statusOf = [](const char* name) { return discInfo(openGrabber(name)).DiscStatus; };

  start({fresh, kept, keptAlways});
  burnAll();
  restart();
  EXPECT_EQ(statusOf("CdRom0"), DW_DISC_BLANK);
  EXPECT_EQ(statusOf("CdRom1"), DW_DISC_APPENDABLE);
  EXPECT_EQ(statusOf("CdRom2"), DW_DISC_APPENDABLE);

  start({fresh, kept, keptAlways}, {{"fresh_media_at_start", true}});
  EXPECT_EQ(statusOf("CdRom0"), DW_DISC_BLANK);
  EXPECT_EQ(statusOf("CdRom1"), DW_DISC_BLANK);
  EXPECT_EQ(statusOf("CdRom2"), DW_DISC_APPENDABLE);
  EXPECT_EQ(usedBytes(openGrabber("CdRom2")), 4u * 2048);
}

TEST_F(PersistenceTest, WrittenMediumHoldsItsContentFile) {
  Bytes content = makeImage(dir_ / "content.bin", 123'457, 7);
  auto r = dvdRecorder(0, "DVD-R");
  // Relative to the configuration's folder.
  r["medium"] = {{"type", "DVD-R"}, {"state", "complete"}, {"content_file", "content.bin"}};
  start({r});
  Grabber g = openGrabber("CdRom0");
  EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_COMPLETE);
  EXPECT_EQ(usedBytes(g), blocksFor(content.size()) * 2048);
  EXPECT_TRUE(mediumHolds(g, 0, content));
}

TEST_F(PersistenceTest, ChangedMediumKindOrSizeStartsFromTheConfiguration) {
  makeImage(dir_ / "a.iso", 8192, 1);
  auto r = cdRecorder(0, "CD-R");
  start({r});
  {
    Triple t;
    ASSERT_TRUE(t.check(tao(openGrabber("CdRom0"), t, dir_ / "a.iso", true)));
  }

  r["medium"]["type"] = "CD-RW";
  start({r});
  Grabber g = openGrabber("CdRom0");
  auto disc = discInfo(g);
  EXPECT_EQ(disc.DiscType, DISC_TYPE_CDRW);
  EXPECT_EQ(disc.DiscStatus, DW_DISC_BLANK);
  EXPECT_EQ(usedBytes(g), 0u);
  {
    Triple t;
    ASSERT_TRUE(t.check(tao(g, t, dir_ / "a.iso", true)));
  }

  r["medium"]["capacity_bytes"] = 1000 * 2048;
  start({r});
  disc = discInfo(openGrabber("CdRom0"));
  EXPECT_EQ(disc.DiscStatus, DW_DISC_BLANK);
  EXPECT_EQ(disc.CapacityBlocks, 1000u);
}

TEST_F(PersistenceTest, ConfiguredStateFolderServesWhenTheStartUpNamesNone) {
  // Relative to the configuration's folder, which is this test's folder.
  writeConfig(configPath(), {cdRecorder(0)}, {{"state_folder", "media"}});
  makeImage(dir_ / "a.iso", 8192, 1);
  std::string config = configPath().string();
  DiscwrightStartup startup{};
  startup.Size = sizeof startup;
  startup.VirtualConfig = config.c_str();
  startup.TimeScale = -1;
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    ASSERT_EQ(Discwright_UpStartEx(&startup), DW_E_OK);
    {
      Grabber g = openGrabber("CdRom0");
      Triple t;
      if (run == 0) EXPECT_TRUE(t.check(tao(g, t, dir_ / "a.iso", true)));
      else EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_APPENDABLE);
    }
    Discwright_DownShut();
    EXPECT_TRUE(fs::is_directory(dir_ / "media"));
    EXPECT_FALSE(fs::is_empty(dir_ / "media"));
  }
}

}  // namespace
}  // namespace dwtest
