// The grab of a libburn drive, shared by the files of the libburn backend:
// one operation at a time uses the drive as libburn holds it.
// libburn.h is not combined with libisofs.h here: both declare struct burn_source.
#pragma once

#include <libburn/libburn.h>

#include <optional>
#include <string>

#include "error.h"
#include "libburn/drive_system.h"
#include "libburn/libburn_drive.h"

namespace discwright {

using namespace burn;

constexpr uint64_t kBlock = DISCWRIGHT_SECTOR_SIZE;

inline std::string withReason(const std::string& sentence, const std::string& reason) {
  return reason.empty() ? sentence : sentence + ": " + reason;
}

struct OptsRef {
  struct burn_write_opts* o = nullptr;
  ~OptsRef() {
    if (o) burn_write_opts_free(o);
  }
};

// The drive's next writable block for a burn of that write type: libburn's
// answer depends on it, so ask as the burn will write.
std::optional<uint32_t> nextWritableFor(struct burn_drive* drive, enum burn_write_types type, int blockType,
                                        bool multiSession);

// A real drive's node refused to open for a reason the user can fix: its text stands alone.
struct OpenRefused : DwError {
  using DwError::DwError;
};

// Counts a grab against the C call on its way.
void countGrab();

// The drive as libburn holds it between grab and release.
struct LibburnDrive::Held {
  struct burn_drive_info* infos = nullptr;
  struct burn_drive* drive = nullptr;
  bool loaded = false;  // grabbed with the tray pulled in
  std::optional<std::optional<CapabilitiesPage>> capabilities;  // asked once per grab
};

// One operation on the drive: it uses the held grab, or grabs the drive for it.
// When it ends the drive stays grabbed for the next call, unless its disc was
// ejected or is not ready (a user must be able to put one in).
class LibburnDrive::Grab {
 public:
  Grab(LibburnDrive& owner, bool loadTray = true)
      : owner_(owner), op_(owner.opMutex_), runtime_(owner.runtime_->mutex()) {
    owner_.runtime_->drain();
    // A drive held with its tray left as it was is grabbed again to pull it in.
    if (owner_.held_ && loadTray && !owner_.held_->loaded) owner_.releaseHeld(false);
    if (!owner_.held_) grab(loadTray);
    held_ = owner_.held_.get();
  }
  ~Grab() {
    // A burn that ends by an exception may leave while other drives have libburn.
    if (!runtime_.owns_lock()) runtime_.lock();
    owner_.runtime_->drain();
    bool release = eject_;
    if (!release && refresh_) release = burn_drive_re_assess(held_->drive, 0) <= 0;
    if (!release) {
      auto st = status();
      release = st == BURN_DISC_EMPTY || st == BURN_DISC_UNREADY || st == BURN_DISC_UNGRABBED;
    }
    if (release) owner_.releaseHeld(eject_);
    else owner_.scheduleIdleRelease();
  }
  Grab(const Grab&) = delete;
  Grab& operator=(const Grab&) = delete;

  struct burn_drive* drive() const { return held_->drive; }
  const burn_drive_info& info() const { return held_->infos[0]; }
  void ejectOnRelease() { eject_ = true; }
  // The disc was written or erased: libburn reads its state again before the next call.
  void mediumChanged() {
    refresh_ = true;
    held_->capabilities.reset();
  }
  // Lets other drives be grabbed while a long burn runs on this one.
  void unlockRuntime() { runtime_.unlock(); }
  void relockRuntime() { runtime_.lock(); }

  int profile() {
    int pno = 0;
    char name[80] = {};
    return burn_disc_get_profile(held_->drive, &pno, name) == 1 ? pno : 0;
  }
  enum burn_disc_status status() { return burn_disc_get_status(held_->drive); }
  std::optional<std::optional<CapabilitiesPage>>& capabilities() { return held_->capabilities; }

 private:
  void grab(bool loadTray) {
    std::string adr = owner_.setup_.libburnAddress;
    struct burn_drive_info* infos = nullptr;
    int r = burn_drive_scan_and_grab(&infos, adr.data(), loadTray ? 1 : 0);
    if (r <= 0 || !infos) {
      std::string why = LibburnRuntime::worstText(owner_.runtime_->drain());
      if (!owner_.isPseudoDrive())
        if (auto failure = diagnoseOpenFailure(adr)) throw OpenRefused(failure->code, failure->text);
      throw DwError(r == 0 ? DW_E_NO_DEVICE : DW_E_IO,
                    withReason("Cannot open the drive " + owner_.identity_.name + " (" + adr + ")", why));
    }
    auto held = std::make_unique<Held>();
    held->infos = infos;
    held->drive = infos[0].drive;
    held->loaded = loadTray;
    owner_.held_ = std::move(held);
    countGrab();
  }

  LibburnDrive& owner_;
  std::unique_lock<std::mutex> op_;
  std::unique_lock<std::mutex> runtime_;
  Held* held_ = nullptr;
  bool eject_ = false;
  bool refresh_ = false;
};

}  // namespace discwright
