// Where an emulated medium lives between runs: a backing file with its bytes at
// their block offsets (sparse), and a small JSON file with its layout. Also the
// lock that tells processes sharing a state folder which recorder is in use, and
// the private folder of the media that are new at every start.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "media_records.h"
#include "platform/platform.h"
#include "virtual/virtual_config.h"

namespace discwright {

// Creates the folder of the virtual media with its parents; DwError(DW_E_CONFIG) naming it when it cannot be.
void createStateFolder(const std::string& folder);

class MediumStore {
 public:
  // The folder must exist (createStateFolder, or a ProcessMediaFolder).
  MediumStore(const std::string& folder, const std::string& recorderName);
  ~MediumStore();
  MediumStore(const MediumStore&) = delete;
  MediumStore& operator=(const MediumStore&) = delete;

  // A new medium made from the configuration; the files are rewritten. A
  // content file that is not a regular file or exceeds the capacity is refused
  // (DwError DW_E_CONFIG) before anything is copied.
  MediumLayout create(const MediumConfig& config, bool durable = true);
  // The stored medium, checked. A write that never ended (the process died)
  // shows as an incomplete session over what reached the medium file. Nothing
  // stored, or a changed configuration, gives a new medium. A damaged store is
  // left as it is and refused with DwError(DW_E_IO) saying what to do.
  // Call only while holding the recorder's lock: it may rewrite the files.
  MediumLayout load(const MediumConfig& config);
  // Records durably, before the first byte goes out, that a write begins at
  // the medium's next writable block. grow: files added to an overwritable disc, whose
  // old volume stays the disc's content should the process die before the end.
  // raw: a CD from a track layout, its blocks in 2352-byte slots from block 0.
  void beginWrite(const MediumLayout& layout, bool grow = false, bool raw = false);
  // Records durably, before the medium is touched, that an erase begins: should
  // the process die, the disc reads as one broken-off session, never as blank
  // or absent.
  void beginErase(const MediumLayout& layout);
  // Saves the layout, which also ends a recorded write.
  void save(const MediumLayout& layout, bool durable = true);

  void write(uint64_t offset, const void* data, size_t size);
  void read(uint64_t offset, void* data, size_t size);
  // Drops every byte of the medium file (an erased disc).
  void clear();
  // Bytes in the medium file; 0 when it cannot be told.
  uint64_t fileSize() const;

  const std::string& backingPath() const { return backingPath_; }
  const std::string& layoutPath() const { return layoutPath_; }

 private:
  [[noreturn]] void damaged(const std::string& why) const;
  // What a process recorded as begun and did not live to end.
  struct Unfinished {
    std::optional<uint32_t> writingAt;
    bool growing = false;
    bool erasing = false;
    bool raw = false;
  };
  MediumLayout parse(const std::string& text, const MediumConfig& config, Unfinished& unfinished,
                     bool& configChanged) const;
  CdRecord parseCd(const nlohmann::json& cd, const MediumLayout& medium) const;
  void saveText(const MediumLayout& layout, const Unfinished& unfinished, bool durable);
  void openBacking(bool truncate);

  std::string recorderName_;
  std::string backingPath_;
  std::string layoutPath_;
  std::string fingerprint_;
  platform::File file_;
};

// An advisory lock on "<name>.lock" in the state folder: held by the
// process that uses the recorder, so that another one finds it busy. The lock
// goes with the process, however it ends.
class RecorderLock {
 public:
  RecorderLock(const std::string& stateFolder, const std::string& recorderName);
  ~RecorderLock();
  RecorderLock(const RecorderLock&) = delete;
  RecorderLock& operator=(const RecorderLock&) = delete;

  bool tryLock();
  // Waits up to patience for another process to let go, then throws
  // DwError(DW_E_BUSY) naming the recorder and that process.
  void lock(std::chrono::milliseconds patience);
  void unlock();

 private:
  std::string path_;
  std::string name_;
  platform::File file_;
  bool held_ = false;
};

// A folder of this process's own in the state folder, for the media that are new
// at every start: no other process ever sees them. Removed when the last user
// lets go; the folders of processes that died are removed at the next start.
class ProcessMediaFolder {
 public:
  static std::shared_ptr<ProcessMediaFolder> make(const std::string& stateFolder);
  // Removes the folders whose process has ended.
  static void removeLeftovers(const std::string& stateFolder);
  ~ProcessMediaFolder();
  ProcessMediaFolder(const ProcessMediaFolder&) = delete;
  ProcessMediaFolder& operator=(const ProcessMediaFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  ProcessMediaFolder(std::string path, platform::FolderClaim claim)
      : path_(std::move(path)), claim_(std::move(claim)), owner_(platform::processId()) {}
  std::string path_;
  platform::FolderClaim claim_;  // held while this process lives
  int64_t owner_;
};

}  // namespace discwright
