// The real-drive backend of a build that has none yet (Windows, until its SCSI
// pass-through backend): no drives of the machine, and no file pseudo-drives.
#include "error.h"
#include "real_drives.h"

namespace discwright {

namespace {

class NoRealDrives : public RealDriveBackend {
 public:
  std::vector<RealDriveSetup> scan() override { return {}; }
  std::string pseudoDriveAddress(const std::string& path) override {
    throw DwError(DW_E_NOT_SUPPORTED, "A file cannot serve as a drive (\"" + path +
                                          "\") in this build: it has no real-drive backend; use a virtual recorder");
  }
  std::shared_ptr<Device> open(RealDriveSetup setup) override {
    throw DwError(DW_E_NOT_SUPPORTED, "The drive " + setup.name + " cannot be opened: this build has no real-drive backend");
  }
};

}  // namespace

std::unique_ptr<RealDriveBackend> RealDriveBackend::create() { return std::make_unique<NoRealDrives>(); }

RealDriveGrabCounts realDriveGrabCounts() { return {}; }

void resetRealDriveGrabCounts() {}

}  // namespace discwright
