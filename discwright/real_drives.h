// The machine's own drives and file pseudo-drives come from the real-drive backend of
// the build: libburn (libburn/libburn_backend.cpp) on Linux and on Windows where the
// build has libburn for Windows; without it (real_drives_none.cpp) the virtual
// recorders are the only devices.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Discwright.h"
#include "device.h"

namespace discwright {

struct RealDriveSetup {
  std::string backendAddress;  // how the backend finds it: "/dev/sr0", "stdio:/path/file"
  std::string name;            // "CdRom3"
  DiscwrightDeviceAddress address{};
  uint64_t capacityBytes = 0;  // a pseudo-drive's size; 0: what the backend reports
};

class RealDriveBackend {
 public:
  // The backend for one start of the library.
  static std::unique_ptr<RealDriveBackend> create();
  virtual ~RealDriveBackend() = default;

  // The drives of the machine, numbered as the system numbers them.
  virtual std::vector<RealDriveSetup> scan() = 0;
  // How the backend addresses a file used as a drive; DwError(DW_E_NOT_SUPPORTED) where it cannot.
  virtual std::string pseudoDriveAddress(const std::string& path) = 0;
  virtual std::shared_ptr<Device> open(RealDriveSetup setup) = 0;
};

struct RealDriveGrabCounts {
  uint64_t grabs = 0;
  uint64_t releases = 0;
};
RealDriveGrabCounts realDriveGrabCounts();
// Starts the counts again, once each drive's identity was read at the start.
void resetRealDriveGrabCounts();

}  // namespace discwright
