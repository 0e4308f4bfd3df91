// Burns a generated image onto an unthrottled virtual recorder and, in the
// same run, copies the same file with a plain 1 MiB read/write loop, so the
// burn path's overhead shows as a ratio that does not depend on the disk.
//
//   bench_burn_vs_copy [--size-mib N] [--dir FOLDER] [--rounds N]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Discwright.h"
#include "bench_common.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using namespace bench;

double burnSeconds(const fs::path& config, const fs::path& state, const fs::path& image) {
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE];
  std::string configText = config.string(), stateText = state.string();
  DiscwrightStartup startup{sizeof startup, 0, configText.c_str(), stateText.c_str(), 0.0, text, sizeof text, nullptr, 0, nullptr};
  if (Discwright_UpStartEx(&startup) != 0) die(std::string("start-up failed: ") + text);
  DiscwrightHandle grabber = 0;
  if (Discwright_CdvdBurnerGrabber_CreateEx(&grabber, text, sizeof text, &status, failure, nullptr, nullptr,
                                            "CdRom0", 0) != 0)
    die(std::string("open failed: ") + text);
  auto tracks = std::make_unique<DiscwrightTrackTable>();
  tracks->Count = 1;
  std::strncpy(tracks->Tracks[0].FileName, image.string().c_str(), sizeof tracks->Tracks[0].FileName - 1);
  auto start = Clock::now();
  if (Discwright_CdvdBurnerGrabber_DiscAtOncePQFromFile(grabber, text, sizeof text, &status, failure, tracks.get(), 0,
                                                        0, 0, 0, 1, 5) != 0)
    die(std::string("burn failed: ") + text);
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  Discwright_Destroy(&grabber);
  Discwright_DownShut();
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  Options options = parseOptions(argc, argv);
  fs::path work = options.dir / ("korvanel-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  fs::path image = work / "image.iso", copy = work / "copy.iso", config = work / "bench.json";
  uint64_t bytes = options.sizeMiB << 20;
  std::ofstream(config) << R"({"fresh_media_at_start": true, "recorders": [{"name": "CdRom0",
    "media_formats": ["write"], "write_modes": ["tao", "sao", "dao_pq", "dao_raw"], "time_scale": 0,
    "medium": {"type": "BD-R", "state": "blank"}}]})";
  generate(image, bytes);
  syncDisks();

  Best best = alternate(options.rounds, image, copy, [&] { return burnSeconds(config, work / "state", image); },
                        "burn");
  double mb = double(bytes) / 1e6;
  std::printf("image: %llu MiB, best of %d rounds\n", static_cast<unsigned long long>(options.sizeMiB),
              options.rounds);
  std::printf("copy (1 MiB read/write loop): %.2f s, %.1f MB/s\n", best.copy, mb / best.copy);
  std::printf("burn (virtual recorder, unthrottled): %.2f s, %.1f MB/s\n", best.other, mb / best.other);
  std::printf("burn/copy throughput ratio: %.2f; peak RSS: %ld MiB\n", best.copy / best.other,
              peakRssMiB());
  fs::remove_all(work);
  return 0;
}
