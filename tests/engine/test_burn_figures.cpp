// The live figures of a burn: speed as a factor of the medium's 1x, time left,
// buffer lows and empties, from made-up reports and from a real-time burn.
#include "engine/actions_support.h"
#include "sbBurnAtOnceAction.h"
#include "sbBurnFigures.h"
#include "sbDiscSpeeds.h"

using namespace actest;
using namespace std::chrono_literals;

TEST(BurnFigures, SpeedTimeLeftAndBufferFollowTheReports) {
  TsbBurnFigures figures;
  figures.Start(SingleSpeedKBps(DISC_TYPE_DVDPLUSR));
  const auto t0 = TsbBurnFigures::Clock::now();
  // 4x DVD for two seconds, of 22 160 000 bytes in all.
  figures.Progress(22'160'000, 0, t0);
  figures.Progress(22'160'000, 5'540'000, t0 + 1s);
  figures.Progress(22'160'000, 11'080'000, t0 + 2s);
  for (int fill : {0, 0, 60, 0, 40, 0, 0, 90}) figures.Buffer(fill);
  const TsbBurnFiguresSnapshot f = figures.Snapshot(t0 + 2s);
  EXPECT_NEAR(f.Factor(), 4.0, 0.01);
  EXPECT_NEAR(f.AverageFactor(), 4.0, 0.01);
  EXPECT_NEAR(f.RemainingSeconds, 2.0, 0.01);
  EXPECT_EQ(f.LowestBufferPercent, 0);
  EXPECT_EQ(f.BufferEmptyCount, 2) << "the empty buffer before it first filled does not count";
  EXPECT_EQ(FiguresLine(f), "4.0x (5.54 MB/s), 00:02 remaining");

  // Filling at the start and draining at the end are no lows: the summary's two parts agree.
  TsbBurnFigures steady;
  steady.Start(SingleSpeedKBps(DISC_TYPE_CDR));
  steady.Progress(1000, 0, t0);
  for (int fill : {0, 0, 70, 55, 90}) steady.Buffer(fill);
  steady.Progress(1000, 1000, t0 + 1s);
  steady.Buffer(0);
  const TsbBurnFiguresSnapshot s = steady.Snapshot(t0 + 1s);
  EXPECT_EQ(s.LowestBufferPercent, 55);
  EXPECT_EQ(s.BufferEmptyCount, 0);
  EXPECT_TRUE(FiguresSummary(s).contains("lowest buffer fill 55 %; the buffer never ran empty"))
      << FiguresSummary(s).toStdString();

  EXPECT_EQ(SingleSpeedKBps(DISC_TYPE_CDR), 176u);
  EXPECT_EQ(SingleSpeedKBps(DISC_TYPE_BDR), 4495u);
  EXPECT_TRUE(FiguresLine(TsbBurnFiguresSnapshot{}).isEmpty());
}

TEST_F(ActionsTest, TheFiguresOfARealTimeBurnMatchTheSetSpeed) {
  start({testcommon::dvdRecorder(0)}, 1);
  TsbBurner& b = openBurner();
  b.BurnSettings.Mode = bmTaoFromFile;
  b.BurnSettings.WriteSpeed = 22160;  // 16x: 20 MB take about 0.9 s
  b.DiscType = DISC_TYPE_DVDPLUSR;
  writeFile(dir_ / "image.iso", 20'480'000, 3);  // whole sectors
  TsbActionList list;
  TsbBurnAtOnceToCDDVDAction action;
  list.Source.Assigned = true;
  list.Source.FileName = QString::fromStdString((dir_ / "image.iso").string());
  list.Add().Action = &action;
  ASSERT_TRUE(run(list)) << messages.texts().join('\n').toStdString();
  const TsbBurnFiguresSnapshot f = GlobalBurnFigures().Snapshot();
  EXPECT_NEAR(f.AverageFactor(), 16.0, 1.6);
  EXPECT_EQ(f.DoneBytes, 20'480'000);
  EXPECT_EQ(f.RemainingSeconds, 0);
  EXPECT_TRUE(FiguresSummary(f).startsWith("Wrote 20.5 MB in 00:01, average ")) << FiguresSummary(f).toStdString();
}
