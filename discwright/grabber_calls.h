// What the long calls on a grabber share: progress to its callback, and one such call at a time.
#pragma once

#include "device.h"
#include "error.h"
#include "handle_table.h"

namespace discwright {

class GrabberObserver : public BurnObserver {
 public:
  GrabberObserver(Grabber& grabber, bool report) : grabber_(grabber), report_(report && grabber.callback) {}
  void progress(uint64_t total, uint64_t done) override {
    if (report_) grabber_.callback(DW_REASON_PROGRESS, grabber_.context, &total, &done);
  }
  void buffer(uint32_t size, uint32_t freeBytes) override {
    if (report_) grabber_.callback(DW_REASON_BUFFER, grabber_.context, &size, &freeBytes);
  }
  void track(uint32_t number, uint32_t count) override {
    if (report_) grabber_.callback(DW_REASON_TRACK, grabber_.context, &number, &count);
  }
  bool cancelled() const override { return grabber_.cancelRequested.load(); }

 private:
  Grabber& grabber_;
  bool report_;
};

// Marks the grabber busy for one long call; a second one on it is refused.
struct Running {
  Grabber& g;
  explicit Running(Grabber& grabber) : g(grabber) {
    if (g.burning.exchange(true))
      throw DwError(DW_E_BUSY, "A burn or erase is already running on this device", sense(0x02, 0x04, 0x08));
  }
  ~Running() {
    g.cancelRequested = false;
    g.burning = false;
  }
};

}  // namespace discwright
