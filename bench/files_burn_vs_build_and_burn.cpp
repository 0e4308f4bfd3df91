// Burns a generated tree of many small files and a few large ones onto a file
// pseudo-drive with `korvanel-cli burn-files`, against `build-image` followed by
// `burn` of its output, alternating which goes first in each round; prints the
// best time ratio and burn-files' peak RSS.
//
//   bench_files_burn [--size-mib N (the large files)] [--files N (small ones)] [--dir FOLDER] [--rounds N]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_common.h"

namespace fs = std::filesystem;
using namespace bench;

int main(int argc, char** argv) {
  // --files is ours; the shared options take the rest.
  long smallFiles = 100000;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--files") == 0 && i + 1 < argc) {
      smallFiles = std::atol(argv[++i]);
      continue;
    }
    rest.push_back(argv[i]);
  }
  Options options = parseOptions(int(rest.size()), rest.data());
  const fs::path work = options.dir / ("korvanel-files-bench-" + std::to_string(::getpid()));
  const fs::path tree = work / "tree";
  fs::create_directories(tree);
  // Small files of 1 to 4 KiB in folders of 1000, and four large ones sharing the size.
  std::vector<char> bytes(4096);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char('a' + i % 26);
  for (long n = 0; n < smallFiles; ++n) {
    const fs::path folder = tree / ("folder" + std::to_string(n / 1000));
    if (n % 1000 == 0) fs::create_directories(folder);
    std::ofstream(folder / ("file" + std::to_string(n) + ".txt"), std::ios::binary)
        .write(bytes.data(), std::streamsize(1024 + (n * 37) % 3072));
  }
  for (int n = 0; n < 4; ++n) generate(tree / ("large" + std::to_string(n) + ".bin"), (options.sizeMiB << 20) / 4);
  syncDisks();

  const fs::path target = work / "target.img", image = work / "image.iso";
  const std::vector<std::string> files = {KORVANEL_CLI, "--no-real-drives", "--pseudo-drive", target.string(),
                                          "burn-files", tree.string(), "--device", "CdRom0", "--mode", "tao"};
  const std::vector<std::string> build = {KORVANEL_CLI, "build-image", tree.string(), image.string()};
  const std::vector<std::string> burn = {KORVANEL_CLI, "--no-real-drives", "--pseudo-drive", target.string(),
                                         "burn", image.string(), "--device", "CdRom0", "--mode", "tao"};
  auto clean = [&] {
    fs::remove(target);
    fs::remove(image);
    syncDisks();
  };
  long peakKiB = 0;
  double bestFiles = 1e9, bestTwoSteps = 1e9;
  for (int r = 0; r < options.rounds; ++r) {
    double f = 0, t = 0;
    for (int step = 0; step < 2; ++step) {
      clean();
      if ((step == 0) == (r % 2 == 0)) {
        f = runSeconds(files, &peakKiB);
      } else {
        const double b = runSeconds(build);
        const double w = b < 0 ? -1 : runSeconds(burn);
        t = b < 0 || w < 0 ? -1 : b + w;
      }
    }
    clean();
    if (f < 0 || t < 0) die("a run failed");
    std::printf("round %d: burn-files %.2f s, build-image + burn %.2f s\n", r + 1, f, t);
    bestFiles = std::min(bestFiles, f);
    bestTwoSteps = std::min(bestTwoSteps, t);
  }
  fs::remove_all(work);
  std::printf("tree: %ld small files, 4 large files of %llu MiB in all\n", smallFiles,
              static_cast<unsigned long long>(options.sizeMiB));
  std::printf("files burn/(build-image + burn) time ratio: %.2f; peak RSS: %ld MiB\n", bestFiles / bestTwoSteps,
              peakKiB / 1024);
  return 0;
}
