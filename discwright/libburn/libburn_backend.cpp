// The real-drive backend of the Linux build: libburn's drives and its stdio: pseudo-drives.
#include "libburn/libburn_drive.h"
#include "libburn/libburn_runtime.h"
#include "real_drives.h"

namespace discwright {

namespace {

class LibburnBackend : public RealDriveBackend {
 public:
  std::vector<RealDriveSetup> scan() override {
    std::vector<RealDriveSetup> setups;
    for (auto& found : scanRealDrives(runtime())) setups.push_back({found.libburnAddress, found.name, found.address, 0});
    return setups;
  }
  std::string pseudoDriveAddress(const std::string& path) override { return "stdio:" + path; }
  std::shared_ptr<Device> open(RealDriveSetup setup) override {
    return std::make_shared<LibburnDrive>(
        runtimeShared(), LibburnDriveSetup{std::move(setup.backendAddress), std::move(setup.name), setup.address,
                                           setup.capacityBytes});
  }

 private:
  // libburn starts once the first drive is asked for, not for a virtual-only session.
  std::shared_ptr<LibburnRuntime> runtimeShared() {
    if (!runtime_) runtime_ = LibburnRuntime::acquire();
    return runtime_;
  }
  LibburnRuntime& runtime() { return *runtimeShared(); }

  std::shared_ptr<LibburnRuntime> runtime_;
};

}  // namespace

std::unique_ptr<RealDriveBackend> RealDriveBackend::create() { return std::make_unique<LibburnBackend>(); }

RealDriveGrabCounts realDriveGrabCounts() {
  const LibburnGrabCounts counts = libburnGrabCounts();
  return {counts.grabs, counts.releases};
}

void resetRealDriveGrabCounts() { resetLibburnGrabCounts(); }

}  // namespace discwright
