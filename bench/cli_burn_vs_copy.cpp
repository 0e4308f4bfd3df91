// Runs `korvanel-cli burn` of a generated image onto an unthrottled virtual
// recorder and, in the same run, copies the same file with a plain 1 MiB loop;
// prints the wall-time ratio and the burner's peak RSS. Then measures, in
// process, the longest time the window thread goes without processing events
// during a burn and during a device scan.
//
//   bench_cli_burn [--size-mib N] [--dir FOLDER] [--rounds N]
#include <unistd.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Discwright.h"
#include "bench_common.h"
#include "sbBurner.h"
#include "sbDeviceList.h"
#include "sbUiHooks.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using namespace bench;

// Runs the command line burner; returns wall seconds, and its peak RSS in KiB.
double cliSeconds(const std::vector<std::string>& args, long& peakKiB) {
  double seconds = runSeconds(args, &peakKiB);
  if (seconds < 0) die("korvanel-cli burn failed");
  return seconds;
}

void writeConfig(const fs::path& path, double timeScale) {
  std::ofstream(path) << R"({"state_folder": "state", "fresh_media_at_start": true, "recorders": [
    {"name": "CdRom0", "address": "1:0:0:0", "media_formats": ["write", "test_write"],
     "write_modes": ["tao", "sao", "dao_pq", "dao_raw"], "time_scale": )"
                      << timeScale << R"(, "medium": {"type": "DVD+R", "capacity_bytes": 8547991552}},
    {"name": "CdRom1", "address": "1:0:1:0", "media_formats": ["write"], "write_modes": ["tao"],
     "medium": {"type": "CD-R"}},
    {"name": "CdRom2", "address": "1:0:2:0", "media_formats": ["read_cdr"], "medium": null}]})";
}

class GapMeter {
 public:
  GapMeter() {
    SetProcessMessagesHook([this] {
      auto now = Clock::now();
      longest_ = std::max(longest_, now - last_);
      last_ = now;
    });
  }
  ~GapMeter() { SetProcessMessagesHook(nullptr); }
  void reset() { last_ = Clock::now(), longest_ = {}; }
  double longestMs() { return std::max(longest_, Clock::now() - last_).count() / 1e6; }

 private:
  Clock::time_point last_ = Clock::now();
  Clock::duration longest_{};
};

void measureGaps(const fs::path& work) {
  fs::path config = work / "gaps.json";
  writeConfig(config, 1);  // real time, so the burn lasts
  std::string configText = config.string();
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  DiscwrightStartup startup{sizeof startup, 0, configText.c_str(), nullptr, -1.0, text, sizeof text, nullptr, 0, nullptr};
  if (Discwright_UpStartEx(&startup) != 0) die(std::string("start-up failed: ") + text);
  fs::path image = work / "gaps.iso";
  generate(image, 32u << 20);  // 32 MiB at 16x DVD: about 1.5 s
  GapMeter meter;
  {
    TsbBurner burner;
    burner.Transport = ttSpti;
    burner.DeviceName = QStringLiteral("CdRom0");
    burner.Open();
    burner.SetSingleTrack(QString::fromStdString(image.string()));
    burner.BurnSettings.Mode = bmDaoPqFromFile;
    meter.reset();
    burner.Burn();
    std::printf("longest wait between event processing during a burn: %.1f ms%s\n", meter.longestMs(),
                burner.LastMessage.isEmpty() ? "" : " (the burn failed)");
  }
  TsbDeviceFinder finder;
  double longestScan = 0;
  for (TsbTransportType transport : {ttSpti, ttAspi}) {
    finder.TransportType = transport;
    meter.reset();
    finder.Refresh(false);
    longestScan = std::max(longestScan, meter.longestMs());
  }
  std::printf("longest wait between event processing during a scan: %.1f ms\n", longestScan);
  Discwright_DownShut();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  Options options = parseOptions(argc, argv);
  fs::path work = options.dir / ("korvanel-cli-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  fs::path image = work / "image.iso", copy = work / "copy.iso", config = work / "bench.json";
  writeConfig(config, 0);
  generate(image, options.sizeMiB << 20);
  syncDisks();

  std::vector<std::string> burn = {KORVANEL_CLI, "--no-real-drives", "--virtual-drives", config.string(),
                                   "burn", image.string(), "--device", "CdRom0", "--mode", "tao"};
  long peakKiB = 0;
  Best best = alternate(options.rounds, image, copy, [&] { return cliSeconds(burn, peakKiB); }, "korvanel-cli burn");
  std::printf("image: %llu MiB, best of %d rounds\n", static_cast<unsigned long long>(options.sizeMiB),
              options.rounds);
  measureGaps(work);
  fs::remove_all(work);
  std::printf("burn/copy wall-time ratio: %.2f; korvanel-cli peak RSS: %ld MiB\n", best.other / best.copy,
              peakKiB / 1024);
  return 0;
}
