// Burning: what each write mode leaves on the medium, the states it leaves the
// disc in, progress and buffer reports, throttling, cancelling and refusals.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "discwright/test_support.h"

namespace dwtest {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

uint8_t tao(DiscwrightHandle g, Triple& t, const fs::path& image, bool multiSession = false, bool testWrite = false,
            bool report = true) {
  return Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(g, DW_ARGS(t), testcommon::utf8(image).c_str(), 1, testWrite, multiSession,
                                                          report, 0);
}

uint8_t sao(DiscwrightHandle g, Triple& t, const std::vector<fs::path>& images, bool closeDisc = true) {
  auto layout = sessionLayout(images);
  return Discwright_CdvdBurnerGrabber_SessionAtOnce(g, DW_ARGS(t), layout.get(), 0, 0, closeDisc, 1, 0);
}

uint8_t daoPq(DiscwrightHandle g, Triple& t, const std::vector<fs::path>& images) {
  auto table = trackTable(images);
  return Discwright_CdvdBurnerGrabber_DiscAtOncePQFromFile(g, DW_ARGS(t), table.get(), 1, 0, 0, 0, 1, 0);
}

uint8_t daoRaw(DiscwrightHandle g, Triple& t, const std::vector<fs::path>& images) {
  auto table = trackTable(images);
  return Discwright_CdvdBurnerGrabber_DiscAtOnceRawPWFromFile(g, DW_ARGS(t), table.get(), 1, 0, 0, 0, 1, 0);
}

uint8_t closeSession(DiscwrightHandle g) {
  Triple t;
  uint8_t code = Discwright_CdvdBurnerGrabber_CloseSession(g, DW_ARGS(t));
  EXPECT_TRUE(t.check(code));
  return code;
}

DiscwrightTrackInformation trackInfo(DiscwrightHandle g, uint8_t track) {
  Triple t;
  DiscwrightTrackInformation info{};
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetTrackInformation(g, DW_ARGS(t), track, &info)));
  return info;
}

void setWriteSpeed(DiscwrightHandle g, uint32_t speed) {
  Triple t;
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_SetSpeeds(g, DW_ARGS(t), DISCWRIGHT_SPEED_MAX, speed)));
}

// Progress must only grow, end at the total and pass every whole percent.
void expectFullProgress(const std::vector<CallbackRecorder::Progress>& progress, uint64_t total) {
  ASSERT_FALSE(progress.empty());
  std::set<uint64_t> percents;
  uint64_t last = 0;
  for (size_t i = 0; i < progress.size(); ++i) {
    const auto& p = progress[i];
    ASSERT_EQ(p.total, total) << "report " << i;
    ASSERT_LE(p.done, total) << "report " << i;
    ASSERT_GE(p.done, last) << "report " << i << " went back";
    last = p.done;
    percents.insert(p.done * 100 / total);
  }
  EXPECT_EQ(progress.back().done, total);
  for (uint64_t percent = 0; percent <= 100; ++percent) EXPECT_TRUE(percents.count(percent)) << percent << " %";
}

// A burn call running on a thread of its own, as the wizard's burn thread does.
class BackgroundBurn {
 public:
  using Call = std::function<uint8_t(Triple&)>;
  BackgroundBurn(DiscwrightHandle grabber, Call call)
      : grabber_(grabber), thread_([this, call = std::move(call)] {
          uint8_t code = call(triple_);
          endedAt_ = Clock::now().time_since_epoch().count();
          result_ = code;
        }) {}
  ~BackgroundBurn() {
    // A test that stopped early must not wait for a slow burn to run out.
    if (thread_.joinable()) {
      Discwright_CdvdBurnerGrabber_Cancel(grabber_);
      thread_.join();
    }
  }

  void join() { thread_.join(); }
  uint8_t result() const { return result_; }
  Clock::time_point endedAt() const { return Clock::time_point(Clock::duration(endedAt_.load())); }
  // Only after join().
  const Triple& triple() const { return triple_; }

 private:
  DiscwrightHandle grabber_;
  Triple triple_;
  std::atomic<Clock::rep> endedAt_{0};
  std::atomic<uint8_t> result_{0xFF};
  std::thread thread_;  // last: starts when everything it touches exists
};

class BurnTest : public LibraryTest {
 protected:
  fs::path image(const std::string& name) const { return dir_ / name; }
};

TEST_F(BurnTest, TrackAtOnceWritesTheImageAndLeavesTheSessionOpen) {
  start({cdRecorder(0)});
  Grabber g = openGrabber("CdRom0");
  Bytes first = makeImage(image("a.iso"), 100'000, 1);  // not a whole number of blocks
  Bytes second = makeImage(image("b.iso"), 3 * 2048, 2);
  Triple t;

  ASSERT_TRUE(t.check(tao(g, t, image("a.iso"))));
  EXPECT_EQ(usedBytes(g), 49u * 2048);
  EXPECT_TRUE(mediumHolds(g, 0, first));
  auto disc = discInfo(g);
  EXPECT_EQ(disc.DiscStatus, DW_DISC_APPENDABLE);
  EXPECT_EQ(disc.LastSessionStatus, DW_SESSION_INCOMPLETE);
  EXPECT_EQ(disc.NextWritable, 49u);

  // The open session takes another track right after the first.
  ASSERT_TRUE(t.check(tao(g, t, image("b.iso"))));
  auto track2 = trackInfo(g, 2);
  EXPECT_EQ(track2.StartBlock, 49u);
  EXPECT_EQ(track2.SizeBlocks, 3u);
  EXPECT_EQ(track2.SessionNumber, 1);
  EXPECT_TRUE(mediumHolds(g, 0, first));
  EXPECT_TRUE(mediumHolds(g, 49, second));
  EXPECT_EQ(usedBytes(g), 52u * 2048);

  // Closing a session written without multisession closes the disc.
  closeSession(g);
  disc = discInfo(g);
  EXPECT_EQ(disc.DiscStatus, DW_DISC_COMPLETE);
  EXPECT_EQ(disc.LastSessionStatus, DW_SESSION_COMPLETE);
  EXPECT_EQ(disc.FreeBlocks, 0u);
  EXPECT_TRUE(t.check(tao(g, t, image("b.iso"), true), DW_E_MEDIUM_NOT_BLANK));
  EXPECT_EQ(usedBytes(g), 52u * 2048);
  // Closing again has nothing to close.
  closeSession(g);
  EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_COMPLETE);
}

TEST_F(BurnTest, MultisessionTracksAppendAfterTheClosedSession) {
  start({cdRecorder(0)});
  Grabber g = openGrabber("CdRom0");
  Bytes first = makeImage(image("a.iso"), 10 * 2048, 1);
  Bytes second = makeImage(image("b.iso"), 5000, 2);
  Triple t;

  ASSERT_TRUE(t.check(tao(g, t, image("a.iso"), true)));
  closeSession(g);
  auto disc = discInfo(g);
  EXPECT_EQ(disc.DiscStatus, DW_DISC_APPENDABLE);
  EXPECT_EQ(disc.LastSessionStatus, DW_SESSION_COMPLETE);
  EXPECT_EQ(disc.Sessions, 1);
  EXPECT_EQ(disc.NextWritable, 11'410u);  // past the lead-out and the next lead-in

  ASSERT_TRUE(t.check(tao(g, t, image("b.iso"), true)));
  disc = discInfo(g);
  EXPECT_EQ(disc.LastSessionStatus, DW_SESSION_INCOMPLETE);
  EXPECT_EQ(disc.FirstTrackLastSession, 2);
  EXPECT_EQ(disc.LastSessionStart, 11'410u);
  closeSession(g);
  disc = discInfo(g);
  EXPECT_EQ(disc.DiscStatus, DW_DISC_APPENDABLE);
  EXPECT_EQ(disc.Sessions, 2);
  EXPECT_EQ(disc.Tracks, 2);
  EXPECT_EQ(disc.NextWritable, 11'413u + 6'900);
  auto track2 = trackInfo(g, 2);
  EXPECT_EQ(track2.StartBlock, 11'410u);
  EXPECT_EQ(track2.SessionNumber, 2);
  EXPECT_TRUE(mediumHolds(g, 0, first));
  EXPECT_TRUE(mediumHolds(g, 11'410, second));
  EXPECT_EQ(usedBytes(g), (11'413u + 6'900) * 2048);
}

TEST_F(BurnTest, SessionAtOnceWritesOneTrackPerFileAndClosesTheDisc) {
  start({cdRecorder(0), cdRecorder(1)});
  Bytes first = makeImage(image("a.iso"), 70'000, 1);
  Bytes second = makeImage(image("b.iso"), 4 * 2048, 2);
  Triple t;

  Grabber g = openGrabber("CdRom0");
  ASSERT_TRUE(t.check(sao(g, t, {image("a.iso"), image("b.iso")})));
  auto toc = std::make_unique<DiscwrightTocInformation>();
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetTOCInformation(g, DW_ARGS(t), toc.get())));
  ASSERT_EQ(toc->LastTrack, 2);
  EXPECT_EQ(toc->Entries[0].StartBlock, 0u);
  EXPECT_EQ(toc->Entries[0].SizeBlocks, 35u);
  EXPECT_EQ(toc->Entries[1].StartBlock, 35u);
  EXPECT_EQ(toc->Entries[1].SizeBlocks, 4u);
  EXPECT_EQ(toc->LeadOutBlock, 39u);
  EXPECT_TRUE(mediumHolds(g, 0, first));
  EXPECT_TRUE(mediumHolds(g, 35, second));
  EXPECT_EQ(usedBytes(g), 39u * 2048);
  auto closed = discInfo(g);
  EXPECT_EQ(closed.DiscStatus, DW_DISC_COMPLETE);
  EXPECT_EQ(closed.Sessions, 1);
  EXPECT_EQ(closed.FirstTrackLastSession, 1);
  EXPECT_EQ(closed.LastTrackLastSession, 2);

  EXPECT_TRUE(t.check(sao(g, t, {image("b.iso")}, false), DW_E_MEDIUM_NOT_BLANK));
  EXPECT_TRUE(t.check(tao(g, t, image("b.iso"), true), DW_E_MEDIUM_NOT_BLANK));
  EXPECT_EQ(usedBytes(g), 39u * 2048);

  // Without closing the disc the session is complete and the disc takes more.
  Grabber open = openGrabber("CdRom1");
  ASSERT_TRUE(t.check(sao(open, t, {image("b.iso")}, false)));
  auto disc = discInfo(open);
  EXPECT_EQ(disc.DiscStatus, DW_DISC_APPENDABLE);
  EXPECT_EQ(disc.LastSessionStatus, DW_SESSION_COMPLETE);
  EXPECT_EQ(disc.NextWritable, 4u + 11'400);
}

TEST_F(BurnTest, DiscAtOnceModesWriteTheTrackTable) {
  start({cdRecorder(0), cdRecorder(1)});
  Bytes first = makeImage(image("a.iso"), 2048 * 7 + 1, 1);
  Bytes second = makeImage(image("b.iso"), 12'345, 2);
  Triple t;

  struct Mode {
    const char* name;
    const char* device;
    uint8_t (*burn)(DiscwrightHandle, Triple&, const std::vector<fs::path>&);
  };
  for (const Mode& mode : {Mode{"PQ", "CdRom0", daoPq}, Mode{"raw P-W", "CdRom1", daoRaw}}) {
    SCOPED_TRACE(mode.name);
    Grabber g = openGrabber(mode.device);
    ASSERT_TRUE(t.check(mode.burn(g, t, {image("a.iso"), image("b.iso")})));
    EXPECT_TRUE(mediumHolds(g, 0, first));
    EXPECT_TRUE(mediumHolds(g, 8, second));
    EXPECT_EQ(usedBytes(g), (8u + 7u) * 2048);
    auto disc = discInfo(g);
    EXPECT_EQ(disc.DiscStatus, DW_DISC_COMPLETE);
    EXPECT_EQ(disc.Tracks, 2);
    EXPECT_TRUE(t.check(mode.burn(g, t, {image("b.iso")}), DW_E_MEDIUM_NOT_BLANK));
    EXPECT_TRUE(t.check(tao(g, t, image("b.iso"), true), DW_E_MEDIUM_NOT_BLANK));
    EXPECT_EQ(usedBytes(g), (8u + 7u) * 2048);
    // Nothing past the recorded area can be read.
    uint8_t sector[DISCWRIGHT_SECTOR_SIZE];
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_ReadSectors(g, DW_ARGS(t), 14, 2, sector), DW_E_IO));
  }
}

TEST_F(BurnTest, TestWriteReportsProgressAndWritesNothing) {
  start({cdRecorder(0)});
  Grabber g;
  CallbackRecorder calls;
  g = openGrabber("CdRom0", &CallbackRecorder::callback, &calls);
  makeImage(image("a.iso"), 300'000, 1);
  Triple t;

  ASSERT_TRUE(t.check(tao(g, t, image("a.iso"), true, true)));
  expectFullProgress(calls.progress(), 147u * 2048);
  auto disc = discInfo(g);
  EXPECT_EQ(disc.DiscStatus, DW_DISC_BLANK);
  EXPECT_EQ(disc.LastSessionStatus, DW_SESSION_EMPTY);
  EXPECT_EQ(usedBytes(g), 0u);

  // The blank disc still takes a real burn afterwards.
  ASSERT_TRUE(t.check(sao(g, t, {image("a.iso")})));
  EXPECT_EQ(usedBytes(g), 147u * 2048);
}

TEST_F(BurnTest, ProgressAndBufferReports) {
  start({cdRecorder(0), cdRecorder(1)});
  CallbackRecorder calls;
  Grabber g = openGrabber("CdRom0", &CallbackRecorder::callback, &calls);
  makeImage(image("a.iso"), 3'000'001, 1);
  makeImage(image("b.iso"), 100, 2);
  Triple t;

  ASSERT_TRUE(t.check(sao(g, t, {image("a.iso"), image("b.iso")})));
  // The total counts the blocks both tracks take.
  expectFullProgress(calls.progress(), (blocksFor(3'000'001) + 1) * 2048);
  auto buffers = calls.buffers();
  ASSERT_FALSE(buffers.empty());
  for (const auto& b : buffers) {
    EXPECT_GT(b.size, 0u);
    EXPECT_LE(b.freeBytes, b.size);
  }

  // Without reportProgress the callback hears nothing.
  CallbackRecorder quiet;
  Grabber other = openGrabber("CdRom1", &CallbackRecorder::callback, &quiet);
  ASSERT_TRUE(t.check(tao(other, t, image("a.iso"), false, false, false)));
  EXPECT_EQ(quiet.calls(), 0u);
}

TEST_F(BurnTest, ThrottledBurnRunsAtTheSetSpeed) {
  auto r = dvdRecorder(0);
  r["time_scale"] = 1;
  start({r});
  CallbackRecorder calls;
  Grabber g = openGrabber("CdRom0", &CallbackRecorder::callback, &calls);
  setWriteSpeed(g, 22160);
  constexpr uint64_t kSize = 8u << 20;  // about 0.38 s at 22160 KB/s
  makeImage(image("a.iso"), kSize, 1);
  Triple t;

  auto begin = Clock::now();
  ASSERT_TRUE(t.check(tao(g, t, image("a.iso"))));
  auto end = Clock::now();
  // The write phase runs from the first progress report (nothing done) to the last.
  auto progress = calls.progress();
  ASSERT_GE(progress.size(), 2u);
  ASSERT_EQ(progress.front().done, 0u);
  ASSERT_EQ(progress.back().done, kSize);
  double seconds = std::chrono::duration<double>(progress.back().at - progress.front().at).count();
  double rate = double(kSize) / seconds / 1000.0;  // KB/s
  RecordProperty("rate_kb_per_s", std::to_string(rate));
  EXPECT_NEAR(rate, 22160.0, 2216.0) << "writing took " << seconds << " s";
  // Getting ready to write is no big part of the call (generous for sanitizer builds).
  EXPECT_LT(end - begin, std::chrono::duration<double>(seconds + 0.5));
}

TEST_F(BurnTest, StartUpTimeScaleOverridesTheRecorders) {
  auto r = cdRecorder(0);
  r["time_scale"] = 1;
  start({r}, json::object(), 0);  // as fast as the disk allows
  Grabber g = openGrabber("CdRom0");
  setWriteSpeed(g, 706);  // at this speed 2 MB would take about three seconds
  makeImage(image("a.iso"), 2u << 20, 1);
  Triple t;

  auto begin = Clock::now();
  ASSERT_TRUE(t.check(tao(g, t, image("a.iso"))));
  EXPECT_LT(Clock::now() - begin, milliseconds(1500));
}

TEST_F(BurnTest, CancelEndsARunningBurnPromptly) {
  auto r = cdRecorder(0);
  r["time_scale"] = 1;
  start({r});
  CallbackRecorder calls;
  Grabber g = openGrabber("CdRom0", &CallbackRecorder::callback, &calls);
  setWriteSpeed(g, 706);  // 2 MB would take about three seconds
  makeImage(image("a.iso"), 2u << 20, 1);
  std::string file = image("a.iso").string();

  BackgroundBurn burn(g, [&](Triple& t) {
    return Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(g, DW_ARGS(t), testcommon::utf8(file).c_str(), 1, 0, 0, 1, 0);
  });
  ASSERT_TRUE(calls.waitForProgress(milliseconds(2000))) << "the burn never started writing";
  auto cancelledAt = Clock::now();
  EXPECT_EQ(Discwright_CdvdBurnerGrabber_Cancel(g), DW_E_OK);
  burn.join();
  auto took = std::chrono::duration_cast<std::chrono::microseconds>(burn.endedAt() - cancelledAt);
  RecordProperty("cancel_to_return_us", std::to_string(took.count()));
  EXPECT_TRUE(burn.triple().check(burn.result(), DW_E_CANCELLED));
  EXPECT_LT(took, milliseconds(100)) << "the burn went on for " << took.count() << " us after Cancel";
  EXPECT_LT(calls.progress().back().done, uint64_t(2u << 20));

  // The grabber is usable again: the next burn is not cancelled by the old request.
  makeImage(image("small.iso"), 4096, 2);
  setWriteSpeed(g, DISCWRIGHT_SPEED_MAX);
  Triple t;
  EXPECT_TRUE(t.check(tao(g, t, image("small.iso"))));
}

TEST_F(BurnTest, OneBurnAtATimePerDevice) {
  auto r = cdRecorder(0);
  r["time_scale"] = 1;
  start({r});
  CallbackRecorder calls;
  Grabber g = openGrabber("CdRom0", &CallbackRecorder::callback, &calls);
  Grabber other = openGrabber("CdRom0");
  setWriteSpeed(g, 706);
  makeImage(image("a.iso"), 2u << 20, 1);
  makeImage(image("b.iso"), 4096, 2);
  std::string file = image("a.iso").string();

  BackgroundBurn burn(g, [&](Triple& t) {
    return Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(g, DW_ARGS(t), testcommon::utf8(file).c_str(), 1, 0, 0, 1, 0);
  });
  ASSERT_TRUE(calls.waitForProgress(milliseconds(2000)));
  Triple t;
  EXPECT_TRUE(t.check(tao(g, t, image("b.iso")), DW_E_BUSY));
  EXPECT_TRUE(t.check(sao(other, t, {image("b.iso")}), DW_E_BUSY));
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Eject(other, DW_ARGS(t)), DW_E_BUSY));
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CloseSession(other, DW_ARGS(t)), DW_E_BUSY));

  EXPECT_EQ(Discwright_CdvdBurnerGrabber_Cancel(g), DW_E_OK);
  burn.join();
  EXPECT_TRUE(burn.triple().check(burn.result(), DW_E_CANCELLED));
}

TEST_F(BurnTest, ShutDownStopsARunningBurn) {
  auto r = cdRecorder(0);
  r["time_scale"] = 1;
  start({r});
  CallbackRecorder calls;
  Grabber g = openGrabber("CdRom0", &CallbackRecorder::callback, &calls);
  setWriteSpeed(g, 706);  // 8 MB would take about twelve seconds
  makeImage(image("a.iso"), 8u << 20, 1);
  std::string file = image("a.iso").string();

  BackgroundBurn burn(g, [&](Triple& t) {
    return Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(g, DW_ARGS(t), testcommon::utf8(file).c_str(), 1, 0, 0, 1, 0);
  });
  ASSERT_TRUE(calls.waitForProgress(milliseconds(2000)));
  auto shutAt = Clock::now();
  stop();
  burn.join();
  EXPECT_TRUE(burn.triple().check(burn.result(), DW_E_CANCELLED));
  // Stopped, not run to its end: the medium's state is saved on the way out, which a
  // machine busy writing to its disk may hold up for a while.
  EXPECT_LT(burn.endedAt() - shutAt, milliseconds(2000));
  EXPECT_LT(calls.progress().back().done, uint64_t(8u << 20));

  // The next session starts on the same medium files.
  restart();
  Grabber again = openGrabber("CdRom0");
  Triple t;
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_TestUnitReady(again, DW_ARGS(t))));
}

TEST_F(BurnTest, EmptyImagesAreRefused) {
  start({cdRecorder(0)});
  Grabber g = openGrabber("CdRom0");
  makeImage(image("empty.iso"), 0, 1);
  makeImage(image("a.iso"), 4096, 2);
  Triple t;

  // A track needs at least one block; an empty one must not pass for a burned disc.
  EXPECT_TRUE(t.check(tao(g, t, image("empty.iso")), DW_E_INVALID_ARGUMENT));
  EXPECT_TRUE(t.check(sao(g, t, {image("a.iso"), image("empty.iso")}), DW_E_INVALID_ARGUMENT));
  EXPECT_TRUE(t.check(daoPq(g, t, {image("empty.iso"), image("a.iso")}), DW_E_INVALID_ARGUMENT));
  auto disc = discInfo(g);
  EXPECT_EQ(disc.DiscStatus, DW_DISC_BLANK);
  EXPECT_EQ(disc.Tracks, 0);
}

TEST_F(BurnTest, ImageLargerThanTheFreeSpaceIsRefusedBeforeWriting) {
  auto r = cdRecorder(0);
  r["medium"]["capacity_bytes"] = 40 * 2048;
  start({r, cdRecorder(1)});
  CallbackRecorder calls;
  Grabber g = openGrabber("CdRom0", &CallbackRecorder::callback, &calls);
  makeImage(image("big.iso"), 40 * 2048 + 1, 1);
  Bytes fits = makeImage(image("fits.iso"), 40 * 2048, 2);
  Triple t;

  EXPECT_TRUE(t.check(tao(g, t, image("big.iso")), DW_E_OUT_OF_SPACE));
  EXPECT_TRUE(t.check(sao(g, t, {image("fits.iso"), image("big.iso")}), DW_E_OUT_OF_SPACE));
  for (const auto& p : calls.progress()) EXPECT_EQ(p.done, 0u);
  EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_BLANK);
  EXPECT_EQ(usedBytes(g), 0u);

  // Exactly the capacity fits.
  ASSERT_TRUE(t.check(tao(g, t, image("fits.iso"))));
  EXPECT_TRUE(mediumHolds(g, 0, fits));
}

TEST_F(BurnTest, MissingImageFile) {
  start({cdRecorder(0)});
  Grabber g = openGrabber("CdRom0");
  makeImage(image("a.iso"), 4096, 1);
  Triple t;

  EXPECT_TRUE(t.check(tao(g, t, image("missing.iso")), DW_E_FILE));
  EXPECT_EQ(t.status, uint32_t(ENOENT));
  EXPECT_NE(std::string(t.text).find("missing.iso"), std::string::npos) << t.text;
  // One missing file of a session stops the whole session before anything is written.
  EXPECT_TRUE(t.check(sao(g, t, {image("a.iso"), image("missing.iso")}), DW_E_FILE));
  EXPECT_TRUE(t.check(daoPq(g, t, {image("missing.iso")}), DW_E_FILE));
  EXPECT_TRUE(t.check(tao(g, t, dir_.path()), DW_E_FILE)) << "a folder is no image";
  EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_BLANK);
}

TEST_F(BurnTest, WhatTheDeviceOrMediumCannotDoIsRefused) {
  auto reader = dvdReader(0);
  reader["medium"] = {{"type", "DVD-R"}, {"state", "blank"}};
  auto pressed = cdRecorder(1);
  pressed["medium"] = {{"type", "CD-ROM"}, {"state", "complete"}};
  auto noTestWrite = dvdRecorder(3);
  noTestWrite["media_formats"] = {"read_dvd", "write", "write_dvdr", "write_dvdplusr"};
  start({reader, pressed, dvdRecorder(2), noTestWrite});
  makeImage(image("a.iso"), 4096, 1);
  Triple t;

  {
    SCOPED_TRACE("reader");
    Grabber g = openGrabber("CdRom0");
    EXPECT_TRUE(t.check(tao(g, t, image("a.iso")), DW_E_NOT_SUPPORTED));
    EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_BLANK);
  }
  {
    SCOPED_TRACE("pressed disc");
    Grabber g = openGrabber("CdRom1");
    EXPECT_TRUE(t.check(tao(g, t, image("a.iso"), true), DW_E_NOT_SUPPORTED));
    EXPECT_TRUE(t.check(daoPq(g, t, {image("a.iso")}), DW_E_NOT_SUPPORTED));
  }
  {
    SCOPED_TRACE("write mode");
    Grabber g = openGrabber("CdRom2");  // track- and session-at-once only
    EXPECT_TRUE(t.check(daoPq(g, t, {image("a.iso")}), DW_E_NOT_SUPPORTED));
    EXPECT_TRUE(t.check(daoRaw(g, t, {image("a.iso")}), DW_E_NOT_SUPPORTED));
    EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_BLANK);
  }
  {
    SCOPED_TRACE("test write");
    Grabber g = openGrabber("CdRom3");
    EXPECT_TRUE(t.check(tao(g, t, image("a.iso"), false, true), DW_E_NOT_SUPPORTED));
    EXPECT_TRUE(t.check(tao(g, t, image("a.iso"))));
  }
}

TEST_F(BurnTest, TablesAreChecked) {
  start({cdRecorder(0)});
  Grabber g = openGrabber("CdRom0");
  makeImage(image("a.iso"), 4096, 1);
  Triple t;

  // A name that fills its field without a terminator would be read past the field.
  auto table = trackTable({image("a.iso")});
  std::memset(table->Tracks[0].FileName, 'a', sizeof table->Tracks[0].FileName);
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_DiscAtOncePQFromFile(g, DW_ARGS(t), table.get(), 1, 0, 0, 0, 1, 0),
                      DW_E_INVALID_ARGUMENT));
  EXPECT_TRUE(t.check(
      Discwright_CdvdBurnerGrabber_DiscAtOnceRawPWFromFile(g, DW_ARGS(t), table.get(), 1, 0, 0, 0, 1, 0),
      DW_E_INVALID_ARGUMENT));
  auto layout = sessionLayout({image("a.iso")});
  std::memset(layout->Entries[0].FileName, 'a', sizeof layout->Entries[0].FileName);
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_SessionAtOnce(g, DW_ARGS(t), layout.get(), 0, 0, 1, 1, 0),
                      DW_E_INVALID_ARGUMENT));

  for (uint32_t count : {0u, DISCWRIGHT_TRACK_TABLE_ENTRIES + 1}) {
    auto bad = trackTable({image("a.iso")});
    bad->Count = count;
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_DiscAtOncePQFromFile(g, DW_ARGS(t), bad.get(), 1, 0, 0, 0, 1, 0),
                        DW_E_INVALID_ARGUMENT))
        << count << " tracks";
  }
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_SessionAtOnce(g, DW_ARGS(t), nullptr, 0, 0, 1, 1, 0),
                      DW_E_INVALID_ARGUMENT));
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(g, DW_ARGS(t), nullptr, 1, 0, 0, 1, 0),
                      DW_E_INVALID_ARGUMENT));
  EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_BLANK);
}

}  // namespace
}  // namespace dwtest
