#include "filetree/disc_source.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "Discwright.h"
#include "error.h"

namespace discwright {
namespace {

constexpr uint32_t kReadAhead = 32;  // blocks per device read
constexpr size_t kPieces = 64;       // pieces kept: 4 MiB

struct Piece {
  uint32_t first = 0;
  std::vector<uint8_t> bytes;
};

struct DiscSource {
  BlockReader read;
  std::mutex mutex;         // libisofs may read from its producer thread
  std::deque<Piece> cache;  // newest last
  DiscReadFailure failure;
  uint64_t deviceReads = 0;

  const uint8_t* cached(uint32_t lba) const {
    for (auto it = cache.rbegin(); it != cache.rend(); ++it)
      if (lba >= it->first && lba - it->first < it->bytes.size() / DISCWRIGHT_SECTOR_SIZE)
        return it->bytes.data() + size_t(lba - it->first) * DISCWRIGHT_SECTOR_SIZE;
    return nullptr;
  }

  // A piece from lba on; near the end of the recorded area the piece may not fit, so a
  // failed piece falls back to the one block asked for.
  const uint8_t* fetch(uint32_t lba) {
    Piece piece{lba, std::vector<uint8_t>(size_t(kReadAhead) * DISCWRIGHT_SECTOR_SIZE)};
    ++deviceReads;
    try {
      read(lba, kReadAhead, piece.bytes.data());
    } catch (const DwError&) {
      piece.bytes.resize(DISCWRIGHT_SECTOR_SIZE);
      ++deviceReads;
      read(lba, 1, piece.bytes.data());
    }
    if (cache.size() >= kPieces) cache.pop_front();
    cache.push_back(std::move(piece));
    return cache.back().bytes.data();
  }
};

DiscSource& of(IsoDataSource* src) { return *static_cast<DiscSource*>(src->data); }

int openSource(IsoDataSource*) { return ISO_SUCCESS; }
int closeSource(IsoDataSource*) { return ISO_SUCCESS; }

int readBlock(IsoDataSource* src, uint32_t lba, uint8_t* buffer) {
  DiscSource& source = of(src);
  std::lock_guard lock(source.mutex);
  try {
    const uint8_t* block = source.cached(lba);
    if (!block) block = source.fetch(lba);
    std::memcpy(buffer, block, DISCWRIGHT_SECTOR_SIZE);
    return ISO_SUCCESS;
  } catch (const DwError& e) {
    // No exception may cross the image library's C frames.
    source.failure = {"block " + std::to_string(lba) + " could not be read: " + e.what(), e.status()};
  } catch (const std::exception& e) {
    source.failure = {"block " + std::to_string(lba) + " could not be read: " + e.what(), 0};
  }
  return ISO_DATA_SOURCE_FAILURE;
}

void freeSource(IsoDataSource* src) {
  std::unique_ptr<DiscSource> owned(static_cast<DiscSource*>(src->data));
  src->data = nullptr;
}

}  // namespace

IsoDataSource* newDiscSource(BlockReader read) {
  // The image library frees the struct with free() at its last reference.
  auto* src = static_cast<IsoDataSource*>(std::calloc(1, sizeof(IsoDataSource)));
  if (!src) throw std::bad_alloc();
  auto source = std::make_unique<DiscSource>();
  source->read = std::move(read);
  src->version = 0;
  src->refcount = 1;
  src->open = openSource;
  src->close = closeSource;
  src->read_block = readBlock;
  src->free_data = freeSource;
  src->data = source.release();  // freeSource takes it back
  return src;
}

DiscReadFailure discSourceFailure(IsoDataSource* source) {
  std::lock_guard lock(of(source).mutex);
  return of(source).failure;
}

uint64_t discSourceDeviceReads(IsoDataSource* source) {
  std::lock_guard lock(of(source).mutex);
  return of(source).deviceReads;
}

}  // namespace discwright
