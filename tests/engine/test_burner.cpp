// The burner, its burn thread and the library callback, on virtual recorders.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "actions_support.h"
#include "sbBurnThread.h"
#include "sbCallbacks.h"
#include "sbErrors.h"
#include "sbUiHooks.h"

using namespace actest;

namespace {

class BurnerTest : public ActionsTest {
 protected:
  void TearDown() override {
    GlobalCallBackEventer() = TsbCallBackEventer();
    SetProcessMessagesHook(nullptr);
    ActionsTest::TearDown();
  }

  // Binds the burner's messages to the collected log.
  void listen() { burner->OnMessage = messages.handler(); }
};

TEST(BurnerDefaults, NewBurnerHoldsTheCreationValues) {
  TsbBurner b;
  EXPECT_EQ(b.Transport, ttAspi);
  EXPECT_EQ(b.VolumeLabel, QStringLiteral("NEW"));
  EXPECT_TRUE(b.WriteModes.CanTAO && b.WriteModes.CanSAO && b.WriteModes.CanDaoPQ && b.WriteModes.CanDaoRaw);
  EXPECT_FALSE(b.WriteModes.CanTestWrite);
  EXPECT_EQ(b.Grabber, 0u);
  EXPECT_EQ(b.FileTree, 0u);
  EXPECT_FALSE(b.BurnThreadRunning());
  // Without a device, lock and release do nothing.
  b.ExceptionNumber = 7;
  b.Lock();
  EXPECT_EQ(b.ExceptionNumber, 0);
  b.Release();
  EXPECT_EQ(b.ExceptionNumber, 0);
}

TEST(BurnerTables, NamesThatDoNotFitAreRefusedBeforeAnythingIsWritten) {
  TsbBurner b;
  b.SetSingleTrack(QStringLiteral("/images/disc.iso"));
  EXPECT_EQ(b.Tracks().Count, 1u);
  EXPECT_STREQ(reinterpret_cast<const char*>(&b.Tracks()) + 13, "/images/disc.iso");

  QString longest(786, QLatin1Char('a'));
  EXPECT_NO_THROW(b.SetSingleTrack(longest));
  EXPECT_THROW(b.SetSingleTrack(longest + QLatin1Char('a')), TsbError);
  EXPECT_STREQ(b.Tracks().Tracks[0].FileName, longest.toLatin1().constData());  // unchanged by the refusal

  b.SourceFiles = {QString(263, QLatin1Char('b'))};
  EXPECT_NO_THROW(b.SessionLayoutFromSourceFiles());
  b.SourceFiles = {QString(264, QLatin1Char('b'))};
  EXPECT_THROW(b.SessionLayoutFromSourceFiles(), TsbError);
}

TEST(LibraryCallbackRules, ProgressAndBufferAreTurnedIntoEvents) {
  std::vector<int> progress, buffer;
  auto& eventer = GlobalCallBackEventer();
  eventer.OnProgress = [&](TsbCallBackEventer*, int p) { progress.push_back(p); };
  LastReportedPercent = 0;
  uint64_t total = 200, done = 50;
  LibraryCallback(12, nullptr, &total, &done);
  LibraryCallback(12, nullptr, &total, &done);  // the same percentage is passed on once
  uint64_t zero = 0;
  LibraryCallback(12, nullptr, &zero, &done);  // no total, no report
  EXPECT_EQ(progress, std::vector<int>{25});

  uint32_t size = 1000, freeBytes = 250, none = 0;
  LibraryCallback(13, nullptr, &size, &freeBytes);  // nothing bound yet: no effect
  eventer.OnBufferStatus = [&](TsbCallBackEventer*, int p) { buffer.push_back(p); };
  LibraryCallback(13, nullptr, &none, &freeBytes);
  LibraryCallback(13, nullptr, &size, &freeBytes);
  LibraryCallback(0x10D, nullptr, &size, &freeBytes);  // only the low byte of the reason counts
  LibraryCallback(11, nullptr, &size, &freeBytes);
  LibraryCallback(14, nullptr, &size, &freeBytes);
  EXPECT_EQ(buffer, (std::vector<int>{75, 75}));
  eventer = TsbCallBackEventer();
}

// A run that ends in an exception must not leave its events bound to a caller
// that has gone: the next burn's progress would reach it.
TEST(LibraryCallbackRules, ABindingUnbindsItsEventsWhenAnExceptionPasses) {
  std::vector<int> progress, buffer;
  auto& eventer = GlobalCallBackEventer();
  try {
    const TsbEventerBinding events([&](TsbCallBackEventer*, int p) { progress.push_back(p); },
                                   [&](TsbCallBackEventer*, int p) { buffer.push_back(p); });
    eventer.DoProgress(10);
    eventer.DoBufferStatus(20);
    throw TsbError(QStringLiteral("the burn failed"));
  } catch (const TsbError&) {
  }
  eventer.DoProgress(30);
  eventer.DoBufferStatus(40);
  EXPECT_EQ(progress, std::vector<int>{10});
  EXPECT_EQ(buffer, std::vector<int>{20});
  EXPECT_FALSE(eventer.OnProgress || eventer.OnBufferStatus || eventer.OnWriteToFileStart);
}

TEST(LibraryCallbackRules, NameCollisionsMergeJolietFoldersAndRenameTheRest) {
  DiscwrightNameCollision folders{};
  folders.Joliet = 1;
  folders.FirstAttributes = folders.SecondAttributes = 0x10;
  LibraryCallback(3, nullptr, &folders, nullptr);
  EXPECT_EQ(folders.Result, 3);

  DiscwrightNameCollision boot{};
  std::strcpy(boot.Name.Iso, "BOOT.IMG");
  boot.FirstPath = "/tree/sub/Boot.Img";
  boot.SecondPath = "/tree/sub/boot.img";
  LibraryCallback(3, nullptr, &boot, nullptr);
  EXPECT_EQ(boot.Result, 1);
  EXPECT_STRNE(boot.Name.Iso, "BOOT.IMG");

  DiscwrightNameCollision file{};
  std::strcpy(file.Name.Iso, "README.TXT");
  file.FirstPath = "/tree/readme.txt";
  LibraryCallback(3, nullptr, &file, nullptr);
  EXPECT_EQ(file.Result, 2);
}

TEST_F(BurnerTest, OpenFailureRaisesTheLibraryTextAndKeepsNoHandle) {
  start({cdRecorder(0)});
  TsbBurner b;
  b.Transport = ttSpti;
  b.DeviceName = QStringLiteral("CdRom7");
  try {
    b.Open();
    FAIL() << "Open succeeded on a missing device";
  } catch (const TsbError& e) {
    EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Discwright_CdvdBurnerGrabber_Create() failed, exception 5,")))
        << e.Message().toStdString();
    EXPECT_EQ(b.LastMessage, e.Message());
  }
  EXPECT_EQ(b.Grabber, 0u);
}

TEST_F(BurnerTest, OpenTwiceDestroysTheFirstGrabberAndLogsTheAddress) {
  start({cdRecorder(0)});
  TsbBurner b;
  b.Transport = ttAspi;
  b.DeviceAddress = {1, 1, 0, 0, 0};
  b.Open();
  DiscwrightHandle first = b.Grabber;
  b.Open();
  EXPECT_NE(b.Grabber, first);
  QStringList log = diagnosticLog();
  EXPECT_TRUE(log.contains(QStringLiteral("Discwright_Destroy: Grabber")));
  EXPECT_TRUE(log.contains(
      QStringLiteral("Discwright_CdvdBurnerGrabber_Create (after create): PortID:1,BusID:0,TargetID:0,LUN:0")));
}

TEST_F(BurnerTest, LockFailureGoesToTheErrorBoxAndIsNotRaised) {
  json recorder = cdRecorder(0);
  recorder["faults"]["operations"]["Lock"] = {{"exception", 12}, {"status", 5}, {"text", "tray stuck"}};
  start({recorder});
  TsbBurner& b = openBurner();
  ASSERT_EQ(errorBoxes().size(), 1u);
  EXPECT_EQ(errorBoxes()[0],
            QStringLiteral("Discwright_CdvdBurnerGrabber_Lock() failed, exception 12, status 5, text \"tray stuck\""));
  EXPECT_EQ(b.ExceptionNumber, 12);
}

TEST_F(BurnerTest, EachFileModeBurnsThroughTheThreadWithItsLines) {
  struct Case {
    TsbBurnMode mode;
    const char* label;
  } cases[] = {{bmDaoPqFromFile, "Disc-At-Once PQ (from file)"},
               {bmDaoRawFromFile, "Disc-At-Once raw P-W (from file)"},
               {bmTaoFromFile, "Track-At-Once (from file)"},
               {bmSaoFromFile, "Session-At-Once (from file)"}};
  std::vector<json> recorders;
  for (int i = 0; i < 4; ++i) recorders.push_back(cdRecorder(i));
  start(recorders);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(cases[i].label);
    messages.clear();
    TsbBurner& b = openBurner("CdRom" + std::to_string(i));
    listen();
    fs::path image = dir_ / ("image" + std::to_string(i) + ".iso");
    Bytes bytes = writeFile(image, 100000 + 4096 * i, uint32_t(i));
    b.SetSingleTrack(QString::fromStdString(image.string()));
    b.SourceFiles = {QString::fromStdString(image.string())};
    b.BurnSettings.Mode = cases[i].mode;
    std::vector<bool> states;
    GlobalCallBackEventer().OnBurnStateChange = [&](TsbCallBackEventer*, bool active) { states.push_back(active); };
    b.Burn();
    EXPECT_TRUE(b.LastMessage.isEmpty()) << b.LastMessage.toStdString();
    EXPECT_TRUE(b.BurnSucceeded);
    EXPECT_FALSE(b.BurnThreadRunning());
    EXPECT_EQ(states, (std::vector<bool>{true, false}));
    EXPECT_EQ(messages.texts(), (QStringList{QStringLiteral("Burning mode: ") + QString::fromLatin1(cases[i].label),
                                             QStringLiteral("Burning started")}));
    Bytes medium = readMedium(0, uint32_t((bytes.size() + 2047) / 2048));
    medium.resize(bytes.size());
    EXPECT_EQ(medium, bytes);
  }
}

TEST_F(BurnerTest, FailedBurnLeavesTheTripleTextAndNoSuccess) {
  json recorder = cdRecorder(0);
  recorder["faults"]["write_fails_at"] = 40960;
  start({recorder});
  TsbBurner& b = openBurner();
  fs::path image = dir_ / "image.iso";
  writeFile(image, 200000, 1);
  b.SetSingleTrack(QString::fromStdString(image.string()));
  b.BurnSettings.Mode = bmDaoPqFromFile;
  b.Burn();
  EXPECT_FALSE(b.BurnSucceeded);
  EXPECT_TRUE(b.LastMessage.startsWith(
      QStringLiteral("Discwright_CdvdBurnerGrabber_DiscAtOncePQFromFile() failed, exception 10, status 199680, text \"")))
      << b.LastMessage.toStdString();
  EXPECT_TRUE(diagnosticLog().contains(b.LastMessage));
}

TEST_F(BurnerTest, TheRunHoldIsKeptWhileABurnOrAnEraseRunsAndLetGoHoweverItEnds) {
  json recorder = cdRecorder(0);
  recorder["faults"]["write_fails_at"] = 40960;
  start({recorder});
  TsbBurner& b = openBurner();
  int taken = 0;
  std::weak_ptr<void> held;
  SetRunHoldHook([&]() -> std::shared_ptr<void> {
    ++taken;
    auto hold = std::make_shared<int>(0);
    held = hold;
    return hold;
  });
  fs::path image = dir_ / "image.iso";
  writeFile(image, 200000, 1);
  b.SetSingleTrack(QString::fromStdString(image.string()));
  b.BurnSettings.Mode = bmDaoPqFromFile;
  b.Burn();  // fails
  EXPECT_FALSE(b.BurnSucceeded);
  EXPECT_TRUE(held.expired());
  EXPECT_THROW(b.Erase(false), TsbError);  // a CD-R cannot be erased
  SetRunHoldHook(nullptr);
  EXPECT_EQ(taken, 2);
  EXPECT_TRUE(held.expired());
}

TEST_F(BurnerTest, EmptyTrackTableAndUnknownModesMakeNoCall) {
  start({cdRecorder(0)});
  TsbBurner& b = openBurner();
  b.BurnSettings.Mode = bmTaoFromFile;  // the track table is empty
  b.Burn();
  EXPECT_TRUE(b.BurnSucceeded);
  EXPECT_EQ(discInformation().DiscStatus, DW_DISC_BLANK);

  b.BurnSucceeded = false;
  b.BurnSettings.Mode = TsbBurnMode(9);
  std::vector<bool> states;
  GlobalCallBackEventer().OnBurnStateChange = [&](TsbCallBackEventer*, bool active) { states.push_back(active); };
  b.Burn();
  EXPECT_FALSE(b.BurnSucceeded);  // unchanged
  EXPECT_EQ(states, (std::vector<bool>{true, false}));
}

TEST_F(BurnerTest, TooLongSessionNameFailsTheBurnBeforeAnyWrite) {
  start({cdRecorder(0)});
  TsbBurner& b = openBurner();
  b.SourceFiles = {QStringLiteral("/") + QString(300, QLatin1Char('x')) + QStringLiteral(".iso")};
  b.BurnSettings.Mode = bmSaoFromFile;
  b.Burn();
  EXPECT_FALSE(b.BurnSucceeded);
  EXPECT_TRUE(b.LastMessage.contains(QStringLiteral("too long"))) << b.LastMessage.toStdString();
  EXPECT_EQ(discInformation().DiscStatus, DW_DISC_BLANK);
}

TEST_F(BurnerTest, CancelStopsARunningBurnAndStaysSet) {
  json recorder = cdRecorder(0);
  recorder["time_scale"] = 1;
  recorder["write_speeds"] = {{"cd", {706}}};  // 4x: about 3 s for the image
  start({recorder}, -1);
  TsbBurner& b = openBurner();
  fs::path image = dir_ / "slow.iso";
  writeFile(image, 2 << 20, 3);
  b.SetSingleTrack(QString::fromStdString(image.string()));
  b.BurnSettings.Mode = bmDaoPqFromFile;
  // The window thread cancels from its event processing while it waits, as the Cancel button does.
  auto started = std::chrono::steady_clock::now();
  auto longestGap = std::chrono::steady_clock::duration::zero();
  auto last = started;
  SetProcessMessagesHook([&] {
    auto now = std::chrono::steady_clock::now();
    longestGap = std::max(longestGap, now - last);
    last = now;
    if (now - started > std::chrono::milliseconds(300) && !b.Cancelled) b.Cancel();
  });
  b.Burn();
  auto elapsed = std::chrono::steady_clock::now() - started;
  EXPECT_LT(elapsed, std::chrono::milliseconds(1500));
  EXPECT_TRUE(b.Cancelled);
  EXPECT_FALSE(b.BurnSucceeded);
  EXPECT_TRUE(b.LastMessage.contains(QStringLiteral("exception 11"))) << b.LastMessage.toStdString();
  // One 80 ms slice plus scheduling on a loaded machine; a wait without slices
  // would last until the cancel, over 300 ms. The exact figure is the benchmarks' business.
  EXPECT_LT(longestGap, std::chrono::milliseconds(250));
  EXPECT_TRUE(diagnosticLog().contains(QStringLiteral("Discwright_CdvdBurnerGrabber_Cancel")));
}

TEST_F(BurnerTest, CancelOfAnImageFileCopyMakesNoLibraryCall) {
  start({cdRecorder(0)});
  TsbBurner& b = openBurner();
  b.BurnSettings.Mode = bmToImageFile;
  b.Cancel();
  EXPECT_TRUE(b.Cancelled);
  EXPECT_FALSE(diagnosticLog().contains(QStringLiteral("Discwright_CdvdBurnerGrabber_Cancel")));
}

}  // namespace
