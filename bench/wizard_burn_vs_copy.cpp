// A whole wizard pass offscreen, as a user makes it (welcome, transport,
// device, image, mode, options, summary, burning), on a generated image and an
// unthrottled virtual recorder, against a plain 1 MiB copy of the same file in
// the same run. Prints the wall-time ratio, the longest time the window thread
// went without serving its events, the peak RSS, and how long the program takes
// from its start to a shown welcome window (the splash left out). Meanwhile an
// accessibility-style request reads the write progress fifty times a second
// from another thread (a11y_probe.h) and the udev drive watch runs, as on a
// desktop; the longest answer is printed beside the event gap.
//
//   bench_wizard_burn [--size-mib N] [--dir FOLDER] [--rounds N]
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QtTest/QTest>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include <QProgressBar>

#include "ProgramWindows.h"
#include "a11y_probe.h"
#include "WizardWindows.h"
#include "bench_common.h"
#include "event_gap_meter.h"
#include "sbBurner.h"
#include "sbMainForm.h"
#include "ufrmFinalAction.h"
#include "ufrmMain.h"
#include "ufrmWelcome.h"

namespace {

using namespace bench;

// The windows made and the welcome window on screen; milliseconds it took.
qint64 OpenWelcome(const TProgramArgs& args) {
  QElapsedTimer clock;
  clock.start();
  CreateWindows(args);
  frmWelcome->show();
  if (!QTest::qWaitForWindowExposed(frmWelcome)) die("the welcome window did not show");
  return clock.elapsed();
}

double WizardPassSeconds(const TProgramArgs& args, EventGapMeter& gaps, qint64& a11yLongestMs, int& a11yAnswers) {
  OpenWelcome(args);
  A11yProbe probe([] { return MainForm && MainForm->FinalPage ? MainForm->FinalPage->pbWrite->value() : 0; });
  if (!probe.start()) die("no dbus-daemon for the accessibility probe");
  QElapsedTimer clock;
  clock.start();
  gaps.start();
  frmWelcome->ButtonNextClick();
  // Transport, device, image, mode, options, summary: the last Next burns.
  for (int page = 0; page < 6; ++page) MainForm->ButtonNext->click();
  gaps.stop();
  const double seconds = clock.nsecsElapsed() / 1e9;
  probe.stop();
  a11yLongestMs = std::max(a11yLongestMs, probe.longestMs());
  a11yAnswers += probe.answers();
  const bool burned = MainForm->Burner->BurnSucceeded;
  DestroyWindows();
  if (!burned) die("the burn did not succeed");
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ProcessQtEventsWhileWaiting();
  Options options = parseOptions(argc, argv);
  const fs::path work = options.dir / ("korvanel-wizard-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  const fs::path image = work / "image.iso", copy = work / "copy.iso", config = work / "bench.json";
  std::ofstream(config) << R"({"state_folder": "state", "fresh_media_at_start": true, "recorders": [
    {"name": "CdRom0", "address": "1:0:0:0", "media_formats": ["write"], "write_modes": ["tao"],
     "write_speeds": {"dvd": [5540, 11080, 22160]}, "time_scale": 0,
     "medium": {"type": "DVD+R", "capacity_bytes": 8547991552}}]})";
  TProgramArgs args;
  args.Library.VirtualDrives = QString::fromStdString(config.string());
  args.Library.NoRealDrives = true;
  args.ImageFile = QString::fromStdString(image.string());

  // From the program's start to the welcome window, as the first thing done.
  OpenWelcome(args);
  const qint64 startToWelcomeMs = sinceStart.elapsed();
  DestroyWindows();

  generate(image, options.sizeMiB << 20);
  syncDisks();
  EventGapMeter gaps;
  qint64 a11yLongestMs = 0;
  int a11yAnswers = 0;
  const Best best = alternate(
      options.rounds, image, copy, [&] { return WizardPassSeconds(args, gaps, a11yLongestMs, a11yAnswers); },
      "wizard pass");
  fs::remove_all(work);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("image: %llu MiB, best of %d rounds\n", static_cast<unsigned long long>(options.sizeMiB),
              options.rounds);
  std::printf("wizard burn/copy ratio: %.2f; longest event gap: %lld ms; a11y longest answer: %lld ms (%d answers); "
              "peak RSS: %ld MiB; start to welcome window: %lld ms (splash excluded)\n",
              best.other / best.copy, static_cast<long long>(gaps.longestMs()), static_cast<long long>(a11yLongestMs),
              a11yAnswers, usage.ru_maxrss / 1024, static_cast<long long>(startToWelcomeMs));
  return 0;
}
