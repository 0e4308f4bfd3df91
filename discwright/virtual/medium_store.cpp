#include "virtual/medium_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "error.h"

namespace discwright {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

[[noreturn]] void fileError(const std::string& what, const std::string& path) {
  int err = errno;
  throw DwError(DW_E_IO, what + " \"" + path + "\": " + std::strerror(err), uint32_t(err));
}

// A primary volume descriptor with the label, so that a written medium without
// content of its own still answers with its volume label.
std::vector<uint8_t> volumeDescriptors(const std::string& label, uint32_t volumeBlocks) {
  std::vector<uint8_t> pvd(2 * DISCWRIGHT_SECTOR_SIZE, 0);
  pvd[0] = 1;
  std::memcpy(&pvd[1], "CD001", 5);
  pvd[6] = 1;
  std::memset(&pvd[8], ' ', 32);
  std::memset(&pvd[40], ' ', 32);
  std::memcpy(&pvd[40], label.data(), std::min<size_t>(label.size(), 32));
  for (int i = 0; i < 4; ++i) {
    pvd[80 + i] = uint8_t(volumeBlocks >> (8 * i));        // both-endian block count
    pvd[87 - i] = uint8_t(volumeBlocks >> (8 * i));
  }
  pvd[120] = pvd[123] = 1;  // volume set size
  pvd[124] = pvd[127] = 1;  // volume sequence number
  pvd[128] = 0x00, pvd[129] = 0x08, pvd[130] = 0x08, pvd[131] = 0x00;  // block size 2048
  pvd[881] = 1;
  uint8_t* terminator = &pvd[DISCWRIGHT_SECTOR_SIZE];
  terminator[0] = 255;
  std::memcpy(&terminator[1], "CD001", 5);
  terminator[6] = 1;
  return pvd;
}

uint32_t blocksFor(uint64_t bytes) { return uint32_t((bytes + DISCWRIGHT_SECTOR_SIZE - 1) / DISCWRIGHT_SECTOR_SIZE); }

// Everything of the configuration that shapes a new medium: when any of it
// changes, the saved medium no longer answers the configuration and is made anew.
std::string fingerprint(const MediumConfig& c) {
  return std::to_string(c.discType) + "/" + std::to_string(c.capacityBytes) + "/" + std::to_string(int(c.state)) +
         "/" + std::to_string(c.usedBytes) + "/" + c.contentFile + "/" + c.label;
}

}  // namespace

MediumStore::MediumStore(const std::string& stateFolder, const std::string& recorderName) {
  std::error_code ec;
  fs::create_directories(stateFolder, ec);
  if (ec)
    throw DwError(DW_E_CONFIG, "Cannot create the state folder \"" + stateFolder + "\" of the virtual media: " +
                                   ec.message());
  backingPath_ = (fs::path(stateFolder) / (recorderName + ".medium")).string();
  layoutPath_ = backingPath_ + ".json";
}

MediumStore::~MediumStore() {
  if (fd_ >= 0) ::close(fd_);
}

void MediumStore::openBacking(bool truncate) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = ::open(backingPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : 0), 0644);
  if (fd_ < 0) fileError("Cannot open the medium file", backingPath_);
}

MediumLayout MediumStore::open(const MediumConfig& config) {
  if (!config.freshAtStart) {
    std::ifstream in(layoutPath_);
    if (in) {
      try {
        json j = json::parse(in);
        if (j.at("fingerprint").get<std::string>() == fingerprint(config) && fs::exists(backingPath_)) {
          fingerprint_ = fingerprint(config);
          MediumLayout m;
          m.discType = j.at("disc_type").get<uint8_t>();
          m.capacityBlocks = j.at("capacity_blocks").get<uint32_t>();
          for (const auto& t : j.at("tracks"))
            m.tracks.push_back({t.at(0).get<uint32_t>(), t.at(1).get<uint32_t>(), t.at(2).get<uint16_t>()});
          m.closedSessions = j.at("closed_sessions").get<uint16_t>();
          m.sessionOpen = j.at("session_open").get<bool>();
          m.openSessionMulti = j.at("open_session_multi").get<bool>();
          m.finalized = j.at("finalized").get<bool>();
          openBacking(false);
          return m;
        }
      } catch (const json::exception&) {
        // An unreadable layout file is replaced by a medium made from the configuration.
      }
    }
  }
  MediumLayout m = create(config);
  fingerprint_ = fingerprint(config);
  save(m);
  return m;
}

MediumLayout MediumStore::create(const MediumConfig& config) {
  openBacking(true);
  MediumLayout m;
  m.discType = config.discType;
  m.capacityBlocks = uint32_t(config.capacityBytes / DISCWRIGHT_SECTOR_SIZE);
  if (config.state == MediumState::Blank) return m;

  uint64_t bytes = config.usedBytes;
  if (!config.contentFile.empty()) {
    int in = ::open(config.contentFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) fileError("Cannot read the content file of a virtual medium", config.contentFile);
    std::vector<char> buffer(1 << 20);
    bytes = 0;
    for (;;) {
      ssize_t n = ::read(in, buffer.data(), buffer.size());
      if (n < 0) {
        ::close(in);
        fileError("Cannot read the content file of a virtual medium", config.contentFile);
      }
      if (n == 0) break;
      write(bytes, buffer.data(), size_t(n));
      bytes += uint64_t(n);
    }
    ::close(in);
  } else {
    auto pvd = volumeDescriptors(config.label, blocksFor(bytes));
    write(16ull * DISCWRIGHT_SECTOR_SIZE, pvd.data(), pvd.size());
    if (::ftruncate(fd_, off_t(bytes)) != 0) fileError("Cannot size the medium file", backingPath_);
  }
  if (blocksFor(bytes) > m.capacityBlocks)
    throw DwError(DW_E_CONFIG, "The content of the virtual medium (" + std::to_string(bytes) +
                                   " bytes) is larger than its capacity");
  m.tracks.push_back({0, std::max<uint32_t>(1, blocksFor(bytes)), 1});
  m.closedSessions = 1;
  m.finalized = config.state == MediumState::Complete;
  return m;
}

void MediumStore::save(const MediumLayout& m) {
  json j;
  // Read back by open(): the fingerprint ties the saved medium to its configuration.
  j["fingerprint"] = fingerprint_;
  j["disc_type"] = m.discType;
  j["capacity_blocks"] = m.capacityBlocks;
  j["tracks"] = json::array();
  for (const auto& t : m.tracks) j["tracks"].push_back({t.start, t.blocks, t.session});
  j["closed_sessions"] = m.closedSessions;
  j["session_open"] = m.sessionOpen;
  j["open_session_multi"] = m.openSessionMulti;
  j["finalized"] = m.finalized;
  // Written beside and renamed over, so a crash never leaves half a layout.
  std::string temp = layoutPath_ + ".tmp";
  {
    std::ofstream out(temp, std::ios::trunc);
    out << j.dump(2) << '\n';
    out.flush();
    if (!out) fileError("Cannot save the medium layout", temp);
  }
  std::error_code ec;
  fs::rename(temp, layoutPath_, ec);
  if (ec) throw DwError(DW_E_IO, "Cannot save the medium layout \"" + layoutPath_ + "\": " + ec.message());
}

void MediumStore::write(uint64_t offset, const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::pwrite(fd_, p, size, off_t(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      fileError("Cannot write the medium file", backingPath_);
    }
    p += n;
    offset += uint64_t(n);
    size -= size_t(n);
  }
}

void MediumStore::read(uint64_t offset, void* data, size_t size) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = ::pread(fd_, p, size, off_t(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      fileError("Cannot read the medium file", backingPath_);
    }
    if (n == 0) {  // a sparse tail that was never written reads as zeros
      std::memset(p, 0, size);
      return;
    }
    p += n;
    offset += uint64_t(n);
    size -= size_t(n);
  }
}


}  // namespace discwright
