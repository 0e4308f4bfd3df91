// The file tree of a build without the image library (Windows until it is ported): a
// tree cannot be made, and the user reads why instead of a failure of some later call.
#include "Discwright.h"
#include "error.h"
#include "filetree/iso_tree.h"

namespace discwright {

namespace {

[[noreturn]] void unavailable() {
  throw DwError(DW_E_NOT_SUPPORTED,
                "Burning files and folders, and building images of them, is not available in this build: "
                "burn an ISO image instead");
}

}  // namespace

struct IsoTree::Impl {};

IsoTree::IsoTree() = default;
IsoTree::~IsoTree() = default;

std::unique_ptr<IsoTree> IsoTree::fromFolder(const std::string&, TreeNameCallback, TreeSkipCallback,
                                             TreeLargeFileCallback) {
  unavailable();
}
std::unique_ptr<IsoTree> IsoTree::fromPaths(const std::vector<std::string>&, TreeNameCallback, TreeSkipCallback,
                                            TreeLargeFileCallback) {
  unavailable();
}
std::unique_ptr<IsoTree> IsoTree::fromDisc(BlockReader, uint16_t, uint32_t, uint32_t, bool) { unavailable(); }
void IsoTree::countDiscEntries() {}
const DiscOrigin* IsoTree::origin() const { return nullptr; }
std::vector<std::string> IsoTree::findClashes(const std::string&, const std::vector<std::string>&) const {
  unavailable();
}
void IsoTree::addPaths(const std::string&, const std::vector<std::string>&, bool, TreeNameCallback, TreeSkipCallback,
                       TreeLargeFileCallback) {
  unavailable();
}
void IsoTree::removePath(const std::string&) { unavailable(); }
void IsoTree::forEachDiscFile(const std::function<void(const DiscFile&)>&) const { unavailable(); }
void IsoTree::setBootImage(const std::string&) { unavailable(); }
std::vector<uint8_t> IsoTree::headBlocks() const { return {}; }
void IsoTree::build(uint32_t, bool, const std::string&, const std::string&, const std::string&) { unavailable(); }
bool IsoTree::built() const { return false; }
uint64_t IsoTree::size() const { unavailable(); }
void IsoTree::seekToBegin() { unavailable(); }
void IsoTree::read(void*, uint32_t) { unavailable(); }
std::unique_ptr<ByteSource> IsoTree::openStream() const { unavailable(); }

}  // namespace discwright
