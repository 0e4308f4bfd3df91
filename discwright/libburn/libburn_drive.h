// A drive driven through libburn: a real recorder ("/dev/sr0") or a file
// pseudo-drive ("stdio:/path"). A grab makes a hardware drive load the disc,
// spin up and lock its tray, and its release spins it down again: so the drive
// is grabbed once for a job (a scan, a speed query, a burn, a read-back) and
// kept while calls follow each other, then released when it has been idle for
// a moment, when the disc is ejected, or when the library stops.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "device.h"
#include "drive_speeds.h"
#include "libburn/libburn_runtime.h"
#include "libburn/sg_io.h"

namespace burn {
struct burn_write_opts;
struct burn_disc;
}  // namespace burn

namespace discwright {

struct LibburnDriveSetup {
  std::string libburnAddress;  // "/dev/sr0" or "stdio:/path/file"
  std::string name;            // "CdRom3"
  DiscwrightDeviceAddress address{};
  uint64_t capacityBytes = 0;  // 0: what libburn reports
};

// How often drives were grabbed and released, and which library calls grabbed them.
struct LibburnGrabCounts {
  uint64_t grabs = 0;
  uint64_t releases = 0;
  std::map<std::string, uint64_t> grabsByCall;  // "GetDiscInformation": 1
};
LibburnGrabCounts libburnGrabCounts();
// Starts the counts again (the library's start, once each drive's identity is read).
void resetLibburnGrabCounts();

class LibburnDrive : public Device {
 public:
  // How long a grabbed drive stays grabbed without a call.
  static constexpr std::chrono::milliseconds kIdleRelease{2000};

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
  // Real CDs: READ CD on the drive's second handle, whatever kind the sectors are; a
  // drive without it gives data discs' sectors made around their user data.
  void readRawSectors(uint32_t lba, uint32_t count, void* buffer) override;
  // The lead-in's CD-TEXT through libburn; catalog and ISRCs from the Q sub-channel.
  // Pauses are not told: finding where each begins takes a search over the sub-channel.
  CdFacts cdFacts() override;
  void burn(BurnJob& job, BurnObserver& observer) override;
  // The drive does the erase on its own: a cancel is seen only before it starts.
  void erase(bool full, BurnObserver& observer) override;
  void ownerGone(LockOwner owner) override;
  // Notes the C call on its way, so that a grab can be counted against it.
  void checkFault(const std::string& operation) override;

  bool isPseudoDrive() const { return setup_.libburnAddress.rfind("stdio:", 0) == 0; }

 private:
  class Grab;
  struct Held;
  struct Layout;
  // Releases the held grab (ejecting the disc when asked); opMutex_ is held.
  void releaseHeld(bool eject) noexcept;
  // Releases the drive once it has been idle for kIdleRelease.
  void idleReleaseLoop(std::stop_token stop);
  void scheduleIdleRelease();
  void requireIdle() const;
  // An audio CD, a cue sheet or a mixed disc: one session of the layout's tracks.
  void burnLayout(BurnJob& job, BurnObserver& observer);
  // Starts libburn's writer and polls it until its thread has ended: progress(track,
  // sector) while it writes, a cancel passed on until it stops. Returns whether libburn
  // wrote well; cancelled tells whether a cancel was asked; messages gets libburn's.
  bool runWriter(Grab& grab, burn::burn_write_opts* opts, burn::burn_disc* disc, BurnObserver& observer,
                 const std::function<void(int track, int sector)>& progress, bool& cancelled,
                 std::vector<LibburnMessage>& messages);
  // What the medium holds: libburn's table of contents for real discs, the
  // tracks burned here (or one track over the data) for a file.
  Layout layoutOf(Grab& grab);
  // The end of the ISO 9660 volume whose descriptors are at block 16, when there is one.
  std::optional<uint32_t> volumeEndOf(Grab& grab);
  // An overwritable medium (or a writable file) holding a volume takes more files after it,
  // as the field's tools show it: appendable, with the next writable block after its end.
  void growable(Grab& grab, Layout& layout);
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
  // One operation at a time uses the held grab; taken before the runtime's mutex.
  std::mutex opMutex_;
  std::unique_ptr<Held> held_;  // guarded by opMutex_
  std::chrono::steady_clock::time_point lastUse_;  // guarded by opMutex_
  std::mutex idleMutex_;  // releaseDue_, and the wake of the idle release
  std::condition_variable_any idleWake_;
  bool releaseDue_ = false;  // a grab is held and waits for its idle release
  std::chrono::steady_clock::time_point releaseAt_;
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
  std::jthread idleReleaser_;  // stopped and joined first of all, in the destructor
};

// DISC_TYPE_* of an MMC profile number (0xffff: a libburn file pseudo-drive).
uint8_t discTypeOfProfile(int profile);

}  // namespace discwright
