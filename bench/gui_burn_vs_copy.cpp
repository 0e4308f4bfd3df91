// Runs the burning page offscreen on a burn of a generated image onto an
// unthrottled virtual recorder and, in the same run, copies the same file with
// a plain 1 MiB loop; prints the wall-time ratio, the longest time the window
// thread went without serving its event loop during the burns, and the peak RSS.
//
//   bench_gui_burn [--size-mib N] [--dir FOLDER] [--rounds N]
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "bench_common.h"
#include "event_gap_meter.h"
#include "sbActions.h"
#include "sbBurnAtOnceAction.h"
#include "sbBurner.h"
#include "sbErrors.h"
#include "sbLibrarySession.h"
#include "sbMainForm.h"
#include "ufrmFinalAction.h"

namespace {

using namespace bench;

// One run of the page: the session up on fresh media, the actions run, down again.
double pageBurnSeconds(const TsbLibraryOptions& options, const fs::path& image, TfrmFinalAction& page,
                       EventGapMeter& gaps) {
  UpStartLibrary(options);
  double seconds = 0;
  {
    TsbBurner burner;
    burner.Transport = ttSpti;
    burner.DeviceName = QStringLiteral("CdRom0");
    burner.BurnSettings.Mode = bmTaoFromFile;
    burner.Open();
    burner.Lock();
    TsbActionList list;
    TsbBurnAtOnceToCDDVDAction action;
    list.Source.Assigned = true;
    list.Source.FileName = QString::fromStdString(image.string());
    list.Add().Action = &action;
    page.ActionList = &list;
    page.Activate(&burner);
    QElapsedTimer clock;
    clock.start();
    gaps.start();
    page.RunActions();
    gaps.stop();
    seconds = clock.nsecsElapsed() / 1e9;
    page.ActionList = nullptr;
    if (!burner.BurnSucceeded) die("the burn failed: " + burner.LastMessage.toStdString());
  }
  Discwright_DownShut();
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ProcessQtEventsWhileWaiting();
  Options options = parseOptions(argc, argv);
  fs::path work = options.dir / ("korvanel-gui-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  const fs::path image = work / "image.iso", copy = work / "copy.iso", config = work / "bench.json";
  std::ofstream(config) << R"({"state_folder": "state", "fresh_media_at_start": true, "recorders": [
    {"name": "CdRom0", "address": "1:0:0:0", "media_formats": ["write"], "write_modes": ["tao"],
     "time_scale": 0, "medium": {"type": "DVD+R", "capacity_bytes": 8547991552}}]})";
  generate(image, options.sizeMiB << 20);
  syncDisks();

  TsbLibraryOptions library;
  library.VirtualDrives = QString::fromStdString(config.string());
  library.NoRealDrives = true;
  TfrmFinalAction page;
  page.resize(640, 420);
  page.show();
  EventGapMeter gaps;
  Best best;
  try {
    best = alternate(options.rounds, image, copy, [&] { return pageBurnSeconds(library, image, page, gaps); },
                     "burning page");
  } catch (const TsbError& e) {
    die(e.Message().toStdString());
  }
  fs::remove_all(work);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("image: %llu MiB, best of %d rounds\n", static_cast<unsigned long long>(options.sizeMiB),
              options.rounds);
  std::printf("gui burn/copy ratio: %.2f; longest event gap: %lld ms; peak RSS: %ld MiB\n", best.other / best.copy,
              static_cast<long long>(gaps.longestMs()), usage.ru_maxrss / 1024);
  return 0;
}
