// Adds 10 files with `korvanel-cli burn-files --append` to a virtual DVD-R whose
// first session, left open, holds 100,000 small files, against burning that first
// session, and against xorriso adding the same 10 files to an image of the same
// tree (`xorriso -indev IMG -outdev stdio:OUT -add ...`), alternating the order in
// each round; prints the median times, their ratios and the append's peak RSS,
// and checks through the library that the disc's newest directory lists every file.
//
//   bench_append [--files N (the first session's)] [--dir FOLDER] [--rounds N]
#include <unistd.h>

#include <algorithm>
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
using namespace bench;

namespace {

constexpr int kAddedFiles = 10;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Both configurations describe the same recorder and medium, so each keeps the
// medium in its state folder as it is (a changed description would make it anew).
void writeRecorders(const fs::path& config, const char* stateFolder) {
  std::ofstream(config) << "{\"state_folder\": \"" << stateFolder << "\", \"recorders\": [\n"
                        << "  {\"name\": \"CdRom0\", \"address\": \"1:0:0:0\", \"media_formats\": [\"write\", "
                           "\"write_dvdr\"],\n"
                        << "   \"write_modes\": [\"tao\"], \"time_scale\": 0, \"medium\": {\"type\": \"DVD-R\"}}\n"
                        << "]}\n";
}

// The files of the newest session's directory, as the library reads the disc to add to it.
long filesOnDisc(const fs::path& config) {
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE];
  const std::string path = config.string();
  DiscwrightStartup startup{sizeof startup, 0, path.c_str(), nullptr, -1, text, sizeof text, nullptr, 0, nullptr};
  if (Discwright_UpStartEx(&startup) != 0) die(std::string("the library did not start: ") + text);
  DiscwrightHandle grabber = 0, tree = 0;
  long files = -1;
  if (Discwright_CdvdBurnerGrabber_CreateEx(&grabber, text, sizeof text, &status, failure, nullptr, nullptr, "CdRom0",
                                            0) != 0)
    std::fprintf(stderr, "bench: CdRom0: %s\n", text);
  else if (Discwright_ISO9660JolietFileTree_CreateFromDisc(&tree, text, sizeof text, &status, grabber, nullptr,
                                                           nullptr) != 0)
    std::fprintf(stderr, "bench: the disc's directory: %s\n", text);
  else {
    DiscwrightTreeOrigin origin{};
    if (Discwright_ISO9660JolietFileTree_GetOrigin(tree, text, sizeof text, &status, &origin) == 0)
      files = long(origin.DiscFiles);
    else
      std::fprintf(stderr, "bench: the disc's directory: %s\n", text);
  }
  if (tree) Discwright_Destroy(&tree);
  if (grabber) Discwright_Destroy(&grabber);
  Discwright_DownShut();
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  // --files is ours; the shared options take the rest (--size-mib means nothing here).
  long firstFiles = 100000;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--files") == 0 && i + 1 < argc) {
      firstFiles = std::max(1L, std::atol(argv[++i]));
      continue;
    }
    rest.push_back(argv[i]);
  }
  const Options options = parseOptions(int(rest.size()), rest.data());
  const fs::path work = options.dir / ("korvanel-append-bench-" + std::to_string(::getpid()));
  const fs::path tree = work / "tree", ten = work / "ten";
  fs::create_directories(tree);
  fs::create_directories(ten);
  // Files of 50 to 1500 bytes in folders of 1000; the added ones of 5 KB each.
  std::vector<char> bytes(5000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char('a' + i % 26);
  for (long n = 0; n < firstFiles; ++n) {
    const fs::path folder = tree / ("folder" + std::to_string(n / 1000));
    if (n % 1000 == 0) fs::create_directories(folder);
    std::ofstream(folder / ("file" + std::to_string(n) + ".txt"), std::ios::binary)
        .write(bytes.data(), std::streamsize(50 + (n * 37) % 1451));
  }
  std::vector<std::string> added;
  for (int n = 0; n < kAddedFiles; ++n) {
    added.push_back("added" + std::to_string(n) + ".txt");
    std::ofstream(ten / added.back(), std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  }

  const fs::path firstConfig = work / "first.json", appendConfig = work / "append.json";
  writeRecorders(firstConfig, "first-state");
  writeRecorders(appendConfig, "append-state");
  const fs::path firstState = work / "first-state", appendState = work / "append-state", base = work / "base-state";
  auto cli = [&](const fs::path& config, std::vector<std::string> args) {
    args.insert(args.begin(), {KORVANEL_CLI, "--no-real-drives", "--virtual-drives", config.string()});
    return args;
  };
  const std::vector<std::string> first = cli(firstConfig, {"burn-files", tree.string(), "--device", "CdRom0", "--mode",
                                                           "tao", "--multisession", "--no-eject"});
  std::vector<std::string> append = cli(appendConfig, {"burn-files"});
  for (const std::string& name : added) append.push_back((ten / name).string());
  for (const char* a : {"--device", "CdRom0", "--mode", "tao", "--append", "--no-eject"}) append.push_back(a);

  // The first session every append starts from, kept aside, and an image of the
  // same tree for xorriso.
  if (runSeconds(first) < 0) die("korvanel-cli burn-files of the first session failed");
  fs::rename(firstState, base);
  const fs::path image = work / "first.iso", out = work / "out.iso";
  if (runSeconds({KORVANEL_CLI, "build-image", tree.string(), image.string()}) < 0)
    die("korvanel-cli build-image failed");

  const fs::path xorriso = findOnPath("xorriso");
  // -cdx: the files go to the top of the image, as korvanel-cli adds them.
  std::vector<std::string> theirs = {xorriso.string(), "-indev", image.string(), "-outdev", "stdio:" + out.string(),
                                     "-cdx", ten.string(), "-add"};
  theirs.insert(theirs.end(), added.begin(), added.end());
  theirs.push_back("--");
  if (xorriso.empty())
    std::printf("xorriso is not installed, so its append is not measured; to compare, install it with:\n"
                "  sudo apt-get install xorriso\n");
  syncDisks();

  long peakKiB = 0;
  std::vector<double> firstTimes, appendTimes, xorrisoTimes;
  bool xorrisoFailed = false;
  for (int r = 0; r < options.rounds; ++r) {
    double f = 0, a = 0, x = -1;
    // Three steps, each round starting one further, so that each comes first once in three rounds.
    for (int step = 0; step < 3; ++step) {
      switch ((step + r) % 3) {
        case 0:
          fs::remove_all(firstState);
          syncDisks();
          f = runSeconds(first);
          if (f < 0) die("korvanel-cli burn-files of the first session failed");
          fs::remove_all(firstState);
          break;
        case 1:
          fs::remove_all(appendState);
          fs::copy(base, appendState, fs::copy_options::recursive);
          syncDisks();
          a = runSeconds(append, &peakKiB);
          if (a < 0) die("korvanel-cli burn-files --append failed");
          break;
        default:
          if (xorriso.empty() || xorrisoFailed) break;
          fs::remove(out);
          syncDisks();
          x = runSeconds(theirs, nullptr, true);
          // Each of the first session's files takes a block at least: an output without them did not append.
          if (x < 0) {
            std::printf("xorriso -indev ... -add failed (exit status not 0)\n");
            xorrisoFailed = true;
          } else if (!fs::exists(out) || fs::file_size(out) < uintmax_t(firstFiles) * 2048) {
            std::printf("xorriso's output holds less than the first session's files\n");
            xorrisoFailed = true;
          }
          fs::remove(out);
          break;
      }
    }
    firstTimes.push_back(f);
    appendTimes.push_back(a);
    if (x >= 0 && !xorrisoFailed) xorrisoTimes.push_back(x);
    char theirRound[32];
    if (xorriso.empty()) std::snprintf(theirRound, sizeof theirRound, "not installed");
    else if (xorrisoFailed) std::snprintf(theirRound, sizeof theirRound, "failed");
    else std::snprintf(theirRound, sizeof theirRound, "%.2f s", x);
    std::printf("round %d: first session %.2f s, append %.2f s, xorriso append %s\n", r + 1, f, a, theirRound);
  }

  // The last append's disc: its newest directory must list the first session's files and the added ones.
  const long listed = filesOnDisc(appendConfig);
  fs::remove_all(work);
  if (listed != firstFiles + kAddedFiles)
    die("after the append the disc lists " + std::to_string(listed) + " files instead of " +
        std::to_string(firstFiles + kAddedFiles));

  const double t1 = median(firstTimes), t2 = median(appendTimes);
  std::printf("first session: %ld files, append: %d files, disc after it: %ld files; median of %d rounds\n",
              firstFiles, kAddedFiles, listed, options.rounds);
  char xorrisoSeconds[32] = "-";
  if (!xorrisoTimes.empty()) std::snprintf(xorrisoSeconds, sizeof xorrisoSeconds, "%.2f s", median(xorrisoTimes));
  std::printf("median seconds: first session %.2f s, append %.2f s, xorriso append %s\n", t1, t2, xorrisoSeconds);
  std::printf("append/first-session time ratio: %.2f; peak RSS: %ld MiB\n", t2 / t1, peakKiB / 1024);
  if (xorriso.empty()) std::printf("append vs xorriso: skipped (xorriso is not installed)\n");
  else if (xorrisoFailed) std::printf("append vs xorriso: skipped (xorriso's append failed)\n");
  else std::printf("append vs xorriso: %.2f\n", t2 / median(xorrisoTimes));
  return 0;
}
