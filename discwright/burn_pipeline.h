// Moves image bytes from their sources to a recorder through a bounded FIFO:
// one thread reads ahead while the calling thread writes, so memory stays at
// the FIFO's size whatever the image size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "byte_source.h"
#include "device.h"

namespace discwright {

class BurnSink {
 public:
  virtual ~BurnSink() = default;
  // offset counts from the first byte of the burn.
  virtual void write(uint64_t offset, const void* data, size_t size) = 0;
};

struct PipelineOptions {
  size_t fifoBytes = 8u << 20;
  double bytesPerSecond = 0;  // 0: as fast as the sink takes it
};

// Bytes a track occupies on the medium: its size rounded up to whole blocks.
uint64_t paddedSize(uint64_t size);

// Streams every track, each padded with zeros to whole 2048-byte blocks, into
// sink. Reports progress (done = total at the end) and FIFO fill to observer.
// Throws DwError: DW_E_CANCELLED when the observer asks to stop, or the
// failure of a source or of the sink.
void runBurnPipeline(std::vector<std::unique_ptr<ByteSource>>& tracks, BurnSink& sink, BurnObserver& observer,
                     const PipelineOptions& options);

}  // namespace discwright
