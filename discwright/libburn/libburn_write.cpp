// Writing and erasing through libburn: the job's tracks are fed to libburn's
// writer, whose progress is polled until its thread has ended.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "burn_pipeline.h"
#include "libburn/libburn_grab.h"
#include "libburn/libburn_layout.h"
#include "media_records.h"

namespace discwright {

namespace {

// The bytes of one track, read by libburn's FIFO thread. Shared with libburn
// because that thread may still hold the source after a cancelled burn returns.
struct TrackFeed {
  std::unique_ptr<ByteSource> source;
  off_t size = 0;
  std::mutex errorMutex;
  std::string error;  // the first read failure, reported instead of libburn's generic one
  uint8_t errorCode = DW_E_OK;
  uint32_t errorStatus = 0;
};

int feedRead(struct burn_source* s, unsigned char* buffer, int size) {
  auto& feed = **static_cast<std::shared_ptr<TrackFeed>*>(s->data);
  try {
    size_t got = 0;
    // libburn wants full buffers until the last one.
    while (got < size_t(size)) {
      size_t n = feed.source->read(buffer + got, size_t(size) - got);
      if (n == 0) break;
      got += n;
    }
    return int(got);
  } catch (const DwError& e) {
    std::lock_guard lock(feed.errorMutex);
    if (feed.error.empty()) feed.error = e.what(), feed.errorCode = e.code(), feed.errorStatus = e.status();
    return -1;
  } catch (const std::exception& e) {
    std::lock_guard lock(feed.errorMutex);
    if (feed.error.empty()) feed.error = e.what(), feed.errorCode = DW_E_FILE;
    return -1;
  }
}
off_t feedGetSize(struct burn_source* s) { return (*static_cast<std::shared_ptr<TrackFeed>*>(s->data))->size; }
int feedSetSize(struct burn_source* s, off_t size) {
  (*static_cast<std::shared_ptr<TrackFeed>*>(s->data))->size = size;
  return 1;
}
void feedFree(struct burn_source* s) {
  std::unique_ptr<std::shared_ptr<TrackFeed>> owned(static_cast<std::shared_ptr<TrackFeed>*>(s->data));
}

// libburn frees a burn_source with free(), so it must come from calloc.
// After the writer has run: a source's own read failure first (it says more than libburn's
// generic one), then a cancel, then libburn's worst message.
void throwUnlessWritten(const std::string& drive, const std::vector<std::shared_ptr<TrackFeed>>& feeds,
                        bool cancelled, bool wroteWell, const std::vector<LibburnMessage>& messages) {
  for (const auto& feed : feeds) {
    std::lock_guard lock(feed->errorMutex);
    if (!feed->error.empty()) throw DwError(feed->errorCode, feed->error, feed->errorStatus);
  }
  if (cancelled) throw DwError(DW_E_CANCELLED, "The burn on " + drive + " was cancelled");
  if (!wroteWell)
    throw DwError(DW_E_IO, withReason("The burn on " + drive + " failed", LibburnRuntime::worstText(messages)),
                  senses::kWriteError);
}

struct burn_source* newFeedSource(const std::shared_ptr<TrackFeed>& feed) {
  auto* s = static_cast<struct burn_source*>(std::calloc(1, sizeof(struct burn_source)));
  if (!s) throw std::bad_alloc();
  s->refcount = 1;
  s->read = feedRead;
  s->get_size = feedGetSize;
  s->set_size = feedSetSize;
  s->free_data = feedFree;
  s->data = std::make_unique<std::shared_ptr<TrackFeed>>(feed).release();
  return s;
}

struct SourceRef {
  struct burn_source* s = nullptr;
  ~SourceRef() {
    if (s) burn_source_free(s);
  }
};

struct DiscRef {
  struct burn_disc* disc = nullptr;
  struct burn_session* session = nullptr;
  std::vector<struct burn_track*> tracks;
  ~DiscRef() {
    for (auto* t : tracks) burn_track_free(t);
    if (session) burn_session_free(session);
    if (disc) burn_disc_free(disc);
  }
};

}  // namespace

bool LibburnDrive::runWriter(Grab& grab, struct burn_write_opts* opts, struct burn_disc* disc,
                             BurnObserver& observer, const std::function<void(int, int)>& progress,
                             bool& cancelled, std::vector<LibburnMessage>& messages) {
  auto* drive = grab.drive();
  runtime_->drain();
  grab.mediumChanged();
  burn_disc_write(opts, disc);
  grab.unlockRuntime();

  struct burn_progress p {};
  int shownTrack = 0, shownSector = 0;
  for (;;) {
    enum burn_drive_status st = burn_drive_get_status(drive, &p);
    if (observer.cancelled()) cancelled = true;
    // A cancel issued just before libburn's thread starts is lost: repeat it until the burn ends.
    if (cancelled) burn_drive_cancel(drive);
    if (st == BURN_DRIVE_IDLE) break;
    // At its end libburn still says WRITING while it counts the last track from 0 again.
    if (st == BURN_DRIVE_WRITING) {
      if (p.track > shownTrack || (p.track == shownTrack && p.sector >= shownSector)) {
        shownTrack = p.track, shownSector = p.sector;
        progress(p.track, p.sector);
      }
      observer.buffer(p.buffer_capacity, p.buffer_available);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  grab.relockRuntime();
  // IDLE comes before libburn's write thread has ended; the next operation fails until it has.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (bool ended = false; !ended && std::chrono::steady_clock::now() < deadline;) {
    for (auto& m : runtime_->drain()) {
      if (m.text.find("Write thread on drive") != std::string::npos && m.text.find("ended") != std::string::npos)
        ended = true;
      messages.push_back(std::move(m));
    }
    if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (observer.cancelled()) cancelled = true;
  return burn_drive_wrote_well(drive) == 1;
}

void LibburnDrive::burn(BurnJob& job, BurnObserver& observer) {
  if (burning_.exchange(true))
    throw DwError(DW_E_BUSY, "A burn is already running on " + identity_.name, sense(0x02, 0x04, 0x08));
  struct Idle {
    std::atomic<bool>& flag;
    ~Idle() { flag = false; }
  } idle{burning_};
  if (job.tracks.empty()) throw DwError(DW_E_INVALID_ARGUMENT, "Nothing to burn: no track was given");
  // A cancel before the drive is even grabbed must still stop the burn.
  if (observer.cancelled()) throw DwError(DW_E_CANCELLED, "The burn was cancelled before it started");
  if (job.layout) {
    burnLayout(job, observer);
    return;
  }

  Grab grab(*this);
  auto* drive = grab.drive();
  auto status = grab.status();
  if (status == BURN_DISC_EMPTY)
    throw DwError(DW_E_NO_MEDIUM, "There is no disc in " + identity_.name + ": insert one", senses::kNoMedium);
  if (status != BURN_DISC_BLANK && status != BURN_DISC_APPENDABLE)
    throw DwError(DW_E_MEDIUM_NOT_BLANK, "The disc in " + identity_.name + " cannot take more data: insert a blank one",
                  senses::kIncompatibleMedium);

  struct burn_multi_caps* caps = nullptr;
  burn_disc_get_multi_caps(drive, BURN_WRITE_NONE, &caps, 0);
  struct CapsRef {
    struct burn_multi_caps*& c;
    ~CapsRef() { burn_disc_free_multi_caps(&c); }
  } capsRef{caps};
  if (!caps) throw DwError(DW_E_NOT_SUPPORTED, "The disc in " + identity_.name + " cannot be written");
  if (job.testWrite && !caps->might_simulate)
    throw DwError(DW_E_NOT_SUPPORTED, "The disc in " + identity_.name + " cannot do a test write: burn for real or use another disc");
  if (job.tracks.size() > 1 && !caps->multi_track)
    throw DwError(DW_E_NOT_SUPPORTED, "The disc in " + identity_.name + " takes only one track per session");
  // A growing volume has no sessions: whether one stays open means nothing there.
  if (job.multiSession && !job.growAt && !caps->multi_session)
    throw DwError(DW_E_NOT_SUPPORTED, "The disc in " + identity_.name + " cannot stay open for another session: burn without multisession");

  // A further track-at-once track joins the session the previous one left
  // open. libburn closed that session on the medium already, so only a medium
  // written at any address (a file, DVD+RW) can take the track after it.
  std::optional<uint64_t> joinAt;
  if (job.growAt) {
    if (job.mode != WriteMode::Tao || job.tracks.size() != 1 || job.head.size() != kHeadBytes)
      throw DwError(DW_E_INVALID_ARGUMENT, "A disc grows by one track-at-once track and its volume descriptors");
    const uint64_t at = uint64_t(*job.growAt) * kBlock;
    if (!caps->start_adr || (caps->start_alignment > 0 && at % uint64_t(caps->start_alignment)))
      throw DwError(DW_E_NOT_SUPPORTED, "The disc in " + identity_.name + " cannot be written at block " +
                                            std::to_string(*job.growAt) + ", so files cannot be added to it",
                    senses::kInvalidField);
  }
  // A blank disc in a drive (another one was put in) has no session to join.
  if (!job.growAt && job.mode == WriteMode::Tao && (isPseudoDrive() || status != BURN_DISC_BLANK)) {
    std::lock_guard lock(stateMutex_);
    joinAt = openSessionEnd_;
  }
  if (joinAt && (!caps->start_adr || (caps->start_alignment > 0 && *joinAt % uint64_t(caps->start_alignment))))
    throw DwError(DW_E_NOT_SUPPORTED,
                  "The disc in " + identity_.name + " closed its session with the previous track-at-once track, so "
                  "no further track can join that session: burn all tracks in one session-at-once burn, or burn "
                  "each track with multisession",
                  senses::kInvalidField);

  uint64_t total = 0;
  std::vector<uint64_t> trackBytes;
  for (const auto& t : job.tracks) trackBytes.push_back(paddedSize(t->size())), total += trackBytes.back();
  enum burn_write_types type = BURN_WRITE_TAO;
  int blockType = BURN_BLOCK_MODE1;
  if (job.mode == WriteMode::Sao || job.mode == WriteMode::DaoPq) type = BURN_WRITE_SAO, blockType = BURN_BLOCK_SAO;
  if (job.mode == WriteMode::DaoRaw) type = BURN_WRITE_RAW, blockType = BURN_BLOCK_RAW96R;
  uint64_t startByte = 0;
  if (job.growAt) {
    startByte = uint64_t(*job.growAt) * kBlock;
  } else if (joinAt) {
    startByte = *joinAt;
  } else if (auto nwa = nextWritableFor(drive, type, blockType, job.multiSession)) {
    // On an appendable CD this lies past the lead-out and lead-in after the last
    // session, where the drive itself puts a track-at-once track.
    startByte = uint64_t(*nwa) * kBlock;
  }
  uint64_t free = freeBytesFrom(grab, startByte);
  if (total > free)
    throw DwError(DW_E_OUT_OF_SPACE,
                  "The data (" + std::to_string(total / kBlock) + " blocks) does not fit the free space of the disc in " +
                      identity_.name + " (" + std::to_string(free / kBlock) + " blocks): use a larger disc or less data");

  OptsRef opts{burn_write_opts_new(drive)};
  // A rejected type would silently stay track-at-once.
  if (burn_write_opts_set_write_type(opts.o, type, blockType) <= 0)
    throw DwError(DW_E_NOT_SUPPORTED,
                  withReason(std::string(writeModeName(job.mode)) + " writing is not possible on the disc in " + identity_.name,
                             LibburnRuntime::worstText(runtime_->drain())));
  burn_write_opts_set_simulate(opts.o, job.testWrite ? 1 : 0);
  // An overwritable medium has no sessions to leave open.
  burn_write_opts_set_multi(opts.o, job.multiSession && !job.growAt ? 1 : 0);
  // A file target is flushed to storage once, at the end of the burn, instead
  // of every 16 MB: the data are as safe when the burn reports success, and the
  // write does not stall on each flush.
  if (isPseudoDrive()) burn_write_opts_set_stdio_fsync(opts.o, 1);
  {
    std::lock_guard lock(stateMutex_);
    if (!isPseudoDrive()) burn_write_opts_set_underrun_proof(opts.o, bupEnabled_ ? 1 : 0);
    burn_drive_set_speed(drive, 0, writeRequest_ == DISCWRIGHT_SPEED_MAX ? 0 : int(writeRequest_));
  }
  if (joinAt || job.growAt) burn_write_opts_set_start_byte(opts.o, off_t(startByte));

  DiscRef disc;
  disc.disc = burn_disc_create();
  disc.session = burn_session_create();
  burn_disc_add_session(disc.disc, disc.session, BURN_POS_END);
  std::vector<std::shared_ptr<TrackFeed>> feeds;
  // The image is fed to libburn's writer directly: its FIFO waits in sleeps
  // between chunks and held a 1 GiB burn near 255 MB/s, while the direct feed
  // (our sources are files or libisofs' own ring buffer) runs at disk speed.
  for (auto& source : job.tracks) {
    auto feed = std::make_shared<TrackFeed>();
    feed->size = off_t(source->size());
    feed->source = std::move(source);
    feeds.push_back(feed);
    SourceRef raw{newFeedSource(feed)};
    struct burn_track* track = burn_track_create();
    disc.tracks.push_back(track);
    burn_track_define_data(track, 0, 0, 1, BURN_MODE1);
    if (burn_track_set_source(track, raw.s) != BURN_SOURCE_OK)
      throw DwError(DW_E_INTERNAL, "Cannot attach the image to the burn on " + identity_.name);
    burn_session_add_track(disc.session, track, BURN_POS_END);
  }

  bool cancelled = false;
  std::vector<LibburnMessage> messages;
  const bool wroteWell = runWriter(
      grab, opts.o, disc.disc, observer,
      [&](int track, int sector) {
        uint64_t done = 0;
        for (int i = 0; i < track && i < int(trackBytes.size()); ++i) done += trackBytes[size_t(i)];
        done += uint64_t(std::max(0, sector)) * kBlock;
        observer.progress(total, std::min(done, total));
      },
      cancelled, messages);

  throwUnlessWritten(identity_.name, feeds, cancelled, wroteWell, messages);
  // libburn leaves the rest of an older, longer image in a file target: cut it off.
  if (isPseudoDrive() && !job.testWrite) {
    std::string path = setup_.libburnAddress.substr(6);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::truncate(path.c_str(), off_t(startByte + total)) != 0) {
      int err = errno;
      throw DwError(DW_E_FILE, "The image was written but \"" + path + "\" could not be cut to its size: " +
                                   std::strerror(err), uint32_t(err));
    }
  }
  if (job.growAt && !job.testWrite) {
    // The new directory is whole on the medium (libburn synchronized it at the end of the
    // write): only now do its descriptors replace the old ones, in one 32 KiB write.
    std::vector<char> head(job.head.begin(), job.head.end());
    runtime_->drain();
    if (burn_random_access_write(drive, off_t(kHeadBlock) * off_t(kBlock), head.data(), off_t(head.size()),
                                 1 /* flush */) <= 0)
      throw DwError(DW_E_IO,
                    withReason("The files were written to " + identity_.name +
                                   ", but the volume descriptors at block 16 could not be: the disc still shows "
                                   "its earlier files",
                               LibburnRuntime::worstText(runtime_->drain())),
                    senses::kWriteError);
  }
  if (!job.testWrite) {
    std::lock_guard lock(stateMutex_);
    if (job.growAt) {
      // One volume from block 0: a file holds no tracks of its own.
      fileTracks_.clear();
      if (isPseudoDrive()) fileTracks_.push_back({0, uint32_t((startByte + total) / kBlock)});
    } else if (isPseudoDrive()) {  // a real disc tells its own tracks
      if (!joinAt) fileTracks_.clear();
      uint64_t at = startByte;
      for (uint64_t bytes : trackBytes) fileTracks_.push_back({uint32_t(at / kBlock), uint32_t(bytes / kBlock)}), at += bytes;
    }
    // With multisession libburn leaves the disc open for a new session; without, the session stays ours.
    if (job.mode == WriteMode::Tao && !job.multiSession && !job.growAt) openSessionEnd_ = startByte + total;
    else openSessionEnd_.reset();
  }
  observer.progress(total, total);
}

void LibburnDrive::burnLayout(BurnJob& job, BurnObserver& observer) {
  checkLayoutJob(job);
  const TrackLayout& layout = *job.layout;
  Grab grab(*this);
  auto* drive = grab.drive();
  auto status = grab.status();
  if (status == BURN_DISC_EMPTY)
    throw DwError(DW_E_NO_MEDIUM, "There is no disc in " + identity_.name + ": insert a blank CD-R", senses::kNoMedium);
  const int profile = grab.profile();
  if (isPseudoDrive() || (profile != 0x09 && profile != 0x0a)) {
    int number = 0;
    char name[80] = {};
    burn_disc_get_profile(drive, &number, name);
    const std::string what = isPseudoDrive() ? identity_.name + " is a file, not a CD"
                             : name[0] ? "The disc in " + identity_.name + " is a " + name
                                       : "The disc in " + identity_.name + " is not a CD";
    throw DwError(DW_E_NOT_SUPPORTED, what + ": audio CDs and cue sheets are burned on a CD-R or CD-RW",
                  senses::kIncompatibleMedium);
  }
  if (status != BURN_DISC_BLANK)
    throw DwError(DW_E_MEDIUM_NOT_BLANK, "The CD in " + identity_.name + " is not blank: insert a blank one",
                  senses::kIncompatibleMedium);
  if (job.testWrite) {
    struct burn_multi_caps* caps = nullptr;
    burn_disc_get_multi_caps(drive, BURN_WRITE_NONE, &caps, 0);
    const bool simulates = caps && caps->might_simulate;
    burn_disc_free_multi_caps(&caps);
    if (!simulates)
      throw DwError(DW_E_NOT_SUPPORTED, "The disc in " + identity_.name + " cannot do a test write: burn for real or use another disc");
  }
  const uint64_t freeBlocks = freeBytesFrom(grab, 0) / kBlock;
  if (layout.leadOutBlock() > freeBlocks)
    throw DwError(DW_E_OUT_OF_SPACE, "The tracks (" + std::to_string(layout.leadOutBlock()) +
                                         " blocks) do not fit the CD in " + identity_.name + " (" +
                                         std::to_string(freeBlocks) + " blocks): use a longer CD or fewer tracks");

  const bool sao = job.mode == WriteMode::Sao;
  OptsRef opts{burn_write_opts_new(drive)};
  if (burn_write_opts_set_write_type(opts.o, sao ? BURN_WRITE_SAO : BURN_WRITE_TAO,
                                     sao ? BURN_BLOCK_SAO : BURN_BLOCK_MODE1) <= 0)
    throw DwError(DW_E_NOT_SUPPORTED,
                  withReason(std::string(writeModeName(job.mode)) + " writing is not possible on the disc in " + identity_.name,
                             LibburnRuntime::worstText(runtime_->drain())));
  burn_write_opts_set_simulate(opts.o, job.testWrite ? 1 : 0);
  burn_write_opts_set_multi(opts.o, 0);
  {
    std::lock_guard lock(stateMutex_);
    burn_write_opts_set_underrun_proof(opts.o, bupEnabled_ ? 1 : 0);
    burn_drive_set_speed(drive, 0, writeRequest_ == DISCWRIGHT_SPEED_MAX ? 0 : int(writeRequest_));
  }
  if (!layout.catalog.empty()) {
    unsigned char catalog[13] = {};
    std::memcpy(catalog, layout.catalog.data(), std::min<size_t>(13, layout.catalog.size()));
    burn_write_opts_set_mediacatalog(opts.o, catalog);
    burn_write_opts_set_has_mediacatalog(opts.o, 1);
  }
  if (!job.cdText.empty()) {
    // The packs go as they are, their CRCs checked: every backend writes the same bytes.
    if (burn_write_opts_set_leadin_text(opts.o, job.cdText.data(), int(job.cdText.size() / 18), 0) <= 0)
      throw DwError(DW_E_INVALID_ARGUMENT,
                    withReason("The CD-TEXT cannot be written", LibburnRuntime::worstText(runtime_->drain())));
  }

  DiscRef disc;
  disc.disc = burn_disc_create();
  disc.session = burn_session_create();
  burn_disc_add_session(disc.disc, disc.session, BURN_POS_END);
  std::vector<std::shared_ptr<TrackFeed>> feeds;
  std::vector<uint64_t> trackBytes;
  std::vector<uint32_t> blockBytes;
  uint64_t total = 0;
  const std::vector<LayoutTrackPlan> plans = planLayout(layout, job.mode);
  for (size_t i = 0; i < plans.size(); ++i) {
    const LayoutTrackPlan& plan = plans[i];
    auto feed = std::make_shared<TrackFeed>();
    feed->size = off_t(job.tracks[i]->size());
    feed->source = std::move(job.tracks[i]);
    feeds.push_back(feed);
    blockBytes.push_back(sectorBytes(layout.tracks[i].kind));
    trackBytes.push_back(uint64_t(feed->size));
    total += uint64_t(feed->size);
    SourceRef raw{newFeedSource(feed)};
    struct burn_track* track = burn_track_create();
    disc.tracks.push_back(track);
    defineLayoutTrack(track, plan);
    if (burn_track_set_source(track, raw.s) != BURN_SOURCE_OK)
      throw DwError(DW_E_INTERNAL, "Cannot attach track " + std::to_string(i + 1) + " to the burn on " + identity_.name);
    burn_session_add_track(disc.session, track, BURN_POS_END);
  }
  // What libburn would refuse once its writer runs is refused here, before the disc is touched.
  char reasons[BURN_REASONS_LEN] = {};
  if (burn_precheck_write(opts.o, disc.disc, reasons, 1) <= 0)
    throw DwError(DW_E_NOT_SUPPORTED, withReason("The drive " + identity_.name + " cannot write these tracks", reasons));

  const uint32_t count = uint32_t(plans.size());
  int announced = -1;
  bool cancelled = false;
  std::vector<LibburnMessage> messages;
  const bool wroteWell = runWriter(
      grab, opts.o, disc.disc, observer,
      [&](int track, int sector) {
        track = std::clamp(track, 0, int(count) - 1);
        if (track != announced) announced = track, observer.track(uint32_t(track) + 1, count);
        uint64_t done = 0;
        for (int i = 0; i < track; ++i) done += trackBytes[size_t(i)];
        done += uint64_t(std::max(0, sector)) * blockBytes[size_t(track)];
        observer.progress(total, std::min(done, total));
      },
      cancelled, messages);
  throwUnlessWritten(identity_.name, feeds, cancelled, wroteWell, messages);
  {
    std::lock_guard lock(stateMutex_);
    openSessionEnd_.reset();
  }
  observer.progress(total, total);
}

void LibburnDrive::erase(bool full, BurnObserver& observer) {
  if (burning_.exchange(true))
    throw DwError(DW_E_BUSY, "A burn or erase is running on " + identity_.name, sense(0x02, 0x04, 0x08));
  struct Idle {
    std::atomic<bool>& flag;
    ~Idle() { flag = false; }
  } idle{burning_};
  if (observer.cancelled()) throw DwError(DW_E_CANCELLED, "The erase on " + identity_.name + " was cancelled before it started");
  if (isPseudoDrive()) {
    // A file is written at any block: forgetting its tracks makes it read as blank.
    std::lock_guard lock(stateMutex_);
    fileTracks_.clear();
    openSessionEnd_.reset();
    observer.progress(1, 1);
    return;
  }
  Grab grab(*this);
  auto* drive = grab.drive();
  auto status = grab.status();
  if (status == BURN_DISC_EMPTY)
    throw DwError(DW_E_NO_MEDIUM, "There is no disc in " + identity_.name + ": insert one", senses::kNoMedium);
  uint8_t type = discTypeOfProfile(grab.profile());
  if (!isBlankableKind(type))
    throw DwError(DW_E_NOT_SUPPORTED,
                  "The disc in " + identity_.name + " cannot be erased: only rewritable discs (CD-RW, DVD-RW, DVD+RW, "
                  "BD-RE) can be erased",
                  senses::kIncompatibleMedium);
  const bool overwritable = type == DISC_TYPE_DVDPLUSRW || type == DISC_TYPE_BDRE;
  if (!overwritable && status == BURN_DISC_BLANK) {
    observer.progress(1, 1);
    return;
  }
  runtime_->drain();
  grab.mediumChanged();
  if (overwritable) {
    // Formatted anew to the default size (size mode 3), even when formatted
    // already (bit 4); a fast one skips the certification (bit 6).
    int flag = (3 << 1) | (1 << 4) | (full ? 0 : (1 << 6));
    burn_disc_format(drive, 0, flag);
  } else {
    burn_disc_erase(drive, full ? 0 : 1);
  }
  grab.unlockRuntime();
  struct burn_progress p {};
  // libburn reports the erase and the format in relative steps (p.sectors is their upper limit).
  for (;;) {
    enum burn_drive_status st = burn_drive_get_status(drive, &p);
    if (st == BURN_DRIVE_IDLE) break;
    if ((st == BURN_DRIVE_ERASING || st == BURN_DRIVE_FORMATTING) && p.sectors > 0)
      observer.progress(uint64_t(p.sectors), uint64_t(std::clamp(p.sector, 0, p.sectors)));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  grab.relockRuntime();
  if (burn_drive_wrote_well(drive) != 1)
    throw DwError(DW_E_IO,
                  withReason(std::string(overwritable ? "Formatting" : "Erasing") + " the disc in " + identity_.name +
                                 " failed",
                             LibburnRuntime::worstText(runtime_->drain())),
                  senses::kWriteError);
  {
    std::lock_guard lock(stateMutex_);
    openSessionEnd_.reset();
  }
  observer.progress(1, 1);
}

void LibburnDrive::closeSession() {
  requireIdle();
  std::lock_guard lock(stateMutex_);
  openSessionEnd_.reset();
}


}  // namespace discwright
