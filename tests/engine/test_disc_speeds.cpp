// The selectable write speeds, found by setting each speed of the table on a
// virtual recorder and reading back what it set.
#include <gtest/gtest.h>

#include <vector>

#include "engine/engine_support.h"
#include "drive_speeds.h"
#include "sbBurner.h"
#include "sbDiscSpeeds.h"
#include "sbErrors.h"

using namespace enginetest;

namespace {

std::vector<int> Factors(const TsbDiscSpeedList& list) {
  std::vector<int> factors;
  for (int i = 0; i < list.Count(); ++i) factors.push_back(list.Items(i).SpeedInPoint);
  return factors;
}

class DiscSpeedsTest : public EngineTest {
 protected:
  void TearDown() override {
    burner_.reset();  // releases its grabber while the library is still up
    EngineTest::TearDown();
  }

  // Opens recorder CdRom0 in the burner, which then reports its medium as discType.
  void OpenBurner(uint8_t discType) {
    burner_ = std::make_unique<TsbBurner>();
    burner_->Transport = ttSpti;
    burner_->DeviceName = "CdRom0";
    burner_->DiscType = discType;
    burner_->Open();
  }

  json Writer(const json& writeSpeeds, const std::string& mediumType) {
    json recorder = DvdWriter(0, mediumType);
    recorder["write_speeds"] = writeSpeeds;
    return recorder;
  }

  std::unique_ptr<TsbBurner> burner_;
};

}  // namespace

TEST(DiscSpeedList, TextsAndLookUp) {
  TsbDiscSpeedList list;
  TsbDiscSpeedItem& fresh = list.Add();
  EXPECT_EQ(fresh.SpeedInPoint, 1);
  EXPECT_EQ(fresh.SpeedInSize, 176);
  TsbDiscSpeedItem& eight = list.Add();
  eight.SpeedInPoint = 8;
  eight.SpeedInSize = 1411;
  TsbDiscSpeedItem& again = list.Add();
  again.SpeedInPoint = 8;
  again.SpeedInSize = 1500;

  list.BuildSpeedTexts();
  EXPECT_EQ(list.Items(0).StrSpeed, "1.0x (176 KB/sec)");
  EXPECT_EQ(list.Items(1).StrSpeed, "8.0x (1411 KB/sec)");
  EXPECT_EQ(list.FindBySpeedInPoint(8), &list.Items(1));  // the first of equal factors
  EXPECT_EQ(list.FindBySpeedInPoint(4), nullptr);
}

TEST_F(DiscSpeedsTest, CdWriterThatSetsEveryRequestedSpeed) {
  const json speeds = {{"cd", {176, 353, 387, 528, 706, 1056, 1400, 1760, 2112, 2800, 3250, 4224, 7040, 7744, 8448,
                               9152}}};
  json recorder = Writer(speeds, "CD-R");
  recorder["read_speeds"] = {{"cd", 7056}};
  StartLibrary({recorder});
  OpenBurner(DISC_TYPE_CDR);
  auto& log = CaptureLog();

  TsbDiscSpeedList list;
  list.Add();  // rebuilt from scratch
  list.ReadSpeeds(*burner_);

  EXPECT_EQ(Factors(list), (std::vector<int>{1, 2, 3, 4, 6, 7, 10, 12, 15, 18, 24, 40, 44, 48, 52}));
  // 387 KB/s falls onto the factor 2 of 353 KB/s, which was read back first.
  EXPECT_EQ(list.Items(1).SpeedInSize, 353);
  EXPECT_EQ(list.Items(1).StrSpeed, "2.0x (353 KB/sec)");
  EXPECT_EQ(list.Items(14).StrSpeed, "52.0x (9152 KB/sec)");
  EXPECT_EQ(list.MaximumWriteSpeed, 9152u);
  EXPECT_EQ(list.MaximumReadSpeed, 7056u);
  EXPECT_EQ(burner_->ExceptionNumber, 0);

  // The table loop writes nothing to the log.
  const QStringList expected{
      "Discwright_CdvdBurnerGrabber_TestUnitReady",
      "Discwright_CdvdBurnerGrabber_GetDiscInformation",
      "Discwright_CdvdBurnerGrabber_SetSpeeds: ReadSpeed: 65535,WriteSpeed: 65535",
      "Discwright_CdvdBurnerGrabber_GetSpeeds",
      "Discwright_CdvdBurnerGrabber_GetSpeeds: CurrentReadSpeed: 7056,MaximumReadSpeed: 7056,"
      "CurrentWriteSpeed: 9152,MaximumWriteSpeed: 9152",
  };
  EXPECT_EQ(log.Messages(), expected);
}

TEST_F(DiscSpeedsTest, DvdWriterCappedAtEightTimes) {
  StartLibrary({Writer({{"dvd", {1385, 2770, 4155, 5540, 6925, 8310, 11080}}}, "DVD-R")});
  OpenBurner(DISC_TYPE_DVDR);
  TsbDiscSpeedList list;
  list.ReadSpeeds(*burner_);
  EXPECT_EQ(Factors(list), (std::vector<int>{1, 2, 3, 4, 5, 6, 8}));
  EXPECT_EQ(list.Items(6).StrSpeed, "8.0x (11080 KB/sec)");
}

TEST_F(DiscSpeedsTest, DeviceWithOneSpeedGivesOneItem) {
  StartLibrary({Writer({{"cd", {4234}}}, "CD-RW")});
  OpenBurner(DISC_TYPE_CDRW);
  TsbDiscSpeedList list;
  list.ReadSpeeds(*burner_);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0).StrSpeed, "24.0x (4234 KB/sec)");
}

TEST_F(DiscSpeedsTest, SpeedBelowTheSingleSpeedGivesFactorZero) {
  StartLibrary({Writer({{"cd", {150}}}, "CD-R")});
  OpenBurner(DISC_TYPE_CDR);
  TsbDiscSpeedList list;
  list.ReadSpeeds(*burner_);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0).StrSpeed, "0.0x (150 KB/sec)");
}

TEST_F(DiscSpeedsTest, EachMediumKindTakesItsOwnTable) {
  struct Row {
    const char* medium;
    uint8_t kind;
    json speeds;
    std::vector<int> factors;
  };
  const Row rows[] = {
      // With the CD table the read-back speeds would give the factors 15, 31 and 47.
      {"DVD-R-DL", DISC_TYPE_DVDR_DL, {{"dvd", {2770, 5540, 8310}}}, {2, 4, 6}},
      {"DVD+R-DL", DISC_TYPE_DVDPLUSR_DL, {{"dvd", {2770, 5540, 8310}}}, {2, 4, 6}},
      // The DVD table would give 3, 6, 12 and 25 and ask for no speed above 22160.
      {"BD-R", DISC_TYPE_BDR, {{"bd", {4495, 8990, 17980, 35960, 53940}}}, {1, 2, 4, 8, 12}},
      {"BD-RE", DISC_TYPE_BDRE, {{"bd", {8990, 26970}}}, {2, 6}},
  };
  for (const Row& row : rows) {
    StartLibrary({Writer(row.speeds, row.medium)});
    OpenBurner(row.kind);
    TsbDiscSpeedList list;
    list.ReadSpeeds(*burner_);
    EXPECT_EQ(Factors(list), row.factors) << row.medium;
    if (row.kind == DISC_TYPE_BDR) {
      EXPECT_EQ(list.Items(4).StrSpeed, "12.0x (53940 KB/sec)");
    }
    burner_.reset();
    StopLibrary();
  }
}

TEST_F(DiscSpeedsTest, DriveWithoutDiscIsToleratedBeforeTheSpeedsAreSet) {
  json recorder = Writer({{"cd", {706, 1411}}}, "CD-R");
  recorder["medium"] = nullptr;
  StartLibrary({recorder});
  OpenBurner(DISC_TYPE_NO_MEDIA);
  auto& log = CaptureLog();
  TsbDiscSpeedList list;
  list.ReadSpeeds(*burner_);
  EXPECT_EQ(Factors(list), (std::vector<int>{4, 8}));
  const QStringList messages = log.Messages();
  ASSERT_GE(messages.size(), 4);
  EXPECT_TRUE(messages[1].startsWith("Discwright_CdvdBurnerGrabber_TestUnitReady() failed, exception 7, "));
  EXPECT_TRUE(messages[3].startsWith("Discwright_CdvdBurnerGrabber_GetDiscInformation() failed, exception 7, "));
}

TEST_F(DiscSpeedsTest, RefusedMaximumSpeedRaisesWithTheLibraryText) {
  json recorder = Writer({{"cd", {706, 1411}}}, "CD-R");
  recorder["faults"] = {
      {"operations", {{"SetSpeeds", {{"exception", 4}, {"status", 336896}, {"text", "Speed cannot be set"}}}}}};
  StartLibrary({recorder});
  OpenBurner(DISC_TYPE_CDR);
  auto& log = CaptureLog();

  TsbDiscSpeedList list;
  list.Add();
  list.MaximumWriteSpeed = 123;
  const QString text =
      "Discwright_CdvdBurnerGrabber_SetSpeeds() failed, exception 4, status 336896, text \"Speed cannot be set\"";
  try {
    list.ReadSpeeds(*burner_);
    FAIL() << "no exception";
  } catch (const TsbError& e) {
    EXPECT_EQ(e.Message(), text);
  }
  EXPECT_EQ(burner_->LastMessage, text);
  EXPECT_EQ(burner_->ExceptionNumber, 4);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.MaximumWriteSpeed, 123u);
  EXPECT_EQ(log.Messages().last(), text);
}

TEST_F(DiscSpeedsTest, FailedSpeedReadRaises) {
  json recorder = Writer({{"cd", {706, 1411}}}, "CD-R");
  recorder["faults"] = {{"operations", {{"GetSpeeds", {{"exception", 10}, {"status", 0}, {"text", "No answer"}}}}}};
  StartLibrary({recorder});
  OpenBurner(DISC_TYPE_CDR);
  TsbDiscSpeedList list;
  list.MaximumReadSpeed = 99;
  EXPECT_THROW(list.ReadSpeeds(*burner_), TsbError);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.MaximumReadSpeed, 0u);  // what the failed read delivered
}

// A real drive lists the write speeds of the inserted medium (GET PERFORMANCE);
// its capabilities page counts in units of CD days that do not fit DVD or BD.
// The speeds in use come from the list, so the factor is the medium's own.
TEST(RealDriveSpeeds, TheFactorComesFromTheListedSpeedAndTheMediumsSingleSpeed) {
  struct Case {
    uint8_t discType;
    std::vector<uint32_t> listed;
    uint32_t pageWrite;  // what the capabilities page claims
    uint32_t request;
    const char* shown;
  } cases[] = {
      {DISC_TYPE_CDR, {1764, 4234, 7056}, 706, 4234, "24.0x (4234 KB/sec)"},
      {DISC_TYPE_DVDPLUSR, {2770, 5540, 11080}, 4155, 5540, "4.0x (5540 KB/sec)"},
      {DISC_TYPE_BDR, {4495, 8990}, 8467, 8990, "2.0x (8990 KB/sec)"},
      {DISC_TYPE_BDRE, {4495, 8990}, 8467, DISCWRIGHT_SPEED_MAX, "2.0x (8990 KB/sec)"},
      // A request between two listed speeds sets the slower one.
      {DISC_TYPE_BDR, {4495, 8990, 17980}, 0, 12000, "2.0x (8990 KB/sec)"},
  };
  for (const Case& c : cases) {
    discwright::DriveSpeedReport report;
    report.maximumWrite = c.listed.back();
    report.writeSpeeds = c.listed;
    report.pageCurrentWrite = c.pageWrite;
    const discwright::Speeds s = discwright::speedsInUse(report, DISCWRIGHT_SPEED_MAX, c.request);
    const auto single = SingleSpeedKBps(c.discType);
    EXPECT_EQ(SpeedText(int32_t(s.currentWrite / single), int32_t(s.currentWrite)), QString::fromLatin1(c.shown))
        << "disc type " << int(c.discType) << ", request " << c.request;
  }
  // A drive that lists no speed has only its page to go by.
  discwright::DriveSpeedReport pageOnly;
  pageOnly.maximumWrite = 7056;
  pageOnly.pageCurrentWrite = 4234;
  EXPECT_EQ(discwright::speedsInUse(pageOnly, DISCWRIGHT_SPEED_MAX, 5000).currentWrite, 4234u);
}
