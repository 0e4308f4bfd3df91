#include "libburn/libburn_grab.h"

#include <map>
#include <mutex>

#include "libburn/libburn_runtime.h"

namespace discwright {

namespace {

std::mutex countsMutex;
LibburnGrabCounts counts;  // guarded by countsMutex
// The C call this thread is making, named by the fault check that precedes every call.
thread_local std::string callOnTheWay;

}  // namespace

LibburnGrabCounts libburnGrabCounts() {
  std::lock_guard lock(countsMutex);
  return counts;
}

void resetLibburnGrabCounts() {
  std::lock_guard lock(countsMutex);
  counts = {};
}

void countGrab() {
  std::lock_guard lock(countsMutex);
  ++counts.grabs;
  ++counts.grabsByCall[callOnTheWay.empty() ? std::string("(inside the library)") : callOnTheWay];
}

std::optional<uint32_t> nextWritableFor(struct burn_drive* drive, enum burn_write_types type, int blockType,
                                        bool multiSession) {
  OptsRef opts{burn_write_opts_new(drive)};
  if (!opts.o || burn_write_opts_set_write_type(opts.o, type, blockType) <= 0) return std::nullopt;
  burn_write_opts_set_multi(opts.o, multiSession ? 1 : 0);
  int lba = 0, nwa = 0;
  if (burn_disc_track_lba_nwa(drive, opts.o, 0, &lba, &nwa) <= 0 || nwa < 0) return std::nullopt;
  return uint32_t(nwa);
}

void LibburnDrive::checkFault(const std::string& operation) { callOnTheWay = operation; }

void LibburnDrive::releaseHeld(bool eject) noexcept {
  if (!held_) return;
  burn_drive_release(held_->drive, eject ? 1 : 0);
  burn_drive_info_free(held_->infos);
  held_.reset();
  {
    std::lock_guard lock(countsMutex);
    ++counts.releases;
  }
  runtime_->drain();
  {
    std::lock_guard idle(idleMutex_);
    releaseDue_ = false;
  }
  if (!eject) relockAfterRelease();
}

void LibburnDrive::scheduleIdleRelease() {
  {
    std::lock_guard idle(idleMutex_);
    releaseDue_ = true;
    releaseAt_ = std::chrono::steady_clock::now() + kIdleRelease;
  }
  idleWake_.notify_all();
}

void LibburnDrive::idleReleaseLoop(std::stop_token stop) {
  std::unique_lock idle(idleMutex_);
  for (;;) {
    if (!idleWake_.wait(idle, stop, [&] { return releaseDue_; })) return;
    const auto due = releaseAt_;
    // A call in the meantime moves the release on; a release (an eject) makes it moot.
    if (idleWake_.wait_until(idle, stop, due, [&] { return !releaseDue_ || releaseAt_ != due; })) continue;
    if (stop.stop_requested()) return;
    idle.unlock();
    std::unique_lock op(opMutex_, std::try_to_lock);
    idle.lock();
    if (!releaseDue_ || releaseAt_ != due) continue;  // used since
    if (!op) {
      // An operation runs (a burn): it schedules the release again when it ends.
      releaseDue_ = false;
      continue;
    }
    idle.unlock();
    {
      std::lock_guard runtime(runtime_->mutex());
      releaseHeld(false);
    }
    op.unlock();
    idle.lock();
  }
}

}  // namespace discwright
