// The libburn backend run for real on file pseudo-drives, through the C API.
#include <gtest/gtest.h>
#include <libburn/libburn.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>
#include <utility>

#include "common/test_common.h"
#include "libburn/libburn_drive.h"

using namespace testcommon;

namespace {

struct Found {
  std::vector<DiscwrightDeviceAddress> addresses;
};
void onFound(uint32_t reason, void* context, void* param1, void*) {
  if (reason == DW_REASON_DEVICE_FOUND)
    static_cast<Found*>(context)->addresses.push_back(*static_cast<DiscwrightDeviceAddress*>(param1));
}

struct Progress {
  std::atomic<uint64_t> total{0}, done{0};
  std::atomic<int> calls{0};
  std::atomic<uint32_t> cancelAfter{0};  // calls before Cancel is sent; 0: never
  DiscwrightHandle grabber = 0;
};
void onProgress(uint32_t reason, void* context, void* param1, void* param2) {
  if (reason != DW_REASON_PROGRESS || !context) return;
  auto& p = *static_cast<Progress*>(context);
  p.total = *static_cast<uint64_t*>(param1);
  p.done = *static_cast<uint64_t*>(param2);
  if (++p.calls == int(p.cancelAfter.load()) && p.grabber) Discwright_CdvdBurnerGrabber_Cancel(p.grabber);
}

class PseudoDrive : public ::testing::Test {
 protected:
  void TearDown() override {
    if (grabber_) Discwright_Destroy(&grabber_);
    Discwright_DownShut();
  }

  // Starts the library with the given files as pseudo-drives, optionally beside a virtual configuration.
  uint8_t start(std::vector<std::string> files, std::vector<uint64_t> sizes = {}, const std::string& config = {}) {
    files_ = std::move(files);
    paths_.clear();
    for (const auto& f : files_) paths_.push_back(f.c_str());
    sizes_ = std::move(sizes);
    DiscwrightStartup s{};
    s.Size = sizeof s;
    s.VirtualConfig = config.empty() ? nullptr : config.c_str();
    state_ = (dir_ / "state").string();  // kept: the start-up data only points at it
    s.StateFolder = config.empty() ? nullptr : state_.c_str();
    s.TimeScale = 0;
    s.ErrorText = error_;
    s.ErrorTextSize = sizeof error_;
    s.PseudoDrives = paths_.data();
    s.PseudoDriveCount = uint32_t(paths_.size());
    s.PseudoDriveSizes = sizes_.empty() ? nullptr : sizes_.data();
    return Discwright_UpStartEx(&s);
  }

  void grab(const char* name, Progress* progress = nullptr) {
    ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_CreateEx(&grabber_, DW_ARGS(t_), onProgress, progress, name, 0)));
    if (progress) progress->grabber = grabber_;
  }

  uint8_t burnTao(const fs::path& image, bool testWrite = false, bool multi = false) {
    return Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(grabber_, DW_ARGS(t_), image.c_str(), 0, testWrite, multi,
                                                            1, 0);
  }

  TempDir dir_;
  Triple t_;
  char error_[DISCWRIGHT_TEXT_SIZE] = {};
  std::vector<std::string> files_;
  std::string state_;
  std::vector<const char*> paths_;
  std::vector<uint64_t> sizes_;
  DiscwrightHandle grabber_ = 0;
};

TEST_F(PseudoDrive, ScanAndProbeThroughTheCApi) {
  ASSERT_EQ(start({(dir_ / "a.img").string(), (dir_ / "b.img").string()}), DW_E_OK) << error_;
  Found found;
  ASSERT_EQ(Discwright_FindDevice(DISCWRIGHT_DEVICE_TYPE_CDDVD, 0, onFound, &found), DW_E_OK);
  ASSERT_EQ(found.addresses.size(), 2u);
  EXPECT_EQ(found.addresses[0].PortID, 200);
  EXPECT_EQ(found.addresses[1].PortID, 201);

  DiscwrightHandle byAddress = 0;
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_Create(&byAddress, DW_ARGS(t_), nullptr, nullptr, 201, 0, 0, 0, 0)));
  Discwright_Destroy(&byAddress);

  grab("CdRom0");
  uint8_t type = 0;
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetInsertedDiscType(grabber_, DW_ARGS(t_), &type)));
  EXPECT_EQ(type, DISC_TYPE_DVDPLUSRW);
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_TestUnitReady(grabber_, DW_ARGS(t_))));
  DiscwrightDiscInformation info{};
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetDiscInformation(grabber_, DW_ARGS(t_), &info)));
  EXPECT_EQ(info.Valid, 1);
  EXPECT_EQ(info.DiscStatus, DW_DISC_BLANK);
  EXPECT_EQ(info.NextWritable, 0u);
  EXPECT_GT(info.FreeBlocks, 0u);
  uint8_t modes[DW_WRITE_MODE_COUNT] = {};
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_ProbeSupportedWriteModes(grabber_, DW_ARGS(t_), modes)));
  EXPECT_EQ(modes[DW_WRITE_TAO], 1);
  EXPECT_EQ(modes[DW_WRITE_SAO], 1);
  EXPECT_EQ(modes[DW_WRITE_DAO_PQ], 0);  // not a CD
  EXPECT_EQ(modes[DW_WRITE_DAO_RAW], 0);
  uint8_t formats[DW_FMT_COUNT] = {};
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetSupportedMediaFormats(grabber_, DW_ARGS(t_), formats)));
  EXPECT_EQ(formats[DW_FMT_WRITE], 1);
  EXPECT_EQ(formats[DW_FMT_TEST_WRITE], 1);

  // Each query released the drive again: a second grabber on the same file still works.
  DiscwrightHandle other = 0;
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_CreateEx(&other, DW_ARGS(t_), nullptr, nullptr, "CdRom0", 0)));
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetInsertedDiscType(other, DW_ARGS(t_), &type)));
  Discwright_Destroy(&other);
}

// Calls that follow each other share one grab; a drive left alone is released
// after a moment, so that another program (or a disc change) can have it.
TEST_F(PseudoDrive, OneGrabServesCallsInARowAndAnIdleDriveIsReleased) {
  ASSERT_EQ(start({(dir_ / "a.img").string()}), DW_E_OK) << error_;
  grab("CdRom0");
  auto counts = [] {
    uint64_t grabs = 0, releases = 0;
    Discwright_GetGrabCounts(&grabs, &releases);
    return std::pair{grabs, releases};
  };
  EXPECT_EQ(counts(), (std::pair<uint64_t, uint64_t>{0, 0})) << "the start's grab is not counted";
  DiscwrightDiscInformation info{};
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_TestUnitReady(grabber_, DW_ARGS(t_))));
    ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetDiscInformation(grabber_, DW_ARGS(t_), &info)));
  }
  EXPECT_EQ(counts(), (std::pair<uint64_t, uint64_t>{1, 0}));
  std::this_thread::sleep_for(discwright::LibburnDrive::kIdleRelease + std::chrono::milliseconds(600));
  EXPECT_EQ(counts(), (std::pair<uint64_t, uint64_t>{1, 1})) << "an idle drive stays grabbed";
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetDiscInformation(grabber_, DW_ARGS(t_), &info)));
  EXPECT_EQ(counts().first, 2u);
  // Each grab is counted against the call that made it.
  EXPECT_EQ(discwright::libburnGrabCounts().grabsByCall,
            (std::map<std::string, uint64_t>{{"TestUnitReady", 1}, {"GetDiscInformation", 1}}));
}

TEST_F(PseudoDrive, StartUpRefusesBadPathsAndCollisions) {
  EXPECT_EQ(start({"/no/such/folder/x.img"}), DW_E_CONFIG);
  EXPECT_NE(std::string(error_).find("/no/such/folder/x.img"), std::string::npos) << error_;

  // A virtual recorder on the pseudo-drive's address is refused by name of both.
  auto recorder = cdRecorder(0);
  recorder["address"] = "200:0:0:0";
  writeConfig(dir_ / "v.json", {recorder});
  EXPECT_EQ(start({(dir_ / "a.img").string()}, {}, (dir_ / "v.json").string()), DW_E_CONFIG);
  EXPECT_NE(std::string(error_).find("CdRom0"), std::string::npos) << error_;
  EXPECT_NE(std::string(error_).find("CdRom1"), std::string::npos) << error_;

  // Without a collision the pseudo-drive is numbered after the virtual recorders.
  writeConfig(dir_ / "v.json", {cdRecorder(3)});
  ASSERT_EQ(start({(dir_ / "a.img").string()}, {}, (dir_ / "v.json").string()), DW_E_OK) << error_;
  grab("CdRom4");
}

TEST_F(PseudoDrive, OlderStartUpSizeStillWorks) {
  DiscwrightStartup s{};
  s.Size = DISCWRIGHT_STARTUP_SIZE_V1;
  s.ErrorText = error_;
  s.ErrorTextSize = sizeof error_;
  s.PseudoDriveCount = 5;  // past the caller's Size: must count as zero
  ASSERT_EQ(Discwright_UpStartEx(&s), DW_E_OK) << error_;
  Found found;
  ASSERT_EQ(Discwright_FindDevice(DISCWRIGHT_DEVICE_TYPE_CDDVD, 0, onFound, &found), DW_E_OK);
  EXPECT_TRUE(found.addresses.empty());
}

TEST_F(PseudoDrive, TrackAtOnceBurnMatchesTheImageAndCutsAnOlderLongerOne) {
  fs::path target = dir_ / "disc.img";
  writePatternFile(target, 3 << 20, 99);  // an older, longer image
  ASSERT_EQ(start({target.string()}), DW_E_OK) << error_;
  Progress progress;
  grab("CdRom0", &progress);
  Bytes image = writePatternFile(dir_ / "image.iso", 1000 * 2048 + 100, 7);  // partial last block
  ASSERT_TRUE(t_.check(burnTao(dir_ / "image.iso")));
  Bytes written = readFile(target);
  ASSERT_EQ(written.size(), 1001u * 2048);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));
  EXPECT_TRUE(std::all_of(written.begin() + long(image.size()), written.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(progress.total, 1001u * 2048);
  EXPECT_EQ(progress.done, progress.total);

  // The drive is usable right after the burn: libburn's write thread has ended.
  // The wait keys on libburn's end-of-thread message; if its text changes the wait runs into its 30 s limit.
  auto began = std::chrono::steady_clock::now();
  ASSERT_TRUE(t_.check(burnTao(dir_ / "image.iso")));
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));
}

TEST_F(PseudoDrive, SessionAtOnceAndTestWrite) {
  fs::path target = dir_ / "disc.img";
  Bytes before = writePatternFile(target, 64 * 2048, 5);
  ASSERT_EQ(start({target.string()}), DW_E_OK) << error_;
  grab("CdRom0");
  Bytes image = writePatternFile(dir_ / "image.iso", 300 * 2048, 8);

  // Simulation leaves the target as it was.
  ASSERT_TRUE(t_.check(burnTao(dir_ / "image.iso", true)));
  EXPECT_EQ(readFile(target), before);

  DiscwrightSessionLayout layout{};
  layout.Count = 1;
  std::strcpy(layout.Entries[0].FileName, (dir_ / "image.iso").c_str());
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_SessionAtOnce(grabber_, DW_ARGS(t_), &layout, 0, 0, 1, 0, 0)));
  EXPECT_EQ(readFile(target), image);

  // Raw disc-at-once needs a CD: refused with a reason, never burnt as track-at-once.
  DiscwrightTrackTable table{};
  table.Count = 1;
  std::strcpy(table.Tracks[0].FileName, (dir_ / "image.iso").c_str());
  EXPECT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_DiscAtOnceRawPWFromFile(grabber_, DW_ARGS(t_), &table, 0, 0, 0, 0,
                                                                            0, 0),
                       DW_E_NOT_SUPPORTED));
  EXPECT_EQ(readFile(target), image);
}

TEST_F(PseudoDrive, ImageLargerThanTheTargetIsRefusedBeforeWriting) {
  fs::path target = dir_ / "disc.img";
  ASSERT_EQ(start({target.string()}, {100 * 2048}), DW_E_OK) << error_;
  grab("CdRom0");
  uint32_t blocks = 0;
  uint64_t bytes = 0;
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetDiscFreeSpace(grabber_, DW_ARGS(t_), 3, &blocks, &bytes)));
  EXPECT_EQ(blocks, 100u);
  EXPECT_EQ(bytes, 100u * 2048);
  writePatternFile(dir_ / "big.iso", 100 * 2048 + 1, 1);
  EXPECT_TRUE(t_.check(burnTao(dir_ / "big.iso"), DW_E_OUT_OF_SPACE));
  EXPECT_FALSE(fs::exists(target) && fs::file_size(target) > 0);
  writePatternFile(dir_ / "fits.iso", 100 * 2048, 1);
  EXPECT_TRUE(t_.check(burnTao(dir_ / "fits.iso")));
}

TEST_F(PseudoDrive, CancelBeforeAndDuringTheBurn) {
  fs::path target = dir_ / "disc.img";
  ASSERT_EQ(start({target.string()}), DW_E_OK) << error_;
  Progress progress;
  grab("CdRom0", &progress);
  writePatternFile(dir_ / "image.iso", 96 << 20, 3);

  // Latched before the call: the burn never starts.
  ASSERT_EQ(Discwright_CdvdBurnerGrabber_Cancel(grabber_), DW_E_OK);
  EXPECT_TRUE(t_.check(burnTao(dir_ / "image.iso"), DW_E_CANCELLED));

  // From the first progress report on.
  progress.cancelAfter = 1;
  EXPECT_TRUE(t_.check(burnTao(dir_ / "image.iso"), DW_E_CANCELLED));

  // From another thread at once after the call starts.
  progress.cancelAfter = 0;
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    Discwright_CdvdBurnerGrabber_Cancel(grabber_);
  });
  EXPECT_TRUE(t_.check(burnTao(dir_ / "image.iso"), DW_E_CANCELLED));
  canceller.join();

  // And the drive burns normally afterwards.
  Bytes small = writePatternFile(dir_ / "small.iso", 10 * 2048, 4);
  ASSERT_TRUE(t_.check(burnTao(dir_ / "small.iso")));
  EXPECT_EQ(readFile(target), small);
}

TEST_F(PseudoDrive, MultisessionAndQueriesDuringABurn) {
  fs::path target = dir_ / "disc.img";
  ASSERT_EQ(start({target.string()}), DW_E_OK) << error_;
  grab("CdRom0");
  writePatternFile(dir_ / "image.iso", 2048, 3);
  // A file keeps no sessions: asking for one is refused with a reason.
  EXPECT_TRUE(t_.check(burnTao(dir_ / "image.iso", false, true), DW_E_NOT_SUPPORTED));

  uint32_t cr = 1, mr = 1, cw = 1, mw = 1;
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_SetSpeeds(grabber_, DW_ARGS(t_), 1385, 2770)));
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetSpeeds(grabber_, DW_ARGS(t_), &cr, &mr, &cw, &mw)));
  EXPECT_EQ(mw, 0u);  // a file has no speeds
  EXPECT_EQ(cw, 0u);
}

void appHandler(int) {}

TEST_F(PseudoDrive, TheApplicationsSignalDispositionsSurviveTheLibrary) {
  struct Disposition {
    int signal;
    void (*handler)(int);
    struct sigaction before {};
  } wanted[] = {{SIGINT, appHandler}, {SIGTERM, appHandler}, {SIGHUP, SIG_IGN}, {SIGPIPE, SIG_IGN}, {SIGUSR1, SIG_DFL}};
  for (auto& w : wanted) {
    struct sigaction a {};
    a.sa_handler = w.handler;
    sigemptyset(&a.sa_mask);
    ASSERT_EQ(::sigaction(w.signal, &a, &w.before), 0);
  }
  auto expectKept = [&](const char* when) {
    for (const auto& w : wanted) {
      struct sigaction now {};
      ::sigaction(w.signal, nullptr, &now);
      EXPECT_EQ(now.sa_handler, w.handler) << "signal " << w.signal << " " << when;
    }
  };
  ASSERT_EQ(start({(dir_ / "disc.img").string()}), DW_E_OK) << error_;
  expectKept("after the start");
  grab("CdRom0");
  writePatternFile(dir_ / "image.iso", 64 * 2048, 5);
  ASSERT_TRUE(t_.check(burnTao(dir_ / "image.iso")));
  expectKept("after a burn");
  Discwright_Destroy(&grabber_);
  Discwright_DownShut();
  expectKept("after the shutdown");
  for (const auto& w : wanted) ::sigaction(w.signal, &w.before, nullptr);
}

TEST_F(PseudoDrive, FilesHoldingDataAreWrittenDiscsWithTheirSize) {
  // An image in a file only libburn may read (a pressed disc), a file
  // holding what an earlier run burned, and one libburn may only write.
  Bytes pressed = writePatternFile(dir_ / "pressed.iso", 500 * 2048 + 7, 2);
  int readOnly = ::open((dir_ / "pressed.iso").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(readOnly, 0);
  writePatternFile(dir_ / "burned.img", 300 * 2048, 3);
  writePatternFile(dir_ / "writeonly.img", 200 * 2048, 4);
  int writeOnly = ::open((dir_ / "writeonly.img").c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(writeOnly, 0);
  struct Case {
    std::string path;
    uint32_t blocks;
    uint8_t discType;
    uint8_t erasable;
  } cases[] = {
      {"/dev/fd/" + std::to_string(readOnly), 501, DISC_TYPE_DVDROM, 0},
      {(dir_ / "burned.img").string(), 300, DISC_TYPE_DVDPLUSRW, 1},
      {"/dev/fd/" + std::to_string(writeOnly), 200, DISC_TYPE_DVDPLUSRW, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ASSERT_EQ(start({c.path}), DW_E_OK) << error_;
    grab("CdRom0");
    DiscwrightDiscInformation info{};
    ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetDiscInformation(grabber_, DW_ARGS(t_), &info)));
    EXPECT_EQ(info.DiscStatus, DW_DISC_COMPLETE);
    EXPECT_EQ(info.DiscType, c.discType);
    EXPECT_EQ(info.Erasable, c.erasable);
    EXPECT_EQ(info.UsedBlocks, c.blocks);
    EXPECT_EQ(info.CapacityBlocks, c.blocks);
    EXPECT_EQ(info.Tracks, 1);
    uint64_t used = 0, freeBytes = 1;
    uint32_t freeBlocks = 1;
    ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetDiscUsedSpace(grabber_, DW_ARGS(t_), &used)));
    EXPECT_EQ(used, uint64_t(c.blocks) * 2048);
    ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetDiscFreeSpace(grabber_, DW_ARGS(t_), 3, &freeBlocks, &freeBytes)));
    EXPECT_EQ(freeBytes, 0u);
    EXPECT_EQ(freeBlocks, 0u);
    DiscwrightTrackInformation track{};
    ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetTrackInformation(grabber_, DW_ARGS(t_), 1, &track)));
    EXPECT_EQ(track.StartBlock, 0u);
    EXPECT_EQ(track.SizeBlocks, c.blocks);
    uint8_t type = 0;
    ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetInsertedDiscType(grabber_, DW_ARGS(t_), &type)));
    EXPECT_EQ(type, c.discType);
    Discwright_Destroy(&grabber_);
    Discwright_DownShut();
  }
  // The pressed disc takes no burn and keeps its bytes.
  ASSERT_EQ(start({cases[0].path}), DW_E_OK) << error_;
  grab("CdRom0");
  writePatternFile(dir_ / "image.iso", 2048, 4);
  EXPECT_TRUE(t_.check(burnTao(dir_ / "image.iso"), DW_E_MEDIUM_NOT_BLANK));
  EXPECT_EQ(readFile(dir_ / "pressed.iso"), pressed);
  ::close(readOnly);
  ::close(writeOnly);
}

TEST_F(PseudoDrive, TrackAtOnceTracksShareTheSessionUntilItIsClosed) {
  fs::path target = dir_ / "disc.img";
  ASSERT_EQ(start({target.string()}), DW_E_OK) << error_;
  grab("CdRom0");
  Bytes first = writePatternFile(dir_ / "first.iso", 100 * 2048 + 5, 11);  // padded to 101 blocks
  Bytes second = writePatternFile(dir_ / "second.iso", 50 * 2048, 12);
  ASSERT_TRUE(t_.check(burnTao(dir_ / "first.iso")));
  ASSERT_TRUE(t_.check(burnTao(dir_ / "second.iso")));
  DiscwrightDiscInformation open{};
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetDiscInformation(grabber_, DW_ARGS(t_), &open)));
  EXPECT_EQ(open.DiscStatus, DW_DISC_APPENDABLE);
  EXPECT_EQ(open.NextWritable, 151u);
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_CloseSession(grabber_, DW_ARGS(t_))));

  DiscwrightDiscInformation info{};
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetDiscInformation(grabber_, DW_ARGS(t_), &info)));
  EXPECT_EQ(info.DiscStatus, DW_DISC_COMPLETE);
  EXPECT_EQ(info.Sessions, 1);
  EXPECT_EQ(info.Tracks, 2);
  EXPECT_EQ(info.UsedBlocks, 151u);
  DiscwrightTocInformation toc{};
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_GetTOCInformation(grabber_, DW_ARGS(t_), &toc)));
  ASSERT_EQ(toc.LastTrack, 2);
  struct {
    const Bytes& image;
    uint32_t start, blocks;
  } expected[] = {{first, 0, 101}, {second, 101, 50}};
  for (int i = 0; i < 2; ++i) {
    const auto& e = toc.Entries[i];
    EXPECT_EQ(e.SessionNumber, 1);
    EXPECT_EQ(e.StartBlock, expected[i].start);
    ASSERT_EQ(e.SizeBlocks, expected[i].blocks);
    Bytes back(size_t(e.SizeBlocks) * 2048);
    ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_ReadSectors(grabber_, DW_ARGS(t_), e.StartBlock, e.SizeBlocks,
                                                                  back.data())));
    EXPECT_TRUE(std::equal(expected[i].image.begin(), expected[i].image.end(), back.begin())) << "track " << i + 1;
  }
  // After the close a burn starts the file anew.
  Bytes again = writePatternFile(dir_ / "again.iso", 20 * 2048, 13);
  ASSERT_TRUE(t_.check(burnTao(dir_ / "again.iso")));
  ASSERT_TRUE(t_.check(Discwright_CdvdBurnerGrabber_CloseSession(grabber_, DW_ARGS(t_))));
  EXPECT_EQ(readFile(target), again);
}

// ---- libburn's behaviour on this machine, pinned so that an update that changes it shows ----

class LibburnQuirks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(burn::burn_initialize(), 1);
    burn::burn_set_signal_handling(nullptr, nullptr, 1);
    burn::burn_msgs_set_severities(const_cast<char*>("ALL"), const_cast<char*>("NEVER"), const_cast<char*>("t: "));
  }
  static void TearDownTestSuite() { burn::burn_finish(); }

  struct Grabbed {
    burn::burn_drive_info* infos = nullptr;
    explicit Grabbed(const std::string& path) {
      std::string adr = "stdio:" + path;
      EXPECT_EQ(burn::burn_drive_scan_and_grab(&infos, adr.data(), 1), 1);
    }
    ~Grabbed() {
      if (infos) burn::burn_drive_release(infos[0].drive, 0), burn::burn_drive_info_free(infos);
    }
    burn::burn_drive* d() const { return infos[0].drive; }
  };
  TempDir dir_;
};

TEST_F(LibburnQuirks, AFileIsAlwaysABlankStdioMediumWithoutSessionsOrSpeeds) {
  writePatternFile(dir_ / "full.img", 50 * 2048, 1);
  Grabbed g((dir_ / "full.img").string());
  int profile = 0;
  char name[80] = {};
  ASSERT_EQ(burn::burn_disc_get_profile(g.d(), &profile, name), 1);
  EXPECT_EQ(profile, 0xffff);
  EXPECT_EQ(burn::burn_disc_get_status(g.d()), burn::BURN_DISC_BLANK);  // even with data in it
  EXPECT_EQ(burn::burn_drive_get_write_speed(g.d()), 0);
  burn::burn_multi_caps* caps = nullptr;
  ASSERT_EQ(burn::burn_disc_get_multi_caps(g.d(), burn::BURN_WRITE_NONE, &caps, 0), 1);
  EXPECT_EQ(caps->multi_session, 0);
  EXPECT_EQ(caps->multi_track, 0);
  EXPECT_EQ(caps->might_simulate, 1);
  EXPECT_EQ(caps->might_do_raw, 0);
  burn::burn_disc_free_multi_caps(&caps);
}

TEST_F(LibburnQuirks, WriteTypeNeedsItsBlockTypeElseStaysAsItWas) {
  Grabbed g((dir_ / "x.img").string());
  burn::burn_write_opts* o = burn::burn_write_opts_new(g.d());
  // Session-at-once with the block type of track-at-once is rejected, not converted.
  EXPECT_EQ(burn::burn_write_opts_set_write_type(o, burn::BURN_WRITE_SAO, burn::BURN_BLOCK_MODE1), 0);
  EXPECT_EQ(burn::burn_write_opts_set_write_type(o, burn::BURN_WRITE_SAO, burn::BURN_BLOCK_SAO), 1);
  EXPECT_EQ(burn::burn_write_opts_set_write_type(o, burn::BURN_WRITE_RAW, burn::BURN_BLOCK_RAW96R), 0);
  burn::burn_write_opts_free(o);
}

}  // namespace

TEST(LibburnProfiles, DoubleLayerAndBdProfilesMapToTheirKinds) {
  const std::pair<int, uint8_t> rows[] = {
      {0x15, DISC_TYPE_DVDR_DL}, {0x16, DISC_TYPE_DVDR_DL}, {0x2b, DISC_TYPE_DVDPLUSR_DL},
      {0x41, DISC_TYPE_BDR},     {0x42, DISC_TYPE_BDR},     {0x43, DISC_TYPE_BDRE},
      {0x40, DISC_TYPE_UNKNOWN},  // a pressed BD is no BD-R
      {0x1b, DISC_TYPE_DVDPLUSR}, {0xffff, DISC_TYPE_DVDPLUSRW}, {0x7777, DISC_TYPE_UNKNOWN},
  };
  for (const auto& [profile, kind] : rows) EXPECT_EQ(discwright::discTypeOfProfile(profile), kind) << profile;
}
