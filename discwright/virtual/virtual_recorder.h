// An emulated recorder: behaves as a drive does (speeds, tray, lock, media
// states, write modes) and writes its medium into a backing file.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "device.h"
#include "error.h"
#include "media_records.h"
#include "virtual/layout_plan.h"
#include "virtual/medium_store.h"
#include "virtual/virtual_config.h"

namespace discwright {

// "CD-R", "DVD+R", ... for messages.
const char* discTypeText(uint8_t discType);

class VirtualRecorder : public Device {
 public:
  // A medium that is new at every start lives in freshFolder (this process's
  // own, required for such a medium); any other lives in stateFolder, shared
  // with other processes.
  VirtualRecorder(RecorderConfig config, const std::string& stateFolder,
                  std::shared_ptr<ProcessMediaFolder> freshFolder);

  const DeviceIdentity& identity() const override { return identity_; }
  std::array<bool, DW_FMT_COUNT> mediaFormats() override { return config_.formats; }
  std::array<bool, DW_FMTX_COUNT> mediaFormatsEx() override { return config_.formatsEx; }
  std::array<bool, DW_WRITE_MODE_COUNT> writeModes() override;
  std::array<bool, DW_READ_MODE_COUNT> readModes() override { return config_.readModes; }

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
  void closeSession() override;
  void sendOpc() override;
  void readSectors(uint32_t lba, uint32_t count, void* buffer) override;
  void readRawSectors(uint32_t lba, uint32_t count, void* buffer) override;
  CdFacts cdFacts() override;
  void burn(BurnJob& job, BurnObserver& observer) override;
  void erase(bool full, BurnObserver& observer) override;
  void attach(LockOwner owner) override;
  void ownerGone(LockOwner owner) override;
  void checkFault(const std::string& operation) override;

  const std::string& backingPath() const { return store_.backingPath(); }

 private:
  class Sink;

  // The medium as the drive sees it now; DwError(DW_E_NO_MEDIUM) when none is
  // accessible, or why the stored medium cannot be used.
  MediumLayout& accessibleMedium();
  // Sets m.volumeEnd from the descriptors at block 16 of an overwritable medium.
  void readVolumeEnd(MediumLayout& m);
  bool mediumInTray() const { return !trayOpen_ && medium_ && !removed_; }
  bool persistent() const { return config_.medium && !config_.medium->freshAtStart; }
  // Reads the stored medium again; a failure is kept as the answer of its operations.
  void loadStored();
  void checkWritable(const BurnJob& job, const MediumLayout& medium) const;
  void recordBurn(const BurnJob& job, uint64_t base, uint64_t bytesWritten, bool complete);
  // Track layouts (virtual/layout_burn.cpp): a whole CD in one session-at-once or
  // track-at-once pass, closed at the end.
  void checkLayoutWritable(const BurnJob& job, const MediumLayout& medium) const;
  void recordLayoutBurn(const BurnJob& job, const LayoutPlan& plan, uint64_t bytesWritten, bool complete);
  // Blocks of a CD written from a layout, as a drive's 2048-byte reads give them.
  void readLayoutSectors(const MediumLayout& medium, uint32_t lba, uint32_t count, uint8_t* buffer);
  void checkRecorded(const MediumLayout& medium, uint32_t lba, uint32_t count) const;
  int speedClassNow() const;
  const std::vector<uint32_t>& writeTable() const;
  uint32_t maximumRead() const;

  RecorderConfig config_;
  DeviceIdentity identity_;
  std::shared_ptr<ProcessMediaFolder> freshFolder_;  // outlives store_, whose files are in it
  MediumStore store_;
  RecorderLock processLock_;
  std::mutex holdMutex_;                // guards holders_ and the process lock; taken before mutex_
  std::multiset<LockOwner> holders_;    // grabbers and running burns of this process
  std::mutex mutex_;
  std::optional<MediumLayout> medium_;  // the medium of this drive, if any
  uint32_t blanksLoaded_ = 0;           // from the autoloader's feeder, in this process
  bool removed_ = false;                // taken out during a burn until the tray closes: the tray is empty
  std::optional<DwError> unusable_;     // why the stored medium cannot be used
  bool trayOpen_ = false;
  bool burning_ = false;
  std::set<LockOwner> lockOwners_;  // removal stays prevented while any grabber holds a lock
  bool bupEnabled_ = false;
  uint32_t readRequest_ = DISCWRIGHT_SPEED_MAX;
  uint32_t writeRequest_ = DISCWRIGHT_SPEED_MAX;
};

}  // namespace discwright
