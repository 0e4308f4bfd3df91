// A drive driven through libburn: a real recorder ("/dev/sr0") or a file
// pseudo-drive ("stdio:/path"). The drive is grabbed for each operation and
// released before the call returns, so that no drive stays grabbed between
// calls (libburn refuses to scan while one is).
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "device.h"
#include "libburn/libburn_runtime.h"
#include "libburn/sg_io.h"

namespace discwright {

struct LibburnDriveSetup {
  std::string libburnAddress;  // "/dev/sr0" or "stdio:/path/file"
  std::string name;            // "CdRom3"
  DiscwrightDeviceAddress address{};
  uint64_t capacityBytes = 0;  // 0: what libburn reports
};

class LibburnDrive : public Device {
 public:
  // Grabs the drive once for its identity; DwError(DW_E_CONFIG) when it cannot be opened.
  LibburnDrive(std::shared_ptr<LibburnRuntime> runtime, LibburnDriveSetup setup);
  ~LibburnDrive() override;

  const DeviceIdentity& identity() const override { return identity_; }
  std::array<bool, DW_FMT_COUNT> mediaFormats() override { return formats_; }
  std::array<bool, DW_FMTX_COUNT> mediaFormatsEx() override { return formatsEx_; }
  std::array<bool, DW_WRITE_MODE_COUNT> writeModes() override;
  std::array<bool, DW_READ_MODE_COUNT> readModes() override;

  void testUnitReady() override;
  uint8_t discType() override;
  DiscwrightDiscInformation discInformation() override;
  DiscwrightTrackInformation trackInformation(uint8_t trackNumber) override;
  DiscwrightTocInformation toc() override;
  RpcState rpc() override;
  Speeds speeds() override;
  void setSpeeds(uint32_t readSpeed, uint32_t writeSpeed) override;
  BupState bup() override;
  void setBup(bool enable) override;
  uint64_t freeBytes() override;
  uint64_t usedBytes() override;
  std::string mountPoint() override;

  void lock(LockOwner owner) override;
  void release(LockOwner owner) override;
  void eject() override;
  void closeTray() override;
  // libburn closes the session of each track-at-once burn itself; this ends
  // the session that further track-at-once tracks would join.
  void closeSession() override;
  void sendOpc() override;
  void readSectors(uint32_t lba, uint32_t count, void* buffer) override;
  void burn(BurnJob& job, BurnObserver& observer) override;
  // The drive does the erase on its own: a cancel is seen only before it starts.
  void erase(bool full, BurnObserver& observer) override;
  void ownerGone(LockOwner owner) override;
  void checkFault(const std::string&) override {}

  bool isPseudoDrive() const { return setup_.libburnAddress.rfind("stdio:", 0) == 0; }

 private:
  class Grab;
  struct Layout;
  void requireIdle() const;
  // What the medium holds: libburn's table of contents for real discs, the
  // tracks burned here (or one track over the data) for a file.
  Layout layoutOf(Grab& grab);
  // The free space past startByte.
  uint64_t freeBytesFrom(Grab& grab, uint64_t startByte);
  uint64_t freeBytesOf(Grab& grab, const Layout& layout);
  DiscwrightTrackInformation libburnTrackInformation(uint8_t trackNumber);
  // Real drives: runs f(MmcCommands&) on an SG_IO descriptor of the node, kept
  // open while the tray is locked because closing the last one unlocks it.
  template <class F>
  auto withMmc(F&& f);
  // libburn unlocks the tray on every release: lock it again for its holders.
  void relockAfterRelease() noexcept;
  void unlockFor(LockOwner owner);

  std::shared_ptr<LibburnRuntime> runtime_;
  LibburnDriveSetup setup_;
  DeviceIdentity identity_;
  std::array<bool, DW_FMT_COUNT> formats_{};
  std::array<bool, DW_FMTX_COUNT> formatsEx_{};
  std::atomic<bool> burning_{false};
  std::mutex stateMutex_;  // the settings below, which libburn cannot hold across grabs
  uint32_t readRequest_ = DISCWRIGHT_SPEED_MAX;
  uint32_t writeRequest_ = DISCWRIGHT_SPEED_MAX;
  bool bupEnabled_ = false;
  // The track-at-once session left open by a burn without multisession: the
  // byte after its last track. Further tracks join it until closeSession.
  std::optional<uint64_t> openSessionEnd_;
  // A file's tracks as burned here: {first block, blocks}.
  std::vector<std::pair<uint32_t, uint32_t>> fileTracks_;
  std::optional<std::array<bool, DW_READ_MODE_COUNT>> readModes_;  // a real drive's, once asked
  std::mutex mmcMutex_;  // the two below
  std::unique_ptr<ScsiTransport> transport_;
  std::set<LockOwner> lockers_;
};

// DISC_TYPE_* of an MMC profile number (0xffff: a libburn file pseudo-drive).
uint8_t discTypeOfProfile(int profile);

}  // namespace discwright
