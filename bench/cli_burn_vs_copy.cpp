// Runs `korvanel-cli burn` of a generated image onto an unthrottled virtual
// recorder and, in the same run, copies the same file with a plain 1 MiB loop;
// prints the wall-time ratio and the burner's peak RSS. Then measures, in
// process, the longest time the window thread goes without processing events
// during a burn and during a device scan.
//
//   bench_cli_burn [--size-mib N] [--dir FOLDER] [--rounds N]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
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
#include "sbBurner.h"
#include "sbDeviceList.h"
#include "sbUiHooks.h"

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
  for (ssize_t n; (n = ::read(in, buffer.data(), buffer.size())) > 0;)
    if (::write(out, buffer.data(), size_t(n)) != n) die("write failed");
  ::close(in);
  ::close(out);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs the command line burner; returns wall seconds, and its peak RSS in KiB.
double cliSeconds(const std::vector<std::string>& args, long& peakKiB) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  auto start = Clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    int devnull = ::open("/dev/null", O_WRONLY);
    ::dup2(devnull, STDOUT_FILENO);
    ::execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) die("korvanel-cli burn failed");
  peakKiB = std::max(peakKiB, long(usage.ru_maxrss));
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
  DiscwrightStartup startup{sizeof startup, 0, configText.c_str(), nullptr, -1.0, text, sizeof text};
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
  fs::path work = dir / ("korvanel-cli-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  fs::path image = work / "image.iso", copy = work / "copy.iso", config = work / "bench.json";
  writeConfig(config, 0);
  generate(image, sizeMiB << 20);
  ::sync();

  std::vector<std::string> burn = {KORVANEL_CLI, "--no-real-drives", "--virtual-drives", config.string(),
                                   "burn", image.string(), "--device", "CdRom0", "--mode", "tao"};
  double bestCopy = 1e9, bestBurn = 1e9;
  long peakKiB = 0;
  for (int r = 0; r < rounds; ++r) {
    double c = 0, b = 0;
    for (int step = 0; step < 2; ++step) {
      if ((step == 0) == (r % 2 == 0)) {
        c = copySeconds(image, copy);
        fs::remove(copy);
      } else {
        b = cliSeconds(burn, peakKiB);
      }
      ::sync();
    }
    std::printf("round %d: copy %.2f s, korvanel-cli burn %.2f s\n", r + 1, c, b);
    bestCopy = std::min(bestCopy, c);
    bestBurn = std::min(bestBurn, b);
  }
  std::printf("image: %llu MiB, best of %d rounds\n", static_cast<unsigned long long>(sizeMiB), rounds);
  measureGaps(work);
  fs::remove_all(work);
  std::printf("burn/copy wall-time ratio: %.2f; korvanel-cli peak RSS: %ld MiB\n", bestBurn / bestCopy,
              peakKiB / 1024);
  return 0;
}
