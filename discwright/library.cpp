#include "library.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "error.h"
#include "platform/platform.h"
#include "real_drives.h"
#include "virtual/medium_store.h"
#include "virtual/virtual_config.h"
#include "virtual/virtual_recorder.h"

namespace discwright {

namespace {

// One folder per configuration file, so that two configurations that both
// name a "CdRom0" never share its medium.
std::string defaultStateFolder(const std::string& configPath) {
  namespace fs = std::filesystem;
  return platform::utf8(platform::userStateFolder() / "media" / fs::path(configPath).stem());
}

bool sameTextNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::toupper(x) == std::toupper(y);
         });
}

bool sameAddress(const DiscwrightDeviceAddress& a, const DiscwrightDeviceAddress& b) {
  return a.PortID == b.PortID && a.BusID == b.BusID && a.TargetID == b.TargetID && a.LUN == b.LUN;
}

std::string addressText(const DiscwrightDeviceAddress& a) {
  return std::to_string(a.PortID) + ":" + std::to_string(a.BusID) + ":" + std::to_string(a.TargetID) + ":" +
         std::to_string(a.LUN);
}

// The N of "CdRomN", or -1.
int cdRomNumber(const std::string& name) {
  if (name.size() <= 5 || !sameTextNoCase(name.substr(0, 5), "CdRom")) return -1;
  try {
    return std::stoi(name.substr(5));
  } catch (const std::exception&) {
    return -1;
  }
}

// Real drives and file pseudo-drives join the virtual recorders; a name or
// address used twice would make one of them unreachable, so it stops the start.
void addRealDrives(const DiscwrightStartup& startup, std::vector<std::shared_ptr<Device>>& devices) {
  if (!startup.UseRealDrives && startup.PseudoDriveCount == 0) return;
  if (startup.PseudoDriveCount && !startup.PseudoDrives)
    throw DwError(DW_E_INVALID_ARGUMENT, "PseudoDriveCount is set but PseudoDrives is missing");
  auto backend = RealDriveBackend::create();
  std::vector<RealDriveSetup> setups;
  if (startup.UseRealDrives) setups = backend->scan();
  int highest = -1;
  for (const auto& d : devices) highest = std::max(highest, cdRomNumber(d->identity().name));
  for (const auto& s : setups) highest = std::max(highest, cdRomNumber(s.name));
  for (uint32_t i = 0; i < startup.PseudoDriveCount; ++i) {
    const char* path = startup.PseudoDrives[i];
    if (!path || !*path) throw DwError(DW_E_CONFIG, "Pseudo-drive " + std::to_string(i + 1) + " has no file path");
    DiscwrightDeviceAddress address{1, uint8_t(200 + i), 0, 0, 0};
    setups.push_back({backend->pseudoDriveAddress(path), "CdRom" + std::to_string(++highest), address,
                      startup.PseudoDriveSizes ? startup.PseudoDriveSizes[i] : 0});
  }
  for (const auto& s : setups)
    for (const auto& d : devices) {
      const auto& id = d->identity();
      if (sameTextNoCase(id.name, s.name) || sameAddress(id.address, s.address))
        throw DwError(DW_E_CONFIG, "The virtual recorder " + id.name + " (" + addressText(id.address) +
                                       ") has the name or address of the drive " + s.name + " (" +
                                       addressText(s.address) + ", " + s.backendAddress +
                                       "): give the virtual recorder another name and address");
    }
  for (auto& s : setups) devices.push_back(backend->open(std::move(s)));
  resetRealDriveGrabCounts();
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
    createStateFolder(stateFolder);
    // Media new at every start are this process's own, in a folder that goes with it.
    ProcessMediaFolder::removeLeftovers(stateFolder);
    std::shared_ptr<ProcessMediaFolder> freshFolder;
    for (const auto& config : setup.recorders)
      if (config.medium && config.medium->freshAtStart && !freshFolder)
        freshFolder = ProcessMediaFolder::make(stateFolder);
    for (auto& config : setup.recorders) {
      if (startup.TimeScale >= 0) config.timeScale = startup.TimeScale;
      devices.push_back(std::make_shared<VirtualRecorder>(std::move(config), stateFolder, freshFolder));
    }
  }
  addRealDrives(startup, devices);
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
