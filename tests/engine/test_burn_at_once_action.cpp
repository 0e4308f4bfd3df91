// The burn action end to end on virtual recorders: what reaches the medium, the
// session and eject steps per mode, and how failures stop it before the disc is touched.
#include <QString>
#include <QStringList>

#include <algorithm>

#include "engine/actions_support.h"
#include "sbBurnAtOnceAction.h"

using namespace actest;

namespace {

constexpr uint64_t kImageSize = 5 * 65536 + 1234;  // several FIFO pieces and a partial last block

class BurnAtOnceTest : public ActionsTest {
 protected:
  TsbBurner& prepare(TsbBurnMode mode, json recorder = cdRecorder()) {
    start({recorder});
    TsbBurner& b = openBurner();
    b.BurnSettings.Mode = mode;
    b.BurnSettings.WriteSpeed = 5645;
    b.DiscType = DISC_TYPE_CDR;
    imagePath = dir_ / "image.iso";
    image = writeFile(imagePath, kImageSize, uint32_t(mode) + 11);
    list.Source.Assigned = true;
    list.Source.FileName = QString::fromStdString(imagePath.string());
    list.Add().Action = &action;
    return b;
  }

  ::testing::AssertionResult mediumHoldsImage() {
    const uint32_t blocks = uint32_t((image.size() + DISCWRIGHT_SECTOR_SIZE - 1) / DISCWRIGHT_SECTOR_SIZE);
    Bytes medium = readMedium(0, blocks);
    for (size_t i = 0; i < medium.size(); ++i) {
      const uint8_t want = i < image.size() ? image[i] : 0;
      if (medium[i] != want) return ::testing::AssertionFailure() << "the medium differs at byte " << i;
    }
    return ::testing::AssertionSuccess();
  }

  fs::path imagePath;
  Bytes image;
  TsbActionList list;
  TsbBurnAtOnceToCDDVDAction action;
};

class EveryFileMode : public BurnAtOnceTest, public ::testing::WithParamInterface<TsbBurnMode> {};

}  // namespace

TEST_P(EveryFileMode, BurnsTheSourceFileByteForByteAndEjects) {
  const TsbBurnMode mode = GetParam();
  TsbBurner& b = prepare(mode);
  ASSERT_TRUE(run(list)) << messages.texts().join('\n').toStdString();

  QStringList texts = messages.texts();
  const QStringList tail = mode == bmTaoFromFile
                               ? QStringList{"Burning started", "Closing session", "Eject disc", "Burning completed"}
                               : QStringList{"Burning started", "Eject disc", "Burning completed"};
  EXPECT_EQ(texts.mid(texts.size() - tail.size()), tail);
  for (const Line& line : messages.lines()) EXPECT_EQ(line.kind, litInfo) << line;

  EXPECT_EQ(b.Tracks().Count, 1u);
  EXPECT_EQ(QString::fromLocal8Bit(b.Tracks().Tracks[0].FileName), list.Source.FileName);
  EXPECT_EQ(b.SourceFiles, QStringList{list.Source.FileName});
  EXPECT_TRUE(diagnosticLog().contains("Source file name: " + list.Source.FileName));
  EXPECT_TRUE(b.BurnSucceeded);

  EXPECT_TRUE(mediumHoldsImage());
  // A closed session leaves the disc complete in every mode the wizard offers.
  EXPECT_EQ(discInformation().DiscStatus, DW_DISC_COMPLETE);

  // The burn's progress starts from zero again and ends at 100.
  const std::vector<int> percents = progress();
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.front(), 0);
  EXPECT_EQ(percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
}

INSTANTIATE_TEST_SUITE_P(Modes, EveryFileMode,
                         ::testing::Values(bmDaoPqFromFile, bmDaoRawFromFile, bmTaoFromFile, bmSaoFromFile),
                         [](const auto& info) { return "Mode" + std::to_string(int(info.param)); });

TEST_F(BurnAtOnceTest, ATestBurnClosesNoSessionButEjects) {
  TsbBurner& b = prepare(bmTaoFromFile);
  b.BurnSettings.TestWrite = true;
  ASSERT_TRUE(run(list));
  const QStringList texts = messages.texts();
  EXPECT_FALSE(texts.contains("Closing session"));
  EXPECT_EQ(texts.mid(texts.size() - 2), (QStringList{"Eject disc", "Burning completed"}));
  EXPECT_FALSE(diagnosticLog().contains("Discwright_CdvdBurnerGrabber_CloseSession"));
  EXPECT_EQ(discInformation().DiscStatus, DW_DISC_BLANK);
}

TEST_F(BurnAtOnceTest, AFailedBurnEndsWithItsTextAndLeavesTheDiscInTheDrive) {
  json recorder = cdRecorder();
  recorder["faults"] = {{"write_fails_at", 65536}};
  prepare(bmDaoPqFromFile, recorder);
  EXPECT_FALSE(run(list));
  const auto lines = messages.lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().kind, litError);
  EXPECT_TRUE(lines.back().text.startsWith("Discwright_CdvdBurnerGrabber_DiscAtOncePQFromFile() failed, exception 10"))
      << lines.back();
  EXPECT_EQ(errorBoxes(), std::vector<QString>{lines.back().text});
  const QStringList texts = messages.texts();
  EXPECT_FALSE(texts.contains("Eject disc"));
  EXPECT_FALSE(texts.contains("Burning completed"));
  EXPECT_FALSE(burner->BurnSucceeded);
  EXPECT_FALSE(diagnosticLog().contains("Discwright_CdvdBurnerGrabber_Eject"));
}

TEST_F(BurnAtOnceTest, AFailedPreparationBurnsNothingAndKeepsTheTables) {
  json recorder = cdRecorder();
  recorder["faults"] = {{"operations", {{"GetSpeeds", {{"exception", 10}, {"status", 3}, {"text", "Bad"}}}}}};
  TsbBurner& b = prepare(bmDaoPqFromFile, recorder);
  b.SourceFiles = QStringList{"earlier.iso"};
  EXPECT_FALSE(run(list));
  EXPECT_EQ(messages.lines().back(),
            (Line{"Discwright_CdvdBurnerGrabber_GetSpeeds() failed, exception 10, status 3, text \"Bad\"", litError}));
  EXPECT_EQ(b.SourceFiles, QStringList{"earlier.iso"});
  EXPECT_EQ(b.Tracks().Count, 0u);
  EXPECT_EQ(discInformation().DiscStatus, DW_DISC_BLANK);
}

TEST_F(BurnAtOnceTest, ANameTooLongForTheTrackTableIsRefusedBeforeTheBurn) {
  TsbBurner& b = prepare(bmDaoPqFromFile);
  QString longName = QStringLiteral("/tmp");
  while (longName.size() < 800) longName += QStringLiteral("/folder");
  list.Source.FileName = longName + QStringLiteral("/image.iso");
  EXPECT_FALSE(run(list));
  const QStringList texts = messages.texts();
  EXPECT_FALSE(texts.contains("Burning started"));
  EXPECT_EQ(messages.lines().back().kind, litError);
  EXPECT_TRUE(messages.lines().back().text.contains(longName)) << messages.lines().back();
  EXPECT_EQ(b.Tracks().Count, 0u);
  EXPECT_EQ(discInformation().DiscStatus, DW_DISC_BLANK);
}

TEST_F(BurnAtOnceTest, ANameTooLongForTheSessionLayoutIsRefusedBeforeTheBurn) {
  prepare(bmSaoFromFile);
  // Fits a track-table entry, not a session-layout entry.
  QString name = QStringLiteral("/tmp");
  while (name.size() < 300) name += QStringLiteral("/folder");
  list.Source.FileName = name + QStringLiteral("/image.iso");
  EXPECT_FALSE(run(list));
  EXPECT_FALSE(messages.texts().contains("Burning started"));
  EXPECT_EQ(messages.lines().back().kind, litError);
  EXPECT_EQ(discInformation().DiscStatus, DW_DISC_BLANK);
}

TEST_F(BurnAtOnceTest, WithoutTheSourceFileTheBurnersTablesAreBurnedAsTheyAre) {
  TsbBurner& b = prepare(bmDaoPqFromFile);
  action.UseSourceFile = false;
  const fs::path other = dir_ / "other.iso";
  image = writeFile(other, 40000, 99);
  b.SetSingleTrack(QString::fromStdString(other.string()));
  ASSERT_TRUE(run(list)) << messages.texts().join('\n').toStdString();
  EXPECT_TRUE(b.SourceFiles.isEmpty());
  EXPECT_FALSE(diagnosticLog().join('\n').contains("Source file name: "));
  EXPECT_TRUE(mediumHoldsImage());
}
