// ISO9660 (level 3) + Rock Ridge + optional Joliet images of a folder, produced by libisofs
// (iso_image_stream.h reads the built image).
#include "filetree/iso_tree.h"
#include "filetree/iso_tree_impl.h"

#include "filetree/folder_scan.h"
#include "filetree/iso_image_stream.h"
#include "filetree/iso_plain_view.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <algorithm>
#include <cctype>
#include <atomic>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

#include "Discwright.h"
#include "error.h"

namespace discwright {
namespace {

namespace fs = std::filesystem;

constexpr size_t kVolumeIdMax = 32;
constexpr size_t kLongIdMax = 128;
// Boot image sizes that the firmware boots as an emulated 1.2, 1.44 or 2.88 MB floppy.
constexpr uintmax_t kFloppySizes[] = {1228800, 1474560, 2949120};
// A no-emulation boot image is loaded as 4 virtual 512-byte sectors (one CD block).
constexpr short kNoEmulationLoadSectors = 4;
// The largest extent a directory record describes; a larger file takes several.
constexpr uint64_t kExtentMax = 0xFFFFF800;

struct CFree {
  void operator()(char* p) const { std::free(p); }
};

// Cuts text to at most maxBytes without splitting a UTF-8 sequence.
std::string cutUtf8(const std::string& text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::string errnoText(const std::error_code& ec) { return ec ? " (" + ec.message() + ")" : std::string(); }



int reportAdded(IsoImage* image, IsoFileSource* src) {
  auto* ctx = static_cast<AddContext*>(iso_image_get_attached_data(image));
  if (!ctx) return 1;
  std::unique_ptr<char, CFree> path(iso_file_source_get_path(src));
  try {
    struct stat st {};
    if (iso_file_source_lstat(src, &st) >= 0) ctx->measured(path ? path.get() : "", st);
    if (ctx->onAdd && *ctx->onAdd) (*ctx->onAdd)(path ? path.get() : "");
  } catch (...) {
    // An exception must not unwind through C frames: stop the walk and rethrow later.
    ctx->failure = std::current_exception();
    return -1;
  }
  return 1;
}

}  // namespace

void AddContext::measured(const std::string& path, const struct stat& st) {
  if (!S_ISREG(st.st_mode)) return;
  if (stamps) stamps->add(st);
  if (uint64_t(st.st_size) > kExtentMax && onLarge && *onLarge) (*onLarge)(path, uint64_t(st.st_size));
}

// Symbolic links stay links (Rock Ridge); fifos and devices would block or mean nothing.
IsoImage* newImage() {
  IsoImage* raw = nullptr;
  const int rc = iso_image_new("CDROM", &raw);
  if (rc < 0 || !raw) throw DwError(DW_E_INTERNAL, "An image could not be created: " + libisofsText(rc));
  iso_tree_set_follow_symlinks(raw, 0);
  iso_tree_set_ignore_hidden(raw, 0);
  iso_tree_set_ignore_special(raw, 1);
  iso_tree_set_report_callback(raw, reportAdded);
  return raw;
}

namespace {

// A name at the image root that nothing uses yet: "boot.img", else "boot1.img", ...
std::string freeRootName(IsoImage* image, const std::string& stem, const std::string& ext) {
  IsoDir* root = iso_image_get_root(image);
  for (int i = 0;; ++i) {
    std::string name = stem + (i ? std::to_string(i) : std::string()) + ext;
    IsoNode* node = nullptr;
    if (iso_dir_get_node(root, name.c_str(), &node) == 0) return name;
  }
}

// Whether a folder lies at the given depth (the root is depth 1): then the plain view
// needs a relocation folder.
bool hasFolderAtDepth(IsoDir* dir, int depth, int wanted) {
  if (depth >= wanted) return true;
  IsoDirIter* iter = nullptr;
  if (iso_dir_get_children(dir, &iter) != 1) return false;
  bool found = false;
  IsoNode* node = nullptr;
  while (!found && iso_dir_iter_next(iter, &node) == 1)
    if (iso_node_get_type(node) == LIBISO_DIR) found = hasFolderAtDepth(reinterpret_cast<IsoDir*>(node), depth + 1, wanted);
  iso_dir_iter_free(iter);
  return found;
}

// Where folders too deep for the plain view go. Rock Ridge readers put them back through
// their CL, PL and RE entries, but libarchive's accepts the RE entries only inside a root
// folder whose Rock Ridge name is "rr_moved" or ".rr_moved", and connects folders moved
// from inside moved folders only when that folder's extent comes before the folders they
// were moved from. The image library places folders in the order of their plain names,
// in which "_RR_MOVED" comes last; so the folder gets a name whose plain form comes
// first, and the plain-view pass writes ".rr_moved" into its Rock Ridge name (of the
// same length). Marked RE, it is hidden from every Rock Ridge reader, so it never meets a
// user's own folder of that name.
std::string relocationFolderName(IsoImage* image) {
  std::vector<std::string> plain;  // the plain names of the root's folders, roughly as the library forms them
  IsoDirIter* iter = nullptr;
  if (iso_dir_get_children(iso_image_get_root(image), &iter) == 1) {
    IsoNode* node = nullptr;
    while (iso_dir_iter_next(iter, &node) == 1) {
      std::string name = iso_node_get_name(node);
      for (char& c : name) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      plain.push_back(name);
    }
    iso_dir_iter_free(iter);
  }
  for (const char* name : {"0rr_moved", "000000000"}) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (std::all_of(plain.begin(), plain.end(), [&](const std::string& p) { return upper < p; })) return name;
  }
  return "000000000";  // a root folder named "0", "00", ...: first still among all others
}

// "YYYYMMDDhhmmsscc" in GMT, the form libisofs copies verbatim into the volume dates.
std::string volumeTimestamp(time_t when) {
  std::tm tm{};
  gmtime_r(&when, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &tm);
  return std::string(text) + "00";
}

}  // namespace

void IsoTree::Impl::removeRelocationFolder() {
  IsoNode* node = nullptr;
  if (!relocationFolder.empty() &&
      iso_dir_get_node(iso_image_get_root(image.get()), relocationFolder.c_str(), &node) == 1)
    iso_node_remove(node);
  relocationFolder.clear();
}

ImageCursor& IsoTree::Impl::builtCursor() const {
  if (!cursor) throw DwError(DW_E_INVALID_ARGUMENT, "The image has not been built yet");
  return *cursor;
}

void IsoTree::Impl::removeBoot() {
  iso_image_remove_boot_image(image.get());
  if (!bootAddedName.empty()) {
    IsoNode* node = nullptr;
    if (iso_dir_get_node(iso_image_get_root(image.get()), bootAddedName.c_str(), &node) == 1)
      iso_node_remove(node);
    bootAddedName.clear();
  }
  bootApplied.clear();
}

std::string IsoTree::Impl::pathInTree(const fs::path& bootFile) const {
  auto rel = bootFile.lexically_relative(root);
  if (rel.empty() || *rel.begin() == "..") return {};
  std::string inImage = "/" + rel.generic_string();
  IsoNode* node = nullptr;
  if (iso_tree_path_to_node(image.get(), inImage.c_str(), &node) != 1 || iso_node_get_type(node) != LIBISO_FILE)
    return {};
  return inImage;
}

void IsoTree::Impl::willChange() {
  // Producers read the tree while they run.
  if (built && built->streams.load() > 0)
    throw DwError(DW_E_BUSY, "The tree cannot change while its image is being burned or saved");
  cursor.reset();
  built.reset();
  changed = true;
}

void IsoTree::Impl::applyBoot() {
  if (bootRequested == bootApplied) return;
  removeBoot();
  if (bootRequested.empty()) return;

  std::error_code ec;
  fs::path file = fs::canonical(bootRequested, ec);
  uintmax_t bytes = ec ? 0 : fs::file_size(file, ec);
  if (ec)
    throw DwError(DW_E_FILE, "The boot image \"" + bootRequested + "\" cannot be read" + errnoText(ec),
                  static_cast<uint32_t>(ec.value()));

  std::string inImage = pathInTree(file);
  if (inImage.empty()) {
    std::string name = freeRootName(image.get(), "boot", ".img");
    int rc = iso_tree_add_new_node(image.get(), iso_image_get_root(image.get()), name.c_str(), file.c_str(), nullptr);
    if (rc < 0)
      throw DwError(DW_E_FILE, "The boot image \"" + bootRequested + "\" cannot be added: " + libisofsText(rc));
    bootAddedName = name;
    inImage = "/" + name;
  }

  bool floppy = std::find(std::begin(kFloppySizes), std::end(kFloppySizes), bytes) != std::end(kFloppySizes);
  std::string catalog = "/" + freeRootName(image.get(), "boot", ".cat");
  ElToritoBootImage* boot = nullptr;
  int rc = iso_image_set_boot_image(image.get(), inImage.c_str(), floppy ? ELTORITO_FLOPPY_EMUL : ELTORITO_NO_EMUL,
                                    catalog.c_str(), &boot);
  if (rc < 0) {
    removeBoot();
    throw DwError(DW_E_FILE, "The boot image \"" + bootRequested + "\" cannot be used: " + libisofsText(rc));
  }
  if (!floppy) el_torito_set_load_size(boot, kNoEmulationLoadSectors);
  bootApplied = bootRequested;
}

IsoTree::IsoTree() : impl_(std::make_unique<Impl>()) {}
IsoTree::~IsoTree() = default;

std::unique_ptr<IsoTree> IsoTree::fromFolder(const std::string& folder, TreeNameCallback onAdd,
                                             TreeSkipCallback onSkip, TreeLargeFileCallback onLarge) {
  if (folder.empty()) throw DwError(DW_E_FILE, "No folder was given for the image");
  std::error_code ec;
  // libisofs needs an absolute source path; canonical also proves the folder exists.
  fs::path root = fs::absolute(folder, ec);
  if (!ec) root = fs::canonical(root, ec);
  if (ec)
    throw DwError(DW_E_FILE, "The folder \"" + folder + "\" cannot be found" + errnoText(ec),
                  static_cast<uint32_t>(ec.value()));
  if (!fs::is_directory(root, ec))
    throw DwError(DW_E_FILE, "\"" + folder + "\" is not a folder", ENOTDIR);

  // Nothing may be left out silently: an entry that cannot be read fails the tree, and
  // each special file left out is reported.
  FolderScan scan;
  scanFolder(root.string(), scan);
  if (!scan.unreadable.empty()) throw DwError(DW_E_FILE, unreadableText("of \"" + folder + "\"", scan.unreadable),
                  static_cast<uint32_t>(scan.firstError));
  if (onSkip)
    for (const auto& [path, kind] : scan.special) onSkip(path, std::string("is ") + kind + "; left out of the image");

  ensureLibisofs();
  std::unique_ptr<IsoTree> tree(new IsoTree());  // private constructor: make_unique cannot reach it
  Impl& impl = *tree->impl_;
  impl.root = root;

  impl.image.reset(newImage());
  IsoImage* raw = impl.image.get();

  AddContext ctx{&onAdd, &onLarge, impl.stamps.get(), nullptr};
  iso_image_attach_data(raw, &ctx, nullptr);
  int rc = iso_tree_add_dir_rec(raw, iso_image_get_root(raw), root.c_str());
  iso_image_attach_data(raw, nullptr, nullptr);
  impl.stamps->seal();
  if (ctx.failure) std::rethrow_exception(ctx.failure);
  if (rc < 0)
    throw DwError(DW_E_FILE, "The contents of the folder \"" + folder + "\" could not be added: " + libisofsText(rc));
  return tree;
}

std::vector<ChosenEntry> checkChosen(const std::vector<std::string>& paths, const TreeSkipCallback& onSkip) {
  if (paths.empty()) throw DwError(DW_E_FILE, "No files or folders were given for the image");
  // Every entry is checked before anything is added, so that a burn never starts
  // with a tree that would fail half-way.
  std::vector<ChosenEntry> entries;
  FolderScan scan;
  std::vector<std::string> collisions;
  std::map<std::string, std::string> byName;  // name in the image root, the path that took it
  auto unreadable = [&](const std::string& given, int error, const std::string& why) {
    scan.unreadable.push_back("\"" + given + "\" (" + why + ")");
    if (!scan.firstError) scan.firstError = error;
  };
  for (const std::string& given : paths) {
    std::error_code ec;
    // The entry goes onto the disc under the name it was chosen by ("photos/" and
    // "photos/." by the folder's own).
    fs::path chosen = fs::absolute(given, ec).lexically_normal();
    if (!ec && !chosen.has_filename() && chosen.has_relative_path()) chosen = chosen.parent_path();
    struct stat st {};
    if (ec || ::lstat(chosen.c_str(), &st) != 0) {
      unreadable(given, ec ? ec.value() : errno, ec ? ec.message() : std::strerror(errno));
      continue;
    }
    // A chosen symbolic link is followed: the user chose what it points to (its target
    // path would mean nothing on the disc), under the link's own name. Links inside
    // chosen folders stay links, which Rock Ridge keeps.
    fs::path source = fs::canonical(chosen, ec);
    if (ec) {
      unreadable(given, ec.value(), ec.message());
      continue;
    }
    if (::stat(source.c_str(), &st) != 0) {
      unreadable(given, errno, std::strerror(errno));
      continue;
    }
    ChosenEntry entry{source, chosen.filename().string(), S_ISDIR(st.st_mode)};
    if (entry.name.empty()) entry.name = "root";  // "/" itself
    if (const char* kind = specialKind(st.st_mode)) {
      scan.special.emplace_back(given, kind);
      continue;
    }
    if (entry.folder) {
      scanFolder(source.string(), scan);
    } else {
      int file = ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      if (file < 0) {
        unreadable(given, errno, std::strerror(errno));
        continue;
      }
      ::close(file);
    }
    // Two entries of one name would both sit at the root: the second would replace the first.
    if (auto [it, fresh] = byName.emplace(entry.name, given); !fresh) {
      collisions.push_back("\"" + it->second + "\" and \"" + given + "\"");
      continue;
    }
    entries.push_back(std::move(entry));
  }
  if (!scan.unreadable.empty())
    throw DwError(DW_E_FILE, unreadableText("among the chosen entries", scan.unreadable),
                  static_cast<uint32_t>(scan.firstError));
  if (!collisions.empty()) {
    std::string text = "Two chosen entries have the same name at the top of the disc: ";
    for (size_t i = 0; i < collisions.size(); ++i) text += (i ? ", " : "") + collisions[i];
    throw DwError(DW_E_FILE, text + "; rename one or put them into folders", EEXIST);
  }
  if (onSkip)
    for (const auto& [path, kind] : scan.special) onSkip(path, std::string("is ") + kind + "; left out of the image");

  return entries;
}

bool addChosen(IsoImage* image, IsoDir* dir, const ChosenEntry& entry, AddContext& ctx, int& rc) {
  if (entry.folder) {
    IsoDir* added = nullptr;
    rc = iso_tree_add_new_dir(dir, entry.name.c_str(), &added);
    if (rc >= 0) rc = iso_tree_add_dir_rec(image, added, entry.source.c_str());
  } else {
    rc = iso_tree_add_new_node(image, dir, entry.name.c_str(), entry.source.c_str(), nullptr);
    struct stat st {};
    try {
      if (rc >= 0 && ::lstat(entry.source.c_str(), &st) == 0) ctx.measured(entry.source.string(), st);
      if (rc >= 0 && ctx.onAdd && *ctx.onAdd) (*ctx.onAdd)(entry.source.string());
    } catch (...) {
      ctx.failure = std::current_exception();
    }
  }
  return rc >= 0 && !ctx.failure;
}

std::unique_ptr<IsoTree> IsoTree::fromPaths(const std::vector<std::string>& paths, TreeNameCallback onAdd,
                                            TreeSkipCallback onSkip, TreeLargeFileCallback onLarge) {
  const std::vector<ChosenEntry> entries = checkChosen(paths, onSkip);
  ensureLibisofs();
  std::unique_ptr<IsoTree> tree(new IsoTree());  // private constructor: make_unique cannot reach it
  Impl& impl = *tree->impl_;
  impl.root = entries.empty() ? fs::path("/") : entries.front().source.parent_path();

  impl.image.reset(newImage());
  IsoImage* raw = impl.image.get();

  AddContext ctx{&onAdd, &onLarge, impl.stamps.get(), nullptr};
  iso_image_attach_data(raw, &ctx, nullptr);
  IsoDir* top = iso_image_get_root(raw);
  std::string failed;
  int rc = 0;
  for (const ChosenEntry& entry : entries) {
    if (!addChosen(raw, top, entry, ctx, rc)) {
      failed = entry.source.string();
      break;
    }
  }
  iso_image_attach_data(raw, nullptr, nullptr);
  impl.stamps->seal();
  if (ctx.failure) std::rethrow_exception(ctx.failure);
  if (rc < 0) throw DwError(DW_E_FILE, "\"" + failed + "\" could not be added: " + libisofsText(rc));
  return tree;
}

void IsoTree::setBootImage(const std::string& path) {
  if (impl_->origin)
    throw DwError(DW_E_NOT_SUPPORTED, "A boot image cannot be added to a tree that continues the files of a disc");
  if (path.empty()) throw DwError(DW_E_FILE, "No boot image file was given");
  std::error_code ec;
  fs::file_status st = fs::status(path, ec);
  if (ec || !fs::exists(st))
    throw DwError(DW_E_FILE, "The boot image \"" + path + "\" cannot be found" + errnoText(ec),
                  static_cast<uint32_t>(ec ? ec.value() : ENOENT));
  if (!fs::is_regular_file(st)) throw DwError(DW_E_FILE, "The boot image \"" + path + "\" is not a file", EISDIR);
  // The same boot image asked again (each copy of a burn asks) leaves the tree as built.
  const std::string requested = fs::absolute(path, ec).string();
  if (requested == impl_->bootRequested) return;
  impl_->bootRequested = requested;
  impl_->changed = true;
}

void IsoTree::build(uint32_t startBlock, bool joliet, const std::string& volumeLabel,
                    const std::string& applicationId, const std::string& preparerId) {
  Impl& impl = *impl_;
  BuildArguments args{startBlock, joliet, volumeLabel, applicationId, preparerId};
  if (impl.origin) {
    if (startBlock != impl.origin->nextWritable)
      throw DwError(DW_E_INVALID_ARGUMENT,
                    "The tree continues the files of a disc, so its image starts at the disc's next writable block " +
                        std::to_string(impl.origin->nextWritable) + ", not at block " + std::to_string(startBlock));
    if (args.label.empty()) args.label = impl.origin->label;
    // Each production costs a walk of the whole tree before its first byte: an unchanged
    // tree keeps the image it has.
    if (impl.cursor && !impl.changed && args == impl.builtWith) {
      impl.cursor->rewind();
      return;
    }
  }
  // Producers read the tree and the volume texts while they run.
  if (impl.built && impl.built->streams.load() > 0)
    throw DwError(DW_E_BUSY, "The image cannot be rebuilt while it is being burned or saved");
  impl.cursor.reset();  // stops our own producer before the tree changes
  impl.built.reset();

  IsoImage* image = impl.image.get();
  impl.applyBoot();
  iso_image_set_volume_id(image, cutUtf8(args.label, kVolumeIdMax).c_str());
  iso_image_set_application_id(image, cutUtf8(applicationId, kLongIdMax).c_str());
  iso_image_set_data_preparer_id(image, cutUtf8(preparerId, kLongIdMax).c_str());

  IsoWriteOpts* raw = nullptr;
  int rc = iso_write_opts_new(&raw, 0);
  if (rc < 0 || !raw) throw DwError(DW_E_INTERNAL, "Image options could not be created: " + libisofsText(rc));
  OptsPtr opts(raw);

  iso_write_opts_set_iso_level(raw, 3);  // level 3: files over 4 GiB fit on DVD
  iso_write_opts_set_rockridge(raw, 1);
  iso_write_opts_set_joliet(raw, joliet ? 1 : 0);
  if (joliet) {
    iso_write_opts_set_joliet_long_names(raw, 1);
    iso_write_opts_set_joliet_utf16(raw, 1);
    // Joliet paths past 240 characters would otherwise be dropped without a word; readers
    // take longer ones.
    iso_write_opts_set_joliet_longer_paths(raw, 1);
  }
  iso_write_opts_set_output_charset(raw, "UTF-8");
  iso_write_opts_set_ms_block(raw, startBlock);
  // A session after the disc's: its directories point at the disc's files where they are.
  if (impl.origin) iso_write_opts_set_appendable(raw, 1);
  // Folders too deep for the plain view move into a folder of their own rather than the
  // root, where they would meet the root's names; Rock Ridge readers do not show it.
  impl.removeRelocationFolder();
  std::string relocation = relocationFolderName(image);
  iso_write_opts_set_rr_reloc(raw, relocation.data(), 1);

  // Every stream of one build must carry identical bytes (a burn may read the image twice:
  // a trial pass and the real one), so nothing may depend on when a stream is created.
  // The volume dates are pinned to the first build of the tree as it is; directory records
  // take the nodes' mtimes, which were fixed when the folder was added, instead of "now".
  if (impl.changed || impl.volumeTime == 0) impl.volumeTime = std::time(nullptr);
  const time_t made = impl.volumeTime;
  std::string stamp = volumeTimestamp(made);
  iso_write_opts_set_always_gmt(raw, 1);
  iso_write_opts_set_pvd_times(raw, made, made, 0, 0, stamp.data());
  iso_write_opts_set_dir_rec_mtime(raw, joliet ? 3 : 1);
  iso_write_opts_set_replace_timestamps(raw, 0);
  // Rock Ridge 1.12 records file serial numbers taken from a per-image counter that keeps
  // running from one stream to the next; the 1.10 form has none, and readers take inode
  // numbers from the block addresses instead.
  iso_write_opts_set_rrip_version_1_10(raw, 1);
  iso_write_opts_set_rrip_1_10_px_ino(raw, 0);

  // The build stops productions on purpose (stopping joins them); a read's failure is
  // explained by that read's production alone.
  auto forgetStopped = [image] { libraryMessages().take(iso_image_get_msg_id(image)); };

  auto built = std::make_shared<BuiltImage>();
  built->image = shareImage(image);
  built->opts = std::move(opts);
  built->stamps = impl.stamps;
  // The image library writes the grown volume's descriptors (with its whole size) into
  // the medium's head as read; blocks below 16 and after the descriptors stay as they were.
  if (impl.origin && impl.origin->overwritable) {
    built->overwrite = impl.origin->head;
    iso_write_opts_set_overwrite_buf(built->opts.get(), built->overwrite.data());
  }
  IsoNode* own = nullptr;
  const bool relocationTaken = iso_dir_get_node(iso_image_get_root(image), relocation.c_str(), &own) == 1;
  if (!relocationTaken && hasFolderAtDepth(iso_image_get_root(image), 1, 8)) {
    // The image library adds the relocation folder to the tree when it first makes a
    // producer. It belongs to the plain view only, so it is hidden from Joliet before the
    // producer whose bytes count is made.
    newBurnSource(image, built->opts.get()).reset();
    IsoNode* node = nullptr;
    if (iso_dir_get_node(iso_image_get_root(image), relocation.c_str(), &node) == 1) {
      iso_node_set_hidden(node, LIBISO_HIDE_ON_JOLIET | LIBISO_HIDE_ON_1999);
      impl.relocationFolder = relocation;
    }
  }
  forgetStopped();
  BurnSourcePtr first = newBurnSource(image, built->opts.get());
  off_t total = first->get_size ? first->get_size(first.get()) : 0;
  if (total <= 0) throw DwError(DW_E_INTERNAL, "The image library reported no image size");
  built->size = static_cast<uint64_t>(total);
  if (!built->overwrite.empty()) {
    // Filled when the producer was made; later productions write the same bytes again.
    const auto from = built->overwrite.begin() + kMediumHeadBytes / 2;  // blocks 16 to 31
    built->head.assign(from, built->overwrite.end());
  }
  auto cursor = std::make_unique<ImageCursor>(built, std::move(first));

  // The check reads the directories forwards from the producer; a step back (which a
  // sound image never needs) starts the production again. What it read is kept, so that
  // the burn goes on with this producer instead of setting up another (a walk of the
  // whole tree) and the check costs no production of its own.
  ByteSpool kept;
  auto readOn = [&](unsigned char* out, size_t n) {
    const uint64_t from = cursor->position();
    cursor->read(out, n);
    if (from + n > kept.size()) kept.append(out + (kept.size() - from), size_t(from + n - kept.size()));
  };
  std::vector<unsigned char> skipped(64u << 10);
  built->patches = fixPlainView(
      [&](uint64_t at, unsigned char* out, size_t n) {
        if (at + n > built->size) throw DwError(DW_E_INTERNAL, "A directory of the built image lies past its end");
        if (at < cursor->position()) {
          cursor->rewind();
          forgetStopped();
        }
        while (cursor->position() < at)
          readOn(skipped.data(), size_t(std::min<uint64_t>(at - cursor->position(), skipped.size())));
        readOn(out, n);
      },
      built->size, startBlock, impl.relocationFolder.empty() ? std::string() : relocation);
  // Raw bytes: the patches apply when they are read again. The producer kept runs on, so
  // its messages stay for the read that meets them.
  if (cursor->position() == kept.size()) {
    cursor->rewindKeeping(std::move(kept));
  } else {
    cursor->rewind();
    forgetStopped();
  }

  impl.cursor = std::move(cursor);
  impl.built = std::move(built);
  impl.builtWith = std::move(args);
  impl.changed = false;
}

bool IsoTree::built() const { return impl_->cursor != nullptr; }

std::vector<uint8_t> IsoTree::headBlocks() const {
  impl_->builtCursor();
  return impl_->built->head;
}

uint64_t IsoTree::size() const { return impl_->builtCursor().size(); }

void IsoTree::seekToBegin() { impl_->builtCursor().rewind(); }

void IsoTree::read(void* buffer, uint32_t count) {
  ImageCursor& reader = impl_->builtCursor();
  if (count == 0) return;
  if (!buffer) throw DwError(DW_E_INVALID_ARGUMENT, "No buffer to read the image into");
  if (count > reader.left())
    throw DwError(DW_E_INVALID_ARGUMENT, "Cannot read " + std::to_string(count) + " bytes of the image: only " +
                                             std::to_string(reader.left()) + " of " + std::to_string(reader.size()) +
                                             " bytes are left");
  reader.read(buffer, count);
}

std::unique_ptr<ByteSource> IsoTree::openStream() const {
  impl_->builtCursor();
  // The first stream goes on with the build's producer while nobody has read from it.
  return std::make_unique<TreeStream>(impl_->built, impl_->cursor.get());
}

}  // namespace discwright
