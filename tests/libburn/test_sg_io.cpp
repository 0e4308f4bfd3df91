// The MMC commands of real drives, run against a transport that records each
// command and answers with canned data or sense.
#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

#include "error.h"
#include "libburn/sg_io.h"

using namespace discwright;

namespace {

using Bytes = std::vector<uint8_t>;

struct Canned {
  Bytes data;
  uint32_t sense = 0;
  int status = -1;  // -1: check condition when there is sense, else good
};

class FakeTransport : public ScsiTransport {
 public:
  std::vector<Bytes> cdbs;
  std::vector<size_t> bufferSizes;
  std::deque<Canned> answers;  // empty: a plain good status

  ScsiReply execute(std::span<const uint8_t> cdb, std::span<uint8_t> in, std::chrono::milliseconds timeout) override {
    EXPECT_GT(timeout.count(), 0);
    cdbs.emplace_back(cdb.begin(), cdb.end());
    bufferSizes.push_back(in.size());
    Canned a;
    if (!answers.empty()) a = std::move(answers.front()), answers.pop_front();
    size_t n = std::min(a.data.size(), in.size());
    std::copy_n(a.data.begin(), n, in.begin());
    ScsiReply r;
    r.sense = a.sense;
    r.status = uint8_t(a.status >= 0 ? a.status : (a.sense ? 0x02 : 0x00));
    r.received = n;
    return r;
  }
};

// Mode data of MODE SENSE(10) around a page 2Ah body, with optional block descriptors.
Bytes modeData(Bytes page, size_t blockDescriptorBytes = 0) {
  Bytes d(8 + blockDescriptorBytes, 0);
  d[7] = uint8_t(blockDescriptorBytes);
  d.insert(d.end(), page.begin(), page.end());
  uint16_t length = uint16_t(d.size() - 2);
  d[0] = uint8_t(length >> 8), d[1] = uint8_t(length);
  return d;
}

// A page 2Ah of the given total size with speeds at their places.
Bytes capabilitiesPage(size_t size, uint16_t read14, uint16_t write20, uint16_t write28) {
  Bytes p(size, 0);
  p[0] = 0x2A;
  p[1] = uint8_t(size - 2);
  auto put = [&](size_t at, uint16_t v) {
    if (at + 1 < size) p[at] = uint8_t(v >> 8), p[at + 1] = uint8_t(v);
  };
  put(8, 0x1B90);  // maximum read speed: must not be taken for the current one
  put(14, read14);
  put(18, 0x2000);  // maximum write speed, likewise
  put(20, write20);
  put(28, write28);
  return p;
}

// --- Command bytes ---------------------------------------------------------------

TEST(MmcCommandBytes, EachCommandSendsItsExactCdb) {
  FakeTransport t;
  MmcCommands mmc(t, "CdRom0");
  mmc.testUnitReady();
  mmc.preventRemoval(true);
  mmc.preventRemoval(false);
  mmc.sendOpc();
  (void)mmc.rpcState();
  (void)mmc.capabilities();
  (void)mmc.discInformation();
  (void)mmc.trackInformation(0x0102);
  (void)mmc.trackInformation(MmcCommands::kInvisibleTrack);

  std::vector<Bytes> expected = {
      {0x00, 0, 0, 0, 0, 0},
      {0x1E, 0, 0, 0, 0x01, 0},
      {0x1E, 0, 0, 0, 0x00, 0},
      {0x54, 0x01, 0, 0, 0, 0, 0, 0, 0, 0},
      {0xA4, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x08, 0x08, 0},
      {0x5A, 0x08, 0x2A, 0, 0, 0, 0, 0x01, 0x00, 0},
      {0x51, 0, 0, 0, 0, 0, 0, 0x00, 34, 0},
      {0x52, 0x01, 0, 0, 0x01, 0x02, 0, 0x00, 48, 0},
      {0x52, 0x01, 0, 0, 0, 0xFF, 0, 0x00, 48, 0},
  };
  ASSERT_EQ(t.cdbs.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(t.cdbs[i], expected[i]) << "command " << i;
}

TEST(MmcCommandBytes, DataInBufferMatchesTheAllocationLength) {
  FakeTransport t;
  MmcCommands mmc(t, "CdRom0");
  mmc.testUnitReady();
  mmc.sendOpc();
  (void)mmc.rpcState();
  (void)mmc.capabilities();
  (void)mmc.discInformation();
  (void)mmc.trackInformation(1);
  // Commands without data must not ask for a data phase; the others must not let the drive overrun.
  EXPECT_EQ(t.bufferSizes[0], 0u);
  EXPECT_EQ(t.bufferSizes[1], 0u);
  auto allocation = [&](size_t i, size_t hi, size_t lo) { return size_t(t.cdbs[i][hi] << 8 | t.cdbs[i][lo]); };
  EXPECT_EQ(t.bufferSizes[2], allocation(2, 8, 9));
  EXPECT_EQ(t.bufferSizes[3], allocation(3, 7, 8));
  EXPECT_EQ(t.bufferSizes[4], allocation(4, 7, 8));
  EXPECT_EQ(t.bufferSizes[5], allocation(5, 7, 8));
}

// --- Whole sectors and the Q sub-channel ---------------------------------------------

TEST(CdSectorsAndSubChannel, ReadCdAsksForWholeSectorsOfAnyKind) {
  FakeTransport t;
  MmcCommands mmc(t, "CdRom0");
  std::vector<uint8_t> out(27 * 2352);
  t.answers.push_back({Bytes(27 * 2352, 0xAB)});
  mmc.readCd(0x012345, 27, out);
  EXPECT_EQ(t.cdbs[0], (Bytes{0xBE, 0, 0, 0x01, 0x23, 0x45, 0, 0, 27, 0xF8, 0, 0}));
  EXPECT_EQ(t.bufferSizes[0], out.size());
  EXPECT_EQ(out.back(), 0xAB);
  // More than one command's worth, a short transfer and a drive without the command are errors.
  std::vector<uint8_t> big(28 * 2352);
  EXPECT_THROW(mmc.readCd(0, 28, big), DwError);
  t.answers.push_back({Bytes(2352)});
  EXPECT_THROW(mmc.readCd(0, 2, out), DwError);
  t.answers.push_back({{}, senses::kInvalidCommand});
  try {
    mmc.readCd(0, 1, out);
    ADD_FAILURE();
  } catch (const DwError& e) {
    EXPECT_EQ(e.code(), DW_E_NOT_SUPPORTED);
  }
}

TEST(CdSectorsAndSubChannel, CatalogAndIsrcNeedTheirFormatAndValidBit) {
  auto reply = [](uint8_t format, bool valid, std::string text) {
    Bytes r(24, 0);
    r[3] = 20, r[4] = format, r[8] = valid ? 0x80 : 0;
    std::copy(text.begin(), text.end(), r.begin() + 9);
    return r;
  };
  EXPECT_EQ(parseMediaCatalog(reply(0x02, true, "0123456789012")), "0123456789012");
  EXPECT_EQ(parseMediaCatalog(reply(0x02, false, "0123456789012")), "");
  EXPECT_EQ(parseMediaCatalog(reply(0x03, true, "0123456789012")), "");
  EXPECT_EQ(parseMediaCatalog(Bytes(12, 0)), "");
  EXPECT_EQ(parseIsrc(reply(0x03, true, "DEA121234567")), "DEA121234567");
  EXPECT_EQ(parseIsrc(reply(0x03, true, std::string(12, '\0'))), "");

  FakeTransport t;
  MmcCommands mmc(t, "CdRom0");
  t.answers.push_back({reply(0x02, true, "4006381333931")});
  t.answers.push_back({reply(0x03, true, "USRC17607839")});
  EXPECT_EQ(mmc.mediaCatalog(), "4006381333931");
  EXPECT_EQ(mmc.isrc(7), "USRC17607839");
  EXPECT_EQ(t.cdbs[0], (Bytes{0x42, 0, 0x40, 0x02, 0, 0, 0, 0, 24, 0}));
  EXPECT_EQ(t.cdbs[1], (Bytes{0x42, 0, 0x40, 0x03, 0, 0, 7, 0, 24, 0}));
}

// --- Mode page 2Ah -----------------------------------------------------------------

TEST(CapabilitiesPage, CurrentSpeedsComeFromTheirFields) {
  auto s = parseCapabilitiesPage(modeData(capabilitiesPage(32, 0x0B10, 0x0AAA, 0x0583)));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->currentRead, 0x0B10u);
  EXPECT_EQ(s->currentWrite, 0x0583u);  // the selected speed at 28 wins over the older field
}

TEST(CapabilitiesPage, BlockDescriptorsShiftThePage) {
  auto s = parseCapabilitiesPage(modeData(capabilitiesPage(32, 1765, 0, 2822), 8));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->currentRead, 1765u);
  EXPECT_EQ(s->currentWrite, 2822u);
}

TEST(CapabilitiesPage, ShortPagesGiveWhatTheyHold) {
  // An older drive ends the page before byte 28: its write speed sits at 20.
  auto old = parseCapabilitiesPage(modeData(capabilitiesPage(24, 4234, 1411, 0)));
  ASSERT_TRUE(old);
  EXPECT_EQ(old->currentRead, 4234u);
  EXPECT_EQ(old->currentWrite, 1411u);
  // A page too short for either field reports none rather than reading past it.
  auto tiny = parseCapabilitiesPage(modeData(capabilitiesPage(14, 0xFFFF, 0xFFFF, 0xFFFF)));
  ASSERT_TRUE(tiny);
  EXPECT_EQ(tiny->currentRead, 0u);
  EXPECT_EQ(tiny->currentWrite, 0u);
}

TEST(CapabilitiesPage, BytesBeyondTheStatedLengthsAreIgnored) {
  // The page says it ends at 22; what follows in the buffer is not part of it.
  Bytes page = capabilitiesPage(32, 700, 300, 900);
  page[1] = 20;
  auto s = parseCapabilitiesPage(modeData(page));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->currentWrite, 300u);
  // Nor is what follows the mode data length.
  Bytes data = modeData(capabilitiesPage(32, 700, 300, 900));
  data[1] = uint8_t(data[1] - 10);
  auto cut = parseCapabilitiesPage(data);
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->currentWrite, 300u);
}

TEST(CapabilitiesPage, ReadModesComeFromTheirBits) {
  struct Case {
    uint8_t byte4, byte5;
    std::array<bool, DW_READ_MODE_COUNT> modes;  // CD-DA, accurate, form 1, form 2, R-W, C2
  } cases[] = {
      {0x00, 0x00, {}},
      {0xFF, 0xFF, {true, true, true, true, true, true}},
      {0x10, 0x01, {true, false, true, false, false, false}},
      {0x20, 0x02, {false, true, false, true, false, false}},
      {0x00, 0x14, {false, false, false, false, true, true}},
      // Audio play, multisession, R-W deinterleaved and the code bits say nothing of reading.
      {0xCF, 0xE8, {}},
  };
  for (const auto& c : cases) {
    Bytes page = capabilitiesPage(32, 0, 0, 0);
    page[4] = c.byte4, page[5] = c.byte5;
    auto parsed = parseCapabilitiesPage(modeData(page));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->readModes, c.modes) << std::hex << int(c.byte4) << " " << int(c.byte5);
  }
  // A page cut before its read bits claims no mode.
  Bytes cut = capabilitiesPage(32, 0, 0, 0);
  cut[4] = cut[5] = 0xFF;
  cut[1] = 2;
  auto parsed = parseCapabilitiesPage(modeData(cut));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->readModes, (std::array<bool, DW_READ_MODE_COUNT>{}));
}

TEST(CapabilitiesPage, OtherPagesAndTruncatedRepliesAreRejected) {
  Bytes other = capabilitiesPage(32, 1, 2, 3);
  other[0] = 0x05;
  EXPECT_FALSE(parseCapabilitiesPage(modeData(other)));
  EXPECT_FALSE(parseCapabilitiesPage(Bytes(7, 0)));
  Bytes headerOnly = modeData({});
  EXPECT_FALSE(parseCapabilitiesPage(headerOnly));
  // Block descriptors said to run past the end of what arrived.
  Bytes cut = modeData(capabilitiesPage(32, 1, 2, 3), 200);
  cut.resize(100);
  EXPECT_FALSE(parseCapabilitiesPage(cut));
}

TEST(CapabilitiesPage, CommandReturnsTheParsedSpeeds) {
  FakeTransport t;
  t.answers.push_back({modeData(capabilitiesPage(32, 5540, 0, 4155)), 0});
  MmcCommands mmc(t, "CdRom0");
  auto s = mmc.capabilities();
  ASSERT_TRUE(s);
  EXPECT_EQ(s->currentRead, 5540u);
  EXPECT_EQ(s->currentWrite, 4155u);
}

// --- REPORT KEY, disc and track information ----------------------------------------

TEST(RpcReply, FieldsAreUnpacked) {
  // Type code 1, 4 vendor resets, 3 user changes; region 2 allowed only; RPC II.
  Bytes reply = {0x00, 0x06, 0, 0, uint8_t(0x40 | (4 << 3) | 3), 0xFD, 0x01, 0};
  auto s = parseRpcState(reply);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->typeCode, 1);
  EXPECT_EQ(s->vendorResets, 4);
  EXPECT_EQ(s->userChanges, 3);
  EXPECT_EQ(s->regionMask, 0xFD);
  EXPECT_EQ(s->scheme, 1);

  auto edge = parseRpcState(Bytes{0, 6, 0, 0, 0xFF, 0x00, 0x00, 0});
  ASSERT_TRUE(edge);
  EXPECT_EQ(edge->typeCode, 3);
  EXPECT_EQ(edge->vendorResets, 7);
  EXPECT_EQ(edge->userChanges, 7);

  EXPECT_FALSE(parseRpcState(Bytes{0, 6, 0, 0, 0x40, 0xFD}));
}

TEST(RpcReply, CommandHandsBackTheDriveState) {
  FakeTransport t;
  t.answers.push_back({{0, 6, 0, 0, 0x8A, 0xFE, 0x01, 0}, 0});
  MmcCommands mmc(t, "CdRom0");
  auto s = mmc.rpcState();
  ASSERT_TRUE(s);
  EXPECT_EQ(s->typeCode, 2);
  EXPECT_EQ(s->vendorResets, 1);
  EXPECT_EQ(s->userChanges, 2);
  EXPECT_EQ(s->regionMask, 0xFE);
}

TEST(DiscAndTrackReplies, DiscInformationFieldsAndHighBytes) {
  Bytes r(34, 0);
  r[1] = 32;
  r[2] = 0x10 | (1 << 2) | 1;  // erasable, last session incomplete, disc incomplete
  r[3] = 1;
  r[4] = 0x02, r[9] = 0x01;    // 258 sessions
  r[5] = 0x05, r[10] = 0x01;   // first track of the last session 261
  r[6] = 0x07, r[11] = 0x01;   // last 263
  r[8] = 0x20;
  auto d = parseDiscInformation(r);
  ASSERT_TRUE(d);
  EXPECT_TRUE(d->erasable);
  EXPECT_EQ(d->lastSessionState, 1);
  EXPECT_EQ(d->discStatus, 1);
  EXPECT_EQ(d->firstTrack, 1);
  EXPECT_EQ(d->sessions, 258);
  EXPECT_EQ(d->firstTrackLastSession, 261);
  EXPECT_EQ(d->lastTrackLastSession, 263);
  EXPECT_EQ(d->discType, 0x20);
  EXPECT_FALSE(parseDiscInformation(Bytes(11, 0)));
}

TEST(DiscAndTrackReplies, TrackInformationFields) {
  Bytes r(36, 0);
  r[2] = 3, r[3] = 2;
  r[5] = 0x20 | 0x10 | 0x04;         // damaged, copy, data track
  r[6] = 0x80 | 0x40 | 0x20 | 0x10 | 0x01;  // reserved, blank, packet, fixed, mode 1
  r[7] = 0x01;
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) r[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
  };
  put(8, 0x00012345);
  put(12, 0x00023456);
  put(16, 0x00034567);
  put(24, 0x00045678);
  r[32] = 1, r[33] = 0;
  auto t = parseTrackInformation(r);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->trackNumber, 0x0103);
  EXPECT_EQ(t->sessionNumber, 2);
  EXPECT_TRUE(t->damaged && t->copy && t->reserved && t->blank && t->packet && t->fixedPacket);
  EXPECT_EQ(t->trackMode, 4);
  EXPECT_EQ(t->dataMode, 1);
  EXPECT_TRUE(t->nextWritableValid);
  EXPECT_EQ(t->start, 0x12345u);
  EXPECT_EQ(t->nextWritable, 0x23456u);
  EXPECT_EQ(t->freeBlocks, 0x34567u);
  EXPECT_EQ(t->size, 0x45678u);

  r[5] = 0x05, r[6] = 0x02, r[7] = 0;
  auto plain = parseTrackInformation(std::span<const uint8_t>(r).first(28));
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->trackNumber, 3);  // no high byte in a short reply
  EXPECT_FALSE(plain->damaged || plain->copy || plain->reserved || plain->blank || plain->nextWritableValid);
  EXPECT_EQ(plain->trackMode, 5);
  EXPECT_EQ(plain->dataMode, 2);
  EXPECT_FALSE(parseTrackInformation(Bytes(27, 0)));
}

// --- Sense handling ----------------------------------------------------------------

TEST(SenseHandling, FixedAndDescriptorFormatsArePacked) {
  Bytes fixed(18, 0);
  fixed[0] = 0xF0;  // valid bit set
  fixed[2] = 0x05;
  fixed[12] = 0x24;
  fixed[13] = 0x00;
  EXPECT_EQ(packSense(fixed), senses::kInvalidField);
  EXPECT_EQ(packSense(Bytes{0x72, 0x02, 0x3A, 0x01}), sense(0x02, 0x3A, 0x01));
  EXPECT_EQ(packSense(Bytes{0x70, 0, 0x05}), 0u);  // cut short
  EXPECT_EQ(packSense(Bytes{}), 0u);
}

TEST(SenseHandling, InvalidCommandOrFieldMeansNotSupported) {
  for (uint32_t s : {senses::kInvalidCommand, senses::kInvalidField}) {
    FakeTransport t;
    for (int i = 0; i < 6; ++i) t.answers.push_back({{}, s});
    MmcCommands mmc(t, "CdRom0");
    EXPECT_FALSE(mmc.rpcState());
    EXPECT_FALSE(mmc.capabilities());
    EXPECT_FALSE(mmc.discInformation());
    EXPECT_FALSE(mmc.trackInformation(1));
    try {
      mmc.sendOpc();
      ADD_FAILURE() << "no error";
    } catch (const DwError& e) {
      EXPECT_EQ(e.code(), DW_E_NOT_SUPPORTED);
      EXPECT_EQ(e.status(), s);
    }
    try {
      mmc.preventRemoval(true);
      ADD_FAILURE() << "no error";
    } catch (const DwError& e) {
      EXPECT_EQ(e.code(), DW_E_NOT_SUPPORTED);
      EXPECT_EQ(e.status(), s);
    }
    EXPECT_EQ(t.cdbs.size(), 6u);  // no retries of what the drive does not know
  }
  EXPECT_FALSE(meansNotSupported(senses::kLbaOutOfRange));
  EXPECT_FALSE(meansNotSupported(sense(0x03, 0x20, 0x00)));
}

TEST(SenseHandling, OtherSensesBecomeErrorsAUserCanActOn) {
  struct Case {
    uint32_t sense;
    int status;
    uint8_t code;
  } cases[] = {
      {senses::kNoMedium, -1, DW_E_NO_MEDIUM},
      {sense(0x02, 0x04, 0x01), -1, DW_E_NOT_READY},
      {senses::kWriteError, -1, DW_E_IO},
      {0, 0x08, DW_E_BUSY},
      {0, 0x02, DW_E_IO},
  };
  for (const auto& c : cases) {
    FakeTransport t;
    t.answers.push_back({{}, c.sense, c.status});
    MmcCommands mmc(t, "CdRom7");
    try {
      mmc.sendOpc();
      ADD_FAILURE() << "no error for sense " << c.sense;
    } catch (const DwError& e) {
      EXPECT_EQ(e.code(), c.code) << e.what();
      EXPECT_EQ(e.status(), c.sense);
      EXPECT_NE(std::string(e.what()).find("CdRom7"), std::string::npos) << e.what();
    }
  }
}

TEST(SenseHandling, UnitAttentionIsRetriedOnce) {
  FakeTransport t;
  t.answers.push_back({{}, senses::kMediumChanged});
  t.answers.push_back({{0, 6, 0, 0, 0x40, 0xFD, 0x01, 0}, 0});
  MmcCommands mmc(t, "CdRom0");
  auto s = mmc.rpcState();
  ASSERT_TRUE(s);
  EXPECT_EQ(s->regionMask, 0xFD);
  EXPECT_EQ(t.cdbs.size(), 2u);
  EXPECT_EQ(t.cdbs[0], t.cdbs[1]);

  FakeTransport again;
  again.answers.push_back({{}, senses::kMediumChanged});
  again.answers.push_back({{}, senses::kMediumChanged});
  MmcCommands twice(again, "CdRom0");
  EXPECT_THROW(twice.testUnitReady(), DwError);
  EXPECT_EQ(again.cdbs.size(), 2u);
}

TEST(SenseHandling, RecoveredErrorStillDeliversData) {
  FakeTransport t;
  t.answers.push_back({{0, 6, 0, 0, 0x00, 0x7F, 0x01, 0}, sense(0x01, 0x17, 0x00), 0x00});
  MmcCommands mmc(t, "CdRom0");
  auto s = mmc.rpcState();
  ASSERT_TRUE(s);
  EXPECT_EQ(s->regionMask, 0x7F);
}

// --- Why a drive cannot be opened ----------------------------------------------------

TEST(OpenFailures, ErrnoBecomesItsMessage) {
  const std::string sr = "/dev/sr0";
  for (int err : {EACCES, EPERM}) {
    auto f = openFailure(sr, err, "");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->code, DW_E_NO_DEVICE);
    EXPECT_EQ(f->text,
              "You may not open /dev/sr0: add your user to the group that owns it (usually cdrom) and log in again");
  }
  auto busy = openFailure(sr, EBUSY, "");
  ASSERT_TRUE(busy);
  EXPECT_EQ(busy->code, DW_E_BUSY);
  EXPECT_EQ(busy->text, "The drive /dev/sr0 is in use by another program");
  EXPECT_FALSE(openFailure(sr, ENOENT, ""));
  EXPECT_FALSE(openFailure(sr, 0, "proc /proc proc rw 0 0\n"));
}

TEST(OpenFailures, AMountedDiscIsNamedWithItsMountPoint) {
  const std::string table =
      "proc /proc proc rw,nosuid 0 0\n"
      "/dev/sr10 /media/other iso9660 ro 0 0\n"
      "/dev/sr1 /media/user/My\\040Disc iso9660 ro,nosuid 0 0\n";
  auto f = openFailure("/dev/sr1", EBUSY, table);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->code, DW_E_BUSY);
  EXPECT_EQ(f->text, "The disc in /dev/sr1 is mounted at /media/user/My Disc: unmount it first");
  // A permission problem is the first thing to fix, mounted or not.
  EXPECT_EQ(openFailure("/dev/sr1", EACCES, table)->text, accessDeniedText("/dev/sr1"));
  // A prefix of another node is not a match.
  EXPECT_FALSE(mountPointIn(table, "/dev/sr"));
  EXPECT_EQ(mountPointIn(table, "/dev/sr10"), "/media/other");
}

TEST(OpenFailures, MountTableEntriesAreComparedCanonically) {
#ifdef _WIN32
  GTEST_SKIP() << "mount tables and links to device nodes: not on Windows";
#endif
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("sgio-mounts-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  struct Cleanup {
    fs::path d;
    ~Cleanup() {
      std::error_code ec;
      fs::remove_all(d, ec);
    }
  } cleanup{dir};
  std::ofstream(dir / "sr0") << "";
  fs::create_symlink(dir / "sr0", dir / "cdrom");
  // The table names the node through a link, the drive through its real path, and the other way round.
  std::string table = (dir / "cdrom").string() + " /mnt/cd iso9660 ro 0 0\n";
  EXPECT_EQ(mountPointIn(table, (dir / "sr0").string()), "/mnt/cd");
  std::string direct = (dir / "sr0").string() + " /mnt/cd2 udf ro 0 0\n";
  EXPECT_EQ(mountPointIn(direct, (dir / "cdrom").string()), "/mnt/cd2");
  EXPECT_EQ(mountPointIn(direct, (dir / "." / "sr0").string()), "/mnt/cd2");
  EXPECT_EQ(mountedText("/dev/sr0", "/mnt/cd"), "The disc in /dev/sr0 is mounted at /mnt/cd: unmount it first");
}

}  // namespace
