#include "bench_common.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

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

double runSeconds(const std::vector<std::string>& args, long* peakKiB, bool hideStderr) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  auto start = Clock::now();
  pid_t pid = ::fork();
  if (pid < 0) die("fork failed");
  if (pid == 0) {
    int devnull = ::open("/dev/null", O_WRONLY);
    ::dup2(devnull, STDOUT_FILENO);
    if (hideStderr) ::dup2(devnull, STDERR_FILENO);
    ::execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  // wait4, not waitpid: the child's own peak RSS, not that of all children.
  if (::wait4(pid, &status, 0, &usage) != pid) die("wait4 failed");
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (peakKiB) *peakKiB = std::max(*peakKiB, long(usage.ru_maxrss));
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

fs::path findOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  for (size_t begin = 0; begin <= dirs.size();) {
    size_t end = dirs.find(':', begin);
    if (end == std::string::npos) end = dirs.size();
    fs::path candidate = fs::path(dirs.substr(begin, end - begin)) / program;
    if (end > begin && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    begin = end + 1;
  }
  return {};
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
      ::sync();
    }
    std::printf("round %d: copy %.2f s, %s %.2f s\n", r + 1, c, otherName, o);
    best.copy = std::min(best.copy, c);
    best.other = std::min(best.other, o);
  }
  return best;
}

}  // namespace bench
