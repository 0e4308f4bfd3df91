// Burns a generated image onto an unthrottled virtual recorder and, in the
// same run, copies the same file with a plain 1 MiB read/write loop, so the
// burn path's overhead shows as a ratio that does not depend on the disk.
//
//   bench_burn_vs_copy [--size-mib N] [--dir FOLDER] [--rounds N]
#include <fcntl.h>
#include <sys/resource.h>
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

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

[[noreturn]] void die(const std::string& what) {
  std::fprintf(stderr, "bench: %s\n", what.c_str());
  std::exit(1);
}

void generate(const fs::path& path, uint64_t bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) die("cannot create " + path.string());
  std::vector<uint64_t> block((1 << 20) / 8);
  uint64_t x = 0x9E3779B97F4A7C15ull;
  for (uint64_t done = 0; done < bytes; done += 1 << 20) {
    for (auto& v : block) v = (x ^= x << 13, x ^= x >> 7, x ^= x << 17);
    size_t n = size_t(std::min<uint64_t>(1 << 20, bytes - done));
    if (::write(fd, block.data(), n) != ssize_t(n)) die("cannot write " + path.string());
  }
  ::close(fd);
}

double copySeconds(const fs::path& from, const fs::path& to) {
  auto start = Clock::now();
  int in = ::open(from.c_str(), O_RDONLY);
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0) die("cannot open the copy files");
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0) die("read failed");
    if (n == 0) break;
    if (::write(out, buffer.data(), size_t(n)) != n) die("write failed");
  }
  ::close(in);
  ::close(out);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double burnSeconds(const fs::path& config, const fs::path& state, const fs::path& image) {
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE];
  std::string configText = config.string(), stateText = state.string();
  DiscwrightStartup startup{sizeof startup, 0, configText.c_str(), stateText.c_str(), 0.0, text, sizeof text};
  if (Discwright_UpStartEx(&startup) != 0) die(std::string("start-up failed: ") + text);
  DiscwrightHandle grabber = 0;
  if (Discwright_CdvdBurnerGrabber_CreateEx(&grabber, text, sizeof text, &status, failure, nullptr, nullptr,
                                            "CdRom0", 0) != 0)
    die(std::string("open failed: ") + text);
  auto tracks = std::make_unique<DiscwrightTrackTable>();
  tracks->Count = 1;
  std::strncpy(tracks->Tracks[0].FileName, image.c_str(), sizeof tracks->Tracks[0].FileName - 1);
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
  uint64_t sizeMiB = 1024;
  int rounds = 3;
  fs::path dir = fs::temp_directory_path();
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string a = argv[i];
    if (a == "--size-mib") sizeMiB = std::strtoull(argv[i + 1], nullptr, 10);
    else if (a == "--dir") dir = argv[i + 1];
    else if (a == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
    else die("unknown option " + a);
  }
  fs::path work = dir / ("korvanel-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  fs::path image = work / "image.iso", copy = work / "copy.iso", config = work / "bench.json";
  uint64_t bytes = sizeMiB << 20;
  std::ofstream(config) << R"({"fresh_media_at_start": true, "recorders": [{"name": "CdRom0",
    "media_formats": ["write"], "write_modes": ["tao", "sao", "dao_pq", "dao_raw"], "time_scale": 0,
    "medium": {"type": "BD-R", "state": "blank"}}]})";
  generate(image, bytes);
  ::sync();

  double bestCopy = 1e9, bestBurn = 1e9;
  for (int r = 0; r < rounds; ++r) {
    // Alternating which runs first keeps the writeback of the previous run
    // from always landing on the same side.
    double c = 0, b = 0;
    for (int step = 0; step < 2; ++step) {
      if ((step == 0) == (r % 2 == 0)) {
        c = copySeconds(image, copy);
        fs::remove(copy);
      } else {
        b = burnSeconds(config, work / "state", image);
      }
      ::sync();
    }
    bestCopy = std::min(bestCopy, c);
    bestBurn = std::min(bestBurn, b);
    std::printf("round %d: copy %.2f s, burn %.2f s\n", r + 1, c, b);
  }
  double mb = double(bytes) / 1e6;
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("image: %llu MiB, best of %d rounds\n", static_cast<unsigned long long>(sizeMiB), rounds);
  std::printf("copy (1 MiB read/write loop): %.2f s, %.1f MB/s\n", bestCopy, mb / bestCopy);
  std::printf("burn (virtual recorder, unthrottled): %.2f s, %.1f MB/s\n", bestBurn, mb / bestBurn);
  std::printf("burn/copy throughput ratio: %.2f; peak RSS: %ld MiB\n", bestCopy / bestBurn, usage.ru_maxrss / 1024);
  fs::remove_all(work);
  return 0;
}
