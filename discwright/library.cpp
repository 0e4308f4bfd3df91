#include "library.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "error.h"
#include "virtual/virtual_config.h"
#include "virtual/virtual_recorder.h"

namespace discwright {

namespace {

// One folder per configuration file, so that two configurations that both
// name a "CdRom0" never share its medium.
std::string defaultStateFolder(const std::string& configPath) {
  namespace fs = std::filesystem;
  fs::path root;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg)
    root = fs::path(xdg) / "korvanel" / "media";
  else if (const char* home = std::getenv("HOME"); home && *home)
    root = fs::path(home) / ".local" / "state" / "korvanel" / "media";
  else
    root = fs::temp_directory_path() / "korvanel-media";
  return (root / fs::path(configPath).stem()).string();
}

bool sameTextNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::toupper(x) == std::toupper(y);
         });
}

}  // namespace

Library& Library::instance() {
  static Library library;
  return library;
}

void Library::start(const DiscwrightStartup& startup) {
  std::lock_guard lock(mutex_);
  if (started_) throw DwError(DW_E_BUSY, "The Discwright session is already started");

  std::vector<std::shared_ptr<Device>> devices;
  if (startup.VirtualConfig && *startup.VirtualConfig) {
    VirtualSetup setup = loadVirtualSetup(startup.VirtualConfig);
    std::string stateFolder = startup.StateFolder && *startup.StateFolder ? std::string(startup.StateFolder)
                              : !setup.stateFolder.empty()                   ? setup.stateFolder
                                                                             : defaultStateFolder(startup.VirtualConfig);
    for (auto& config : setup.recorders) {
      if (startup.TimeScale >= 0) config.timeScale = startup.TimeScale;
      devices.push_back(std::make_shared<VirtualRecorder>(std::move(config), stateFolder));
    }
  }
  // Real drives join here once their backend exists; UseRealDrives is accepted
  // now so that callers need not change.
  devices_ = std::move(devices);
  started_ = true;
}

void Library::stop() {
  handles_.clear();
  std::lock_guard lock(mutex_);
  devices_.clear();
  started_ = false;
}

bool Library::started() const {
  std::lock_guard lock(mutex_);
  return started_;
}

void Library::requireStarted() const {
  if (!started_)
    throw DwError(DW_E_NOT_STARTED, "The Discwright session is not started: call Discwright_UpStartEx first");
}

std::vector<std::shared_ptr<Device>> Library::devices() const {
  std::lock_guard lock(mutex_);
  requireStarted();
  return devices_;
}

std::shared_ptr<Device> Library::deviceByAddress(uint8_t port, uint8_t bus, uint8_t target, uint8_t lun) const {
  std::lock_guard lock(mutex_);
  requireStarted();
  for (const auto& device : devices_) {
    const auto& a = device->identity().address;
    if (a.PortID == port && a.BusID == bus && a.TargetID == target && a.LUN == lun) return device;
  }
  throw DwError(DW_E_NO_DEVICE, "No CD/DVD device at address " + std::to_string(port) + ":" + std::to_string(bus) +
                                    ":" + std::to_string(target) + ":" + std::to_string(lun),
                senses::kInvalidField);
}

std::shared_ptr<Device> Library::deviceByName(const std::string& name) const {
  std::lock_guard lock(mutex_);
  requireStarted();
  std::string wanted = name;
  // "/dev/srN" names the same drive as "CdRomN".
  if (wanted.rfind("/dev/sr", 0) == 0) wanted = "CdRom" + wanted.substr(7);
  for (const auto& device : devices_)
    if (sameTextNoCase(device->identity().name, wanted)) return device;
  throw DwError(DW_E_NO_DEVICE, "No CD/DVD device named \"" + name + "\"", senses::kInvalidField);
}

}  // namespace discwright
