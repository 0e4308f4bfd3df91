// Where an emulated medium lives between runs: a backing file with its bytes at
// their block offsets (sparse), and a small JSON file with its layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "media_records.h"
#include "virtual/virtual_config.h"

namespace discwright {

class MediumStore {
 public:
  MediumStore(const std::string& stateFolder, const std::string& recorderName);
  ~MediumStore();
  MediumStore(const MediumStore&) = delete;
  MediumStore& operator=(const MediumStore&) = delete;

  // The saved medium, or a new one made from the configuration when nothing
  // usable is saved, the kind or capacity changed, or freshAtStart asks for it.
  MediumLayout open(const MediumConfig& config);
  void save(const MediumLayout& layout);

  void write(uint64_t offset, const void* data, size_t size);
  void read(uint64_t offset, void* data, size_t size);

  const std::string& backingPath() const { return backingPath_; }
  const std::string& layoutPath() const { return layoutPath_; }

 private:
  MediumLayout create(const MediumConfig& config);
  void openBacking(bool truncate);

  std::string backingPath_;
  std::string layoutPath_;
  std::string fingerprint_;
  int fd_ = -1;
};

}  // namespace discwright
