#include "drive_speeds.h"

#include <algorithm>

namespace discwright {

Speeds speedsInUse(const DriveSpeedReport& report, uint32_t readRequest, uint32_t writeRequest) {
  auto resolve = [](uint32_t request, uint32_t maximum, const std::vector<uint32_t>& table) {
    // 0xFFFF asks for the maximum; a 16x BD drive's maximum lies above it.
    if (request == DISCWRIGHT_SPEED_MAX || request >= maximum) return maximum;
    uint32_t best = 0;
    for (uint32_t v : table)
      if (v <= request) best = std::max(best, v);
    return table.empty() ? request : (best ? best : *std::min_element(table.begin(), table.end()));
  };
  Speeds s;
  s.maximumRead = report.maximumRead;
  s.maximumWrite = report.maximumWrite;
  s.currentRead = report.pageCurrentRead ? report.pageCurrentRead : resolve(readRequest, report.maximumRead, {});
  // The write speeds the drive lists for the inserted medium are what it sets;
  // the capabilities page counts in CD-era units that do not fit DVD or BD
  // speeds, so it speaks only for a drive that lists none.
  s.currentWrite = !report.writeSpeeds.empty() || !report.pageCurrentWrite
                       ? resolve(writeRequest, report.maximumWrite, report.writeSpeeds)
                       : report.pageCurrentWrite;
  return s;
}

}  // namespace discwright
