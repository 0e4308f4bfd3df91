#include "disc_append.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "error.h"
#include "media_records.h"

namespace discwright {
namespace {

// Media without sessions: a further tree is written over the old one's descriptors.
const char* overwritableName(uint8_t type) {
  switch (type) {
    case DISC_TYPE_DVDPLUSRW:
      return "DVD+RW";
    case DISC_TYPE_DVDRAM:
      return "DVD-RAM";
    case DISC_TYPE_DVDRWRO:
      return "DVD-RW (restricted overwrite)";
    case DISC_TYPE_BDRE:
      return "BD-RE";
    default:
      return nullptr;
  }
}

std::string inDevice(Device& device) { return "The disc in " + device.identity().name; }

uint32_t nextWritable(Device& device) {
  const DiscwrightTrackInformation next = device.trackInformation(DISCWRIGHT_TRACK_INVISIBLE);
  if (!next.Valid || !next.NextWritableValid || next.FreeBlocks == 0)
    throw DwError(DW_E_OUT_OF_SPACE, inDevice(device) + " has no room left for another session");
  return next.NextWritable;
}

// The volume of an overwritable disc: its descriptors at block 16 hold its size from block
// 0, however often it grew (a later volume's own descriptors count from its start only).
LastSession volumeToGrow(Device& device, const DiscwrightDiscInformation& info, const char* name) {
  if (info.DiscStatus == DW_DISC_BLANK)
    throw DwError(DW_E_NOT_SUPPORTED, inDevice(device) + " is a blank " + name + ": there are no files on it to add to");
  std::vector<uint8_t> descriptor(DISCWRIGHT_SECTOR_SIZE);
  try {
    device.readSectors(kHeadBlock, 1, descriptor.data());
  } catch (const DwError& e) {
    throw DwError(DW_E_IO, inDevice(device) + " cannot take more files: block 16 could not be read: " + e.what(),
                  e.status());
  }
  if (descriptor[0] != 1 || std::memcmp(descriptor.data() + 1, "CD001", 5) != 0)
    throw DwError(DW_E_NOT_SUPPORTED, inDevice(device) + " is a " + name +
                                          " without an ISO 9660 file system at block 16, so files cannot be added to it");
  const uint32_t end = uint32_t(descriptor[80]) | uint32_t(descriptor[81]) << 8 | uint32_t(descriptor[82]) << 16 |
                       uint32_t(descriptor[83]) << 24;
  const uint32_t next = growthStart(end);
  if (end <= kHeadBlock || (info.CapacityBlocks != 0 && next >= info.CapacityBlocks))
    throw DwError(DW_E_OUT_OF_SPACE, inDevice(device) + " has no room left for more files (its volume ends at block " +
                                         std::to_string(end) + ")");
  return {1, 0, next, true};
}

}  // namespace

LastSession lastSessionToContinue(Device& device) {
  const DiscwrightDiscInformation info = device.discInformation();
  if (const char* name = overwritableName(info.DiscType)) return volumeToGrow(device, info, name);
  if (info.DiscStatus == DW_DISC_BLANK)
    throw DwError(DW_E_NOT_SUPPORTED, inDevice(device) + " is blank: there are no files on it to add to");
  if (info.DiscStatus == DW_DISC_COMPLETE)
    throw DwError(DW_E_NOT_SUPPORTED, inDevice(device) + " is closed: no session can be added to it");
  if (info.LastSessionStatus == DW_SESSION_INCOMPLETE) {
    // A burn that broke off leaves its session open and damaged: what the user can still do
    // is read the earlier sessions, which no later write touched.
    if (info.Tracks > 0 && device.trackInformation(info.Tracks).Damaged)
      throw DwError(DW_E_NOT_SUPPORTED,
                    inDevice(device) + " has a last session that broke off during a burn: the files of the earlier "
                                       "sessions still read as before, but no session can follow it; copy them "
                                       "onto a new disc");
    throw DwError(DW_E_NOT_SUPPORTED,
                  inDevice(device) + " has a session that is still open: close it before files are added");
  }

  // The table of contents names the sessions; the disc information's last session may be
  // the empty one a further session would open.
  LastSession last;
  const DiscwrightTocInformation toc = device.toc();
  for (uint32_t i = 0; toc.Valid && i < std::min<uint32_t>(toc.LastTrack, DISCWRIGHT_TOC_ENTRIES); ++i) {
    const DiscwrightTocEntry& entry = toc.Entries[i];
    if (entry.SessionNumber > last.number) last = {entry.SessionNumber, entry.StartBlock, 0};
  }
  if (last.number == 0) {
    last.number = info.Sessions;
    last.start = info.LastSessionStart;
  }
  last.nextWritable = nextWritable(device);
  return last;
}

void checkSameDisc(Device& device, const DiscOrigin& origin) {
  const std::string changed = inDevice(device) + " changed since its files were read";
  const DiscwrightDiscInformation info = device.discInformation();
  // An overwritable disc's next writable block follows from its descriptors, compared below.
  if (origin.overwritable) {
    if (!overwritableName(info.DiscType))
      throw DwError(DW_E_INVALID_ARGUMENT, changed + " (it is not the overwritable disc read): read them again");
  } else if (info.DiscStatus != DW_DISC_APPENDABLE || info.LastSessionStatus == DW_SESSION_INCOMPLETE)
    throw DwError(DW_E_INVALID_ARGUMENT, changed + " (it takes no further session now): read them again");
  const DiscwrightTrackInformation next =
      origin.overwritable ? DiscwrightTrackInformation{} : device.trackInformation(DISCWRIGHT_TRACK_INVISIBLE);
  if (!origin.overwritable && (!next.NextWritableValid || next.NextWritable != origin.nextWritable))
    throw DwError(DW_E_INVALID_ARGUMENT, changed + " (its next writable block is " + std::to_string(next.NextWritable) +
                                             ", not " + std::to_string(origin.nextWritable) + "): read them again");
  std::vector<uint8_t> descriptor(DISCWRIGHT_SECTOR_SIZE);
  try {
    device.readSectors(origin.sessionStart + 16, 1, descriptor.data());
  } catch (const DwError& e) {
    throw DwError(DW_E_IO,
                  inDevice(device) + " cannot be compared with the disc its files were read from: block " +
                      std::to_string(origin.sessionStart + 16) + " could not be read: " + e.what(),
                  e.status());
  }
  if (descriptor != origin.descriptor)
    throw DwError(DW_E_INVALID_ARGUMENT, changed + " (another disc, or another session): read them again");
}

}  // namespace discwright
