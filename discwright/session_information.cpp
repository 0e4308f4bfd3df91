#include "session_information.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "error.h"

namespace discwright {

namespace {

constexpr uint32_t kVolumeDescriptorOffset = 16;  // ISO 9660: blocks 0-15 are the system area
constexpr size_t kLabelOffset = 40;
constexpr size_t kLabelLength = 32;
constexpr size_t kCreatedOffset = 813;
constexpr size_t kCreatedDigits = 16;

// Label and creation time of a primary volume descriptor; false when the block holds none.
bool readVolume(const uint8_t* block, DiscwrightSessionInformation& info) {
  if (block[0] != 1 || std::memcmp(block + 1, "CD001", 5) != 0) return false;
  size_t length = kLabelLength;
  while (length > 0 && (block[kLabelOffset + length - 1] == ' ' || block[kLabelOffset + length - 1] == 0)) --length;
  std::memcpy(info.VolumeLabel, block + kLabelOffset, length);
  const auto* created = reinterpret_cast<const char*>(block + kCreatedOffset);
  // Unset is all zero digits (or zero bytes from a careless writer).
  bool set = std::all_of(created, created + kCreatedDigits, [](char c) { return c >= '0' && c <= '9'; }) &&
             std::any_of(created, created + kCreatedDigits, [](char c) { return c != '0'; });
  if (set) {
    std::memcpy(info.Created, created, kCreatedDigits);
    info.CreatedZone = int8_t(block[kCreatedOffset + kCreatedDigits]);
  }
  return true;
}

}  // namespace

DiscwrightSessionInformation sessionInformation(Device& device, uint16_t session) {
  const DiscwrightDiscInformation disc = device.discInformation();
  if (session == 0 || session > disc.Sessions)
    throw DwError(DW_E_INVALID_ARGUMENT,
                  "The disc in " + device.identity().name + " has no session " + std::to_string(session) + ": it holds " +
                      std::to_string(disc.Sessions) + (disc.Sessions == 1 ? " session" : " sessions"),
                  senses::kInvalidField);
  auto toc = std::make_unique<DiscwrightTocInformation>(device.toc());
  DiscwrightSessionInformation info{};
  info.Number = session;
  bool found = false;
  bool startsWithData = false;  // an audio track holds no volume descriptors to read
  uint32_t end = 0;
  for (uint32_t i = 0; i < toc->LastTrack && i < DISCWRIGHT_TOC_ENTRIES; ++i) {
    const DiscwrightTocEntry& e = toc->Entries[i];
    if (e.SessionNumber != session) continue;
    if (!found) {
      info.StartBlock = e.StartBlock;
      startsWithData = (e.Control & 4) != 0;
    }
    found = true;
    end = std::max(end, e.StartBlock + e.SizeBlocks);
    if (device.trackInformation(e.TrackNumber).Damaged) info.Damaged = 1;
  }
  if (!found)
    throw DwError(DW_E_IO,
                  "The table of contents of the disc in " + device.identity().name + " lists no track of session " +
                      std::to_string(session),
                  senses::kReadError);
  info.SizeBlocks = end - info.StartBlock;
  bool last = session == disc.Sessions;
  info.Status = last ? disc.LastSessionStatus : uint8_t(DW_SESSION_COMPLETE);
  if (info.Damaged) info.Status = DW_SESSION_INCOMPLETE;
  if (startsWithData && info.SizeBlocks > kVolumeDescriptorOffset) {
    std::vector<uint8_t> block(DISCWRIGHT_SECTOR_SIZE);
    try {
      device.readSectors(info.StartBlock + kVolumeDescriptorOffset, 1, block.data());
      info.HasIso9660 = readVolume(block.data(), info) ? 1 : 0;
    } catch (const DwError&) {
      // Only a session that broke off may hold unreadable blocks; an intact one's failure is news.
      if (!info.Damaged && info.Status == DW_SESSION_COMPLETE) throw;
    }
  }
  info.Valid = 1;
  return info;
}

}  // namespace discwright
