// What the parts of IsoTree share: the tree's state, and how chosen entries are checked
// and added (iso_tree.cpp: local trees and building; iso_tree_disc.cpp: trees from a disc).
#pragma once

#include <sys/stat.h>

#include <ctime>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filetree/iso_image_stream.h"
#include "filetree/iso_tree.h"

namespace discwright {

// iso_tree_add_dir_rec reports each name through a callback without a context pointer;
// the context travels as the image's attached data for the duration of the walk.
struct AddContext {
  const TreeNameCallback* onAdd = nullptr;
  const TreeLargeFileCallback* onLarge = nullptr;
  SourceStamps* stamps = nullptr;
  std::exception_ptr failure;

  // A file as the tree measures it: its stamp, and the note that it needs several extents.
  void measured(const std::string& path, const struct stat& st);
};

// A new, empty image as the sources are added to it (links stay links, special files are
// left out), reporting through an attached AddContext.
IsoImage* newImage();

// One chosen file or folder, checked: what it is and the name it takes on the disc.
struct ChosenEntry {
  std::filesystem::path source;  // canonical
  std::string name;
  bool folder = false;
};
// Checks every chosen path (readable, no two of one name) before anything is added;
// DwError(DW_E_FILE) naming each that fails. Special files are reported and left out.
std::vector<ChosenEntry> checkChosen(const std::vector<std::string>& paths, const TreeSkipCallback& onSkip);

// Adds one chosen entry into dir under its name (a folder with all it holds).
// False, with rc set, when the image library refused it.
bool addChosen(IsoImage* image, IsoDir* dir, const ChosenEntry& entry, AddContext& ctx, int& rc);

struct BuildArguments {
  uint32_t startBlock = 0;
  bool joliet = true;
  std::string label, applicationId, preparerId;
  bool operator==(const BuildArguments&) const = default;
};

struct IsoTree::Impl {
  ImagePtr image;
  std::filesystem::path root;  // canonical source folder

  // Boot image as requested and as currently placed in the tree.
  std::string bootRequested;
  std::string bootApplied;
  std::string bootAddedName;  // set when the boot file was added at the root by us

  std::shared_ptr<SourceStamps> stamps = std::make_shared<SourceStamps>();  // the files as added
  std::shared_ptr<BuiltImage> built;
  std::unique_ptr<ImageCursor> cursor;  // the tree's own reading position
  std::string relocationFolder;         // added at the root by the image library for the last build

  std::optional<DiscOrigin> origin;  // set for a tree that continues a disc
  BuildArguments builtWith;          // of the image built, while the tree is unchanged
  bool changed = true;               // since the last build
  // The volume dates of the last build. A build of the unchanged tree keeps them, so that
  // each copy burned from it holds the same bytes, whichever second it is built in.
  time_t volumeTime = 0;

  void removeRelocationFolder();
  ImageCursor& builtCursor() const;
  void removeBoot();
  // Path of the boot file inside the image when it lies in the source folder, else "".
  std::string pathInTree(const std::filesystem::path& bootFile) const;
  void applyBoot();
  // The tree is about to change: the image built no longer shows it.
  void willChange();
};

}  // namespace discwright
