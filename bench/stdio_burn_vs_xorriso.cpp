// Burns a generated image onto a file pseudo-drive with `korvanel-cli burn`
// and, in the same run, with xorriso's cdrecord emulation onto the same kind of
// target, alternating which goes first in each round; prints the throughput of
// both (MB = 10^6 bytes, best round) and korvanel-cli's peak RSS.
//
//   bench_stdio_burn [--size-mib N] [--dir FOLDER] [--rounds N]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_common.h"

namespace fs = std::filesystem;
using namespace bench;

int main(int argc, char** argv) {
  Options options = parseOptions(argc, argv);
  fs::path work = options.dir / ("korvanel-stdio-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  fs::path image = work / "image.iso", target = work / "target.img";
  const uint64_t bytes = options.sizeMiB << 20;
  generate(image, bytes);
  syncDisks();

  // With no other drive in the session the pseudo-drive is CdRom0.
  const std::vector<std::string> ours = {KORVANEL_CLI, "--no-real-drives", "--pseudo-drive", target.string(),
                                         "burn", image.string(), "--device", "CdRom0", "--mode", "tao"};
  const fs::path xorriso = findOnPath("xorriso");
  const std::vector<std::string> theirs = {xorriso.string(), "-as", "cdrecord", "dev=stdio:" + target.string(),
                                           image.string()};
  if (xorriso.empty())
    std::printf("xorriso is not installed, so only korvanel-cli is measured; to compare, install it with:\n"
                "  sudo apt-get install xorriso\n");

  long peakKiB = 0;
  double bestOurs = 1e9, bestTheirs = 1e9;
  bool xorrisoFailed = false;
  // Each burn starts on a missing file, and the file goes after it, so that
  // neither side pays for the other's blocks.
  auto runOne = [&](bool isOurs) {
    fs::remove(target);
    syncDisks();
    double s = isOurs ? runSeconds(ours, &peakKiB) : runSeconds(theirs, nullptr, true);
    std::error_code error;
    uintmax_t written = fs::file_size(target, error);
    if (s >= 0 && (error || written < bytes)) s = -1;  // a burn that wrote less did not burn
    fs::remove(target);
    syncDisks();
    return s;
  };
  for (int r = 0; r < options.rounds; ++r) {
    double o = 0, t = 0;
    for (int step = 0; step < 2; ++step) {
      bool oursNow = (step == 0) == (r % 2 == 0);
      if (oursNow) {
        o = runOne(true);
        if (o < 0) die("korvanel-cli burn onto the pseudo-drive failed");
        bestOurs = std::min(bestOurs, o);
      } else if (!xorriso.empty() && !xorrisoFailed) {
        t = runOne(false);
        if (t < 0) xorrisoFailed = true;
        else bestTheirs = std::min(bestTheirs, t);
      }
    }
    char theirRound[32];
    if (xorriso.empty()) std::snprintf(theirRound, sizeof theirRound, "not installed");
    else if (xorrisoFailed) std::snprintf(theirRound, sizeof theirRound, "failed");
    else std::snprintf(theirRound, sizeof theirRound, "%.2f s", t);
    std::printf("round %d: korvanel-cli %.2f s, xorriso %s\n", r + 1, o, theirRound);
  }
  fs::remove_all(work);

  auto rate = [&](double seconds) { return double(bytes) / 1e6 / seconds; };
  std::printf("image: %llu MiB, best of %d rounds\n", static_cast<unsigned long long>(options.sizeMiB), options.rounds);
  char theirText[64];
  if (xorriso.empty()) std::snprintf(theirText, sizeof theirText, "not installed");
  else if (xorrisoFailed) std::snprintf(theirText, sizeof theirText, "failed");
  else std::snprintf(theirText, sizeof theirText, "%.0f MB/s", rate(bestTheirs));
  std::printf("stdio burn: %.0f MB/s; xorriso: %s; peak RSS: %ld MiB\n", rate(bestOurs), theirText, peakKiB / 1024);
  return 0;
}
