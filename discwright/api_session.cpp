// Session and device-discovery calls of the C API.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <sstream>

#include "api_support.h"
#include "real_drives.h"
#include "library.h"
#include "virtual/virtual_config.h"

using namespace discwright;

namespace {
std::atomic<bool> fastReadToc{false};
}

extern "C" {

uint32_t Discwright_GetVersion(void) { return DISCWRIGHT_VERSION; }

uint8_t Discwright_UpStartEx(const DiscwrightStartup* startup) {
  Triple triple{startup ? startup->ErrorText : nullptr, startup ? startup->ErrorTextSize : 0, nullptr, nullptr};
  return guarded(triple, [&] {
    const auto& given = required(startup, "start-up data");
    if (given.Size != DISCWRIGHT_STARTUP_SIZE_V1 && given.Size < sizeof(DiscwrightStartup))
      throw DwError(DW_E_INVALID_ARGUMENT, "The start-up data is too short: set Size to sizeof(DiscwrightStartup)");
    // Callers built against an older struct: what they did not pass counts as zero.
    DiscwrightStartup s{};
    std::memcpy(&s, &given, std::min<size_t>(given.Size, sizeof(DiscwrightStartup)));
    // Any negative number keeps the recorders' own scales. NaN would pass
    // unnoticed as "keep them"; infinity or a huge scale would stall every burn.
    if (!std::isfinite(s.TimeScale) || s.TimeScale > DISCWRIGHT_MAX_TIME_SCALE) {
      std::ostringstream shown, highest;
      shown << s.TimeScale;
      highest << DISCWRIGHT_MAX_TIME_SCALE;
      throw DwError(DW_E_INVALID_ARGUMENT,
                    "The start-up data's TimeScale " + shown.str() +
                        " is not allowed: give a number from 0 to " + highest.str() +
                        " to override the virtual recorders' time scale, or a negative number to keep theirs");
    }
    Library::instance().start(s);
  });
}

uint8_t Discwright_CheckVirtualConfig(const char* virtualConfig, char* errorText, uint32_t errorTextSize) {
  return guarded(Triple{errorText, errorTextSize, nullptr, nullptr},
                 [&] { loadVirtualSetup(&required(virtualConfig, "virtual configuration")); });
}

uint8_t Discwright_DownShut(void) {
  Library::instance().stop();
  return DW_E_OK;
}

uint8_t Discwright_GetGrabCounts(uint64_t* grabs, uint64_t* releases) {
  const RealDriveGrabCounts counts = realDriveGrabCounts();
  if (grabs) *grabs = counts.grabs;
  if (releases) *releases = counts.releases;
  return DW_E_OK;
}

uint8_t Discwright_FindDevice(uint32_t deviceType, uint32_t, DiscwrightCallback callback, void* context) {
  return guarded(Triple{nullptr, 0, nullptr, nullptr}, [&] {
    if (!callback) throw DwError(DW_E_INVALID_ARGUMENT, "Missing argument: callback");
    auto devices = Library::instance().devices();
    if (deviceType != DISCWRIGHT_DEVICE_TYPE_CDDVD) return;
    for (const auto& device : devices) {
      DiscwrightDeviceAddress address = device->identity().address;
      callback(DW_REASON_DEVICE_FOUND, context, &address, nullptr);
    }
  });
}

uint8_t Discwright_GetDeviceNameByDeviceAddress(uint8_t portId, uint8_t busId, uint8_t targetId, uint8_t lun,
                                                char* buffer) {
  return guarded(Triple{nullptr, 0, nullptr, nullptr}, [&] {
    char* out = &required(buffer, "buffer");
    out[0] = '\0';
    auto device = Library::instance().deviceByAddress(portId, busId, targetId, lun);
    std::string path = "\\\\.\\" + device->mountPoint();
    size_t n = std::min<size_t>(path.size(), DISCWRIGHT_TEXT_SIZE - 1);
    std::memcpy(out, path.data(), n);
    out[n] = '\0';
  });
}

uint8_t Discwright_GetDeviceAddressByDeviceName(const char* deviceName, DiscwrightDeviceAddress* address) {
  return guarded(Triple{nullptr, 0, nullptr, nullptr}, [&] {
    auto& out = required(address, "address");
    out = {};
    out = Library::instance().deviceByName(&required(deviceName, "device name"))->identity().address;
  });
}

uint8_t Discwright_SetFastReadTOC(uint8_t fast) {
  fastReadToc = fast != 0;
  return DW_E_OK;
}

}  // extern "C"
