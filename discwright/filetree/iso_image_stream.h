// The image a file tree builds, read as a stream. libisofs writes an image
// through a "burn source": a producer thread that fills a ring buffer from the
// tree. A burn source cannot seek, so going back to the start means making a
// new one from the same tree and options.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
// libburn.h is not used here, so libisofs must provide its copy of struct burn_source
// (libisofs.h needs the fixed-width integers first).
#define LIBISOFS_WITHOUT_LIBBURN
#include <libisofs/libisofs.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "Discwright.h"
#include "byte_source.h"
#include "error.h"
#include "filetree/byte_spool.h"
#include "filetree/iso_plain_view.h"

namespace discwright {

// Largest piece asked of the ring buffer at once; read_xt takes an int.
constexpr size_t kMaxPiece = 1u << 20;

std::string libisofsText(int code);
// libisofs keeps process-wide state that iso_init sets up; it is never torn down because
// trees (and their producer threads) may exist until the process ends.
void ensureLibisofs();

// The library keeps one message queue for the whole process; each message carries the id
// of the image it is about. Whoever drains the queue sorts the messages by image, so one
// tree never takes, nor throws away, another tree's failure texts.
class LibraryMessages {
 public:
  // The messages about image imageId since its last take, oldest first, joined by "; "
  // ("" when none): the file and reason behind a failed production.
  std::string take(int imageId) { return take(imageId, false); }
  // The same, but only what says that a file's bytes are not in the image as measured
  // (a file that changed size, ended early or could not be read, which the image library
  // pads with zeros and goes on); the other messages are dropped.
  std::string takeFileFaults(int imageId) { return take(imageId, true); }

 private:
  // Bounds for messages nobody takes (an image that never fails a read again): a few per
  // image, and the images with the lowest ids (the oldest) go first.
  static constexpr size_t kPerImage = 16;
  static constexpr size_t kImages = 64;

  struct Message {
    int code;
    std::string text;
  };

  std::string take(int imageId, bool fileFaultsOnly) {
    std::lock_guard lock(mutex_);
    drain();
    std::string all;
    auto it = byImage_.find(imageId);
    if (it == byImage_.end()) return all;
    for (const auto& [code, text] : it->second) {
      // The library reports a code by its low 16 bits.
      if (fileFaultsOnly && (code & 0xFFFF) != (ISO_FILE_CANT_WRITE & 0xFFFF)) continue;
      if (!all.empty()) all += "; ";
      all += text;
    }
    byImage_.erase(it);
    return all;
  }

  void drain() {
    char minimum[] = "SORRY";
    char text[ISO_MSGS_MESSAGE_LEN];
    char severity[80];
    int code = 0, imageId = 0;
    while (iso_obtain_msgs(minimum, &code, &imageId, text, severity) == 1) {
      auto& texts = byImage_[imageId];
      if (texts.size() < kPerImage) texts.push_back({code, text});
      if (byImage_.size() > kImages) byImage_.erase(byImage_.begin());
    }
  }

  std::mutex mutex_;
  std::map<int, std::vector<Message>> byImage_;
};


// When the tree measured each file it holds, by the file's device and inode (a hard link
// counts once): the image library keeps only whole seconds, and a file may change within one.
class SourceStamps {
 public:
  void add(const struct stat& st) { stamps_.push_back({st.st_dev, st.st_ino, st.st_mtim.tv_sec, st.st_mtim.tv_nsec}); }
  void seal() { std::sort(stamps_.begin(), stamps_.end(), [](const Stamp& a, const Stamp& b) { return a.key() < b.key(); }); }
  // Whether the file (dev, ino) was measured with another modification time than st's.
  bool changed(dev_t dev, ino_t ino, const struct stat& st) const {
    auto it = std::lower_bound(stamps_.begin(), stamps_.end(), std::pair(dev, ino),
                               [](const Stamp& a, const std::pair<dev_t, ino_t>& k) { return a.key() < k; });
    return it != stamps_.end() && it->key() == std::pair(dev, ino) &&
           (it->sec != st.st_mtim.tv_sec || it->nsec != st.st_mtim.tv_nsec);
  }

 private:
  struct Stamp {
    dev_t dev;
    ino_t ino;
    time_t sec;
    long nsec;
    std::pair<dev_t, ino_t> key() const { return {dev, ino}; }
  };
  std::vector<Stamp> stamps_;
};

// Throws DwError (DW_E_FILE) naming each file of the image whose size, modification time or
// identity is no longer what the tree measured, or which cannot be read now: the image
// would not hold it as it is. The image library compares only the size, when it opens a file.
void checkSources(IsoImage* image, const SourceStamps& stamps);

struct ImageUnref {
  void operator()(IsoImage* image) const { iso_image_unref(image); }
};
using ImagePtr = std::unique_ptr<IsoImage, ImageUnref>;


struct OptsFree {
  void operator()(IsoWriteOpts* opts) const { iso_write_opts_free(opts); }
};
using OptsPtr = std::unique_ptr<IsoWriteOpts, OptsFree>;

// Hands the memory that a stopped producer freed back to the system.
void releaseFreedMemory();

// free_data stops and joins the producer thread; the struct itself was calloc'ed.
struct BurnSourceFree {
  void operator()(burn_source* src) const {
    if (src->free_data) src->free_data(src);
    std::free(src);
    releaseFreedMemory();
  }
};
using BurnSourcePtr = std::unique_ptr<burn_source, BurnSourceFree>;

LibraryMessages& libraryMessages();
ImagePtr shareImage(IsoImage* image);
BurnSourcePtr newBurnSource(IsoImage* image, IsoWriteOpts* opts);

class ImageCursor;

// One build of the image. Producers of the same image must not run side by side: each
// opens the tree's files through the same file objects, and a file already opened by one
// producer cannot be opened by another, which would fill the image with zeros instead.
// So one cursor at a time holds a producer; a cursor that needs it stops the holder,
// which later resumes by producing again and skipping to its position.
struct BuiltImage {
  ImagePtr image;
  OptsPtr opts;
  uint64_t size = 0;
  std::vector<ImagePatch> patches;  // the mended plain view, if any (set before any reader)
  std::shared_ptr<const SourceStamps> stamps;  // the files as the tree measured them
  std::atomic<int> streams{0};  // open streams; the tree may not be rebuilt under them
  // A volume that grows: the buffer every production writes the head of the medium into
  // (blocks 0 to 31; it must outlive opts), and blocks 16 to 31 of it as the build made them.
  std::vector<uint8_t> overwrite;
  std::vector<uint8_t> head;

  std::mutex mutex;
  ImageCursor* producing = nullptr;  // guarded by mutex
};

// A sequential position in a built image.
class ImageCursor {
 public:
  // first: a producer already made for this image (kept, so that reading from byte 0
  // does not produce the start of the image twice).
  explicit ImageCursor(std::shared_ptr<BuiltImage> built, BurnSourcePtr first = {}) : built_(std::move(built)) {
    if (first) {
      std::lock_guard lock(built_->mutex);
      takeOver();
      src_ = std::move(first);
    }
  }
  ~ImageCursor() {
    std::lock_guard lock(built_->mutex);
    stop();
  }
  ImageCursor(const ImageCursor&) = delete;
  ImageCursor& operator=(const ImageCursor&) = delete;

  uint64_t size() const { return built_->size; }
  uint64_t position() const { return pos_; }
  uint64_t left() const { return built_->size - pos_; }

  // Reads min(n, left()) bytes.
  size_t read(void* buffer, size_t n) {
    n = static_cast<size_t>(std::min<uint64_t>(n, left()));
    if (n == 0) return 0;
    std::lock_guard lock(built_->mutex);
    if (!src_) resume();
    pull(static_cast<unsigned char*>(buffer), n);
    // Before the last bytes are handed out, the whole image has been produced: a file that
    // changed since the tree measured it fails the image now, not a disc that reads back wrong.
    if (n == left()) checkProduction();
    pos_ += n;
    return n;
  }

  // At the start already: a producer held there (and the bytes it gave ahead) stays.
  void rewind() {
    std::lock_guard lock(built_->mutex);
    if (pos_ == 0) return;
    stop();
    pos_ = 0;
  }

  // Goes back to the start keeping the producer: bytes are the raw bytes it gave so far
  // (the whole image up to its position), so reading from the start needs no new producer.
  void rewindKeeping(ByteSpool bytes) {
    std::lock_guard lock(built_->mutex);
    if (!src_ || bytes.size() != pos_ + ahead_.size()) stop();
    else ahead_ = std::move(bytes);
    pos_ = 0;
  }

  // Hands this cursor's producer to to when neither has read anything yet: each
  // producer costs a walk of the whole tree before its first byte.
  void handOver(ImageCursor& to) {
    std::lock_guard lock(built_->mutex);
    if (!src_ || pos_ != 0 || to.src_ || to.pos_ != 0 || to.built_ != built_) return;
    to.src_ = std::move(src_);
    to.ahead_ = std::move(ahead_);
    ahead_.clear();
    if (built_->producing == this) built_->producing = &to;
  }

 private:
  // The callers below hold built_->mutex.
  void stop() {
    if (built_->producing == this) built_->producing = nullptr;
    src_.reset();  // free_data stops the producer thread and closes its files
    ahead_.clear();
  }

  void takeOver() {
    if (built_->producing && built_->producing != this) built_->producing->stop();
    built_->producing = this;
  }

  void resume() {
    takeOver();
    src_ = newBurnSource(built_->image.get(), built_->opts.get());
    std::vector<unsigned char> scratch(static_cast<size_t>(std::min<uint64_t>(pos_, kMaxPiece)));
    for (uint64_t skipped = 0; skipped < pos_;) {
      size_t piece = static_cast<size_t>(std::min<uint64_t>(pos_ - skipped, scratch.size()));
      pullAt(skipped, scratch.data(), piece);
      skipped += piece;
    }
  }

  void pull(unsigned char* out, size_t n) { pullAt(pos_, out, n); }

  void checkProduction() {
    const std::string padded = libraryMessages().takeFileFaults(iso_image_get_msg_id(built_->image.get()));
    if (!padded.empty())
      throw DwError(DW_E_FILE, "A file changed or could not be read while the image was made: " + padded);
    if (built_->stamps) checkSources(built_->image.get(), *built_->stamps);
  }

  // The ring buffer answers end-of-file rather than a short piece when asked for more
  // than remains, so requests never go past the image size; pieces may still come short.
  void pullAt(uint64_t at, unsigned char* out, size_t n) {
    burn_source* src = src_.get();
    size_t done = ahead_.take(out, n);
    while (done < n) {
      int ask = static_cast<int>(std::min(n - done, kMaxPiece));
      int got = src->read_xt ? src->read_xt(src, out + done, ask) : src->read(src, out + done, ask);
      if (got <= 0) {
        // A producer stopped by a file it could not read ends early; its messages name it.
        stop();  // joins the producer, so its messages are all queued
        std::string why = libraryMessages().take(iso_image_get_msg_id(built_->image.get()));
        if (got == 0 && why.empty())
          throw DwError(DW_E_IO, "The image ended at byte " + std::to_string(at + done) + " instead of " +
                                     std::to_string(built_->size));
        throw DwError(DW_E_FILE, "Reading the image failed at byte " + std::to_string(at + done) + ": " +
                                     (why.empty() ? "a file of the folder could not be read" : why));
      }
      done += static_cast<size_t>(got);
    }
    const auto& patches = built_->patches;
    auto patch = std::partition_point(patches.begin(), patches.end(),
                                      [&](const ImagePatch& p) { return p.at + p.bytes.size() <= at; });
    for (; patch != patches.end() && patch->at < at + n; ++patch) {
      const uint64_t from = std::max(at, patch->at), to = std::min<uint64_t>(at + n, patch->at + patch->bytes.size());
      std::copy(patch->bytes.begin() + (from - patch->at), patch->bytes.begin() + (to - patch->at), out + (from - at));
    }
  }

  std::shared_ptr<BuiltImage> built_;
  BurnSourcePtr src_;  // guarded by built_->mutex: another cursor may stop it
  // Raw bytes src_ already gave beyond pos_; src_ continues after them.
  ByteSpool ahead_;
  uint64_t pos_ = 0;   // bytes handed to the caller; only the owner touches it
};

// An independent stream for the burn pipeline; it keeps the built image alive, so the
// tree may be destroyed first.
class TreeStream : public ByteSource {
 public:
  explicit TreeStream(const std::shared_ptr<BuiltImage>& built, ImageCursor* unread = nullptr)
      : cursor_(built), built_(built) {
    ++built_->streams;
    if (unread) unread->handOver(cursor_);
  }
  ~TreeStream() override { --built_->streams; }

  uint64_t size() const override { return cursor_.size(); }
  size_t read(void* buf, size_t n) override {
    if (!buf && n > 0) throw DwError(DW_E_INVALID_ARGUMENT, "No buffer to read the image into");
    return cursor_.read(buf, n);
  }
  std::string describe() const override { return "file tree"; }

 private:
  ImageCursor cursor_;
  std::shared_ptr<BuiltImage> built_;
};

}  // namespace discwright
