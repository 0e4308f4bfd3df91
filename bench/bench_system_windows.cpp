// What the benchmarks ask of Windows: memory figures (no system-wide flush exists;
// the burn and the copy both end with their files closed).
#include <windows.h>
#include <psapi.h>

#include "bench_common.h"

namespace bench {

void syncDisks() {}

long peakRssMiB() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
  return long(counters.PeakWorkingSetSize >> 20);
}

}  // namespace bench
