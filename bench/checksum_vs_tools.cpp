// Checksums against the system's tools, in the same run: the verify action
// reading a burned disc back against its image versus `cmp` of two copies of
// the image, and `korvanel-cli checksum` of the image versus `sha256sum`.
// Rounds alternate which side runs first; the best round of each counts.
// Then the real-drive backend on a libburn pseudo-drive: how often a verify and
// a speed query grab the drive (each grab spins a hardware drive up and down).
//
//   bench_checksum [--size-mib N] [--dir FOLDER] [--rounds N]
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>

#include "bench_common.h"
#include "sbActions.h"
#include "sbBurnAtOnceAction.h"
#include "sbBurner.h"
#include "sbDiscSpeeds.h"
#include "sbErrors.h"
#include "sbLibrarySession.h"
#include "sbVerifyAction.h"

namespace {

using namespace bench;

// Runs one action on CdRom0 in a fresh library session; wall seconds of the
// action; rows takes its log rows.
double runAction(const TsbLibraryOptions& options, const fs::path& image, TsbAction& action, QStringList& rows) {
  rows.clear();
  UpStartLibrary(options);
  double seconds = 0;
  {
    TsbBurner burner;
    burner.Transport = ttSpti;
    burner.DeviceName = QStringLiteral("CdRom0");
    burner.BurnSettings.Mode = bmTaoFromFile;
    burner.Open();
    TsbActionList list;
    list.Source.Assigned = true;
    list.Source.FileName = QString::fromStdString(image.string());
    list.Add().Action = &action;
    QElapsedTimer clock;
    clock.start();
    if (!RunActions(list, burner, [&](const void*, const QString& text, TsbLogItemType) { rows << text; }))
      die("the action failed: " + rows.join(QLatin1Char('\n')).toStdString());
    seconds = double(clock.nsecsElapsed()) / 1e9;
  }
  Discwright_DownShut();
  return seconds;
}

// The drive grabs of one job on CdRom0 in a fresh library session.
uint64_t grabsOf(const TsbLibraryOptions& options, const std::function<void(TsbBurner&)>& job) {
  UpStartLibrary(options);
  {
    TsbBurner burner;
    burner.Transport = ttSpti;
    burner.DeviceName = QStringLiteral("CdRom0");
    burner.BurnSettings.Mode = bmTaoFromFile;
    burner.Open();
    job(burner);
  }
  Discwright_DownShut();
  uint64_t grabs = 0;
  Discwright_GetGrabCounts(&grabs, nullptr);
  return grabs;
}

// Best seconds of a and b over the rounds, alternating which goes first.
std::pair<double, double> bestOf(int rounds, const char* aName, const std::function<double()>& a, const char* bName,
                                 const std::function<double()>& b) {
  double bestA = 1e9, bestB = 1e9;
  for (int r = 0; r < rounds; ++r) {
    double ta = 0, tb = 0;
    if (r % 2 == 0) {
      ta = a();
      tb = b();
    } else {
      tb = b();
      ta = a();
    }
    if (ta < 0 || tb < 0) die(std::string("a run failed: ") + (ta < 0 ? aName : bName));
    std::printf("round %d: %s %.2f s, %s %.2f s\n", r + 1, aName, ta, bName, tb);
    bestA = std::min(bestA, ta);
    bestB = std::min(bestB, tb);
  }
  return {bestA, bestB};
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  Options options = parseOptions(argc, argv);
  const fs::path cmp = findOnPath("cmp"), sha256sum = findOnPath("sha256sum");
  if (cmp.empty() || sha256sum.empty()) die("cmp and sha256sum are needed (Debian package coreutils, diffutils)");
  fs::path work = options.dir / ("korvanel-checksum-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  const fs::path image = work / "image.iso", copy = work / "copy.iso", config = work / "bench.json";
  std::ofstream(config) << R"({"state_folder": "state", "recorders": [
    {"name": "CdRom0", "address": "1:0:0:0", "media_formats": ["read_dvd", "write"], "write_modes": ["tao"],
     "time_scale": 0, "medium": {"type": "DVD+R", "capacity_bytes": 8547991552}}]})";
  const uint64_t bytes = options.sizeMiB << 20;
  generate(image, bytes);
  copySeconds(image, copy);
  syncDisks();

  TsbLibraryOptions library;
  library.VirtualDrives = QString::fromStdString(config.string());
  library.NoRealDrives = true;
  std::pair<double, double> verify, sha;
  try {
    TsbBurnAtOnceToCDDVDAction burn;
    QStringList rows;
    runAction(library, image, burn, rows);
    TsbVerifyAction verifyAction;
    verify = bestOf(
        options.rounds, "verify",
        [&] {
          double s = runAction(library, image, verifyAction, rows);
          if (rows.filter(QStringLiteral("Verification passed")).isEmpty())
            die("verification did not pass: " + rows.join(QLatin1Char('\n')).toStdString());
          return s;
        },
        "cmp", [&] { return runSeconds({cmp.string(), image.string(), copy.string()}); });
  } catch (const TsbError& e) {
    die(e.Message().toStdString());
  }
  // The grabs on a pseudo-drive, on an image of at most 64 MiB (the count does not grow with the size).
  uint64_t verifyGrabs = 0, speedGrabs = 0;
  {
    const fs::path small = work / "small.iso";
    generate(small, std::min<uint64_t>(bytes, 64u << 20));
    TsbLibraryOptions pseudo;
    pseudo.NoRealDrives = true;
    pseudo.PseudoDrives = {QString::fromStdString((work / "pseudo-drive.img").string())};
    try {
      QStringList rows;
      TsbBurnAtOnceToCDDVDAction burn;
      runAction(pseudo, small, burn, rows);
      TsbVerifyAction verifyAction;
      runAction(pseudo, small, verifyAction, rows);  // counted from its session's start
      if (rows.filter(QStringLiteral("Verification passed")).isEmpty())
        die("verification on the pseudo-drive did not pass: " + rows.join(QLatin1Char('\n')).toStdString());
      Discwright_GetGrabCounts(&verifyGrabs, nullptr);
    } catch (const TsbError& e) {
      die(e.Message().toStdString());
    }
    speedGrabs = grabsOf(pseudo, [](TsbBurner& burner) {
      TsbDiscSpeedList speeds;
      speeds.ReadSpeeds(burner);
    });
  }
  sha = bestOf(
      options.rounds, "korvanel-cli checksum",
      [&] { return runSeconds({KORVANEL_CLI, "checksum", image.string()}, nullptr, true); }, "sha256sum",
      [&] { return runSeconds({sha256sum.string(), image.string()}); });
  fs::remove_all(work);

  const double mb = double(bytes) / 1e6;
  std::printf("image: %llu MiB, best of %d rounds\n", static_cast<unsigned long long>(options.sizeMiB),
              options.rounds);
  std::printf("verify: %.2f s, %.1f MB/s; cmp: %.2f s, %.1f MB/s\n", verify.first, mb / verify.first, verify.second,
              mb / verify.second);
  std::printf("korvanel-cli checksum: %.2f s; sha256sum: %.2f s\n", sha.first, sha.second);
  std::printf("verify/cmp throughput ratio: %.2f\n", verify.second / verify.first);
  std::printf("sha256/sha256sum time ratio: %.2f\n", sha.first / sha.second);
  std::printf("grabs per verify: %llu; grabs per speed query: %llu\n", static_cast<unsigned long long>(verifyGrabs),
              static_cast<unsigned long long>(speedGrabs));
  return 0;
}
