// Device scans on the finder's worker thread: both transports, cancelling from
// the window thread, the progress window, responsiveness, and disc space.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "engine/engine_support.h"
#include "sbDeviceList.h"
#include "sbHelpers.h"
#include "sbLogging.h"
#include "sbUiHooks.h"

using namespace enginetest;
using namespace std::chrono_literals;

namespace {

QStringList DeviceNames(const TsbDeviceList& list) {
  QStringList names;
  for (int i = 0; i < list.Count(); ++i) names << list.Items(i).DeviceName;
  return names;
}

// What happened to the progress windows of a scan, in order; kept outside the
// windows because the finder frees them.
struct ViewEvents {
  QStringList events;
  std::function<void()> cancel;
};

class RecordingProgressView : public TsbProgressView {
 public:
  explicit RecordingProgressView(ViewEvents& events) : events_(events) {}
  ~RecordingProgressView() override {
    events_.events << "freed";
    events_.cancel = nullptr;
  }
  void Show(const QString& caption, const QString& info, std::function<void()> onCancel) override {
    events_.events << "show: " + caption + " | " + info;
    events_.cancel = std::move(onCancel);
  }
  void Hide() override { events_.events << "hide"; }

 private:
  ViewEvents& events_;
};

class DeviceFinderTest : public EngineTest {};

}  // namespace

TEST_F(DeviceFinderTest, NameTransportTriesCdRom0To20Silently) {
  json empty = CdWriter(3);
  empty["medium"] = nullptr;
  StartLibrary({CdWriter(0), empty, DvdWriter(20)});  // names above 20 are refused by the configuration
  CaptureLog();

  TsbDeviceFinder finder;
  finder.TransportType = ttSpti;
  finder.Refresh(false);

  EXPECT_EQ(DeviceNames(finder.Devices), (QStringList{"CdRom0", "CdRom3", "CdRom20"}));
  EXPECT_EQ(finder.Devices.TransportType, ttSpti);
  EXPECT_EQ(finder.Devices.Items(1).DiscType, DISC_TYPE_NO_MEDIA);
  EXPECT_EQ(finder.Devices.Items(2).Product, "Test DVD Recorder");
  EXPECT_FALSE(finder.Scanning());
  // Names that do not open leave no trace; each device found is probed once.
  const QStringList log = LoggedMessages();
  EXPECT_TRUE(log.filter("failed").isEmpty()) << log.filter("failed").join('\n').toStdString();
  EXPECT_EQ(log.count("Discwright_Destroy: Grabber"), 3);
}

TEST_F(DeviceFinderTest, AddressTransportProbesWhatTheLibraryFinds) {
  StartLibrary({CdWriter(0), DvdWriter(1), DvdReader(2)});
  CaptureLog();

  TsbDeviceFinder finder;
  finder.TransportType = ttAspi;
  finder.Refresh(false);

  ASSERT_EQ(finder.Devices.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    const TsbDeviceItem& item = finder.Devices.Items(i);
    EXPECT_EQ(item.TransportType, ttAspi);
    EXPECT_EQ(item.Address.Valid, 1);
    EXPECT_EQ(item.Address.TargetID, i);
    EXPECT_TRUE(item.DeviceName.isEmpty());
  }
  EXPECT_EQ(finder.Devices.Items(2).DiscLabel, "REFERENCE");
  const QStringList log = LoggedMessages();
  ASSERT_FALSE(log.isEmpty());
  EXPECT_EQ(log.first(), "Discwright_FindDevice");
  EXPECT_EQ(log.count("Discwright_CdvdBurnerGrabber_Create (before create)"), 3);
}

TEST_F(DeviceFinderTest, MachineWithoutDevicesGivesAnEmptyListAndNoLog) {
  StartLibrary({});
  CaptureLog();
  TsbDeviceFinder finder;
  finder.Devices.Add();  // a scan replaces what was there
  finder.Refresh(true);
  EXPECT_EQ(finder.Devices.Count(), 0);
  EXPECT_TRUE(LoggedMessages().isEmpty());
}

TEST_F(DeviceFinderTest, ProgressWindowIsShownHiddenAndFreedOnlyWhenAsked) {
  StartLibrary({CdWriter(0)});
  ViewEvents events;
  int made = 0;
  TsbDeviceFinder finder;
  finder.InfoText = "Looking for drives.";
  finder.ProgressViewFactory = [&] {
    ++made;
    return std::make_unique<RecordingProgressView>(events);
  };

  finder.Refresh(false);
  EXPECT_EQ(made, 0);
  finder.Refresh(true);
  EXPECT_EQ(made, 1);
  EXPECT_EQ(events.events, (QStringList{"show: Scanning devices | Looking for drives.", "hide", "freed"}));
  EXPECT_EQ(finder.ProgressWindow, nullptr);
  EXPECT_EQ(finder.Devices.Count(), 1);
}

TEST_F(DeviceFinderTest, CancelFromTheWindowThreadKeepsTheDevicesFoundBefore) {
  StartLibrary({CdWriter(0), CdWriter(1), CdWriter(2)});
  CaptureLog();
  ViewEvents events;
  TsbDeviceFinder finder;
  finder.ProgressViewFactory = [&] { return std::make_unique<RecordingProgressView>(events); };

  // The worker holds the probe of the second device (its record is in the list)
  // until the window thread has pressed Cancel.
  std::atomic<bool> secondProbeHeld{false};
  std::atomic<bool> cancelPressed{false};
  GlobalLogger().SetClock([&] {
    if (finder.Devices.Count() == 2 && !secondProbeHeld.exchange(true)) {
      const auto giveUp = std::chrono::steady_clock::now() + 10s;
      while (!cancelPressed && std::chrono::steady_clock::now() < giveUp) std::this_thread::sleep_for(1ms);
    }
    return QTime::currentTime();
  });
  SetProcessMessagesHook([&] {
    if (secondProbeHeld && !cancelPressed && events.cancel) {
      events.cancel();
      cancelPressed = true;
    }
  });

  finder.Refresh(true);
  GlobalLogger().SetClock(nullptr);

  ASSERT_TRUE(cancelPressed);
  EXPECT_TRUE(finder.Devices.CancelRequested);
  EXPECT_EQ(DeviceNames(finder.Devices), QStringList{"CdRom0"});
  // The third device opened but was not probed.
  EXPECT_EQ(LoggedMessages().count("Discwright_CdvdBurnerGrabber_GetDeviceInformation"), 2);
  EXPECT_EQ(events.events.last(), "freed");

  // A scan without a progress window keeps the cancel; one with it starts afresh.
  SetProcessMessagesHook(nullptr);
  finder.Refresh(false);
  EXPECT_EQ(finder.Devices.Count(), 0);
  finder.ProgressViewFactory = nullptr;
  finder.Refresh(true);
  EXPECT_EQ(DeviceNames(finder.Devices), (QStringList{"CdRom0", "CdRom1", "CdRom2"}));
}

TEST_F(DeviceFinderTest, WindowThreadKeepsProcessingEventsDuringASlowScan) {
  std::vector<json> recorders;
  for (int n = 0; n < 8; ++n) recorders.push_back(CdWriter(n));
  StartLibrary(recorders);
  CaptureLog();
  // Every library call of the probes takes a few milliseconds more.
  GlobalLogger().SetClock([] {
    std::this_thread::sleep_for(4ms);
    return QTime::currentTime();
  });

  using Clock = std::chrono::steady_clock;
  std::vector<Clock::time_point> pumps;
  SetProcessMessagesHook([&] { pumps.push_back(Clock::now()); });

  TsbDeviceFinder finder;
  const Clock::time_point start = Clock::now();
  finder.Refresh(false);
  const Clock::time_point end = Clock::now();
  GlobalLogger().SetClock(nullptr);

  ASSERT_EQ(finder.Devices.Count(), 8);
  Clock::duration longest{};
  Clock::time_point previous = start;
  for (const auto& pump : pumps) {
    longest = std::max(longest, pump - previous);
    previous = pump;
  }
  longest = std::max(longest, end - previous);
  const auto longestMs = std::chrono::duration_cast<std::chrono::milliseconds>(longest).count();
  std::printf("scan of %lld ms, %zu event rounds, longest gap %lld ms\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count()),
              pumps.size(), static_cast<long long>(longestMs));
  EXPECT_GE(pumps.size(), 3u);
  EXPECT_LT(longestMs, 250);
}

TEST_F(DeviceFinderTest, FailureInsideTheScanStillEndsIt) {
  StartLibrary({CdWriter(0), CdWriter(1)});
  // The log file cannot be created, so the first log line of the probe throws.
  DiagnosticLogCapture log(dir_ / "missing" / "diagnostic.log");
  TsbDeviceFinder finder;
  finder.Refresh(false);
  EXPECT_FALSE(finder.Scanning());
  // The record was added before the failing line; the scan ended with it.
  EXPECT_EQ(DeviceNames(finder.Devices), QStringList{"CdRom0"});
}

TEST_F(DeviceFinderTest, DiscSpaceOfBlankWrittenAndMissingDiscs) {
  json written = DvdWriter(1, "DVD-R");
  written["medium"] = WrittenMedium("DVD-R", 13107200, "DATA");
  json empty = CdWriter(2);
  empty["medium"] = nullptr;
  StartLibrary({CdWriter(0), written, empty});
  CaptureLog();

  for (const TsbTransportType transport : {ttSpti, ttAspi}) {
    SCOPED_TRACE(int(transport));
    TsbDeviceFinder finder;
    finder.TransportType = transport;
    finder.Refresh(false);
    ASSERT_EQ(finder.Devices.Count(), 3);

    const TsbDiscSpace blank = ReadDiscSpace(finder.Devices.Items(0));
    EXPECT_GT(blank.FreeBytes, 0);
    EXPECT_EQ(blank.FreeBytes, blank.CapacityBytes);
    EXPECT_EQ(blank.UsedBytes, 0);
    EXPECT_EQ(int64_t(blank.FreeCount) * 2048, blank.FreeBytes);

    const TsbDiscSpace used = ReadDiscSpace(finder.Devices.Items(1));
    EXPECT_EQ(used.UsedBytes, 13107200);
    EXPECT_EQ(used.CapacityBytes, used.FreeBytes + used.UsedBytes);
    EXPECT_EQ(FormatMegabytes(used.UsedBytes), "12.50 MB");

    // No disc: both reads are logged, fail and are logged; nothing delivered counts as 0.
    CaptureLog();
    const TsbDiscSpace none = ReadDiscSpace(finder.Devices.Items(2));
    EXPECT_EQ(none.FreeBytes, 0);
    EXPECT_EQ(none.CapacityBytes, 0);
    EXPECT_EQ(none.FreeCount, 0u);
    const QStringList log = LoggedMessages();
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(log[0], "Discwright_CdvdBurnerGrabber_GetDiscFreeSpace");
    EXPECT_EQ(log[1], "Discwright_CdvdBurnerGrabber_GetDiscFreeSpace() failed, exception 7\"");
    EXPECT_EQ(log[2], "Discwright_CdvdBurnerGrabber_GetDiscUsedSpace");
    EXPECT_TRUE(log[3].startsWith("Discwright_CdvdBurnerGrabber_GetDiscUsedSpace() failed, exception 7, status "))
        << log[3].toStdString();
  }

  // A device that has gone since the scan: the open failure is logged, the space is zero.
  CaptureLog();
  TsbDeviceItem gone;
  gone.DeviceName = "CdRom9";
  const TsbDiscSpace space = ReadDiscSpace(gone);
  EXPECT_EQ(space.CapacityBytes, 0);
  const QStringList log = LoggedMessages();
  ASSERT_EQ(log.size(), 5);  // the open's failure, then each read and its failure
  EXPECT_TRUE(log[0].startsWith("Discwright_CdvdBurnerGrabber_CreateEx() failed, exception 5, status "));
}
