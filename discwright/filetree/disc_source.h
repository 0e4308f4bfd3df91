// The blocks of a disc as the image library reads an earlier session: an IsoDataSource
// over the device's sector reads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#define LIBISOFS_WITHOUT_LIBBURN
#include <libisofs/libisofs.h>

#include "filetree/iso_tree.h"

namespace discwright {

// Makes a data source with one reference, the caller's (drop it with
// iso_data_source_unref); the image library takes its own while an imported image lives.
// Directory blocks lie together, so each device read fetches kReadAhead blocks and keeps
// the last few such pieces.
IsoDataSource* newDiscSource(BlockReader read);

// Why the last failed read of source failed, naming the block (text "" when none failed),
// and the device's status: the image library passes on only a code.
struct DiscReadFailure {
  std::string text;
  uint32_t status = 0;
};
DiscReadFailure discSourceFailure(IsoDataSource* source);
// How many device reads source has made, to show that read-ahead works.
uint64_t discSourceDeviceReads(IsoDataSource* source);

}  // namespace discwright
