// The staged preparation: which stages run, what each one reports and how its failures end.
#include <QDir>
#include <QString>
#include <QStringList>

#include <fstream>

#include "engine/actions_support.h"
#include "sbBurnAtOnceAction.h"
#include "sbErrors.h"
#include "sbStagedAction.h"

using namespace actest;

namespace {

json withFault(json recorder, const std::string& operation, int exception, int status, const std::string& text) {
  recorder["faults"]["operations"][operation] = {{"exception", exception}, {"status", status}, {"text", text}};
  return recorder;
}

class StagedActionTest : public ActionsTest {
 protected:
  TsbBurner& prepare(const std::vector<json>& recorders) {
    start(recorders);
    TsbBurner& b = openBurner();
    b.BurnSettings.WriteSpeed = 2822;
    b.DiscType = DISC_TYPE_CDR;
    return b;
  }

  bool runStaged(uint16_t stages, bool reportStages = true) {
    staged.Stages = stages;
    list.ReportStages = reportStages;
    list.Add().Action = &staged;
    return run(list);
  }

  // A file tree of a small folder, owned by the burner from here on.
  void giveBurnerATree() {
    const fs::path folder = dir_ / "tree";
    fs::create_directories(folder / "docs");
    writeFile(folder / "readme.txt", 1000, 1);
    writeFile(folder / "docs" / "manual.bin", 70000, 2);
    char text[DISCWRIGHT_TEXT_SIZE] = {};
    uint32_t status = 0;
    ASSERT_EQ(Discwright_ISO9660JolietFileTree_Create(&burner->FileTree, text, sizeof text, &status, nullptr, nullptr,
                                                      folder.string().c_str()),
              DW_E_OK)
        << text;
  }

  TsbActionList list;
  TsbStagedAction staged;
};

std::vector<Line> infos(const QStringList& texts) {
  std::vector<Line> out;
  for (const QString& t : texts) out.push_back({t, litInfo});
  return out;
}

}  // namespace

TEST_F(StagedActionTest, AFullDiscAtOnceRunReportsEveryStageInOrder) {
  TsbBurner& b = prepare({cdRecorder()});
  b.BurnSettings.Mode = bmDaoPqFromFile;
  b.BurnSettings.SendOPC = true;
  const fs::path image = dir_ / "image.iso";
  writeFile(image, 100000, 7);
  TsbBurnAtOnceToCDDVDAction action;
  list.Source.Assigned = true;
  list.Source.FileName = QString::fromStdString(image.string());
  list.Add().Action = &action;

  ASSERT_TRUE(run(list)) << messages.texts().join('\n').toStdString();
  // A blank 80-minute CD-R: the next track is 1, blank and writable from block 0.
  EXPECT_EQ(messages.lines(),
            infos({"160 MBs of cache will be used during burn process",
                   "Testing unit ready",
                   "Track-At-Once: Yes, Session-At-Once: Yes, Disc-At-Once PQ: Yes, Disc-At-Once raw P-W: Yes",
                   "Getting BUP (Buffer Underrun Protection) support",
                   "BUP (Buffer Underrun Protection) Enabled: No, Supported: Yes",
                   "Enabling BUP (Buffer Underrun Protection)",
                   "Setting CD/DVD speeds",
                   "Getting current CD/DVD speeds",
                   "Current read speed 8467 KBps (8467 maximum)",
                   "Current write speed 2822 KBps (8467 maximum)",
                   "Getting track information",
                   QStringLiteral("Track Blank: Yes, NWA valid: Yes, free LBs 359847, track \u2116 1"),
                   "Getting disc information",
                   "Disc erasable: No, Disc status: 0x00, Last session status: 0x00, Disc type: 2",
                   "Sending OPC (Optimum Power Calibration)",
                   "Burning mode: Disc-At-Once PQ (from file)",
                   "Burning started",
                   "Eject disc",
                   "Burning completed"}));

  // Library calls are logged by name before they are made, and the log-only texts are there.
  const QStringList log = diagnosticLog();
  QStringList expected = {
      "Discwright_CdvdBurnerGrabber_TestUnitReady",
      "Discwright_CdvdBurnerGrabber_ProbeSupportedWriteModes",
      "Track-At-Once: Yes, Session-At-Once: Yes, Disc-At-Once PQ: Yes, Disc-At-Once raw P-W: Yes",
      "Discwright_CdvdBurnerGrabber_GetBUP",
      "BUP (Buffer Underrun Protection) Enabled: No, Supported: Yes",
      "Discwright_CdvdBurnerGrabber_SetBUP",
      "Discwright_CdvdBurnerGrabber_SetSpeeds",
      "Discwright_CdvdBurnerGrabber_GetSpeeds",
      "Discwright_CdvdBurnerGrabber_GetSpeeds: CurrentReadSpeed: 8467,MaximumReadSpeed: 8467,"
      "CurrentWriteSpeed: 2822,MaximumWriteSpeed: 8467",
      "Discwright_CdvdBurnerGrabber_GetTrackInformation: (for TRACK_NUMBER_INVISIBLE)",
      QStringLiteral("Track Blank: Yes, NWA valid: Yes, free LBs 359847, track \u2116 1"),
      "Discwright_CdvdBurnerGrabber_GetDiscInformation",
      "Disc erasable: No, Disc status: 0x00, Last session status: 0x00, Disc type: 2",
      "Discwright_CdvdBurnerGrabber_SendOPC",
      "Source file name: " + list.Source.FileName,
      "Discwright_CdvdBurnerGrabber_DiscAtOncePQFromFile",
      "Discwright_CdvdBurnerGrabber_Release",
      "Discwright_CdvdBurnerGrabber_Eject"};
  qsizetype from = 0;
  for (const QString& line : expected) {
    const qsizetype at = log.indexOf(line, from);
    EXPECT_GE(at, 0) << "missing or out of order in the diagnostic log: " << line.toStdString();
    if (at >= 0) from = at + 1;
  }
  for (const char* shownOnly : {"Testing unit ready", "Eject disc", "Burning completed", "Getting disc information"})
    EXPECT_FALSE(log.contains(QString::fromLatin1(shownOnly))) << shownOnly;
}

TEST_F(StagedActionTest, WithoutProtectionThereIsNoEnablingStep) {
  json recorder = cdRecorder();
  recorder["buffer_underrun_protection"] = false;
  prepare({recorder});
  ASSERT_TRUE(runStaged(TsbStagedAction::kDefaultStages));
  const QStringList texts = messages.texts();
  EXPECT_TRUE(texts.contains("BUP (Buffer Underrun Protection) Enabled: No, Supported: No"));
  EXPECT_FALSE(texts.contains("Enabling BUP (Buffer Underrun Protection)"));
  EXPECT_FALSE(diagnosticLog().contains("Discwright_CdvdBurnerGrabber_SetBUP"));
}

TEST_F(StagedActionTest, EnablingNeedsTheSupportCheckOfTheSameRun) {
  prepare({cdRecorder()});
  ASSERT_TRUE(runStaged(TsbStagedAction::kDefaultStages & ~StageBit(stGetBUP)));
  EXPECT_FALSE(messages.texts().contains("Enabling BUP (Buffer Underrun Protection)"));
  EXPECT_FALSE(diagnosticLog().contains("Discwright_CdvdBurnerGrabber_SetBUP"));
}

TEST_F(StagedActionTest, AFailedSpeedSettingIsAWarningAndTheStagesGoOn) {
  prepare({withFault(cdRecorder(), "SetSpeeds", 4, 336896, "Speed cannot be set")});
  ASSERT_TRUE(runStaged(TsbStagedAction::kDefaultStages));
  const auto lines = messages.lines();
  const QString warning = QStringLiteral(
      "Discwright_CdvdBurnerGrabber_SetSpeeds() failed, exception 4, status 336896, text \"Speed cannot be set\"");
  auto at = std::find(lines.begin(), lines.end(), Line{warning, litWarning});
  ASSERT_NE(at, lines.end());
  ASSERT_NE(at + 1, lines.end());
  EXPECT_EQ(*(at + 1), (Line{"Getting current CD/DVD speeds", litInfo}));
  EXPECT_EQ(lines.back(), (Line{"Disc erasable: No, Disc status: 0x00, Last session status: 0x00, Disc type: 2",
                                litInfo}));
  EXPECT_TRUE(diagnosticLog().contains(warning));
}

TEST_F(StagedActionTest, AFailedTrackReadIsAWarningFollowedByAnEmptyRecord) {
  prepare({withFault(cdRecorder(), "GetTrackInformation", 6, 0x020401, "Becoming ready")});
  ASSERT_TRUE(runStaged(TsbStagedAction::kDefaultStages));
  const auto lines = messages.lines();
  const Line warning{QStringLiteral("Discwright_CdvdBurnerGrabber_GetTrackInformation() failed, exception 6, "
                                    "status 132097, text \"Becoming ready\""),
                     litWarning};
  auto at = std::find(lines.begin(), lines.end(), warning);
  ASSERT_NE(at, lines.end());
  ASSERT_NE(at + 1, lines.end());
  EXPECT_EQ(*(at + 1), (Line{QStringLiteral("Track Blank: No, NWA valid: No, free LBs 0, track \u2116 0"), litInfo}));
  EXPECT_EQ(*(at + 2), (Line{"Getting disc information", litInfo}));
}

TEST_F(StagedActionTest, ARaisedStageEndsTheRunWithItsFailure) {
  json recorder = cdRecorder();
  recorder["tray"] = "open";
  prepare({recorder});
  EXPECT_FALSE(runStaged(TsbStagedAction::kDefaultStages));
  const auto lines = messages.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], (Line{"Testing unit ready", litInfo}));
  EXPECT_EQ(lines[2].kind, litError);
  EXPECT_TRUE(lines[2].text.startsWith("Discwright_CdvdBurnerGrabber_TestUnitReady() failed, exception 7, status "))
      << lines[2];
  EXPECT_EQ(burner->LastMessage, lines[2].text);
  EXPECT_TRUE(diagnosticLog().contains(lines[2].text));
  EXPECT_EQ(errorBoxes(), std::vector<QString>{lines[2].text});
}

TEST_F(StagedActionTest, WithoutStageReportsOnlyWarningsAndTheImageSizeArePassedOn) {
  if (!KORVANEL_HAS_FILE_TREES) GTEST_SKIP() << "this build makes no file trees";
  prepare({withFault(cdRecorder(), "SetSpeeds", 4, 1, "Fixed speed")});
  giveBurnerATree();
  ASSERT_TRUE(runStaged(TsbStagedAction::kAllStages, false));
  EXPECT_EQ(messages.lines(),
            (std::vector<Line>{
                {"Discwright_CdvdBurnerGrabber_SetSpeeds() failed, exception 4, status 1, text \"Fixed speed\"",
                 litWarning},
                {"Need to save 0 MB", litInfo}}));
  // Published texts still reach the diagnostic log.
  const QStringList log = diagnosticLog();
  EXPECT_TRUE(log.contains("BUP (Buffer Underrun Protection) Enabled: No, Supported: Yes"));
  EXPECT_TRUE(log.contains("Discwright_ISO9660JolietFileTree_BuildImage"));
  EXPECT_TRUE(log.contains("Need to save 0 MB"));
}

TEST_F(StagedActionTest, ImageBuildingRunsOnlyWithATree) {
  if (!KORVANEL_HAS_FILE_TREES) GTEST_SKIP() << "this build makes no file trees";
  prepare({cdRecorder()});
  ASSERT_TRUE(runStaged(TsbStagedAction::kAllStages));
  EXPECT_FALSE(messages.texts().contains("Building ISO image"));

  messages.clear();
  giveBurnerATree();
  ASSERT_TRUE(run(list));
  const QStringList texts = messages.texts();
  const auto building = texts.indexOf("Building ISO image");
  ASSERT_GE(building, 0);
  EXPECT_EQ(texts.value(building + 1), QStringLiteral("Need to save 0 MB"));
  EXPECT_EQ(texts.value(building - 1),
            QStringLiteral("Disc erasable: No, Disc status: 0x00, Last session status: 0x00, Disc type: 2"));
}

TEST_F(StagedActionTest, AFailedImageBuildIsRaisedUnderItsOwnName) {
  if (!KORVANEL_HAS_FILE_TREES) GTEST_SKIP() << "this build makes no file trees";
  prepare({cdRecorder()});
  giveBurnerATree();
  burner->HasBootImage = true;
  burner->BootImageFile = QString::fromStdString((dir_ / "missing-boot.img").string());
  EXPECT_FALSE(runStaged(StageBit(stBuildImage)));
  const auto lines = messages.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], (Line{"Building ISO image", litInfo}));
  EXPECT_EQ(lines[1].kind, litError);
  EXPECT_TRUE(lines[1].text.startsWith("Discwright_ISO9660JolietFileTree_SetBootImage() failed, exception "));
  EXPECT_TRUE(lines[1].text.endsWith("\"")) << "no literal backslash and n in what is shown: " << lines[1];
  EXPECT_TRUE(diagnosticLog().contains("Discwright_ISO9660JolietFileTree_SetBootImage: BootImage: " +
                                       burner->BootImageFile));
}

TEST_F(StagedActionTest, AnEmptyStageSetReportsNothingButStillBindsTheBurner) {
  prepare({cdRecorder()});
  ASSERT_TRUE(runStaged(0));
  EXPECT_TRUE(messages.lines().empty());
  EXPECT_FALSE(diagnosticLog().join('\n').contains("Discwright_CdvdBurnerGrabber_TestUnitReady"));
  // What the burn thread reports through the burner now reaches the list's handler.
  ASSERT_TRUE(burner->OnMessage);
  burner->DoMessage(nullptr, QStringLiteral("from the burn thread"), litWarning);
  EXPECT_EQ(messages.lines(), (std::vector<Line>{{"from the burn thread", litWarning}}));
}

// The burn goes on, but a broken drive does not pass unseen.
TEST_F(StagedActionTest, AFailedCalibrationIsAWarningAndTheBurnGoesOn) {
  TsbBurner& b = prepare({withFault(cdRecorder(), "SendOPC", 4, 2, "No calibration area")});
  b.BurnSettings.SendOPC = true;
  ASSERT_TRUE(runStaged(StageBit(stSendOPC)));
  EXPECT_EQ(messages.lines(),
            (std::vector<Line>{{"Sending OPC (Optimum Power Calibration)", litInfo},
                               {"Discwright_CdvdBurnerGrabber_SendOPC() failed, exception 4, status 2, text \"No "
                                "calibration area\"",
                                litWarning}}));
  EXPECT_EQ(b.ExceptionNumber, 4);
}
