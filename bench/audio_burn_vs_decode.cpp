// Burns an album of 20 FLAC tracks (70 minutes, made with sox) disc-at-once onto a virtual
// CD-R at full speed through the library's C API, against decoding the same files to
// nothing, alternating the order in each round; prints the median times, their ratio and
// the burning process's peak RSS.
//
// The decode half reads every track through the library's own track sources (the same
// decoding the burn reads its blocks from) and throws the bytes away: the ratio is what
// burning adds to decoding (the pipeline, the recorder, the medium file). The burn runs
// in a child process (this program with --burn), so that its peak RSS is its own.
//
//   bench_audio_burn [--dir FOLDER] [--rounds N]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Discwright.h"
#include "audio/audio_file.h"
#include "bench_common.h"

namespace fs = std::filesystem;
using namespace bench;

namespace {

constexpr int kTracks = 20;
constexpr int kTrackSeconds = 70 * 60 / kTracks;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void writeRecorder(const fs::path& config, const fs::path& state) {
  std::ofstream(config) << "{\"state_folder\": \"" << state.string() << "\", \"recorders\": [\n"
                        << "  {\"name\": \"CdRom0\", \"address\": \"1:0:0:0\", \"media_formats\": [\"write\"],\n"
                        << "   \"write_modes\": [\"sao\"], \"time_scale\": 0, \"medium\": {\"type\": \"CD-R\"}}\n"
                        << "]}\n";
}

// The child: the files as an audio CD on CdRom0, disc-at-once. Exit status 0 when burned.
int burn(const char* config, int count, char** files) {
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE];
  DiscwrightStartup startup{sizeof startup, 0, config, nullptr, -1, text, sizeof text, nullptr, 0, nullptr};
  if (Discwright_UpStartEx(&startup) != 0) {
    std::fprintf(stderr, "bench: the library did not start: %s\n", text);
    return 1;
  }
  DiscwrightHandle grabber = 0, layout = 0;
  bool ok = Discwright_CdvdBurnerGrabber_CreateEx(&grabber, text, sizeof text, &status, failure, nullptr, nullptr,
                                                  "CdRom0", 0) == 0 &&
            Discwright_TrackLayout_Create(&layout, text, sizeof text, &status) == 0;
  for (int i = 0; ok && i < count; ++i)
    ok = Discwright_TrackLayout_AddAudioFile(layout, text, sizeof text, &status, files[i], nullptr) == 0;
  ok = ok && Discwright_CdvdBurnerGrabber_BurnLayout(grabber, text, sizeof text, &status, failure, layout,
                                                     DW_WRITE_SAO, 0, 0, 0) == 0;
  if (!ok) std::fprintf(stderr, "bench: the burn failed: %s\n", text);
  if (layout) Discwright_Destroy(&layout);
  if (grabber) Discwright_Destroy(&grabber);
  Discwright_DownShut();
  return ok ? 0 : 1;
}

double decodeSeconds(const std::vector<fs::path>& files) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<char> buffer(1 << 20);
  for (const fs::path& file : files) {
    auto stream = discwright::audioFileSource(file.string())->open();
    while (stream->read(buffer.data(), buffer.size()) > 0) {
    }
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--burn") == 0) return burn(argv[2], argc - 3, argv + 3);
  const Options options = parseOptions(argc, argv);
  const fs::path sox = findOnPath("sox");
  if (sox.empty()) die("sox is not installed; install it with: sudo apt-get install sox");
  const fs::path work = options.dir / ("korvanel-audio-bench-" + std::to_string(::getpid()));
  const fs::path state = work / "state", config = work / "recorders.json";
  fs::create_directories(work);
  writeRecorder(config, state);

  // Pink noise with a tone over it: FLAC packs it to about what music takes.
  std::vector<fs::path> files;
  std::printf("making %d FLAC tracks of %d s each ...\n", kTracks, kTrackSeconds);
  std::fflush(stdout);
  for (int i = 0; i < kTracks; ++i) {
    files.push_back(work / ("track" + std::to_string(i + 1) + ".flac"));
    const std::string seconds = std::to_string(kTrackSeconds);
    if (runSeconds({sox.string(), "-n", "-r", "44100", "-b", "16", "-c", "2", files.back().string(), "synth", seconds,
                    "pinknoise", "vol", "0.3", "synth", seconds, "sine", "mix", std::to_string(220 + 20 * i), "vol",
                    "0.5"}) < 0)
      die("sox could not make " + files.back().string());
  }
  std::vector<std::string> burnArgs = {fs::canonical("/proc/self/exe").string(), "--burn", config.string()};
  for (const fs::path& f : files) burnArgs.push_back(f.string());
  syncDisks();

  long peakKiB = 0;
  std::vector<double> burns, decodes;
  for (int r = 0; r < options.rounds; ++r) {
    double b = 0, d = 0;
    for (int step = 0; step < 2; ++step) {
      if ((step == 0) == (r % 2 == 0)) {
        d = decodeSeconds(files);
      } else {
        fs::remove_all(state);
        b = runSeconds(burnArgs, &peakKiB);
        if (b < 0) {
          fs::remove_all(work);
          die("the burn failed (its reason above)");
        }
        fs::remove_all(state);
      }
      syncDisks();
    }
    std::printf("round %d: burn %.2f s, decode %.2f s\n", r + 1, b, d);
    burns.push_back(b);
    decodes.push_back(d);
  }
  fs::remove_all(work);
  const double burnTime = median(burns), decodeTime = median(decodes);
  std::printf("%d tracks, %d min; median of %d rounds: burn %.2f s, decode %.2f s\n", kTracks,
              kTracks * kTrackSeconds / 60, options.rounds, burnTime, decodeTime);
  std::printf("audio burn/decode time ratio: %.2f; peak RSS: %ld MiB\n", burnTime / decodeTime, peakKiB / 1024);
  return 0;
}
