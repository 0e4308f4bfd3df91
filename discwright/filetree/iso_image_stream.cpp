#include "filetree/iso_image_stream.h"

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

BurnSourcePtr newBurnSource(IsoImage* image, IsoWriteOpts* opts) {
  burn_source* raw = nullptr;
  int rc = iso_image_create_burn_source(image, opts, &raw);
  if (rc < 0 || !raw) throw DwError(DW_E_INTERNAL, "The image could not be built: " + libisofsText(rc));
  return BurnSourcePtr(raw);
}

}  // namespace discwright
