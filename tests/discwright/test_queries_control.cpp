// What a device tells about itself and its medium, and the tray, lock, speed
// and underrun-protection controls.
#include <array>
#include <cstring>
#include <string>

#include "discwright/test_support.h"

namespace dwtest {
namespace {

constexpr uint32_t kCdBlocks = 359'847;  // the capacity of an 80-minute CD-R
constexpr uint32_t kFirstGap = 11'400;   // lead-out and lead-in after a CD's first session

class QueriesTest : public LibraryTest {
 protected:
  struct SpeedReport {
    uint32_t currentRead = 0, maximumRead = 0, currentWrite = 0, maximumWrite = 0;
  };

  static SpeedReport speeds(DiscwrightHandle g) {
    SpeedReport s;
    Triple t;
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetSpeeds(g, DW_ARGS(t), &s.currentRead, &s.maximumRead,
                                                               &s.currentWrite, &s.maximumWrite)));
    return s;
  }
  static uint32_t writeSpeedFor(DiscwrightHandle g, uint32_t request) {
    Triple t;
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_SetSpeeds(g, DW_ARGS(t), DISCWRIGHT_SPEED_MAX, request)));
    return speeds(g).currentWrite;
  }
  static uint8_t discType(DiscwrightHandle g) {
    Triple t;
    uint8_t type = 0xEE;
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetInsertedDiscType(g, DW_ARGS(t), &type)));
    return type;
  }
  static DiscwrightTrackInformation trackInfo(DiscwrightHandle g, uint8_t track) {
    Triple t;
    DiscwrightTrackInformation info{};
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetTrackInformation(g, DW_ARGS(t), track, &info)));
    return info;
  }
  static uint8_t testUnitReady(DiscwrightHandle g) {
    Triple t;
    return Discwright_CdvdBurnerGrabber_TestUnitReady(g, DW_ARGS(t));
  }
};

TEST_F(QueriesTest, DeviceInformationComesFromTheConfiguration) {
  auto r = cdRecorder(0);
  r["vendor"] = "KORVANEL";
  r["product"] = "Bench Writer 52x";
  r["revision"] = "3.14";
  r["buffer_size"] = 4194304;
  start({r});
  Grabber g = openGrabber("CdRom0");

  Triple t;
  char vendor[DISCWRIGHT_TEXT_SIZE], product[DISCWRIGHT_TEXT_SIZE], revision[DISCWRIGHT_TEXT_SIZE];
  uint32_t bufferSize = 0;
  ASSERT_TRUE(t.check(
      Discwright_CdvdBurnerGrabber_GetDeviceInformation(g, DW_ARGS(t), vendor, product, revision, &bufferSize)));
  EXPECT_STREQ(vendor, "KORVANEL");
  EXPECT_STREQ(product, "Bench Writer 52x");
  EXPECT_STREQ(revision, "3.14");
  EXPECT_EQ(bufferSize, 4194304u);
  EXPECT_TRUE(t.check(
      Discwright_CdvdBurnerGrabber_GetDeviceInformation(g, DW_ARGS(t), vendor, nullptr, revision, &bufferSize),
      DW_E_INVALID_ARGUMENT));
}

TEST_F(QueriesTest, FormatAndModeFlagsSitAtTheirPositions) {
  auto r = cdRecorder(0);
  r["media_formats"] = {"read_dvd", "test_write", "write_dvdram", "read_dvdplusr", "write_dvdplusr_dl"};
  r["write_modes"] = {"sao", "dao_raw"};
  r["read_modes"] = {"cdda_accurate", "raw_pw"};
  start({r});
  Grabber g = openGrabber("CdRom0");
  Triple t;

  std::array<uint8_t, DW_FMT_COUNT> formats;
  formats.fill(0xEE);
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetSupportedMediaFormats(g, DW_ARGS(t), formats.data())));
  std::array<uint8_t, DW_FMT_COUNT> wantFormats{};
  wantFormats[DW_FMT_READ_DVD] = wantFormats[DW_FMT_TEST_WRITE] = wantFormats[DW_FMT_WRITE_DVDRAM] = 1;
  EXPECT_EQ(formats, wantFormats);

  std::array<uint8_t, DW_FMTX_COUNT> ex;
  ex.fill(0xEE);
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetSupportedMediaFormatsExEx(g, DW_ARGS(t), ex.data())));
  std::array<uint8_t, DW_FMTX_COUNT> wantEx{};
  wantEx[DW_FMTX_READ_DVDPLUSR] = wantEx[DW_FMTX_WRITE_DVDPLUSR_DL] = 1;
  EXPECT_EQ(ex, wantEx);

  std::array<uint8_t, DW_WRITE_MODE_COUNT> writeModes;
  writeModes.fill(0xEE);
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_ProbeSupportedWriteModes(g, DW_ARGS(t), writeModes.data())));
  EXPECT_EQ(writeModes, (std::array<uint8_t, DW_WRITE_MODE_COUNT>{0, 1, 0, 1}));

  std::array<uint8_t, DW_READ_MODE_COUNT> readModes;
  readModes.fill(0xEE);
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_ProbeSupportedReadModes(g, DW_ARGS(t), readModes.data())));
  EXPECT_EQ(readModes, (std::array<uint8_t, DW_READ_MODE_COUNT>{0, 1, 0, 0, 1, 0}));
}

TEST_F(QueriesTest, EmptyOrOpenTrayHasNoMedium) {
  auto empty = cdRecorder(0);
  empty["medium"] = nullptr;
  auto open = cdRecorder(1);
  open["tray"] = "open";
  start({empty, open});

  for (const char* name : {"CdRom0", "CdRom1"}) {
    SCOPED_TRACE(name);
    Grabber g = openGrabber(name);
    Triple t;
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_TestUnitReady(g, DW_ARGS(t)), DW_E_NO_MEDIUM));
    EXPECT_EQ(t.status >> 8, 0x023Au) << "sense NOT READY, MEDIUM NOT PRESENT";
    EXPECT_EQ(discType(g), DISC_TYPE_NO_MEDIA);

    DiscwrightDiscInformation disc{};
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetDiscInformation(g, DW_ARGS(t), &disc), DW_E_NO_MEDIUM));
    uint64_t bytes = 0;
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetDiscUsedSpace(g, DW_ARGS(t), &bytes), DW_E_NO_MEDIUM));
    uint8_t sector[DISCWRIGHT_SECTOR_SIZE];
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_ReadSectors(g, DW_ARGS(t), 0, 1, sector), DW_E_NO_MEDIUM));
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_SendOPC(g, DW_ARGS(t)), DW_E_NO_MEDIUM));
  }

  // Closing the open tray makes its medium accessible; the empty drive stays empty.
  Grabber g1 = openGrabber("CdRom1");
  Triple t;
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CloseTray(g1, DW_ARGS(t))));
  EXPECT_TRUE(t.check(testUnitReady(g1)));
  EXPECT_EQ(discType(g1), DISC_TYPE_CDR);
  Grabber g0 = openGrabber("CdRom0");
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CloseTray(g0, DW_ARGS(t))));
  EXPECT_EQ(testUnitReady(g0), DW_E_NO_MEDIUM);
}

TEST_F(QueriesTest, RecordsOfBlankAppendableAndCompleteMedia) {
  constexpr uint32_t kUsedBlocks = 5000;
  auto blank = cdRecorder(0);
  auto appendable = cdRecorder(1);
  appendable["medium"] = {{"type", "CD-RW"}, {"state", "appendable"}, {"used_bytes", kUsedBlocks * 2048 - 100}};
  auto complete = dvdRecorder(2, "DVD-R");
  complete["medium"] = {{"type", "DVD-R"}, {"state", "complete"}, {"used_bytes", kUsedBlocks * 2048}};
  start({blank, appendable, complete});
  Triple t;

  {
    SCOPED_TRACE("blank");
    Grabber g = openGrabber("CdRom0");
    auto disc = discInfo(g);
    EXPECT_EQ(disc.Valid, 1);
    EXPECT_EQ(disc.DiscStatus, DW_DISC_BLANK);
    EXPECT_EQ(disc.LastSessionStatus, DW_SESSION_EMPTY);
    EXPECT_EQ(disc.Erasable, 0);
    EXPECT_EQ(disc.DiscType, DISC_TYPE_CDR);
    EXPECT_EQ(disc.Sessions, 0);
    EXPECT_EQ(disc.Tracks, 0);
    EXPECT_EQ(disc.CapacityBlocks, kCdBlocks);
    EXPECT_EQ(disc.FreeBlocks, kCdBlocks);
    EXPECT_EQ(disc.UsedBlocks, 0u);
    EXPECT_EQ(disc.NextWritable, 0u);

    auto next = trackInfo(g, DISCWRIGHT_TRACK_INVISIBLE);
    EXPECT_EQ(next.Valid, 1);
    EXPECT_EQ(next.TrackNumber, 1);
    EXPECT_EQ(next.Blank, 1);
    EXPECT_EQ(next.NextWritableValid, 1);
    EXPECT_EQ(next.NextWritable, 0u);
    EXPECT_EQ(next.FreeBlocks, kCdBlocks);
    auto first = trackInfo(g, 1);  // on a blank disc track 1 is the invisible one
    EXPECT_EQ(first.Blank, 1);
    EXPECT_EQ(first.FreeBlocks, kCdBlocks);

    DiscwrightTrackInformation info{};
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetTrackInformation(g, DW_ARGS(t), 3, &info),
                        DW_E_INVALID_ARGUMENT));
    auto toc = std::make_unique<DiscwrightTocInformation>();
    uint8_t code = Discwright_CdvdBurnerGrabber_GetTOCInformation(g, DW_ARGS(t), toc.get());
    EXPECT_TRUE(code != DW_E_OK || toc->Valid == 0) << "a blank disc has no table of contents";
  }
  {
    SCOPED_TRACE("appendable");
    Grabber g = openGrabber("CdRom1");
    auto disc = discInfo(g);
    EXPECT_EQ(disc.DiscStatus, DW_DISC_APPENDABLE);
    EXPECT_EQ(disc.LastSessionStatus, DW_SESSION_COMPLETE);
    EXPECT_EQ(disc.Erasable, 1);
    EXPECT_EQ(disc.Sessions, 1);
    EXPECT_EQ(disc.Tracks, 1);
    // The closed session's lead-out and the next one's lead-in count as used.
    EXPECT_EQ(disc.UsedBlocks, kUsedBlocks + kFirstGap);
    EXPECT_EQ(disc.FreeBlocks, kCdBlocks - kUsedBlocks - kFirstGap);
    EXPECT_EQ(disc.NextWritable, kUsedBlocks + kFirstGap);
    EXPECT_LE(disc.FirstTrackLastSession, disc.LastTrackLastSession);

    auto written = trackInfo(g, 1);
    EXPECT_EQ(written.Valid, 1);
    EXPECT_EQ(written.TrackNumber, 1);
    EXPECT_EQ(written.SessionNumber, 1);
    EXPECT_EQ(written.Blank, 0);
    EXPECT_EQ(written.NextWritableValid, 0);
    EXPECT_EQ(written.StartBlock, 0u);
    EXPECT_EQ(written.SizeBlocks, kUsedBlocks);

    auto next = trackInfo(g, DISCWRIGHT_TRACK_INVISIBLE);
    EXPECT_EQ(next.TrackNumber, 2);
    EXPECT_EQ(next.SessionNumber, 2);
    EXPECT_EQ(next.Blank, 1);
    EXPECT_EQ(next.NextWritableValid, 1);
    EXPECT_EQ(next.NextWritable, kUsedBlocks + kFirstGap);
    EXPECT_EQ(next.FreeBlocks, kCdBlocks - kUsedBlocks - kFirstGap);

    auto toc = std::make_unique<DiscwrightTocInformation>();
    ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetTOCInformation(g, DW_ARGS(t), toc.get())));
    EXPECT_EQ(toc->Valid, 1);
    EXPECT_EQ(toc->FirstTrack, 1);
    EXPECT_EQ(toc->LastTrack, 1);
    EXPECT_EQ(toc->Sessions, 1);
    EXPECT_EQ(toc->LeadOutBlock, kUsedBlocks);
    EXPECT_EQ(toc->Entries[0].TrackNumber, 1);
    EXPECT_EQ(toc->Entries[0].Control, 4);
    EXPECT_EQ(toc->Entries[0].StartBlock, 0u);
    EXPECT_EQ(toc->Entries[0].SizeBlocks, kUsedBlocks);
    EXPECT_EQ(toc->Entries[1].TrackNumber, 0) << "only one track is listed";
  }
  {
    SCOPED_TRACE("complete");
    Grabber g = openGrabber("CdRom2");
    auto disc = discInfo(g);
    EXPECT_EQ(disc.DiscStatus, DW_DISC_COMPLETE);
    EXPECT_EQ(disc.LastSessionStatus, DW_SESSION_COMPLETE);
    EXPECT_EQ(disc.DiscType, DISC_TYPE_DVDR);
    EXPECT_EQ(disc.Sessions, 1);
    EXPECT_EQ(disc.Tracks, 1);
    EXPECT_EQ(disc.UsedBlocks, kUsedBlocks);
    EXPECT_EQ(disc.FreeBlocks, 0u);
    EXPECT_EQ(disc.NextWritable, 0u);
    // The only session holds the only track.
    EXPECT_EQ(disc.FirstTrackLastSession, 1);
    EXPECT_EQ(disc.LastTrackLastSession, 1);
    EXPECT_EQ(disc.LastSessionStart, 0u);

    auto next = trackInfo(g, DISCWRIGHT_TRACK_INVISIBLE);
    EXPECT_EQ(next.Blank, 0);
    EXPECT_EQ(next.NextWritableValid, 0);
    EXPECT_EQ(next.FreeBlocks, 0u);
    uint32_t freeBlocks = 1;
    uint64_t freeBytes = 1;
    ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetDiscFreeSpace(g, DW_ARGS(t), 3, &freeBlocks, &freeBytes)));
    EXPECT_EQ(freeBlocks, 0u);
    EXPECT_EQ(freeBytes, 0u);
  }
}

TEST_F(QueriesTest, FreeAndUsedSpace) {
  auto appendable = cdRecorder(1);
  appendable["medium"] = {{"type", "CD-R"}, {"state", "appendable"}, {"used_bytes", 1000 * 2048 + 1}};
  start({cdRecorder(0), appendable});
  Triple t;

  Grabber blank = openGrabber("CdRom0");
  uint32_t freeBlocks = 0;
  uint64_t freeBytes = 0;
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetDiscFreeSpace(blank, DW_ARGS(t), 3, &freeBlocks, &freeBytes)));
  EXPECT_EQ(freeBlocks, kCdBlocks);
  EXPECT_EQ(freeBytes, uint64_t(kCdBlocks) * 2048);
  EXPECT_EQ(usedBytes(blank), 0u);
  // Only what is asked for is filled.
  freeBlocks = 7;
  freeBytes = 7;
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetDiscFreeSpace(blank, DW_ARGS(t), 2, nullptr, &freeBytes)));
  EXPECT_EQ(freeBytes, uint64_t(kCdBlocks) * 2048);
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetDiscFreeSpace(blank, DW_ARGS(t), 1, &freeBlocks, nullptr)));
  EXPECT_EQ(freeBlocks, kCdBlocks);

  Grabber used = openGrabber("CdRom1");
  EXPECT_EQ(usedBytes(used), (1001u + kFirstGap) * 2048);
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetDiscFreeSpace(used, DW_ARGS(t), 3, &freeBlocks, &freeBytes)));
  EXPECT_EQ(freeBlocks, kCdBlocks - 1001 - kFirstGap);
  EXPECT_EQ(freeBytes, uint64_t(kCdBlocks - 1001 - kFirstGap) * 2048);
}

TEST_F(QueriesTest, WriteSpeedIsTheHighestSupportedNotAboveTheRequest) {
  json bd = dvdRecorder(1, "BD-R");
  bd["write_speeds"] = {{"bd", {4495, 53940, 71920}}};
  start({cdRecorder(0), bd});  // CD speeds 706, 1411, 2822, 5645, 8467
  Grabber g = openGrabber("CdRom0");

  EXPECT_EQ(writeSpeedFor(g, 2822), 2822u);
  EXPECT_EQ(writeSpeedFor(g, 5644), 2822u);
  EXPECT_EQ(writeSpeedFor(g, 5645), 5645u);
  EXPECT_EQ(writeSpeedFor(g, 9000), 8467u);
  EXPECT_EQ(writeSpeedFor(g, 100), 706u) << "below the slowest speed the slowest is taken";
  EXPECT_EQ(writeSpeedFor(g, DISCWRIGHT_SPEED_MAX), 8467u);
  EXPECT_EQ(speeds(g).maximumWrite, 8467u);

  Triple t;
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_SetSpeeds(g, DW_ARGS(t), 4000, DISCWRIGHT_SPEED_MAX)));
  auto s = speeds(g);
  EXPECT_EQ(s.maximumRead, 7056u);
  EXPECT_EQ(s.currentRead, 4000u);
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_SetSpeeds(g, DW_ARGS(t), DISCWRIGHT_SPEED_MAX, 1411)));
  s = speeds(g);
  EXPECT_EQ(s.currentRead, 7056u);
  EXPECT_EQ(s.currentWrite, 1411u);

  // A refused request leaves the speeds as they were.
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_SetSpeeds(g, DW_ARGS(t), 0, 2822), DW_E_INVALID_ARGUMENT));
  EXPECT_EQ(speeds(g).currentWrite, 1411u);

  // 16x BD lies above 65535 KB/s, the request for the maximum.
  Grabber b = openGrabber("CdRom1");
  EXPECT_EQ(writeSpeedFor(b, DISCWRIGHT_SPEED_MAX), 71920u);
  EXPECT_EQ(writeSpeedFor(b, 65534), 53940u);
}

TEST_F(QueriesTest, SpeedTableFollowsTheMediumKind) {
  // DVD recorder: CD 1411, 2822, 5645; DVD 2770, 5540, 11080, 22160.
  start({dvdRecorder(0, "DVD+R"), dvdRecorder(1, "CD-R"), dvdReader(2)});
  Grabber dvd = openGrabber("CdRom0");
  Grabber cd = openGrabber("CdRom1");

  EXPECT_EQ(writeSpeedFor(dvd, 6000), 5540u);
  EXPECT_EQ(writeSpeedFor(cd, 6000), 5645u);
  EXPECT_EQ(writeSpeedFor(dvd, 1000), 2770u);
  EXPECT_EQ(writeSpeedFor(cd, 1000), 1411u);
  EXPECT_EQ(speeds(dvd).maximumWrite, 22160u);
  EXPECT_EQ(speeds(dvd).maximumRead, 22160u);
  EXPECT_EQ(speeds(cd).maximumWrite, 5645u);
  EXPECT_EQ(speeds(cd).maximumRead, 7056u);

  // The request is kept: with the DVD out of reach the CD table applies, and
  // the DVD speed comes back with the disc.
  EXPECT_EQ(writeSpeedFor(dvd, 6000), 5540u);
  Triple t;
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Eject(dvd, DW_ARGS(t))));
  EXPECT_EQ(speeds(dvd).currentWrite, 5645u);
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CloseTray(dvd, DW_ARGS(t))));
  EXPECT_EQ(speeds(dvd).currentWrite, 5540u);

  // A device that cannot write reports no write speed.
  Grabber reader = openGrabber("CdRom2");
  auto s = speeds(reader);
  EXPECT_EQ(s.currentWrite, 0u);
  EXPECT_EQ(s.maximumWrite, 0u);
  EXPECT_GT(s.maximumRead, 0u);
}

TEST_F(QueriesTest, BufferUnderrunProtection) {
  start({cdRecorder(0), dvdRecorder(1)});  // the CD recorder has it, the DVD recorder not
  Triple t;
  uint8_t enabled = 9, supported = 9;

  Grabber cd = openGrabber("CdRom0");
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetBUP(cd, DW_ARGS(t), &enabled, &supported)));
  EXPECT_EQ(supported, 1);
  EXPECT_EQ(enabled, 0);
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_SetBUP(cd, DW_ARGS(t), 1)));
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetBUP(cd, DW_ARGS(t), &enabled, &supported)));
  EXPECT_EQ(enabled, 1);
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_SetBUP(cd, DW_ARGS(t), 0)));
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetBUP(cd, DW_ARGS(t), &enabled, &supported)));
  EXPECT_EQ(enabled, 0);

  Grabber dvd = openGrabber("CdRom1");
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetBUP(dvd, DW_ARGS(t), &enabled, &supported)));
  EXPECT_EQ(supported, 0);
  EXPECT_EQ(enabled, 0);
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_SetBUP(dvd, DW_ARGS(t), 1), DW_E_NOT_SUPPORTED));
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetBUP(dvd, DW_ARGS(t), &enabled, &supported)));
  EXPECT_EQ(enabled, 0);
}

TEST_F(QueriesTest, LockKeepsTheTrayShutUntilReleased) {
  start({cdRecorder(0)});
  Grabber g = openGrabber("CdRom0");
  Triple t;

  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Lock(g, DW_ARGS(t))));
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Eject(g, DW_ARGS(t)), DW_E_LOCKED));
  EXPECT_EQ(t.status, 0x055302u) << "sense MEDIUM REMOVAL PREVENTED";
  EXPECT_TRUE(t.check(testUnitReady(g))) << "a refused eject leaves the medium in";

  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Release(g, DW_ARGS(t))));
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Eject(g, DW_ARGS(t))));
  EXPECT_EQ(testUnitReady(g), DW_E_NO_MEDIUM);
  EXPECT_EQ(discType(g), DISC_TYPE_NO_MEDIA);
  // Ejecting an open tray again is fine.
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Eject(g, DW_ARGS(t))));

  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CloseTray(g, DW_ARGS(t))));
  EXPECT_TRUE(t.check(testUnitReady(g)));
  EXPECT_EQ(discType(g), DISC_TYPE_CDR);
  EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_BLANK);
}

TEST_F(QueriesTest, LockBelongsToTheGrabberThatTookIt) {
  start({cdRecorder(0)});
  Grabber locker = openGrabber("CdRom0");
  Grabber other = openGrabber("CdRom0");
  Grabber bystander = openGrabber("CdRom0");
  Triple t;

  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Lock(locker, DW_ARGS(t))));
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Eject(other, DW_ARGS(t)), DW_E_LOCKED));
  // Another grabber going away does not unlock.
  bystander.reset();
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Eject(other, DW_ARGS(t)), DW_E_LOCKED));
  // Nor does a Release from a grabber that never locked.
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Release(other, DW_ARGS(t))));
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Eject(other, DW_ARGS(t)), DW_E_LOCKED));
  // The locking grabber going away does.
  locker.reset();
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Eject(other, DW_ARGS(t))));
  EXPECT_EQ(testUnitReady(other), DW_E_NO_MEDIUM);
}

TEST_F(QueriesTest, EveryLockHolderMustLetGo) {
  start({cdRecorder(0)});
  Grabber first = openGrabber("CdRom0");
  Grabber second = openGrabber("CdRom0");
  Grabber ejector = openGrabber("CdRom0");
  Triple t;

  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Lock(first, DW_ARGS(t))));
  // Locking twice from one grabber still takes one Release.
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Lock(first, DW_ARGS(t))));
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Lock(second, DW_ARGS(t))));
  second.reset();
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Eject(ejector, DW_ARGS(t)), DW_E_LOCKED))
      << "the first grabber still holds its lock";
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Release(first, DW_ARGS(t))));
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Eject(ejector, DW_ARGS(t))));
}

TEST_F(QueriesTest, RegionControlOnlyOnDvdReaders) {
  auto reader = dvdReader(0);
  reader["region"] = {{"scheme", 2}, {"region_mask", 0xFD}, {"vendor_resets", 3}, {"user_changes", 4},
                      {"type_code", 1}};
  start({reader, cdRecorder(1), dvdRecorder(2)});
  Triple t;
  // Each value goes to a buffer of its own; only the first byte counts.
  uint8_t values[5][DISCWRIGHT_RPC_VALUE_SIZE];
  std::memset(values, 0xEE, sizeof values);

  Grabber g = openGrabber("CdRom0");
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetRPC(g, DW_ARGS(t), values[0], values[1], values[2], values[3],
                                                         values[4])));
  EXPECT_EQ(values[0][0], 2);
  EXPECT_EQ(values[1][0], 0xFD);
  EXPECT_EQ(values[2][0], 3);
  EXPECT_EQ(values[3][0], 4);
  EXPECT_EQ(values[4][0], 1);

  // A DVD drive without its own region settings is an unset RPC-II drive.
  Grabber dvd = openGrabber("CdRom2");
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetRPC(dvd, DW_ARGS(t), values[0], values[1], values[2],
                                                         values[3], values[4])));
  EXPECT_EQ(values[0][0], 2);
  EXPECT_EQ(values[1][0], 0xFF);

  Grabber cd = openGrabber("CdRom1");
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetRPC(cd, DW_ARGS(t), values[0], values[1], values[2], values[3],
                                                         values[4]),
                      DW_E_NOT_SUPPORTED));
}

TEST_F(QueriesTest, PowerCalibrationNeedsARecordableMedium) {
  start({cdRecorder(0), dvdReader(1)});
  Triple t;
  Grabber cd = openGrabber("CdRom0");
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_SendOPC(cd, DW_ARGS(t))));
  Grabber reader = openGrabber("CdRom1");
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_SendOPC(reader, DW_ARGS(t)), DW_E_NOT_SUPPORTED));
}

}  // namespace
}  // namespace dwtest
