#include "filetree/iso_image_stream.h"

#include <cerrno>
#include <cstring>
#include <functional>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace discwright {

std::string libisofsText(int code) {
  const char* text = iso_error_to_msg(code);
  return text ? text : "unknown failure";
}

void ensureLibisofs() {
  static std::once_flag once;
  static int result = 0;
  std::call_once(once, [] {
    result = iso_init();
    if (result < 0) return;
    // File names on Linux are UTF-8 whatever the process locale says; a "C" locale would
    // otherwise mangle every non-ASCII name.
    char charset[] = "UTF-8";
    iso_set_local_charset(charset, 0);
    // Failures reach the caller as DwError; nothing is printed behind the program's back.
    // Failures are queued so that a failed read can name the file behind it.
    char sorry[] = "SORRY";
    char never[] = "NEVER";
    char prefix[] = "discwright";
    iso_set_msgs_severities(sorry, never, prefix);
    // A file that cannot be read while the image is produced would otherwise be filled
    // with zeros and the image reported good; stop the production instead.
    char mishap[] = "MISHAP";
    iso_set_abort_severity(mishap);
  });
  if (result < 0) throw DwError(DW_E_INTERNAL, "The image library could not start: " + libisofsText(result));
}

LibraryMessages& libraryMessages() {
  static LibraryMessages messages;
  return messages;
}

ImagePtr shareImage(IsoImage* image) {
  iso_image_ref(image);
  return ImagePtr(image);
}

void releaseFreedMemory() {
#ifdef __GLIBC__
  // A producer's writer state takes a few hundred bytes per file of the tree, and it is
  // freed whole when the producer stops. The allocator would keep it for the thread that
  // made it, but the next producer (the burn's) runs on another thread and would take as
  // much again beside it.
  malloc_trim(0);
#endif
}

namespace {

struct CFree {
  void operator()(char* p) const { std::free(p); }
};

// The image library's number of the local file system (an imported disc's has its own).
constexpr unsigned int kLocalFileSystem = 1;

bool isLocalFile(IsoStream* stream) {
  unsigned int fsId = 0;
  dev_t dev = 0;
  ino_t ino = 0;
  iso_stream_get_id(stream, &fsId, &dev, &ino);
  return fsId == kLocalFileSystem;
}

// Why the file behind stream is no longer what the tree measured, or "" when it is.
std::string sourceChange(IsoStream* stream, const std::string& path, const SourceStamps& stamps) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return std::string("cannot be read now: ") + std::strerror(errno);
  if (!S_ISREG(st.st_mode)) return "is no longer a file";
  unsigned int fsId = 0;
  dev_t dev = 0;
  ino_t ino = 0;
  iso_stream_get_id(stream, &fsId, &dev, &ino);
  if (st.st_dev != dev || st.st_ino != ino) return "was replaced by another file";
  if (const off_t measured = iso_stream_get_size(stream); st.st_size != measured)
    return "its size changed from " + std::to_string(measured) + " to " + std::to_string(st.st_size) + " bytes";
  if (stamps.changed(dev, ino, st)) return "it was modified";
  return {};
}

}  // namespace

void checkSources(IsoImage* image, const SourceStamps& stamps) {
  constexpr size_t kRoom = 800;  // the C interface's text holds 1024 bytes
  std::vector<std::string> changed;
  size_t length = 0, more = 0;
  std::function<void(IsoDir*)> walk = [&](IsoDir* dir) {
    IsoDirIter* iter = nullptr;
    if (iso_dir_get_children(dir, &iter) != 1) return;
    IsoNode* node = nullptr;
    while (iso_dir_iter_next(iter, &node) == 1) {
      if (iso_node_get_type(node) == LIBISO_DIR) {
        walk(reinterpret_cast<IsoDir*>(node));
        continue;
      }
      if (iso_node_get_type(node) != LIBISO_FILE) continue;
      IsoStream* stream = iso_file_get_stream(reinterpret_cast<IsoFile*>(node));
      if (!stream || !isLocalFile(stream)) continue;  // a disc's file names its place on the disc, not a local file
      std::unique_ptr<char, CFree> path(iso_stream_get_source_path(stream, 0));
      if (!path) continue;  // not from a file on disk
      const std::string why = sourceChange(stream, path.get(), stamps);
      if (why.empty()) continue;
      std::string entry = "\"" + std::string(path.get()) + "\" (" + why + ")";
      if (length + entry.size() > kRoom) {
        ++more;
        continue;
      }
      length += entry.size() + 2;
      changed.push_back(std::move(entry));
    }
    iso_dir_iter_free(iter);
  };
  walk(iso_image_get_root(image));
  if (changed.empty() && more == 0) return;
  const size_t count = changed.size() + more;
  std::string text = std::to_string(count) + (count == 1 ? " file" : " files") +
                     " changed after the image was measured, so the image would not hold " +
                     (count == 1 ? "it" : "them") + " as " + (count == 1 ? "it is" : "they are") + ": ";
  for (size_t i = 0; i < changed.size(); ++i) text += (i ? ", " : "") + changed[i];
  if (more) text += " and " + std::to_string(more) + " more";
  throw DwError(DW_E_FILE, text);
}

BurnSourcePtr newBurnSource(IsoImage* image, IsoWriteOpts* opts) {
  burn_source* raw = nullptr;
  int rc = iso_image_create_burn_source(image, opts, &raw);
  if (rc < 0 || !raw) throw DwError(DW_E_INTERNAL, "The image could not be built: " + libisofsText(rc));
  return BurnSourcePtr(raw);
}

}  // namespace discwright
