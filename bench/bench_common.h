// What the benchmarks share: their options, a generated image, the plain copy
// they measure against, and rounds that alternate which side runs first.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace bench {

namespace fs = std::filesystem;

struct Options {
  uint64_t sizeMiB = 1024;
  int rounds = 3;
  fs::path dir = fs::temp_directory_path();
};

// --size-mib N, --dir FOLDER, --rounds N.
Options parseOptions(int argc, char** argv);
[[noreturn]] void die(const std::string& what);
// A file of pseudo-random bytes.
void generate(const fs::path& path, uint64_t bytes);
// Copies with a plain 1 MiB read/write loop; wall seconds.
double copySeconds(const fs::path& from, const fs::path& to);

// Writes what the system caches to the disks (Windows: nothing to ask for).
void syncDisks();
// This process's peak resident memory in MiB.
long peakRssMiB();

// Runs args[0] (a path) with stdout, and stderr too when hideStderr, sent to
// /dev/null; returns wall seconds, or -1 when it does not exit with 0.
// peakKiB, when given, takes the larger of itself and the child's peak RSS.
double runSeconds(const std::vector<std::string>& args, long* peakKiB = nullptr, bool hideStderr = false);
// The full path of a program found on $PATH, or empty.
fs::path findOnPath(const std::string& program);
// (runSeconds and findOnPath are POSIX only: the Windows build has the burn benchmark alone.)

struct Best {
  double copy = 1e9;
  double other = 1e9;
};
// Runs the copy of image and other() in each round, alternating which goes
// first so that the writeback of one run does not always land on the same
// side; prints each round and returns the best time of each. other() keeps
// its media in the folder "state" beside the image, removed after each run.
Best alternate(int rounds, const fs::path& image, const fs::path& copy, const std::function<double()>& other,
               const char* otherName);

}  // namespace bench
