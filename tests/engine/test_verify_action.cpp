// Reading a burned disc back against its image.
#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include "engine/actions_support.h"
#include "sbBurnAtOnceAction.h"
#include "sbUiHooks.h"
#include "sbVerifyAction.h"

using namespace actest;

namespace {

constexpr uint64_t kImageSize = 40 * 2048 + 700;  // more than one read and a padded last block

// The file's SHA-256 as the system's tool prints it, or from Qt where the tool is missing.
QString Sha256Of(const QString& fileName) {
  if (const QString tool = QStandardPaths::findExecutable(QStringLiteral("sha256sum")); !tool.isEmpty()) {
    QProcess process;
    process.start(tool, {fileName});
    if (process.waitForFinished(30000) && process.exitCode() == 0)
      return QString::fromLatin1(process.readAllStandardOutput().split(' ').value(0));
  }
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(&file);
  return QString::fromLatin1(hash.result().toHex());
}

class VerifyTest : public ActionsTest {
 protected:
  void TearDown() override {
    SetProcessMessagesHook(nullptr);
    ActionsTest::TearDown();
  }

  void prepare(json recorder = cdRecorder(), TsbBurnMode mode = bmDaoPqFromFile) {
    start({recorder});
    TsbBurner& b = openBurner();
    b.BurnSettings.Mode = mode;
    b.BurnSettings.WriteSpeed = 5645;
    const fs::path image = dir_ / "image.iso";
    writeFile(image, kImageSize, 3);
    list.Source.Assigned = true;
    list.Source.FileName = QString::fromStdString(image.string());
    list.Add().Action = &burn;
    list.Add().Action = &verify;
  }

  TsbActionList list;
  TsbBurnAtOnceToCDDVDAction burn;
  TsbVerifyAction verify;
};

}  // namespace

// A slot-loading drive cannot take an ejected disc back: the disc stays in
// the drive from the burn to the end of the read-back, and comes out once.
TEST_F(VerifyTest, AGoodBurnPassesAndTheDiscComesOutAgain) {
  json recorder = cdRecorder();
  recorder["tray"] = "slot";
  prepare(recorder);
  ASSERT_TRUE(run(list)) << messages.texts().join('\n').toStdString();
  const QStringList texts = messages.texts();
  const auto verifying = texts.indexOf("Verifying disc");
  ASSERT_GT(verifying, texts.indexOf("Burning completed"));
  EXPECT_EQ(texts.count("Eject disc"), 1) << texts.join('\n').toStdString();
  // The row carries the checksum of the image's bytes, not of the padding to whole blocks.
  const QString passed = "Verification passed (SHA-256 " + Sha256Of(list.Source.FileName) + ")";
  EXPECT_EQ(passed.size(), 29 + 64 + 1);
  EXPECT_EQ(texts.mid(verifying), (QStringList{"Verifying disc", passed, "Eject disc"}));
  const std::vector<int> percents = progress();
  EXPECT_EQ(percents.back(), 100);
  // Each whole percentage of the read-back is reported once.
  const auto restart = std::find(percents.rbegin(), percents.rend(), 0).base();
  EXPECT_TRUE(std::adjacent_find(restart, percents.end()) == percents.end());
  EXPECT_TRUE(diagnosticLog().contains("Discwright_CdvdBurnerGrabber_ReadSectors"));
}

TEST_F(VerifyTest, ATrackAtOnceBurnOnAWrittenDiscIsFoundAsTheLastTrack) {
  json recorder = cdRecorder();
  recorder["medium"] = {{"type", "CD-R"}, {"state", "appendable"}, {"used_bytes", 1 << 20}};
  prepare(recorder, bmTaoFromFile);
  burner->BurnSettings.MultiSession = true;  // an appendable disc takes only a further session
  ASSERT_TRUE(run(list)) << messages.texts().join('\n').toStdString();
  EXPECT_EQ(messages.texts().filter("Verification passed").size(), 1);
}

TEST_F(VerifyTest, ACorruptByteIsNamedByItsOffset) {
  json recorder = cdRecorder();
  recorder["faults"] = {{"corrupt_byte_at", 70000}};
  prepare(recorder);
  EXPECT_FALSE(run(list));
  const Line failure{"Verification failed: the disc differs from the image at byte 70000", litError};
  EXPECT_EQ(messages.lines().back(), failure);
  EXPECT_TRUE(messages.texts().contains("Burning completed"));  // the burn itself reported no error
  EXPECT_EQ(errorBoxes(), std::vector<QString>{failure.text});
  EXPECT_TRUE(diagnosticLog().contains(failure.text));
}

TEST_F(VerifyTest, NonZeroPaddingAfterTheImageIsAMismatch) {
  json recorder = cdRecorder();
  recorder["faults"] = {{"corrupt_byte_at", kImageSize + 5}};
  prepare(recorder);
  EXPECT_FALSE(run(list));
  EXPECT_EQ(messages.lines().back(),
            (Line{QStringLiteral("Verification failed: the disc differs from the image at byte %1").arg(kImageSize + 5),
                  litError}));
}

TEST_F(VerifyTest, AReadFailureEndsTheRunWithTheLibrarysText) {
  json recorder = cdRecorder();
  recorder["faults"] = {{"operations", {{"ReadSectors", {{"exception", 10}, {"status", 0x031100}, {"text", "Unreadable"}}}}}};
  prepare(recorder);
  EXPECT_FALSE(run(list));
  EXPECT_EQ(messages.lines().back(),
            (Line{"Discwright_CdvdBurnerGrabber_ReadSectors() failed, exception 10, status 200960, text \"Unreadable\"",
                  litError}));
}

TEST_F(VerifyTest, ACancelStopsTheReadBackWithAWarning) {
  prepare();
  list.Items(1).Action = nullptr;
  ASSERT_TRUE(run(list));  // the burn alone
  messages.clear();

  TsbActionList verifyOnly;
  verifyOnly.Source = list.Source;
  verifyOnly.Add().Action = &verify;
  SetProcessMessagesHook([this] { burner->Cancel(); });
  ASSERT_TRUE(run(verifyOnly));
  EXPECT_EQ(messages.lines(), (std::vector<Line>{{"Verifying disc", litInfo},
                                                 {"Verification cancelled", litWarning},
                                                 {"Eject disc", litInfo}}));
}

TEST_F(VerifyTest, ATestBurnLeavesNothingToVerify) {
  prepare();
  burner->BurnSettings.TestWrite = true;
  ASSERT_TRUE(run(list));
  EXPECT_TRUE(messages.texts().contains("Nothing to verify after a test burn"));
  EXPECT_FALSE(diagnosticLog().contains("Discwright_CdvdBurnerGrabber_ReadSectors"));
  EXPECT_EQ(messages.texts().count("Eject disc"), 1) << "the disc comes out once, as after any burn";
}
