// What the benchmarks ask of a POSIX system: flushing, memory, child processes.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "bench_common.h"

namespace bench {

using Clock = std::chrono::steady_clock;

void syncDisks() { ::sync(); }

long peakRssMiB() {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
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

}  // namespace bench
