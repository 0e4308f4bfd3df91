// The burning page driven as the wizard and a user drive it: summary rows, a run
// on a virtual recorder with its rows, icons and progress, failures, cancel, and
// Save Log.
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest/QTest>

#include "common/test_os.h"
#include "engine/actions_support.h"
#include "sbBurnAtOnceAction.h"
#include "sbCallbacks.h"
#include "ufrmFinalAction.h"

using namespace actest;

namespace {

constexpr uint64_t kImageSize = 3 * 65536 + 100;

struct Row {
  QString text;
  int image;  // index into imlSmall, -1 for none
  QString time;
};

class FinalActionTest : public ActionsTest {
 protected:
  // A burn-at-once run of a fresh image on CdRom0, with two summary lines.
  void prepare(json recorder = cdRecorder(), double timeScale = 0) {
    start({recorder}, timeScale);
    TsbBurner& b = openBurner();
    b.BurnSettings.Mode = bmTaoFromFile;
    b.BurnSettings.WriteSpeed = 706;
    b.DiscType = DISC_TYPE_CDR;
    image = writeFile(dir_ / "image.iso", kImageSize, 7);
    list.Source.Assigned = true;
    list.Source.FileName = QString::fromStdString((dir_ / "image.iso").string());
    list.Add().Action = &action;
    summary.Add().LogMessage = QStringLiteral("Destination device: CdRom0");
    TsbLogItem& timed = summary.Add();
    timed.LogMessage = QStringLiteral("Source image file: image.iso");
    timed.LogTime = QDateTime(QDate(2026, 12, 6), QTime(17, 5, 9));
    page.Log = &summary;
    page.ActionList = &list;
    page.resize(560, 400);
    page.show();
    page.Activate(&b);
  }

  std::vector<Row> rows() const {
    std::vector<Row> out;
    for (int i = 0; i < page.lvLog->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* item = page.lvLog->topLevelItem(i);
      int image = -1;
      for (int k = 0; k < 3; ++k)
        if (item->icon(0).cacheKey() == page.imlSmall[size_t(k)].cacheKey()) image = k;
      out.push_back({item->text(0), image, item->text(1)});
    }
    return out;
  }
  QStringList rowTexts() const {
    QStringList out;
    for (const Row& r : rows()) out << r.text;
    return out;
  }

  // Presses Save Log and answers the save dialog with path.
  void saveLogAs(const fs::path& path) {
    dialogs->script(QString::fromStdString(path.string()));
    QTest::mouseClick(page.btnSaveLog, Qt::LeftButton);
  }

  Bytes image;
  TsbLog summary;
  TsbActionList list;
  TsbBurnAtOnceToCDDVDAction action;
  TfrmFinalAction page;
};

}  // namespace

TEST_F(FinalActionTest, ARunShowsEveryReportInOrderAndTheLogSavesAsShown) {
  prepare();
  EXPECT_FALSE(page.btnSaveLog->isEnabled());
  std::vector<Row> before = rows();
  ASSERT_EQ(before.size(), 2u);
  EXPECT_EQ(before[0].image, int(litInfo));
  EXPECT_TRUE(before[0].time.isEmpty());
  EXPECT_EQ(before[1].time, LogTimeText(summary.Items(1).LogTime));

  page.RunActions();

  // The reports of the window thread and of the burn thread, in report order.
  const QStringList texts = rowTexts();
  const QStringList tail = {"Burning started", "Closing session", "Eject disc", "Burning completed"};
  ASSERT_GE(texts.size(), 2 + tail.size());
  EXPECT_EQ(texts.mid(texts.size() - tail.size()), tail) << texts.join('\n').toStdString();
  for (const Row& r : rows()) {
    EXPECT_EQ(r.image, int(litInfo)) << r.text.toStdString();
    EXPECT_FALSE(r.text.isEmpty());
  }
  EXPECT_EQ(page.pbWrite->value(), 100);
  EXPECT_EQ(page.lblProcentValue->text(), "100 %");
  EXPECT_TRUE(page.lblBurnFigures->text().startsWith("average ")) << page.lblBurnFigures->text().toStdString();
  EXPECT_TRUE(page.btnSaveLog->isEnabled());
  EXPECT_TRUE(errorBoxes().empty());
  EXPECT_TRUE(burner->BurnSucceeded);
  EXPECT_EQ(diagnosticLog().back(), "Discwright_CdvdBurnerGrabber_Release");

  // Saving replaces an existing file with one line per row: time or eight blanks, a blank, the text, CR LF.
  const fs::path saved = dir_ / "saved.txt";
  {
    QFile old(QString::fromStdString(saved.string()));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(10000, 'x'));
  }
  saveLogAs(saved);
  QByteArray expected;
  for (const Row& r : rows())
    expected += ((r.time.isEmpty() ? QString(8, ' ') : r.time) + ' ' + r.text).toLocal8Bit() + "\r\n";
  const Bytes written = readFile(saved);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(written.data()), qsizetype(written.size())), expected);
  EXPECT_TRUE(expected.startsWith("         Destination device: CdRom0\r\n"));
}

TEST_F(FinalActionTest, AFailingActionGivesOneErrorRowAndOneErrorBox) {
  json recorder = cdRecorder();
  recorder["faults"] = {{"write_fails_at", 65536}};
  prepare(recorder);
  page.RunActions();

  const std::vector<Row> shown = rows();
  ASSERT_FALSE(shown.empty());
  int errors = 0;
  for (const Row& r : shown) errors += r.image == int(litError);
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(shown.back().image, int(litError));
  EXPECT_EQ(errorBoxes(), std::vector<QString>{shown.back().text});
  EXPECT_EQ(page.lblProcentValue->text(), "100 %");
  EXPECT_TRUE(page.btnSaveLog->isEnabled());
  EXPECT_FALSE(burner->BurnSucceeded);
}

TEST_F(FinalActionTest, CancelDuringTheBurnEndsTheRunWhileTheWindowKeepsAnswering) {
  // About 3 s of real-time writing at 1x: long enough to cancel in the middle.
  prepare(cdRecorder(), 10);
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    ++ticks;
    // Cancel once the window has answered a while with the burn running.
    if (ticks >= 10 && page.pbWrite->value() > 0 && !burner->Cancelled) burner->Cancel();
  });
  ticker.start(20);
  page.RunActions();
  ticker.stop();

  EXPECT_TRUE(burner->Cancelled);
  EXPECT_FALSE(burner->BurnSucceeded);
  EXPECT_FALSE(rowTexts().contains("Burning completed"));
  EXPECT_EQ(page.lblProcentValue->text(), "100 %");
}

TEST_F(FinalActionTest, ProgressAbove100ShowsAs100AndBurnThreadReportsKeepTheirOrder) {
  prepare();
  for (auto [reported, shown] : std::vector<std::pair<int, int>>{{42, 42}, {150, 100}, {100, 100}}) {
    page.ShowWriteProgress(nullptr, reported);
    EXPECT_EQ(page.pbWrite->value(), shown);
    EXPECT_EQ(page.lblProcentValue->text(), QString("%1 %").arg(shown));
  }

  // Rows reported on another thread, then one on the window thread before the
  // queue was served: the window thread's row still comes last.
  std::thread worker([this] {
    for (int i = 0; i < 50; ++i) page.AddLogLine(nullptr, QString("row %1").arg(i), litWarning);
    page.ShowWriteProgress(nullptr, 7);
  });
  worker.join();
  page.AddLogLine(nullptr, "last", litInfo);
  QStringList texts = rowTexts().mid(2);
  ASSERT_EQ(texts.size(), 51);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(texts[i], QString("row %1").arg(i));
  EXPECT_EQ(texts.back(), "last");
  EXPECT_EQ(rows()[2].image, int(litWarning));
  EXPECT_EQ(page.lblProcentValue->text(), "7 %");
}

TEST_F(FinalActionTest, SavingAnEmptyViewLeavesNoFile) {
  prepare();
  page.Log = nullptr;
  page.Activate(burner.get());
  EXPECT_EQ(page.lvLog->topLevelItemCount(), 0);
  const fs::path saved = dir_ / "empty.txt";
  QFile old(QString::fromStdString(saved.string()));
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.close();
  page.btnSaveLog->setEnabled(true);
  saveLogAs(saved);
  EXPECT_FALSE(fs::exists(saved));
}

// The log never replaces the image it tells of, by any name that leads to it.
TEST_F(FinalActionTest, SavingTheLogOverTheImageIsRefusedAndKeepsTheImage) {
  prepare();
  page.btnSaveLog->setEnabled(true);
  std::vector<fs::path> targets{dir_ / "image.iso"};
  if (testos::kPosix) {  // Windows makes shortcut files, not links
    fs::create_symlink(dir_ / "image.iso", dir_ / "link.iso");
    targets.push_back(dir_ / "link.iso");
  }
  for (const fs::path& target : targets) saveLogAs(target);
  const std::vector<QString> boxes = errorBoxes();
  ASSERT_EQ(boxes.size(), targets.size());
  for (const QString& box : boxes) EXPECT_TRUE(box.contains("it is the image file")) << box.toStdString();
  EXPECT_EQ(readFile(dir_ / "image.iso"), image);
}

// A pipe or a folder at the chosen name is named and left as it was, never removed for the log.
TEST_F(FinalActionTest, SavingTheLogOverAPipeOrAFolderIsRefusedAndLeavesThem) {
  prepare();
  SKIP_WITHOUT_POSIX("a named pipe");
  page.btnSaveLog->setEnabled(true);
  ASSERT_TRUE(testos::makeFifo(QString::fromStdString((dir_ / "pipe.txt").string())));
  fs::create_directory(dir_ / "folder.txt");
  for (const char* name : {"pipe.txt", "folder.txt"}) saveLogAs(dir_ / name);
  const std::vector<QString> boxes = errorBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_TRUE(boxes[0].contains("it is a named pipe")) << boxes[0].toStdString();
  EXPECT_TRUE(boxes[1].contains("it is a folder")) << boxes[1].toStdString();
  EXPECT_TRUE(fs::is_fifo(dir_ / "pipe.txt"));
  EXPECT_TRUE(fs::is_directory(dir_ / "folder.txt"));
}

TEST(ProposedLogFileName, IsLogDayMonthUnderscoreHourMinute) {
  EXPECT_EQ(ProposedLogFileName(QDateTime(QDate(2026, 12, 6), QTime(17, 5))), "Log_0612_1705.txt");
  EXPECT_EQ(ProposedLogFileName(QDateTime(QDate(2027, 1, 1), QTime(0, 0))), "Log_0101_0000.txt");
}
