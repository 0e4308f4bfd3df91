#include "bench_common.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

// Windows opens files as text unless told otherwise.
#ifndef O_BINARY
#define O_BINARY 0
#endif

namespace bench {

using Clock = std::chrono::steady_clock;

Options parseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; i += 2) {
    std::string a = argv[i];
    if (i + 1 >= argc) die(a + " needs a value");
    if (a == "--size-mib") o.sizeMiB = std::strtoull(argv[i + 1], nullptr, 10);
    else if (a == "--dir") o.dir = argv[i + 1];
    else if (a == "--rounds") o.rounds = std::max(1, std::atoi(argv[i + 1]));
    else die("unknown option " + a);
  }
  return o;
}

void die(const std::string& what) {
  std::fprintf(stderr, "bench: %s\n", what.c_str());
  std::exit(1);
}

void generate(const fs::path& path, uint64_t bytes) {
  int fd = ::open(path.string().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_BINARY, 0644);
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
  int in = ::open(from.string().c_str(), O_RDONLY | O_BINARY);
  int out = ::open(to.string().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_BINARY, 0644);
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

Best alternate(int rounds, const fs::path& image, const fs::path& copy, const std::function<double()>& other,
               const char* otherName) {
  Best best;
  for (int r = 0; r < rounds; ++r) {
    double c = 0, o = 0;
    for (int step = 0; step < 2; ++step) {
      if ((step == 0) == (r % 2 == 0)) {
        c = copySeconds(image, copy);
        fs::remove(copy);
      } else {
        o = other();
        // The burned medium goes too, as the copy does, so that neither side
        // pays for freeing the other's blocks.
        fs::remove_all(image.parent_path() / "state");
      }
      syncDisks();
    }
    std::printf("round %d: copy %.2f s, %s %.2f s\n", r + 1, c, otherName, o);
    best.copy = std::min(best.copy, c);
    best.other = std::min(best.other, o);
  }
  return best;
}

}  // namespace bench
