// Trees that continue a disc's file system: the last session's tree read from the disc,
// edited, and built as the next session, whose directories point at the disc's files.
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "Discwright.h"
#include "error.h"
#include "filetree/disc_source.h"
#include "filetree/folder_scan.h"
#include "filetree/iso_tree_impl.h"

namespace discwright {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kBlock = DISCWRIGHT_SECTOR_SIZE;
constexpr size_t kNamesShown = 10;  // names listed in a refusal; the rest are counted

// Marks the entries that came from the disc: an empty file, a link or a folder has no
// old extents to tell it by.
int discMark(void*, int) { return 1; }

struct ReadOptsFree {
  void operator()(IsoReadOpts* opts) const { iso_read_opts_free(opts); }
};
struct FeaturesFree {
  void operator()(IsoReadImageFeatures* features) const { iso_read_image_features_destroy(features); }
};
struct SourceUnref {
  void operator()(IsoDataSource* source) const { iso_data_source_unref(source); }
};

uint32_t le32(const uint8_t* at) {
  return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

std::string childPath(const std::string& folder, const std::string& name) {
  return (folder == "/" ? folder : folder + "/") + name;
}

std::string quotedList(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < kNamesShown; ++i) text += (i ? ", \"" : "\"") + names[i] + "\"";
  if (names.size() > kNamesShown) text += " and " + std::to_string(names.size() - kNamesShown) + " more";
  return text;
}

// Visits every node below folder (folders before what they hold) with its path.
void walk(IsoDir* folder, const std::string& path, const std::function<void(IsoNode*, const std::string&)>& visit) {
  IsoDirIter* iter = nullptr;
  if (iso_dir_get_children(folder, &iter) != 1) return;
  IsoNode* node = nullptr;
  while (iso_dir_iter_next(iter, &node) == 1) {
    const std::string nodePath = childPath(path, iso_node_get_name(node));
    visit(node, nodePath);
    if (iso_node_get_type(node) == LIBISO_DIR) walk(reinterpret_cast<IsoDir*>(node), nodePath, visit);
  }
  iso_dir_iter_free(iter);
}

// Where a file of the disc lies: (first block, bytes) per extent; empty for a file added.
std::vector<std::pair<uint32_t, uint32_t>> discExtents(IsoNode* node) {
  std::vector<std::pair<uint32_t, uint32_t>> extents;
  if (iso_node_get_type(node) != LIBISO_FILE) return extents;
  int count = 0;
  struct iso_file_section* sections = nullptr;
  if (iso_file_get_old_image_sections(reinterpret_cast<IsoFile*>(node), &count, &sections, 0) == 1)
    for (int i = 0; i < count; ++i) extents.emplace_back(sections[i].block, sections[i].size);
  std::free(sections);
  return extents;
}

bool isOnDisc(IsoNode* node) {
  void* data = nullptr;
  return iso_node_get_xinfo(node, discMark, &data) == 1;
}
bool isDiscFile(IsoNode* node) { return iso_node_get_type(node) == LIBISO_FILE && isOnDisc(node); }
bool isDiscFolder(IsoNode* node) { return iso_node_get_type(node) == LIBISO_DIR && isOnDisc(node); }

void removeNode(IsoNode* node) {
  // libisofs 1.5.4's iso_node_remove_tree crashes on anything but a folder.
  const int rc = iso_node_get_type(node) == LIBISO_DIR ? iso_node_remove_tree(node, nullptr) : iso_node_remove(node);
  if (rc < 0)
    throw DwError(DW_E_INTERNAL, "An entry of the disc could not be taken out of the tree: " + libisofsText(rc));
}

IsoDir* folderOnDisc(IsoImage* image, const std::string& path) {
  IsoNode* node = nullptr;
  const std::string wanted = path.empty() ? "/" : path;
  if (iso_tree_path_to_node(image, wanted.c_str(), &node) != 1 || iso_node_get_type(node) != LIBISO_DIR)
    throw DwError(DW_E_FILE, "There is no folder \"" + wanted + "\" on the disc to add the files to", ENOENT);
  return reinterpret_cast<IsoDir*>(node);
}

// The entries of a local folder as chosen entries of their own (links stay links), with
// the special files left out (the check of the chosen folder reported them).
std::vector<ChosenEntry> folderEntries(const fs::path& folder) {
  std::vector<ChosenEntry> entries;
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(folder, ec)) {
    struct stat st {};
    if (::lstat(item.path().c_str(), &st) != 0 || specialKind(st.st_mode)) continue;
    entries.push_back({item.path(), item.path().filename().string(), S_ISDIR(st.st_mode)});
  }
  if (ec)
    throw DwError(DW_E_FILE, "The folder \"" + folder.string() + "\" cannot be read (" + ec.message() + ")",
                  uint32_t(ec.value()));
  return entries;
}

// The disc paths that entry would take in folder: a folder meeting a folder merges, so
// their inner names count instead.
void collectClashes(IsoDir* folder, const std::string& path, const ChosenEntry& entry, std::vector<std::string>& out) {
  IsoNode* node = nullptr;
  if (iso_dir_get_node(folder, entry.name.c_str(), &node) != 1) return;
  const std::string taken = childPath(path, entry.name);
  if (entry.folder && iso_node_get_type(node) == LIBISO_DIR) {
    for (const ChosenEntry& inner : folderEntries(entry.source))
      collectClashes(reinterpret_cast<IsoDir*>(node), taken, inner, out);
    return;
  }
  out.push_back(taken);
}

// Adds entry into folder, merging folders and replacing what else has its name.
bool mergeChosen(IsoImage* image, IsoDir* folder, const ChosenEntry& entry, AddContext& ctx, int& rc) {
  IsoNode* node = nullptr;
  if (iso_dir_get_node(folder, entry.name.c_str(), &node) == 1) {
    if (entry.folder && iso_node_get_type(node) == LIBISO_DIR) {
      for (const ChosenEntry& inner : folderEntries(entry.source))
        if (!mergeChosen(image, reinterpret_cast<IsoDir*>(node), inner, ctx, rc)) return false;
      return true;
    }
    // The image library's own replacing does not replace: it adds under a mangled name.
    removeNode(node);
  }
  return addChosen(image, folder, entry, ctx, rc);
}

// Whether the root directory of the session carries Rock Ridge entries (the SUSP "SP"
// entry of its "." record). A root whose "." record is not sound is refused here: the
// image library would fall back to the Joliet names without a word.
bool rootHasRockRidge(const BlockReader& read, const std::vector<uint8_t>& descriptor, const std::string& session) {
  const uint32_t rootBlock = le32(descriptor.data() + 156 + 2);
  std::vector<uint8_t> block(kBlock);
  try {
    read(rootBlock, 1, block.data());
  } catch (const DwError& e) {
    throw DwError(DW_E_IO,
                  "The files of " + session + " could not be read: block " + std::to_string(rootBlock) +
                      " (its top folder) could not be read: " + e.what(),
                  e.status());
  }
  const size_t length = block[0], nameLength = block[32];
  if (length < 34 || nameLength != 1 || block[33] != 0 || le32(block.data() + 2) != rootBlock)
    throw DwError(DW_E_IO, "The file system of " + session + " is damaged: the record of its top folder at block " +
                               std::to_string(rootBlock) + " is unreadable");
  const size_t use = 34;  // after the one-byte name of ".", which needs no padding
  return length >= use + 7 && block[use] == 'S' && block[use + 1] == 'P' && block[use + 4] == 0xBE &&
         block[use + 5] == 0xEF;
}

}  // namespace

std::unique_ptr<IsoTree> IsoTree::fromDisc(BlockReader read, uint16_t session, uint32_t sessionStart,
                                           uint32_t nextWritable, bool overwritable) {
  ensureLibisofs();
  const std::string sessionText =
      overwritable ? std::string("the disc's volume")
                   : "session " + std::to_string(session) + " (from block " + std::to_string(sessionStart) + ")";
  std::vector<uint8_t> descriptor(kBlock);
  const uint32_t descriptorBlock = sessionStart + 16;
  try {
    read(descriptorBlock, 1, descriptor.data());
  } catch (const DwError& e) {
    throw DwError(DW_E_IO,
                  "The files of " + sessionText + " could not be read: block " + std::to_string(descriptorBlock) +
                      " could not be read: " + e.what(),
                  e.status());
  }
  if (descriptor[0] != 1 || std::memcmp(descriptor.data() + 1, "CD001", 5) != 0)
    throw DwError(DW_E_NOT_SUPPORTED,
                  "The disc's " + sessionText + " holds no ISO 9660 file system, so files cannot be added to it");
  const bool rockRidge = rootHasRockRidge(read, descriptor, sessionText);
  std::vector<uint8_t> head;
  if (overwritable) {
    if (sessionStart != 0)
      throw DwError(DW_E_INVALID_ARGUMENT, "The volume of an overwritable disc starts at block 0, not at block " +
                                               std::to_string(sessionStart));
    if (nextWritable < 32)
      throw DwError(DW_E_IO, "The file system of " + sessionText + " is damaged: it ends before block 32");
    head.resize(kMediumHeadBytes);
    try {
      read(0, uint32_t(kMediumHeadBytes / kBlock), head.data());
    } catch (const DwError& e) {
      throw DwError(DW_E_IO, "The files of " + sessionText + " could not be read: blocks 0 to 31 could not be read: " +
                                 e.what(),
                    e.status());
    }
  }

  std::unique_ptr<IsoTree> tree(new IsoTree());  // private constructor: make_unique cannot reach it
  Impl& impl = *tree->impl_;
  impl.image.reset(newImage());
  IsoImage* image = impl.image.get();

  std::unique_ptr<IsoDataSource, SourceUnref> source(newDiscSource(read));
  IsoReadOpts* rawOpts = nullptr;
  int rc = iso_read_opts_new(&rawOpts, 0);
  if (rc < 0 || !rawOpts) throw DwError(DW_E_INTERNAL, "Read options could not be created: " + libisofsText(rc));
  std::unique_ptr<IsoReadOpts, ReadOptsFree> opts(rawOpts);
  iso_read_opts_set_start_block(rawOpts, sessionStart);
  // Names are read as UTF-8 (what this library writes) unless the disc records its own.
  iso_read_opts_set_input_charset(rawOpts, "UTF-8");
  iso_read_opts_auto_input_charset(rawOpts, 1);
  IsoReadImageFeatures* rawFeatures = nullptr;
  rc = iso_image_import(image, source.get(), rawOpts, &rawFeatures);
  std::unique_ptr<IsoReadImageFeatures, FeaturesFree> features(rawFeatures);
  const std::string messages = libraryMessages().take(iso_image_get_msg_id(image));
  // A block that could not be read makes the whole tree doubtful, even where the image
  // library went on without it.
  if (const DiscReadFailure failure = discSourceFailure(source.get()); !failure.text.empty())
    throw DwError(DW_E_IO, "The files of " + sessionText + " could not be read: " + failure.text, failure.status);
  if (rc < 0)
    throw DwError(DW_E_IO, "The file system of " + sessionText + " is damaged: " + libisofsText(rc) +
                               (messages.empty() ? std::string() : " (" + messages + ")"));
  // A damaged root makes the image library fall back to the Joliet names without a word:
  // long names, links and permissions would be lost from the next session.
  if (rockRidge && (!features || iso_read_image_features_has_rockridge(features.get()) != 1))
    throw DwError(DW_E_IO, "The file system of " + sessionText +
                               " is damaged: its Rock Ridge entries cannot be read, so its names, links and "
                               "permissions would be lost");

  DiscOrigin origin;
  origin.session = session;
  origin.sessionStart = sessionStart;
  origin.nextWritable = nextWritable;
  const char* label = iso_image_get_volume_id(image);
  origin.label = label ? label : "";
  origin.descriptor = std::move(descriptor);
  origin.overwritable = overwritable;
  origin.head = std::move(head);
  std::vector<std::string> outside, inHead;
  walk(iso_image_get_root(image), "/", [&](IsoNode* node, const std::string& path) {
    const int marked = iso_node_add_xinfo(node, discMark, nullptr);
    if (marked < 0) throw DwError(DW_E_INTERNAL, "An entry of the disc could not be marked: " + libisofsText(marked));
    // A truncated disc imports without complaint: file data are not read on import.
    for (const auto& [block, bytes] : discExtents(node)) {
      const uint64_t end = uint64_t(block) + (uint64_t(bytes) + kBlock - 1) / kBlock;
      if (end > nextWritable) outside.push_back(path);
      // The grown volume's descriptors are written over blocks 16 to 31.
      if (overwritable && bytes > 0 && block < 32 && end > 16) inHead.push_back(path);
    }
  });
  if (!inHead.empty())
    throw DwError(DW_E_NOT_SUPPORTED, "Files cannot be added to " + sessionText + ": " +
                                          std::to_string(inHead.size()) + (inHead.size() == 1 ? " file lies" : " files lie") +
                                          " in blocks 16 to 31, where the new volume descriptors go: " + quotedList(inHead));
  if (!outside.empty())
    throw DwError(DW_E_IO, "The file system of " + sessionText + " is damaged: " + std::to_string(outside.size()) +
                               (outside.size() == 1 ? " file lies" : " files lie") +
                               " past the recorded end of the disc (block " + std::to_string(nextWritable) +
                               "): " + quotedList(outside));
  impl.origin = std::move(origin);
  tree->countDiscEntries();
  return tree;
}

void IsoTree::countDiscEntries() {
  DiscOrigin& origin = *impl_->origin;
  origin.files = origin.folders = 0;
  walk(iso_image_get_root(impl_->image.get()), "/", [&](IsoNode* node, const std::string&) {
    if (isDiscFile(node)) ++origin.files;
    if (isDiscFolder(node)) ++origin.folders;
  });
}

const DiscOrigin* IsoTree::origin() const { return impl_->origin ? &*impl_->origin : nullptr; }

std::vector<std::string> IsoTree::findClashes(const std::string& discFolder,
                                              const std::vector<std::string>& paths) const {
  IsoImage* image = impl_->image.get();
  IsoDir* folder = folderOnDisc(image, discFolder);
  std::vector<std::string> clashes;
  for (const ChosenEntry& entry : checkChosen(paths, {}))
    collectClashes(folder, discFolder.empty() ? "/" : discFolder, entry, clashes);
  return clashes;
}

void IsoTree::addPaths(const std::string& discFolder, const std::vector<std::string>& paths, bool replace,
                       TreeNameCallback onAdd, TreeSkipCallback onSkip, TreeLargeFileCallback onLarge) {
  Impl& impl = *impl_;
  IsoImage* image = impl.image.get();
  IsoDir* folder = folderOnDisc(image, discFolder);
  const std::vector<ChosenEntry> entries = checkChosen(paths, onSkip);
  std::vector<std::string> clashes;
  for (const ChosenEntry& entry : entries)
    collectClashes(folder, discFolder.empty() ? "/" : discFolder, entry, clashes);
  if (!clashes.empty() && !replace)
    throw DwError(DW_E_FILE,
                  std::to_string(clashes.size()) + (clashes.size() == 1 ? " name is" : " names are") +
                      " already on the disc: " + quotedList(clashes) + "; replace them, or rename the chosen entries",
                  EEXIST);
  impl.willChange();

  AddContext ctx{&onAdd, &onLarge, impl.stamps.get(), nullptr};
  iso_image_attach_data(image, &ctx, nullptr);
  std::string failed;
  int rc = 0;
  try {
    for (const ChosenEntry& entry : entries)
      if (!mergeChosen(image, folder, entry, ctx, rc)) {
        failed = entry.source.string();
        break;
      }
  } catch (...) {
    iso_image_attach_data(image, nullptr, nullptr);
    impl.stamps->seal();
    throw;
  }
  iso_image_attach_data(image, nullptr, nullptr);
  impl.stamps->seal();
  if (impl.origin) countDiscEntries();
  if (ctx.failure) std::rethrow_exception(ctx.failure);
  if (rc < 0) throw DwError(DW_E_FILE, "\"" + failed + "\" could not be added: " + libisofsText(rc));
}

void IsoTree::removePath(const std::string& discPath) {
  Impl& impl = *impl_;
  IsoNode* node = nullptr;
  if (discPath.empty() || discPath == "/")
    throw DwError(DW_E_INVALID_ARGUMENT, "The disc's top folder cannot be left out: name a file or folder in it");
  if (iso_tree_path_to_node(impl.image.get(), discPath.c_str(), &node) != 1 || !isOnDisc(node))
    throw DwError(DW_E_FILE, "\"" + discPath + "\" is not on the disc, so it cannot be left out", ENOENT);
  impl.willChange();
  removeNode(node);
  if (impl.origin) countDiscEntries();
}

void IsoTree::forEachDiscFile(const std::function<void(const DiscFile&)>& visit) const {
  walk(iso_image_get_root(impl_->image.get()), "/", [&](IsoNode* node, const std::string& path) {
    if (!isDiscFile(node)) return;
    DiscFile file;
    file.extents = discExtents(node);
    file.path = path;
    file.size = uint64_t(iso_file_get_size(reinterpret_cast<IsoFile*>(node)));
    file.modified = int64_t(iso_node_get_mtime(node));
    visit(file);
  });
}

}  // namespace discwright
