// The libburn drive's identity, queries and controls.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "libburn/drive_system.h"
#include "libburn/libburn_grab.h"
#include "layout/cd_sector.h"
#include "layout/track_layout.h"
#include "device.h"
#include "media_records.h"

namespace discwright {

namespace {

// What the drive reports of a track that libburn does not.
void fillFromDrive(DiscwrightTrackInformation& info, const MmcTrackInfo& t) {
  info.TrackMode = t.trackMode;
  if (t.dataMode == 1 || t.dataMode == 2) info.DataMode = t.dataMode;
  info.Damaged = t.damaged;
  info.Copy = t.copy;
  info.FixedPacket = t.fixedPacket;
  info.ReservedTrack = t.reserved;
  info.Blank = t.blank;
  info.Packet = t.packet;
  info.NextWritableValid = t.nextWritableValid;
  if (t.nextWritableValid) info.NextWritable = t.nextWritable;
  info.FreeBlocks = t.freeBlocks;
}

}  // namespace

uint8_t discTypeOfProfile(int profile) {
  struct Entry {
    int profile;
    uint8_t kind;
  };
  // A pressed BD (0x40) has no kind of its own; it must not pass for a BD-R.
  static constexpr Entry kTable[] = {
      {0x00, DISC_TYPE_NO_MEDIA},  {0x08, DISC_TYPE_CDROM},       {0x09, DISC_TYPE_CDR},
      {0x0a, DISC_TYPE_CDRW},      {0x10, DISC_TYPE_DVDROM},      {0x11, DISC_TYPE_DVDR},
      {0x12, DISC_TYPE_DVDRAM},    {0x13, DISC_TYPE_DVDRWRO},     {0x14, DISC_TYPE_DVDRWSR},
      {0x15, DISC_TYPE_DVDR_DL},   {0x16, DISC_TYPE_DVDR_DL},     {0x1a, DISC_TYPE_DVDPLUSRW},
      {0x1b, DISC_TYPE_DVDPLUSR},  {0x2b, DISC_TYPE_DVDPLUSR_DL}, {0x41, DISC_TYPE_BDR},
      {0x42, DISC_TYPE_BDR},       {0x43, DISC_TYPE_BDRE},        {0x50, DISC_TYPE_HDDVDROM},
      {0x51, DISC_TYPE_HDDVDR},    {0x52, DISC_TYPE_HDDVDRW},
      // A file pseudo-drive is overwritable at any block, as DVD+RW is.
      {0xffff, DISC_TYPE_DVDPLUSRW},
  };
  for (const Entry& e : kTable)
    if (e.profile == profile) return e.kind;
  return DISC_TYPE_UNKNOWN;
}

struct LibburnDrive::Layout {
  struct Track {
    uint32_t start = 0;
    uint32_t blocks = 0;
    uint8_t session = 1;
    uint8_t control = 4;  // data track
  };
  uint8_t discStatus = DW_DISC_BLANK;
  uint8_t lastSessionStatus = DW_SESSION_EMPTY;
  bool erasable = false;
  bool readOnly = false;  // a file libburn may only read: a pressed disc
  uint16_t sessions = 0;
  std::vector<Track> tracks;
  uint32_t usedBlocks = 0;
  std::optional<uint32_t> nextWritable;
  // An appendable disc's last complete session (msc1): where readers find its newest volume.
  std::optional<uint32_t> lastSessionStart;
};

LibburnDrive::LibburnDrive(std::shared_ptr<LibburnRuntime> runtime, LibburnDriveSetup setup)
    : runtime_(std::move(runtime)), setup_(std::move(setup)) {
  identity_.name = setup_.name;
  identity_.address = setup_.address;
  try {
    Grab grab(*this);
    const auto& info = grab.info();
    identity_.vendor = info.vendor;
    identity_.product = info.product;
    identity_.revision = info.revision;
    identity_.bufferSize = uint32_t(info.buffer_size) * 1024u;
    formats_[DW_FMT_READ_CDR] = info.read_cdr;
    formats_[DW_FMT_READ_CDRW] = info.read_cdrw;
    formats_[DW_FMT_READ_DVDR] = info.read_dvdr;
    formats_[DW_FMT_READ_DVDRAM] = info.read_dvdram;
    formats_[DW_FMT_TEST_WRITE] = info.write_simulate;
    formats_[DW_FMT_WRITE] = info.write_cdr || info.write_dvdr || info.write_dvdram || isPseudoDrive();
    formats_[DW_FMT_WRITE_CDRW] = info.write_cdrw;
    formats_[DW_FMT_WRITE_DVDR] = info.write_dvdr;
    formats_[DW_FMT_WRITE_DVDRAM] = info.write_dvdram;
    // The profile list tells the DVD+ kinds the drive knows.
    int count = 0;
    int profiles[64] = {};
    char current[64] = {};
    if (burn_drive_get_all_profiles(grab.drive(), &count, profiles, current) == 1) {
      for (int i = 0; i < count; ++i) {
        if (profiles[i] == 0x1a) formatsEx_[DW_FMTX_READ_DVDPLUSRW] = formatsEx_[DW_FMTX_WRITE_DVDPLUSRW] = true;
        if (profiles[i] == 0x1b) formatsEx_[DW_FMTX_READ_DVDPLUSR] = formatsEx_[DW_FMTX_WRITE_DVDPLUSR] = true;
        if (profiles[i] == 0x2b) formatsEx_[DW_FMTX_READ_DVDPLUSR_DL] = formatsEx_[DW_FMTX_WRITE_DVDPLUSR_DL] = true;
      }
    }
    // A file can simulate, though libburn's drive flags do not say so.
    struct burn_multi_caps* caps = nullptr;
    if (burn_disc_get_multi_caps(grab.drive(), BURN_WRITE_NONE, &caps, 0) >= 0 && caps && caps->might_simulate)
      formats_[DW_FMT_TEST_WRITE] = true;
    burn_disc_free_multi_caps(&caps);
    if (isPseudoDrive()) formatsEx_[DW_FMTX_READ_DVDPLUSRW] = formatsEx_[DW_FMTX_WRITE_DVDPLUSRW] = true;
  } catch (const OpenRefused& e) {
    throw DwError(DW_E_CONFIG, e.what(), e.status());
  } catch (const DwError& e) {
    throw DwError(DW_E_CONFIG, std::string(e.what()) + ". Check the drive path of " + setup_.name);
  }
  {
    // Nobody asked for the drive yet: other programs may have it until someone does.
    std::lock_guard op(opMutex_);
    std::lock_guard runtime(runtime_->mutex());
    releaseHeld(false);
  }
  idleReleaser_ = std::jthread([this](std::stop_token stop) { idleReleaseLoop(stop); });
}

LibburnDrive::~LibburnDrive() {
  idleReleaser_.request_stop();
  if (idleReleaser_.joinable()) idleReleaser_.join();
  std::lock_guard op(opMutex_);
  std::lock_guard runtime(runtime_->mutex());
  releaseHeld(false);
}


template <class F>
auto LibburnDrive::withMmc(F&& f) {
  std::lock_guard lock(mmcMutex_);
  if (!transport_) transport_ = openSystemTransport(setup_.libburnAddress);
  struct CloseUnlessLocked {
    LibburnDrive& d;
    ~CloseUnlessLocked() {
      if (d.lockers_.empty()) d.transport_.reset();
    }
  } close{*this};
  MmcCommands mmc(*transport_, identity_.name);
  return f(mmc);
}

void LibburnDrive::relockAfterRelease() noexcept {
  std::lock_guard lock(mmcMutex_);
  if (lockers_.empty() || !transport_) return;
  try {
    MmcCommands(*transport_, identity_.name).preventRemoval(true);
  } catch (const DwError&) {
    // The next lock call reports a drive that stopped answering.
  }
}

void LibburnDrive::unlockFor(LockOwner owner) {
  std::lock_guard lock(mmcMutex_);
  if (!lockers_.erase(owner) || !lockers_.empty() || !transport_) return;
  auto transport = std::move(transport_);  // closed on return, whatever happens
  // A running burn unlocks the tray itself when libburn releases the drive.
  if (!burning_.load()) MmcCommands(*transport, identity_.name).preventRemoval(false);
}

void LibburnDrive::requireIdle() const {
  if (burning_.load())
    throw DwError(DW_E_BUSY, "A burn is running on " + identity_.name + "; wait until it has ended",
                  sense(0x02, 0x04, 0x08));
}

std::array<bool, DW_WRITE_MODE_COUNT> LibburnDrive::writeModes() {
  requireIdle();
  Grab grab(*this);
  std::array<bool, DW_WRITE_MODE_COUNT> modes{};
  struct burn_multi_caps* caps = nullptr;
  if (burn_disc_get_multi_caps(grab.drive(), BURN_WRITE_NONE, &caps, 0) >= 0 && caps) {
    modes[DW_WRITE_TAO] = caps->might_do_tao > 0;
    modes[DW_WRITE_SAO] = caps->might_do_sao > 0;
    // Disc-at-once is session-at-once with one session, on CD only.
    modes[DW_WRITE_DAO_PQ] = caps->might_do_sao > 0 && caps->current_is_cd_profile;
    modes[DW_WRITE_DAO_RAW] = caps->might_do_raw > 0 && caps->current_is_cd_profile;
  }
  burn_disc_free_multi_caps(&caps);
  return modes;
}

std::array<bool, DW_READ_MODE_COUNT> LibburnDrive::readModes() {
  // A file holds 2048-byte user data blocks and nothing else: no audio, no
  // mode 2 forms, no subchannel, no error pointers. It offers no read mode.
  if (isPseudoDrive()) return {};
  {
    std::lock_guard lock(stateMutex_);
    if (readModes_) return *readModes_;
  }
  requireIdle();
  Grab grab(*this, false);  // asking what the drive can do must not pull in an open tray
  // A drive without the page offers none of the modes.
  auto& cached = grab.capabilities();
  if (!cached) cached = withMmc([](MmcCommands& mmc) { return mmc.capabilities(); });
  const auto& page = *cached;
  std::array<bool, DW_READ_MODE_COUNT> modes = page ? page->readModes : std::array<bool, DW_READ_MODE_COUNT>{};
  std::lock_guard lock(stateMutex_);
  readModes_ = modes;
  return modes;
}

void LibburnDrive::testUnitReady() {
  requireIdle();
  Grab grab(*this);
  switch (grab.status()) {
    case BURN_DISC_EMPTY:
      throw DwError(DW_E_NO_MEDIUM, "There is no disc in " + identity_.name + ": insert one", senses::kNoMedium);
    case BURN_DISC_UNREADY:
    case BURN_DISC_UNGRABBED:
      throw DwError(DW_E_NOT_READY, identity_.name + " is not ready yet: try again in a moment",
                    sense(0x02, 0x04, 0x01));
    default: break;
  }
}

uint8_t LibburnDrive::discType() {
  requireIdle();
  Grab grab(*this);
  if (grab.status() == BURN_DISC_EMPTY) return DISC_TYPE_NO_MEDIA;
  // A file that may only be read stands for a pressed disc.
  if (isPseudoDrive() && burn_drive_get_drive_role(grab.drive()) == 4) return DISC_TYPE_DVDROM;
  return discTypeOfProfile(grab.profile());
}

LibburnDrive::Layout LibburnDrive::layoutOf(Grab& grab) {
  Layout layout;
  auto status = grab.status();
  if (isPseudoDrive()) {
    // libburn calls every writable file blank, whatever it holds, and knows no
    // tracks in it: the file's length is what was burned.
    int readable = 0;
    uint32_t blocks = burn_get_read_capacity(grab.drive(), &readable, 0) == 1 && readable > 0 ? uint32_t(readable) : 0;
    layout.readOnly = burn_drive_get_drive_role(grab.drive()) == 4;
    layout.erasable = !layout.readOnly;  // burning a file starts again at its first block
    std::lock_guard lock(stateMutex_);
    if (blocks == 0) {
      layout.nextWritable = 0;
      return layout;
    }
    bool known = !fileTracks_.empty() && fileTracks_.back().first + fileTracks_.back().second == blocks;
    if (known)
      for (auto [start, size] : fileTracks_) layout.tracks.push_back({start, size});
    else
      layout.tracks.push_back({0, blocks});
    layout.sessions = 1;
    layout.usedBlocks = blocks;
    bool open = openSessionEnd_ && known && !layout.readOnly;
    layout.discStatus = open ? DW_DISC_APPENDABLE : DW_DISC_COMPLETE;
    layout.lastSessionStatus = open ? DW_SESSION_INCOMPLETE : DW_SESSION_COMPLETE;
    if (open) layout.nextWritable = blocks;
    if (!open && !layout.readOnly) growable(grab, layout);
    return layout;
  }
  layout.discStatus = status == BURN_DISC_BLANK ? DW_DISC_BLANK
                      : status == BURN_DISC_APPENDABLE ? DW_DISC_APPENDABLE
                                                       : DW_DISC_COMPLETE;
  layout.lastSessionStatus = status == BURN_DISC_BLANK ? DW_SESSION_EMPTY : DW_SESSION_COMPLETE;
  layout.erasable = burn_disc_erasable(grab.drive()) != 0;
  if (struct burn_disc* disc = burn_drive_get_disc(grab.drive())) {
    int sessions = 0;
    struct burn_session** list = burn_disc_get_sessions(disc, &sessions);
    layout.sessions = uint16_t(sessions);
    for (int s = 0; s < sessions; ++s) {
      int n = 0;
      struct burn_track** tracks = burn_session_get_tracks(list[s], &n);
      for (int t = 0; t < n; ++t) {
        struct burn_toc_entry entry {};
        burn_track_get_entry(tracks[t], &entry);
        Layout::Track track;
        track.session = uint8_t(s + 1);
        track.control = uint8_t(entry.control);
        if (entry.extensions_valid & 1) track.start = uint32_t(entry.start_lba), track.blocks = uint32_t(entry.track_blocks);
        layout.tracks.push_back(track);
        layout.usedBlocks = std::max(layout.usedBlocks, track.start + track.blocks);
      }
    }
    burn_disc_free(disc);
  }
  // Asked as a track-at-once burn that keeps the disc open asks: the only burn an appendable disc takes.
  if (status == BURN_DISC_BLANK || status == BURN_DISC_APPENDABLE)
    layout.nextWritable = nextWritableFor(grab.drive(), BURN_WRITE_TAO, BURN_BLOCK_MODE1, true);
  int msc1 = 0;
  if (status == BURN_DISC_APPENDABLE && burn_disc_get_msc1(grab.drive(), &msc1) > 0 && msc1 >= 0)
    layout.lastSessionStart = uint32_t(msc1);
  // An appendable disc is used up to where the next session starts (its lead-in
  // and lead-out included); a complete one without a table of contents as far as it reads.
  if (status == BURN_DISC_APPENDABLE && layout.nextWritable)
    layout.usedBlocks = std::max(layout.usedBlocks, *layout.nextWritable);
  if (isOverwritableKind(discTypeOfProfile(grab.profile()))) growable(grab, layout);
  int readable = 0;
  if (status == BURN_DISC_FULL && layout.usedBlocks == 0 && burn_get_read_capacity(grab.drive(), &readable, 0) == 1 &&
      readable > 0)
    layout.usedBlocks = uint32_t(readable);
  return layout;
}

std::optional<uint32_t> LibburnDrive::volumeEndOf(Grab& grab) {
  std::vector<uint8_t> block(kBlock);
  off_t got = 0;
  if (burn_read_data(grab.drive(), off_t(kHeadBlock) * off_t(kBlock), reinterpret_cast<char*>(block.data()),
                     off_t(kBlock), &got, 1 /* no messages of its own */) <= 0 ||
      got != off_t(kBlock))
    return std::nullopt;  // nothing recorded there: no volume
  if (block[0] != 1 || std::memcmp(block.data() + 1, "CD001", 5) != 0) return std::nullopt;
  const uint32_t end = uint32_t(block[80]) | uint32_t(block[81]) << 8 | uint32_t(block[82]) << 16 |
                       uint32_t(block[83]) << 24;
  if (end <= kHeadBlock + 1) return std::nullopt;
  return end;
}

void LibburnDrive::growable(Grab& grab, Layout& layout) {
  // libburn calls such a medium blank whether it holds data or not.
  const std::optional<uint32_t> end = volumeEndOf(grab);
  if (!end) return;
  const uint32_t next = growthStart(*end);
  layout.discStatus = DW_DISC_APPENDABLE;
  layout.lastSessionStatus = DW_SESSION_COMPLETE;
  layout.sessions = 1;
  if (layout.tracks.empty()) layout.tracks.push_back({0, *end});
  layout.nextWritable = next;
  layout.lastSessionStart = 0;
  layout.usedBlocks = std::max(layout.usedBlocks, next);
}

uint64_t LibburnDrive::freeBytesFrom(Grab& grab, uint64_t startByte) {
  OptsRef opts{burn_write_opts_new(grab.drive())};
  off_t libburnFree = burn_disc_available_space(grab.drive(), opts.o);
  uint64_t free = libburnFree > 0 ? uint64_t(libburnFree) : 0;
  if (setup_.capacityBytes) free = std::min(free, setup_.capacityBytes > startByte ? setup_.capacityBytes - startByte : 0);
  return free / kBlock * kBlock;
}

uint64_t LibburnDrive::freeBytesOf(Grab& grab, const Layout& layout) {
  if (layout.discStatus == DW_DISC_COMPLETE) return 0;
  return freeBytesFrom(grab, uint64_t(layout.nextWritable.value_or(0)) * kBlock);
}

DiscwrightDiscInformation LibburnDrive::discInformation() {
  requireIdle();
  Grab grab(*this);
  DiscwrightDiscInformation info{};
  if (grab.status() == BURN_DISC_EMPTY)
    throw DwError(DW_E_NO_MEDIUM, "There is no disc in " + identity_.name + ": insert one", senses::kNoMedium);
  Layout layout = layoutOf(grab);
  info.Valid = 1;
  info.DiscStatus = layout.discStatus;
  info.LastSessionStatus = layout.lastSessionStatus;
  info.Erasable = layout.erasable ? 1 : 0;
  if (!isPseudoDrive()) {
    try {
      withMmc([&](MmcCommands& mmc) {
        auto raw = mmc.discInformation();
        if (!raw) return;
        info.LastSessionStatus = raw->lastSessionState == 0   ? DW_SESSION_EMPTY
                                 : raw->lastSessionState == 3 ? DW_SESSION_COMPLETE
                                                              : DW_SESSION_INCOMPLETE;
        if (raw->firstTrackLastSession)
          if (auto first = mmc.trackInformation(raw->firstTrackLastSession)) info.LastSessionStart = first->start;
      });
    } catch (const DwError&) {
      // libburn's view of the disc stands.
    }
  }
  info.DiscType = layout.readOnly ? uint8_t(DISC_TYPE_DVDROM) : discTypeOfProfile(grab.profile());
  info.NextWritable = layout.nextWritable.value_or(0);
  uint64_t free = freeBytesOf(grab, layout);
  info.FreeBlocks = uint32_t(std::min<uint64_t>(free / kBlock, UINT32_MAX));
  info.UsedBlocks = layout.usedBlocks;
  info.CapacityBlocks = uint32_t(std::min<uint64_t>(uint64_t(info.FreeBlocks) + info.UsedBlocks, UINT32_MAX));
  info.Sessions = layout.sessions;
  int tracks = int(layout.tracks.size());
  if (tracks) {
    uint8_t lastSession = layout.tracks.back().session;
    int first = tracks;
    while (first > 1 && layout.tracks[size_t(first - 2)].session == lastSession) --first;
    info.FirstTrackLastSession = uint16_t(first);
    info.LastTrackLastSession = uint16_t(tracks);
    if (isPseudoDrive()) info.LastSessionStart = layout.tracks[size_t(first - 1)].start;
  }
  // The drive's own record names the empty session that follows on an appendable disc.
  if (layout.lastSessionStart) info.LastSessionStart = *layout.lastSessionStart;
  info.Tracks = uint8_t(std::min(tracks, 255));
  return info;
}

DiscwrightTocInformation LibburnDrive::toc() {
  requireIdle();
  Grab grab(*this);
  Layout layout = layoutOf(grab);
  if (layout.tracks.empty())
    throw DwError(DW_E_NOT_SUPPORTED, "The disc in " + identity_.name + " has no table of contents yet");
  DiscwrightTocInformation toc{};
  int number = 0;
  for (const auto& t : layout.tracks) {
    if (number >= int(DISCWRIGHT_TOC_ENTRIES)) break;
    auto& e = toc.Entries[number++];
    e.TrackNumber = uint8_t(number);
    e.SessionNumber = t.session;
    e.Control = t.control;
    e.Mode = (t.control & 4) ? 1 : 0;  // audio tracks have no data mode
    e.StartBlock = t.start;
    e.SizeBlocks = t.blocks;
    toc.LeadOutBlock = std::max(toc.LeadOutBlock, e.StartBlock + e.SizeBlocks);
  }
  toc.Valid = 1;
  toc.FirstTrack = 1;
  toc.LastTrack = uint8_t(number);
  toc.Sessions = uint8_t(layout.sessions);
  return toc;
}

DiscwrightTrackInformation LibburnDrive::trackInformation(uint8_t trackNumber) {
  DiscwrightTrackInformation info = libburnTrackInformation(trackNumber);
  if (isPseudoDrive()) return info;
  requireIdle();
  Grab grab(*this);
  try {
    auto raw = withMmc([&](MmcCommands& mmc) {
      return mmc.trackInformation(trackNumber == DISCWRIGHT_TRACK_INVISIBLE ? MmcCommands::kInvisibleTrack : trackNumber);
    });
    if (raw) fillFromDrive(info, *raw);
  } catch (const DwError&) {
    // libburn's view of the track stands.
  }
  return info;
}

DiscwrightTrackInformation LibburnDrive::libburnTrackInformation(uint8_t trackNumber) {
  DiscwrightTrackInformation info{};
  if (trackNumber == DISCWRIGHT_TRACK_INVISIBLE) {
    DiscwrightDiscInformation disc = discInformation();
    info.Valid = 1;
    info.TrackNumber = uint8_t(disc.Tracks + 1);
    info.SessionNumber = uint8_t(disc.Sessions + 1);
    info.TrackMode = 4;
    info.DataMode = 1;
    info.Blank = 1;
    info.NextWritableValid = disc.DiscStatus != DW_DISC_COMPLETE;
    info.StartBlock = info.NextWritable = disc.NextWritable;
    info.FreeBlocks = disc.FreeBlocks;
    return info;
  }
  DiscwrightTocInformation t = toc();
  if (trackNumber == 0 || trackNumber > t.LastTrack)
    throw DwError(DW_E_INVALID_ARGUMENT, "The disc has no track " + std::to_string(trackNumber),
                  senses::kInvalidField);
  const auto& e = t.Entries[trackNumber - 1];
  info.Valid = 1;
  info.TrackNumber = trackNumber;
  info.SessionNumber = e.SessionNumber;
  info.TrackMode = e.Control;  // the table's control: 4 for data, 0 (or 2 with copy) for audio
  info.DataMode = e.Mode;
  info.StartBlock = e.StartBlock;
  info.SizeBlocks = e.SizeBlocks;
  return info;
}

Speeds LibburnDrive::speeds() {
  requireIdle();
  Grab grab(*this);
  DriveSpeedReport report;
  report.maximumRead = uint32_t(std::max(0, burn_drive_get_read_speed(grab.drive())));
  report.maximumWrite = uint32_t(std::max(0, burn_drive_get_write_speed(grab.drive())));
  struct burn_speed_descriptor* list = nullptr;
  if (burn_drive_get_speedlist(grab.drive(), &list) > 0)
    for (auto* d = list; d; d = d->next)
      if (d->write_speed > 0) report.writeSpeeds.push_back(uint32_t(d->write_speed));
  if (list) burn_drive_free_speedlist(&list);
  if (!isPseudoDrive()) {
    auto& cached = grab.capabilities();
    try {
      if (!cached) cached = withMmc([](MmcCommands& mmc) { return mmc.capabilities(); });
      if (*cached) report.pageCurrentRead = (*cached)->currentRead, report.pageCurrentWrite = (*cached)->currentWrite;
    } catch (const DwError&) {
      // The speed list speaks alone.
    }
  }
  std::lock_guard lock(stateMutex_);
  return speedsInUse(report, readRequest_, writeRequest_);
}

void LibburnDrive::setSpeeds(uint32_t readSpeed, uint32_t writeSpeed) {
  requireIdle();
  Grab grab(*this);
  // 0 asks libburn for the maximum.
  burn_drive_set_speed(grab.drive(), readSpeed == DISCWRIGHT_SPEED_MAX ? 0 : int(readSpeed),
                       writeSpeed == DISCWRIGHT_SPEED_MAX ? 0 : int(writeSpeed));
  std::lock_guard lock(stateMutex_);
  readRequest_ = readSpeed;
  writeRequest_ = writeSpeed;
}

BupState LibburnDrive::bup() {
  std::lock_guard lock(stateMutex_);
  // Only real recorders protect against underruns; a file cannot run short.
  return {bupEnabled_ && !isPseudoDrive(), !isPseudoDrive()};
}

void LibburnDrive::setBup(bool enable) {
  if (enable && isPseudoDrive())
    throw DwError(DW_E_NOT_SUPPORTED, identity_.name + " is a file and has no buffer-underrun protection");
  std::lock_guard lock(stateMutex_);
  bupEnabled_ = enable;
}

uint64_t LibburnDrive::freeBytes() {
  requireIdle();
  Grab grab(*this);
  if (grab.status() == BURN_DISC_EMPTY)
    throw DwError(DW_E_NO_MEDIUM, "There is no disc in " + identity_.name + ": insert one", senses::kNoMedium);
  return freeBytesOf(grab, layoutOf(grab));
}

uint64_t LibburnDrive::usedBytes() {
  DiscwrightDiscInformation info = discInformation();
  return uint64_t(info.UsedBlocks) * kBlock;
}

RpcState LibburnDrive::rpc() {
  if (isPseudoDrive()) return {};
  requireIdle();
  Grab grab(*this);
  return withMmc([](MmcCommands& mmc) { return mmc.rpcState(); }).value_or(RpcState{});
}

std::string LibburnDrive::mountPoint() {
  if (isPseudoDrive()) return {};
  return systemMountPoint(setup_.libburnAddress);
}

void LibburnDrive::lock(LockOwner owner) {
  if (isPseudoDrive()) return;  // a file has no tray: there is nothing to keep closed
  requireIdle();
  Grab grab(*this);
  withMmc([&](MmcCommands& mmc) {
    mmc.preventRemoval(true);
    lockers_.insert(owner);
  });
}

void LibburnDrive::release(LockOwner owner) {
  if (!isPseudoDrive()) unlockFor(owner);
}

void LibburnDrive::ownerGone(LockOwner owner) {
  if (isPseudoDrive()) return;
  try {
    unlockFor(owner);
  } catch (const DwError&) {
    // The grabber is gone either way; closing the descriptor lets the kernel unlock.
  }
}

void LibburnDrive::eject() {
  requireIdle();
  {
    std::lock_guard lock(mmcMutex_);
    if (!lockers_.empty())
      throw DwError(DW_E_LOCKED, "The tray of " + identity_.name + " is locked: release it first",
                    senses::kRemovalPrevented);
  }
  Grab grab(*this, false);
  grab.ejectOnRelease();
  // The disc that comes back may be another one: no session stays open.
  std::lock_guard lock(stateMutex_);
  openSessionEnd_.reset();
}

void LibburnDrive::closeTray() {
  requireIdle();
  Grab grab(*this, true);  // grabbing with load closes the tray
}

void LibburnDrive::sendOpc() {
  if (isPseudoDrive())
    throw DwError(DW_E_NOT_SUPPORTED, identity_.name + " is a file and needs no power calibration");
  requireIdle();
  Grab grab(*this);
  withMmc([](MmcCommands& mmc) { mmc.sendOpc(); });
}

void LibburnDrive::readSectors(uint32_t lba, uint32_t count, void* buffer) {
  requireIdle();
  Grab grab(*this);
  off_t got = 0;
  int r = burn_read_data(grab.drive(), off_t(lba) * off_t(kBlock), static_cast<char*>(buffer),
                         off_t(count) * off_t(kBlock), &got, 1 /* no messages of its own */);
  if (r <= 0 || got != off_t(count) * off_t(kBlock))
    throw DwError(DW_E_IO,
                  withReason("Reading " + std::to_string(count) + " blocks at " + std::to_string(lba) + " from " +
                                 identity_.name + " failed",
                             LibburnRuntime::worstText(runtime_->drain())),
                  senses::kReadError);
}

void LibburnDrive::readRawSectors(uint32_t lba, uint32_t count, void* buffer) {
  if (isPseudoDrive())
    throw DwError(DW_E_NOT_SUPPORTED, identity_.name + " is a file of 2048-byte blocks, not a CD: it has no whole sectors");
  requireIdle();
  Grab grab(*this);
  const uint8_t type = discTypeOfProfile(grab.profile());
  if (type != DISC_TYPE_CDROM && type != DISC_TYPE_CDR && type != DISC_TYPE_CDRW)
    throw DwError(DW_E_NOT_SUPPORTED, "The disc in " + identity_.name + " is not a CD: it has no whole sectors",
                  senses::kIncompatibleMedium);
  auto* out = static_cast<uint8_t*>(buffer);
  try {
    withMmc([&](MmcCommands& mmc) {
      for (uint32_t done = 0; done < count;) {
        const uint32_t n = std::min(count - done, kReadCdSectorsPerCommand);
        mmc.readCd(lba + done, n, std::span<uint8_t>(out + size_t(done) * kRawSectorBytes, size_t(n) * kRawSectorBytes));
        done += n;
      }
    });
    return;
  } catch (const DwError& e) {
    if (e.code() != DW_E_NOT_SUPPORTED) throw;
    // A drive without READ CD still reads data tracks: their sectors are made around the user data.
    const Layout layout = layoutOf(grab);
    const bool allData = std::all_of(layout.tracks.begin(), layout.tracks.end(),
                                     [](const Layout::Track& t) { return (t.control & 4) != 0; });
    if (!allData || layout.tracks.empty()) throw;
  }
  std::vector<uint8_t> user(kCookedSectorBytes);
  for (uint32_t b = 0; b < count; ++b) {
    off_t got = 0;
    if (burn_read_data(grab.drive(), off_t(lba + b) * off_t(kBlock), reinterpret_cast<char*>(user.data()), off_t(kBlock),
                       &got, 1) <= 0 ||
        got != off_t(kBlock))
      throw DwError(DW_E_IO,
                    withReason("Reading block " + std::to_string(lba + b) + " from " + identity_.name + " failed",
                               LibburnRuntime::worstText(runtime_->drain())),
                    senses::kReadError);
    encodeMode1Sector(lba + b, user.data(), out + size_t(b) * kRawSectorBytes);
  }
}

CdFacts LibburnDrive::cdFacts() {
  if (isPseudoDrive()) return {};
  requireIdle();
  Grab grab(*this);
  CdFacts facts;
  unsigned char* packs = nullptr;
  int count = 0;
  if (burn_disc_get_leadin_text(grab.drive(), &packs, &count, 0) == 1 && packs && count > 0)
    facts.cdText.assign(packs, packs + size_t(count) * 18);
  std::free(packs);
  runtime_->drain();  // a disc without CD-TEXT leaves a message that means nothing here
  const Layout layout = layoutOf(grab);
  try {
    withMmc([&](MmcCommands& mmc) {
      facts.catalog = mmc.mediaCatalog();
      for (size_t i = 0; i < layout.tracks.size() && i < 99; ++i)
        facts.isrcs.push_back((layout.tracks[i].control & 4) ? std::string() : mmc.isrc(uint8_t(i + 1)));
    });
  } catch (const DwError&) {
    // A drive that cannot tell the sub-channel leaves catalog and ISRCs untold.
    facts.catalog.clear();
    facts.isrcs.clear();
  }
  return facts;
}

}  // namespace discwright
