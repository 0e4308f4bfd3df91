#include "virtual/virtual_recorder.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>
#include <thread>
#include <vector>

#include "burn_pipeline.h"
#include "error.h"

namespace discwright {

const char* discTypeText(uint8_t t) {
  static const char* names[] = {"unknown disc", "CD-ROM", "CD-R", "CD-RW", "DVD-ROM", "DVD-R", "DVD-RAM",
                                "DVD-RW", "DVD-RW", "DVD+RW", "DDCD-ROM", "DDCD-R", "DDCD-RW", "DVD+R",
                                "empty tray", "DVD+R DL", "DVD-R DL", "BD-R", "BD-RE", "HD DVD-ROM", "HD DVD-R",
                                "HD DVD-RW"};
  return t < std::size(names) ? names[t] : "unknown disc";
}

namespace {

// How long a grabber waits for another process to let go of the recorder: a
// device scan there takes milliseconds, a burn far longer.
constexpr std::chrono::milliseconds kBusyPatience{300};

uint32_t highestNotAbove(const std::vector<uint32_t>& table, uint32_t request) {
  if (table.empty()) return 0;
  // The request for the maximum, not 65535 KB/s: a 16x BD speed lies above it.
  if (request == DISCWRIGHT_SPEED_MAX) return table.back();
  uint32_t chosen = table.front();  // below the slowest speed, drives take the slowest
  for (uint32_t s : table)
    if (s <= request) chosen = s;
  return chosen;
}

}  // namespace

// Writes the burn into the medium file and plays the configured write faults.
class VirtualRecorder::Sink : public BurnSink {
 public:
  Sink(VirtualRecorder& recorder, uint64_t base, bool testWrite)
      : recorder_(recorder), base_(base), testWrite_(testWrite) {}
  // A layout burn: the stream's bytes go where the plan places them, and the observer
  // hears as each track begins.
  Sink(VirtualRecorder& recorder, const LayoutPlan& plan, bool testWrite, BurnObserver& observer)
      : recorder_(recorder), base_(0), testWrite_(testWrite), plan_(&plan), observer_(&observer) {}

  uint64_t written() const { return written_; }

  // Blocks 16 to 31 of the medium, after the track: faults meet it past the track's bytes.
  void writeHead(const std::vector<uint8_t>& head) {
    const uint64_t trackEnd = written_;
    const uint64_t at = uint64_t(kHeadBlock) * DISCWRIGHT_SECTOR_SIZE;
    const auto& c = recorder_.config_;
    if (c.writeFailsAt && trackEnd + head.size() > *c.writeFailsAt)
      throw DwError(DW_E_IO, "Write error on the medium at byte " + std::to_string(*c.writeFailsAt) +
                                 " (the volume descriptors at block 16)",
                    senses::kWriteError);
    if (!testWrite_) recorder_.store_.write(at, head.data(), head.size());
  }

  void write(uint64_t offset, const void* data, size_t size) override {
    if (plan_) {
      const size_t count = plan_->tracks.size();
      while (nextTrack_ < count && plan_->tracks[nextTrack_].streamStart < offset + size)
        observer_->track(uint32_t(++nextTrack_), uint32_t(count));
    }
    const auto& c = recorder_.config_;
    if (c.mediumRemovedAt && offset + size > *c.mediumRemovedAt) {
      store(offset, data, size_t(*c.mediumRemovedAt - std::min(offset, *c.mediumRemovedAt)));
      {
        std::lock_guard lock(recorder_.mutex_);
        recorder_.removed_ = true;  // what was written stays on it, out of the drive
      }
      throw DwError(DW_E_NO_MEDIUM,
                    "The medium was removed during the write, at byte " + std::to_string(*c.mediumRemovedAt),
                    senses::kNoMedium);
    }
    if (c.writeFailsAt && offset + size > *c.writeFailsAt) {
      store(offset, data, size_t(*c.writeFailsAt - std::min(offset, *c.writeFailsAt)));
      throw DwError(DW_E_IO, "Write error on the medium at byte " + std::to_string(*c.writeFailsAt),
                    senses::kWriteError);
    }
    if (c.corruptByteAt && *c.corruptByteAt >= offset && *c.corruptByteAt < offset + size) {
      std::vector<uint8_t> copy(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
      copy[*c.corruptByteAt - offset] ^= 0xFF;
      store(offset, copy.data(), size);
      return;
    }
    store(offset, data, size);
  }

 private:
  void store(uint64_t offset, const void* data, size_t size) {
    if (size == 0) return;
    if (testWrite_) {
    } else if (plan_) {
      plan_->place(offset, static_cast<const uint8_t*>(data), size,
                   [&](uint64_t at, const uint8_t* bytes, size_t n) { recorder_.store_.write(at, bytes, n); });
    } else {
      recorder_.store_.write(base_ + offset, data, size);
    }
    written_ = offset + size;
  }

  VirtualRecorder& recorder_;
  uint64_t base_;
  bool testWrite_;
  const LayoutPlan* plan_ = nullptr;
  BurnObserver* observer_ = nullptr;
  size_t nextTrack_ = 0;
  uint64_t written_ = 0;
};

VirtualRecorder::VirtualRecorder(RecorderConfig config, const std::string& stateFolder,
                                 std::shared_ptr<ProcessMediaFolder> freshFolder)
    : config_(std::move(config)),
      freshFolder_(config_.medium && config_.medium->freshAtStart ? std::move(freshFolder) : nullptr),
      store_(freshFolder_ ? freshFolder_->path() : stateFolder, config_.name),
      processLock_(stateFolder, config_.name) {
  if (config_.medium && config_.medium->freshAtStart && !freshFolder_)
    throw DwError(DW_E_INTERNAL, "The virtual recorder " + config_.name + " got no folder for its fresh medium");
  identity_.name = config_.name;
  identity_.address = config_.address;
  identity_.vendor = config_.vendor;
  identity_.product = config_.product;
  identity_.revision = config_.revision;
  identity_.bufferSize = config_.bufferSize;
  trayOpen_ = config_.trayOpen;
  if (!config_.medium) return;
  if (!persistent()) {
    medium_ = store_.create(*config_.medium, false);  // this process's own: nothing to keep after a crash
    return;
  }
  // While another process uses the recorder, its medium is read when this one gets it.
  if (!processLock_.tryLock()) return;
  loadStored();
  processLock_.unlock();
  if (unusable_ && unusable_->code() == DW_E_CONFIG) throw *unusable_;
}

void VirtualRecorder::loadStored() {
  std::lock_guard lock(mutex_);
  removed_ = false;  // the medium read again is in the drive
  try {
    medium_ = store_.load(*config_.medium);
    unusable_.reset();
  } catch (const DwError& e) {
    medium_.reset();
    unusable_ = e;
  }
}

void VirtualRecorder::attach(LockOwner owner) {
  std::lock_guard hold(holdMutex_);
  if (holders_.empty()) {
    processLock_.lock(kBusyPatience);
    // Another process may have written the medium since this one last had it.
    if (persistent()) loadStored();
  }
  holders_.insert(owner);
}

void VirtualRecorder::ownerGone(LockOwner owner) {
  release(owner);
  std::lock_guard hold(holdMutex_);
  auto it = holders_.find(owner);
  if (it == holders_.end()) return;
  holders_.erase(it);
  if (holders_.empty()) processLock_.unlock();
}

void VirtualRecorder::checkFault(const std::string& operation) {
  auto it = config_.failingOperations.find(operation);
  if (it != config_.failingOperations.end())
    throw DwError(it->second.exception, it->second.text, it->second.status);
}

MediumLayout& VirtualRecorder::accessibleMedium() {
  if (trayOpen_) throw DwError(DW_E_NO_MEDIUM, "No medium in the drive: the tray is open", senses::kTrayOpen);
  if (removed_) throw DwError(DW_E_NO_MEDIUM, "No medium in the drive", senses::kNoMedium);
  if (unusable_) throw *unusable_;
  if (!medium_) throw DwError(DW_E_NO_MEDIUM, "No medium in the drive", senses::kNoMedium);
  readVolumeEnd(*medium_);
  return *medium_;
}

void VirtualRecorder::readVolumeEnd(MediumLayout& m) {
  // The volume is what the medium holds, not what the layout recorded: a burn that grew
  // it may have broken off before or after its descriptors were replaced.
  m.volumeEnd = 0;
  if (!isOverwritableKind(m.discType) || !m.recorded(kHeadBlock, 1)) return;
  std::vector<uint8_t> block(DISCWRIGHT_SECTOR_SIZE);
  store_.read(uint64_t(kHeadBlock) * DISCWRIGHT_SECTOR_SIZE, block.data(), block.size());
  if (block[0] != 1 || std::memcmp(block.data() + 1, "CD001", 5) != 0) return;
  const uint32_t end = uint32_t(block[80]) | uint32_t(block[81]) << 8 | uint32_t(block[82]) << 16 |
                       uint32_t(block[83]) << 24;
  if (end > kHeadBlock + 1 && end <= m.capacityBlocks) m.volumeEnd = end;
}

std::array<bool, DW_WRITE_MODE_COUNT> VirtualRecorder::writeModes() {
  std::lock_guard lock(mutex_);
  // A pressed disc takes no write mode at all.
  if (mediumInTray() && !isRecordableKind(medium_->discType)) return {};
  return config_.writeModes;
}

void VirtualRecorder::testUnitReady() {
  std::lock_guard lock(mutex_);
  accessibleMedium();
}

uint8_t VirtualRecorder::discType() {
  std::lock_guard lock(mutex_);
  if (!trayOpen_ && !removed_ && unusable_) throw *unusable_;
  return mediumInTray() ? medium_->discType : uint8_t(DISC_TYPE_NO_MEDIA);
}

DiscwrightDiscInformation VirtualRecorder::discInformation() {
  std::lock_guard lock(mutex_);
  return makeDiscInformation(accessibleMedium());
}

DiscwrightTrackInformation VirtualRecorder::trackInformation(uint8_t trackNumber) {
  std::lock_guard lock(mutex_);
  const MediumLayout& m = accessibleMedium();
  if (trackNumber != DISCWRIGHT_TRACK_INVISIBLE && (trackNumber == 0 || trackNumber > m.tracks.size() + 1))
    throw DwError(DW_E_INVALID_ARGUMENT, "There is no track " + std::to_string(trackNumber) + " on the disc",
                  senses::kInvalidField);
  return makeTrackInformation(m, trackNumber);
}

DiscwrightTocInformation VirtualRecorder::toc() {
  std::lock_guard lock(mutex_);
  const MediumLayout& m = accessibleMedium();
  if (m.tracks.empty())
    throw DwError(DW_E_NOT_SUPPORTED,
                  "The disc is blank: it has no table of contents", senses::kIncompatibleMedium);
  return makeToc(m);
}

RpcState VirtualRecorder::rpc() {
  if (!config_.formats[DW_FMT_READ_DVD])
    throw DwError(DW_E_NOT_SUPPORTED, "The device has no region playback control", senses::kInvalidCommand);
  return config_.rpc;
}

int VirtualRecorder::speedClassNow() const {
  return mediumInTray() ? speedClass(medium_->discType) : 0;
}

const std::vector<uint32_t>& VirtualRecorder::writeTable() const {
  switch (speedClassNow()) {
    case 1: return config_.dvdWriteSpeeds;
    case 2: return config_.bdWriteSpeeds;
    default: return config_.cdWriteSpeeds;
  }
}

uint32_t VirtualRecorder::maximumRead() const {
  switch (speedClassNow()) {
    case 1: return config_.dvdMaxRead;
    case 2: return config_.bdMaxRead;
    default: return config_.cdMaxRead;
  }
}

Speeds VirtualRecorder::speeds() {
  std::lock_guard lock(mutex_);
  Speeds s;
  s.maximumRead = maximumRead();
  s.currentRead = std::min(readRequest_, s.maximumRead);
  const auto& table = writeTable();
  bool canWrite = config_.formats[DW_FMT_WRITE];
  s.maximumWrite = canWrite && !table.empty() ? table.back() : 0;
  s.currentWrite = canWrite ? highestNotAbove(table, writeRequest_) : 0;
  return s;
}

void VirtualRecorder::setSpeeds(uint32_t readSpeed, uint32_t writeSpeed) {
  std::lock_guard lock(mutex_);
  if (readSpeed == 0 || writeSpeed == 0)
    throw DwError(DW_E_INVALID_ARGUMENT, "A speed of 0 KB/s cannot be set", senses::kInvalidField);
  // The request is kept, not the speed chosen from it, so that a later medium
  // of another kind gets the speed the request means for it.
  readRequest_ = readSpeed;
  writeRequest_ = writeSpeed;
}

BupState VirtualRecorder::bup() {
  std::lock_guard lock(mutex_);
  return {bupEnabled_, config_.bupSupported};
}

void VirtualRecorder::setBup(bool enable) {
  std::lock_guard lock(mutex_);
  if (!config_.bupSupported)
    throw DwError(DW_E_NOT_SUPPORTED, "The device has no buffer underrun protection", senses::kInvalidField);
  bupEnabled_ = enable;
}

uint64_t VirtualRecorder::freeBytes() {
  std::lock_guard lock(mutex_);
  return uint64_t(accessibleMedium().freeBlocks()) * DISCWRIGHT_SECTOR_SIZE;
}

uint64_t VirtualRecorder::usedBytes() {
  std::lock_guard lock(mutex_);
  return uint64_t(accessibleMedium().usedBlocks()) * DISCWRIGHT_SECTOR_SIZE;
}

std::string VirtualRecorder::mountPoint() {
  std::lock_guard lock(mutex_);
  return !mediumInTray() || medium_->blank() ? std::string() : config_.mountPoint;
}

void VirtualRecorder::lock(LockOwner owner) {
  std::lock_guard lock(mutex_);
  lockOwners_.insert(owner);
}

void VirtualRecorder::release(LockOwner owner) {
  std::lock_guard lock(mutex_);
  lockOwners_.erase(owner);
}

void VirtualRecorder::eject() {
  std::lock_guard lock(mutex_);
  if (burning_) throw DwError(DW_E_BUSY, "The device is busy writing a disc", sense(0x02, 0x04, 0x08));
  if (!lockOwners_.empty())
    throw DwError(DW_E_LOCKED, "The tray is locked: medium removal is prevented until the device is released",
                  senses::kRemovalPrevented);
  trayOpen_ = true;
  if (config_.medium && blanksLoaded_ < config_.autoloaderBlanks) {
    // The autoloader puts the disc aside and loads a blank of the same kind from its feeder.
    MediumConfig blank = *config_.medium;
    blank.state = MediumState::Blank;
    blank.usedBytes = 0;
    blank.contentFile.clear();
    blank.label.clear();
    medium_ = store_.create(blank, persistent());
    unusable_.reset();
    removed_ = false;
    trayOpen_ = false;
    ++blanksLoaded_;
  }
}

void VirtualRecorder::closeTray() {
  std::lock_guard lock(mutex_);
  // A slot-loading drive has no tray to pull in: an ejected disc waits outside for a hand.
  if (config_.slotLoading) return;
  trayOpen_ = false;
  removed_ = false;  // a medium taken out is put back in, as a user would
}

void VirtualRecorder::closeSession() {
  std::lock_guard lock(mutex_);
  if (burning_) throw DwError(DW_E_BUSY, "The device is busy writing a disc", sense(0x02, 0x04, 0x08));
  MediumLayout& m = accessibleMedium();
  if (!m.sessionOpen) return;
  m.sessionOpen = false;
  m.closedSessions++;
  m.finalized = !m.openSessionMulti;
  store_.save(m);
}

void VirtualRecorder::sendOpc() {
  std::lock_guard lock(mutex_);
  const MediumLayout& m = accessibleMedium();
  if (!isRecordableKind(m.discType))
    throw DwError(DW_E_NOT_SUPPORTED, std::string("Power calibration is not possible on a ") +
                                          discTypeText(m.discType), senses::kIncompatibleMedium);
}

void VirtualRecorder::readSectors(uint32_t lba, uint32_t count, void* buffer) {
  std::lock_guard lock(mutex_);
  const MediumLayout& m = accessibleMedium();
  checkRecorded(m, lba, count);
  if (m.cd) return readLayoutSectors(m, lba, count, static_cast<uint8_t*>(buffer));
  store_.read(uint64_t(lba) * DISCWRIGHT_SECTOR_SIZE, buffer, size_t(count) * DISCWRIGHT_SECTOR_SIZE);
}

void VirtualRecorder::checkRecorded(const MediumLayout& m, uint32_t lba, uint32_t count) const {
  // The gap between sessions reads as the unrecorded rest of the disc does.
  if (!m.recorded(lba, count))
    throw DwError(DW_E_IO, "Cannot read blocks " + std::to_string(lba) + " to " +
                               std::to_string(uint64_t(lba) + count - 1) + ": not all of them are recorded (the disc's " +
                               std::to_string(m.tracks.size()) + " tracks end at block " +
                               std::to_string(m.recordedEnd()) + ")",
                  senses::kLbaOutOfRange);
}

void VirtualRecorder::checkWritable(const BurnJob& job, const MediumLayout& m) const {
  if (!config_.formats[DW_FMT_WRITE])
    throw DwError(DW_E_NOT_SUPPORTED, "This device cannot write discs", senses::kInvalidCommand);
  if (!isRecordableKind(m.discType))
    throw DwError(DW_E_NOT_SUPPORTED, std::string("A ") + discTypeText(m.discType) + " cannot be written",
                  senses::kIncompatibleMedium);
  if (!config_.writeModes[size_t(job.mode)])
    throw DwError(DW_E_NOT_SUPPORTED,
                  std::string("This recorder does not support ") + writeModeName(job.mode) + " writing",
                  senses::kInvalidField);
  if (job.testWrite && !config_.formats[DW_FMT_TEST_WRITE])
    throw DwError(DW_E_NOT_SUPPORTED, "This recorder cannot simulate a burn (test write)", senses::kInvalidField);
  if (job.tracks.empty()) throw DwError(DW_E_INVALID_ARGUMENT, "There is no track to write", senses::kInvalidField);
  for (const auto& t : job.tracks)
    if (t->size() == 0)  // it would vanish from the disc while the burn reports success
      throw DwError(DW_E_INVALID_ARGUMENT, "The " + t->describe() + " is empty: a track needs at least one block",
                    senses::kInvalidField);
  if (m.cd)  // its blocks are whole sectors: nothing of 2048 bytes goes after them
    throw DwError(DW_E_MEDIUM_NOT_BLANK, std::string("Medium is not blank: the ") + discTypeText(m.discType) +
                                             " holds an audio or mixed-mode CD, which takes no further tracks",
                  senses::kIncompatibleMedium);
  if (m.tracks.size() + job.tracks.size() > 99)
    throw DwError(DW_E_OUT_OF_SPACE, "A disc holds at most 99 tracks", senses::kInvalidField);

  if (job.growAt) {
    if (job.mode != WriteMode::Tao || job.tracks.size() != 1 || job.head.size() != kHeadBytes)
      throw DwError(DW_E_INVALID_ARGUMENT, "A disc grows by one track-at-once track and its volume descriptors",
                    senses::kInvalidField);
    if (!m.grows())
      throw DwError(DW_E_MEDIUM_NOT_BLANK, std::string("The ") + discTypeText(m.discType) +
                                               " holds no file system that files can be added to",
                    senses::kIncompatibleMedium);
    if (*job.growAt != m.nextWritable())
      throw DwError(DW_E_INVALID_ARGUMENT, "The image was made for block " + std::to_string(*job.growAt) +
                                               ", but the disc's next writable block is " +
                                               std::to_string(m.nextWritable()),
                    senses::kInvalidField);
  }
  bool ok = m.blank() || (job.growAt && m.grows());
  if (!m.finalized) {
    switch (job.mode) {
      case WriteMode::Tao: ok = ok || m.sessionOpen || job.multiSession || job.continuesDisc; break;
      case WriteMode::Sao: ok = ok || (!m.sessionOpen && !job.closeDisc); break;
      default: break;
    }
  }
  if (!ok) {
    std::string why = m.finalized ? "the disc is closed"
                      : m.sessionOpen ? "a session is still open"
                                      : "it already holds data";
    throw DwError(DW_E_MEDIUM_NOT_BLANK, "Medium is not blank: " + why + ", so it cannot be written in " +
                                             writeModeName(job.mode) + " mode",
                  senses::kIncompatibleMedium);
  }
  uint64_t needed = 0;
  for (const auto& t : job.tracks) needed += paddedSize(t->size());
  uint64_t freeBytes = uint64_t(m.freeBlocks()) * DISCWRIGHT_SECTOR_SIZE;
  if (needed > freeBytes)
    throw DwError(DW_E_OUT_OF_SPACE, "Image does not fit: " + std::to_string(needed) + " bytes needed, " +
                                         std::to_string(freeBytes) + " free",
                  sense(0x05, 0x21, 0x00));
}

void VirtualRecorder::burn(BurnJob& job, BurnObserver& observer) {
  // The running burn keeps the recorder this process's, even when its grabber goes.
  attach(&job);
  struct Detach {
    VirtualRecorder& recorder;
    const void* owner;
    ~Detach() { recorder.ownerGone(owner); }
  } detach{*this, &job};

  uint64_t base;
  double bytesPerSecond = 0;
  MediumLayout before;
  std::optional<LayoutPlan> plan;
  if (job.layout) plan = LayoutPlan::of(*job.layout);
  {
    std::lock_guard lock(mutex_);
    if (burning_) throw DwError(DW_E_BUSY, "The device is busy writing a disc", sense(0x02, 0x04, 0x08));
    MediumLayout& m = accessibleMedium();
    if (plan)
      checkLayoutWritable(job, m);
    else
      checkWritable(job, m);
    base = uint64_t(m.nextWritable()) * DISCWRIGHT_SECTOR_SIZE;
    uint32_t speed = highestNotAbove(writeTable(), writeRequest_);
    if (config_.timeScale > 0 && speed > 0) bytesPerSecond = speed * 1000.0 / config_.timeScale;
    burning_ = true;
    before = m;
  }
  if (!job.testWrite) {
    // Before the first byte: should this process die, the next one still knows a write began.
    try {
      store_.beginWrite(before, job.growAt.has_value(), plan.has_value());
    } catch (...) {
      std::lock_guard lock(mutex_);
      burning_ = false;
      throw;
    }
  }
  // A layout goes as one stream of the whole disc: its pauses are the device's to write.
  std::vector<std::unique_ptr<ByteSource>> disc;
  if (plan) disc.push_back(layoutStream(*plan, job.tracks));
  Sink sink = plan ? Sink(*this, *plan, job.testWrite, observer) : Sink(*this, base, job.testWrite);
  auto record = [&](bool complete) {
    if (plan)
      recordLayoutBurn(job, *plan, sink.written(), complete);
    else
      recordBurn(job, base, sink.written(), complete);
  };
  try {
    runBurnPipeline(plan ? disc : job.tracks, sink, observer, {job.fifoBytes, bytesPerSecond});
    // The new directory becomes the disc's only now that it is whole on the medium; the
    // faults count the head's bytes after the track's.
    if (job.growAt) sink.writeHead(job.head);
  } catch (...) {
    std::exception_ptr failure = std::current_exception();
    try {
      record(false);
    } catch (const std::exception& recordError) {
      // The write's own failure is the news; the record's comes after it.
      try {
        std::rethrow_exception(failure);
      } catch (const DwError& e) {
        throw DwError(e.code(),
                      std::string(e.what()) + " (the medium's layout could not be updated either: " +
                          recordError.what() + "; the next start takes the written part from the medium file)",
                      e.status());
      } catch (const std::exception& e) {
        throw DwError(DW_E_IO,
                      std::string("The burn failed: ") + e.what() +
                          " (the medium's layout could not be updated either: " + recordError.what() +
                          "; the next start takes the written part from the medium file)");
      }
    }
    throw;
  }
  record(true);
}

void VirtualRecorder::erase(bool full, BurnObserver& observer) {
  // The running erase keeps the recorder this process's, even when its grabber goes.
  int owner = 0;
  attach(&owner);
  struct Detach {
    VirtualRecorder& recorder;
    const void* owner;
    ~Detach() { recorder.ownerGone(owner); }
  } detach{*this, &owner};

  MediumLayout before;
  double seconds = 0;
  {
    std::lock_guard lock(mutex_);
    if (burning_) throw DwError(DW_E_BUSY, "The device " + config_.name + " is busy writing a disc",
                                sense(0x02, 0x04, 0x08));
    MediumLayout& m = accessibleMedium();
    if (!config_.formats[DW_FMT_WRITE])
      throw DwError(DW_E_NOT_SUPPORTED, "The device " + config_.name + " cannot write discs, so it cannot erase one",
                    senses::kInvalidCommand);
    if (!isBlankableKind(m.discType))
      throw DwError(DW_E_NOT_SUPPORTED,
                    "The disc in " + config_.name + " is a " + discTypeText(m.discType) +
                        ": only rewritable discs (CD-RW, DVD-RW, DVD+RW, BD-RE) can be erased",
                    senses::kIncompatibleMedium);
    // A full erase takes as long as writing the whole disc at the lowest speed; a fast one a moment.
    const auto& table = writeTable();
    if (full && !table.empty())
      seconds = double(m.capacityBlocks) * DISCWRIGHT_SECTOR_SIZE / (table.front() * 1000.0);
    else if (!full)
      seconds = 0.3;
    seconds *= config_.timeScale;
    burning_ = true;
    before = m;
  }
  const uint64_t total = full ? uint64_t(before.capacityBlocks) * DISCWRIGHT_SECTOR_SIZE
                              : std::max<uint64_t>(before.usedBlocks(), 1) * DISCWRIGHT_SECTOR_SIZE;
  // Should this process die during the erase, the next one finds a written disc, not a blank one.
  try {
    store_.beginErase(before);
  } catch (...) {
    std::lock_guard lock(mutex_);
    burning_ = false;
    throw;
  }
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  const auto length = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  for (;;) {
    auto elapsed = Clock::now() - start;
    uint64_t done = length.count() > 0 && elapsed < length
                        ? uint64_t(double(total) * double(elapsed.count()) / double(length.count()))
                        : total;
    observer.progress(total, done);
    if (observer.cancelled()) {
      std::lock_guard lock(mutex_);
      burning_ = false;
      if (medium_) {
        // Half erased: the disc reads as one broken-off session, never as blank.
        MediumLayout& m = *medium_;
        uint32_t blocks = m.recordedEnd();
        if (blocks == 0) {
          static const std::vector<char> zeros(DISCWRIGHT_SECTOR_SIZE, 0);
          store_.write(0, zeros.data(), zeros.size());  // the stored track must be backed by the medium file
          blocks = 1;
        }
        m.tracks = {{0, blocks, 1, true}};
        m.cd.reset();
        m.closedSessions = 0;
        m.sessionOpen = true;
        m.openSessionMulti = false;
        m.finalized = false;
        store_.save(m);
      }
      throw DwError(DW_E_CANCELLED, "The erase of the disc in " + config_.name +
                                        " was cancelled: the disc is half erased; erase it again before use");
    }
    if (done >= total) break;
    std::this_thread::sleep_for(std::min<Clock::duration>(std::chrono::milliseconds(20), length - elapsed));
  }
  std::lock_guard lock(mutex_);
  burning_ = false;
  if (!medium_) return;
  MediumLayout blank;
  blank.discType = medium_->discType;
  blank.capacityBlocks = medium_->capacityBlocks;
  store_.clear();
  store_.save(blank);
  *medium_ = blank;
}

void VirtualRecorder::recordBurn(const BurnJob& job, uint64_t base, uint64_t bytesWritten, bool complete) {
  std::lock_guard lock(mutex_);
  burning_ = false;
  if (job.testWrite || !medium_) return;
  MediumLayout& m = *medium_;  // also when it was taken out: what is on it stays on it
  if (!complete) {
    // A write that failed halfway may have left more in the medium file than it reported.
    uint64_t total = 0;
    for (const auto& t : job.tracks) total += paddedSize(t->size());
    uint64_t size = store_.fileSize();
    if (size > base) bytesWritten = std::max(bytesWritten, std::min(size - base, total));
  }
  if (job.growAt) {
    // No session is opened: the volume spans the disc from block 0, over what it was and
    // what was written past it, whether the new descriptors made it or not.
    const uint64_t end = base / DISCWRIGHT_SECTOR_SIZE + paddedSize(bytesWritten) / DISCWRIGHT_SECTOR_SIZE;
    if (bytesWritten > 0) m.tracks = {{0, uint32_t(std::max<uint64_t>(m.recordedEnd(), end)), m.tracks.front().session}};
  } else if (bytesWritten > 0) {
    uint16_t session = uint16_t(m.closedSessions + 1);
    uint64_t left = bytesWritten;
    // From where the burn began: after its first track the layout no longer shows the gap it wrote past.
    auto at = uint32_t(base / DISCWRIGHT_SECTOR_SIZE);
    for (const auto& t : job.tracks) {
      if (left == 0) break;
      uint64_t bytes = std::min(left, paddedSize(t->size()));
      auto blocks = uint32_t(paddedSize(bytes) / DISCWRIGHT_SECTOR_SIZE);
      m.tracks.push_back({at, blocks, session});
      at += blocks;
      left -= bytes;
    }
    // The track the write broke off in: the drive never closed it.
    if (!complete) m.tracks.back().damaged = true;
    if (!complete) {
      // A burn that broke off leaves an unfinished session, as on a real disc.
      m.sessionOpen = true;
      m.openSessionMulti = false;
    } else if (job.mode == WriteMode::Tao) {
      m.sessionOpen = true;
      m.openSessionMulti = job.multiSession;
    } else {
      m.sessionOpen = false;
      m.closedSessions++;
      m.finalized = job.mode != WriteMode::Sao || job.closeDisc;
    }
  }
  store_.save(m);  // also ends the recorded write
}

const char* writeModeName(WriteMode mode) {
  switch (mode) {
    case WriteMode::Tao: return "Track-At-Once";
    case WriteMode::Sao: return "Session-At-Once";
    case WriteMode::DaoPq: return "Disc-At-Once PQ";
    case WriteMode::DaoRaw: return "Disc-At-Once raw P-W";
  }
  return "unknown";
}

}  // namespace discwright
