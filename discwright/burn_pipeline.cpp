#include "burn_pipeline.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "error.h"

namespace discwright {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kWaitSlice = std::chrono::milliseconds(20);

struct Filled {
  size_t slot;
  size_t length;
};

// Fixed slots handed between the reader and the writer.
class Fifo {
 public:
  Fifo(size_t slots, size_t slotSize) : slotSize_(slotSize) {
    for (size_t i = 0; i < slots; ++i) {
      buffers_.push_back(std::make_unique_for_overwrite<uint8_t[]>(slotSize));
      free_.push_back(i);
    }
  }

  size_t slotSize() const { return slotSize_; }
  size_t capacity() const { return slotSize_ * buffers_.size(); }
  uint8_t* buffer(size_t slot) { return buffers_[slot].get(); }

  // Reader side. Returns false when the writer has stopped.
  bool acquireFree(size_t& slot) {
    std::unique_lock lock(mutex_);
    freeReady_.wait(lock, [&] { return stopped_ || !free_.empty(); });
    if (stopped_) return false;
    slot = free_.front();
    free_.pop_front();
    return true;
  }
  void pushFilled(Filled item) {
    std::lock_guard lock(mutex_);
    queuedBytes_ += item.length;
    filled_.push_back(item);
    filledReady_.notify_one();
  }
  void finish(std::exception_ptr error) {
    std::lock_guard lock(mutex_);
    finished_ = true;
    error_ = error;
    filledReady_.notify_one();
  }

  // Writer side. Waits in short slices so that cancellation is seen promptly.
  enum class Pop { Item, End, Timeout };
  Pop popFilled(Filled& item) {
    std::unique_lock lock(mutex_);
    if (!filledReady_.wait_for(lock, kWaitSlice, [&] { return finished_ || !filled_.empty(); })) return Pop::Timeout;
    if (filled_.empty()) return Pop::End;
    item = filled_.front();
    filled_.pop_front();
    return Pop::Item;
  }
  void consumed(size_t bytes) {
    std::lock_guard lock(mutex_);
    queuedBytes_ -= bytes;
  }
  void releaseSlot(size_t slot) {
    std::lock_guard lock(mutex_);
    free_.push_back(slot);
    freeReady_.notify_one();
  }
  size_t queuedBytes() {
    std::lock_guard lock(mutex_);
    return queuedBytes_;
  }
  void stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    freeReady_.notify_all();
  }
  std::exception_ptr error() {
    std::lock_guard lock(mutex_);
    return error_;
  }

 private:
  size_t slotSize_;
  std::vector<std::unique_ptr<uint8_t[]>> buffers_;
  std::mutex mutex_;
  std::condition_variable freeReady_, filledReady_;
  std::deque<size_t> free_;
  std::deque<Filled> filled_;
  size_t queuedBytes_ = 0;
  bool finished_ = false;
  bool stopped_ = false;
  std::exception_ptr error_;
};

void readTracks(std::vector<std::unique_ptr<ByteSource>>& tracks, Fifo& fifo) {
  for (auto& track : tracks) {
    uint64_t remaining = track->size();
    while (remaining > 0) {
      size_t slot;
      if (!fifo.acquireFree(slot)) return;
      uint8_t* buffer = fifo.buffer(slot);
      size_t want = size_t(std::min<uint64_t>(fifo.slotSize(), remaining));
      size_t got = 0;
      while (got < want) {
        size_t n = track->read(buffer + got, want - got);
        if (n == 0)
          throw DwError(DW_E_IO, "The source " + track->describe() + " ended early: " +
                                     std::to_string(track->size() - remaining + got) + " of " +
                                     std::to_string(track->size()) + " bytes could be read",
                        senses::kReadError);
        got += n;
      }
      remaining -= got;
      size_t length = got;
      if (remaining == 0) {  // the last partial block of a track is filled with zeros
        size_t padded = size_t(paddedSize(got));
        std::memset(buffer + got, 0, padded - got);
        length = padded;
      }
      fifo.pushFilled({slot, length});
    }
  }
}

class Reporter {
 public:
  Reporter(BurnObserver& observer, uint64_t total) : observer_(observer), total_(total) {}

  // Reports every whole percent passed on the way to done, then done itself.
  void advance(uint64_t before, uint64_t done) {
    if (total_ == 0) return;
    uint64_t fromPercent = before * 100 / total_;
    uint64_t toPercent = done * 100 / total_;
    for (uint64_t p = fromPercent + 1; p < toPercent; ++p) observer_.progress(total_, (p * total_ + 99) / 100);
    observer_.progress(total_, done);
  }

 private:
  BurnObserver& observer_;
  uint64_t total_;
};

}  // namespace

uint64_t paddedSize(uint64_t size) {
  return (size + DISCWRIGHT_SECTOR_SIZE - 1) / DISCWRIGHT_SECTOR_SIZE * DISCWRIGHT_SECTOR_SIZE;
}

void runBurnPipeline(std::vector<std::unique_ptr<ByteSource>>& tracks, BurnSink& sink, BurnObserver& observer,
                     const PipelineOptions& options) {
  uint64_t total = 0;
  for (const auto& t : tracks) total += paddedSize(t->size());

  size_t fifoBytes = std::clamp<size_t>(options.fifoBytes, 256u << 10, 64u << 20);
  size_t slotSize = std::clamp<size_t>(fifoBytes / 4, 64u << 10, 1u << 20);
  slotSize -= slotSize % DISCWRIGHT_SECTOR_SIZE;
  Fifo fifo(std::max<size_t>(2, fifoBytes / slotSize), slotSize);

  // Pieces small enough for about 20 progress steps a second when throttled.
  size_t piece = 256u << 10;
  if (options.bytesPerSecond > 0)
    piece = std::clamp<size_t>(size_t(options.bytesPerSecond / 20) / DISCWRIGHT_SECTOR_SIZE * DISCWRIGHT_SECTOR_SIZE,
                               DISCWRIGHT_SECTOR_SIZE, piece);

  std::thread reader([&] {
    std::exception_ptr error;
    try {
      readTracks(tracks, fifo);
    } catch (...) {
      error = std::current_exception();
    }
    fifo.finish(error);
  });
  struct Join {
    Fifo& fifo;
    std::thread& thread;
    ~Join() {
      fifo.stop();
      thread.join();
    }
  } join{fifo, reader};

  auto checkCancel = [&] {
    if (observer.cancelled()) throw DwError(DW_E_CANCELLED, "The burn was cancelled");
  };
  Reporter reporter(observer, total);
  const auto start = Clock::now();
  uint64_t done = 0;
  observer.progress(total, 0);
  for (;;) {
    checkCancel();
    Filled item;
    auto state = fifo.popFilled(item);
    if (state == Fifo::Pop::Timeout) continue;
    if (state == Fifo::Pop::End) break;
    const uint8_t* data = fifo.buffer(item.slot);
    for (size_t at = 0; at < item.length;) {
      size_t n = std::min(piece, item.length - at);
      if (options.bytesPerSecond > 0) {
        auto due = start + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(double(done + n) / options.bytesPerSecond));
        while (Clock::now() < due) {
          checkCancel();
          std::this_thread::sleep_for(std::min<Clock::duration>(kWaitSlice, due - Clock::now()));
        }
      }
      checkCancel();
      sink.write(done, data + at, n);
      fifo.consumed(n);
      reporter.advance(done, done + n);
      done += n;
      at += n;
      observer.buffer(uint32_t(std::min<size_t>(fifo.capacity(), UINT32_MAX)),
                      uint32_t(fifo.capacity() - std::min(fifo.capacity(), fifo.queuedBytes())));
    }
    fifo.releaseSlot(item.slot);
  }
  if (auto error = fifo.error()) std::rethrow_exception(error);
  if (done != total)
    throw DwError(DW_E_INTERNAL, "The burn wrote " + std::to_string(done) + " of " + std::to_string(total) + " bytes");
}

}  // namespace discwright
