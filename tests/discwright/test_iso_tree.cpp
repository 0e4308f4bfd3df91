// Images built from a folder: layout of the descriptors, exact reads, repeatable streams,
// boot records. The image is parsed here directly so no outside tool is needed.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#define LIBISOFS_WITHOUT_LIBBURN
#include <libisofs/libisofs.h>

#include "Discwright.h"
#include "error.h"
#include "filetree/iso_tree.h"

namespace fs = std::filesystem;
using discwright::DwError;
using discwright::IsoTree;
using Bytes = std::vector<unsigned char>;

namespace {

constexpr size_t kSector = 2048;
constexpr size_t kDescriptors = 16 * kSector;  // volume descriptors start at block 16
constexpr size_t kPatternSize = 3 * 1024 * 1024;
const char* const kUnicodeName = "Gr\xC3\xBC\xC3\x9F" "e \xC3\xA4.txt";  // "Grüße ä.txt"

Bytes pattern(size_t n, uint32_t seed) {
  Bytes out(n);
  std::mt19937 gen(seed);
  for (auto& b : out) b = static_cast<unsigned char>(gen());
  return out;
}

void writeFile(const fs::path& path, const Bytes& data) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}
void writeFile(const fs::path& path, const std::string& text) { writeFile(path, Bytes(text.begin(), text.end())); }

uint32_t le32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t le16(const Bytes& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
std::string text(const Bytes& b, size_t at, size_t n) { return std::string(b.begin() + at, b.begin() + at + n); }

bool contains(const Bytes& hay, const Bytes& needle) {
  return std::search(hay.begin(), hay.end(), std::boyer_moore_searcher(needle.begin(), needle.end())) != hay.end();
}

Bytes utf16be(const std::u16string& s) {
  Bytes out;
  for (char16_t c : s) {
    out.push_back(static_cast<unsigned char>(c >> 8));
    out.push_back(static_cast<unsigned char>(c & 0xFF));
  }
  return out;
}

// Reads the built image like the burn-to-file loop does: 64 KiB pieces, then the rest.
Bytes readAll(IsoTree& tree) {
  const uint64_t size = tree.size();
  Bytes image(size);
  constexpr uint32_t kPiece = 64 * 1024;
  uint64_t done = 0;
  while (size - done >= kPiece) {
    tree.read(image.data() + done, kPiece);
    done += kPiece;
  }
  if (done < size) tree.read(image.data() + done, uint32_t(size - done));
  return image;
}

Bytes readAll(discwright::ByteSource& src) {
  Bytes image(src.size());
  size_t done = 0;
  Bytes piece(100 * 1000);  // deliberately not a multiple of a block
  for (;;) {
    size_t got = src.read(piece.data(), piece.size());
    if (got == 0) break;
    EXPECT_LE(done + got, image.size());
    if (done + got > image.size()) break;
    std::copy_n(piece.begin(), got, image.begin() + done);
    done += got;
  }
  EXPECT_EQ(done, image.size());
  return image;
}

// The volume descriptor of the given type (1 primary, 2 supplementary, 0 boot), or -1.
long findDescriptor(const Bytes& image, unsigned char type) {
  for (size_t at = kDescriptors; at + kSector <= image.size(); at += kSector) {
    if (text(image, at + 1, 5) != "CD001") return -1;
    if (image[at] == 255) return -1;
    if (image[at] == type) return long(at);
  }
  return -1;
}

template <class F>
void expectDwError(F&& call, uint8_t code, const std::string& mention = {}) {
  try {
    call();
    ADD_FAILURE() << "no DwError thrown";
  } catch (const DwError& e) {
    EXPECT_EQ(e.code(), code) << e.what();
    EXPECT_NE(std::string(e.what()).find(mention), std::string::npos) << e.what();
  }
}

class IsoTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::temp_directory_path() /
            ("iso_tree_test_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(base_);
    src_ = base_ / "source";
    fs::create_directories(src_ / "sub" / "deeper");
    writeFile(src_ / "readme.txt", "hello from the root\n");
    writeFile(src_ / "empty.dat", "");
    writeFile(src_ / "sub" / "notes.txt", "a file in a subfolder\n");
    writeFile(src_ / "sub" / "deeper" / "leaf.txt", "deep down\n");
    writeFile(src_ / kUnicodeName, "non-ASCII name\n");
    pattern_ = pattern(kPatternSize, 7);
    writeFile(src_ / "sub" / "pattern.bin", pattern_);
  }
  void TearDown() override { fs::remove_all(base_); }

  std::unique_ptr<IsoTree> builtTree(uint32_t startBlock = 0, bool joliet = true, const std::string& label = "KORVANEL_TEST") {
    auto tree = IsoTree::fromFolder(src_.string());
    tree->build(startBlock, joliet, label, "/usr/bin/korvanel", "/usr/bin/korvanel");
    return tree;
  }

  fs::path base_;
  fs::path src_;
  Bytes pattern_;
};

TEST_F(IsoTreeTest, ImageHoldsTheFolderWithDescriptorsAndContents) {
  std::vector<std::string> added;
  auto tree = IsoTree::fromFolder(src_.string(), [&](const std::string& name) { added.push_back(name); });
  EXPECT_FALSE(tree->built());
  tree->build(0, true, "KORVANEL_TEST", "/usr/bin/korvanel", "/usr/bin/korvanel");
  ASSERT_TRUE(tree->built());

  // Every entry is announced once, the folder itself is not.
  EXPECT_EQ(added.size(), 8u);
  auto announced = [&](const fs::path& p) {
    return std::count(added.begin(), added.end(), p.string()) == 1;
  };
  EXPECT_TRUE(announced(src_ / "sub" / "pattern.bin"));
  EXPECT_TRUE(announced(src_ / "sub" / "deeper"));
  EXPECT_TRUE(announced(src_ / kUnicodeName));

  const uint64_t size = tree->size();
  EXPECT_EQ(size % kSector, 0u);
  EXPECT_GT(size, kPatternSize);
  Bytes image = readAll(*tree);
  ASSERT_EQ(image.size(), size);

  ASSERT_EQ(findDescriptor(image, 1), long(kDescriptors));
  EXPECT_EQ(text(image, kDescriptors + 1, 5), "CD001");
  EXPECT_EQ(text(image, kDescriptors + 40, 32), "KORVANEL_TEST                   ");
  EXPECT_EQ(le32(image, kDescriptors + 80) * uint64_t(kSector), size);  // volume space size
  EXPECT_EQ(le16(image, kDescriptors + 128), kSector);                  // logical block size

  long joliet = findDescriptor(image, 2);
  ASSERT_GT(joliet, 0);
  EXPECT_EQ(image[joliet + 88], '%');  // UCS-2 escape sequence
  EXPECT_EQ(image[joliet + 89], '/');

  EXPECT_TRUE(contains(image, pattern_)) << "the 3 MB file is not stored whole";
  EXPECT_TRUE(contains(image, utf16be(u"Gr\u00FC\u00DFe \u00E4.txt"))) << "Joliet lost the non-ASCII name";
  EXPECT_TRUE(contains(image, utf16be(u"leaf.txt")));
}

TEST_F(IsoTreeTest, ExactReadsAndTheEndOfTheImage) {
  auto tree = builtTree();
  const uint64_t size = tree->size();
  Bytes buf(1024 * 1024);
  uint64_t done = 0;
  while (size - done > 100) {
    uint32_t n = uint32_t(std::min<uint64_t>(buf.size(), size - done - 100));
    tree->read(buf.data(), n);
    done += n;
  }
  // Asking for more than is left fails and consumes nothing.
  expectDwError([&] { tree->read(buf.data(), 200); }, DW_E_INVALID_ARGUMENT, "100");
  tree->read(buf.data(), 100);
  expectDwError([&] { tree->read(buf.data(), 1); }, DW_E_INVALID_ARGUMENT);
  tree->read(buf.data(), 0);
  expectDwError([&] { tree->read(nullptr, 1); }, DW_E_INVALID_ARGUMENT);
}

TEST_F(IsoTreeTest, SeekToBeginAndStreamsRepeatTheSameBytes) {
  auto tree = builtTree();
  Bytes first = readAll(*tree);
  tree->seekToBegin();
  // Half a read, then back to the start again.
  Bytes part(5000);
  tree->read(part.data(), uint32_t(part.size()));
  EXPECT_TRUE(std::equal(part.begin(), part.end(), first.begin()));
  tree->seekToBegin();
  EXPECT_EQ(readAll(*tree), first);

  // Streams opened in different seconds still match byte for byte: no "now" in the image.
  auto a = tree->openStream();
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  auto b = tree->openStream();
  EXPECT_EQ(a->size(), first.size());
  EXPECT_EQ(readAll(*a), first);
  EXPECT_EQ(readAll(*b), first);
  Bytes tail(10);
  EXPECT_EQ(a->read(tail.data(), tail.size()), 0u);

  // Built again in a later second, as for the next copy of a burn: the same bytes still.
  a.reset();
  b.reset();
  tree->build(0, true, "KORVANEL_TEST", "/usr/bin/korvanel", "/usr/bin/korvanel");
  EXPECT_EQ(readAll(*tree), first);
}

// Readers of one image share its files; one must never see zeros because another reader
// holds a file open, whatever the order of their reads.
TEST_F(IsoTreeTest, InterleavedAndParallelReadersSeeTheSameImage) {
  auto tree = builtTree();
  const uint64_t size = tree->size();
  Bytes expected = readAll(*tree);
  tree->seekToBegin();

  // The tree has started, then two streams join and all three take turns.
  constexpr size_t kPiece = 256 * 1024;
  Bytes fromTree(size), fromA(size), fromB(size);
  tree->read(fromTree.data(), 100 * 1000);
  uint64_t treeAt = 100 * 1000;
  auto a = tree->openStream();
  auto b = tree->openStream();
  uint64_t aAt = 0, bAt = 0;
  while (treeAt < size || aAt < size || bAt < size) {
    if (aAt < size) aAt += a->read(fromA.data() + aAt, kPiece);
    if (treeAt < size) {
      uint32_t n = uint32_t(std::min<uint64_t>(kPiece / 2, size - treeAt));
      tree->read(fromTree.data() + treeAt, n);
      treeAt += n;
    }
    if (bAt < size) bAt += b->read(fromB.data() + bAt, kPiece / 3);
  }
  EXPECT_EQ(fromTree, expected);
  EXPECT_EQ(fromA, expected);
  EXPECT_EQ(fromB, expected);

  // Two streams on two threads at once.
  Bytes onThread;
  std::thread t([&, s = tree->openStream()] { onThread = readAll(*s); });
  auto c = tree->openStream();
  Bytes here = readAll(*c);
  t.join();
  EXPECT_EQ(onThread, expected);
  EXPECT_EQ(here, expected);
}

TEST_F(IsoTreeTest, StreamsOutliveTheTreeAndBlockRebuilding) {
  auto tree = builtTree();
  const uint64_t size = tree->size();
  auto stream = tree->openStream();
  expectDwError([&] { tree->build(0, true, "OTHER", "", ""); }, DW_E_BUSY);
  tree.reset();
  EXPECT_EQ(readAll(*stream).size(), size);
  stream.reset();

  // Rebuilding is allowed once the streams are gone; over-long texts are cut to their fields.
  auto again = builtTree();
  { auto s = again->openStream(); }
  again->build(0, false, std::string(40, 'L'), std::string(200, 'A'), "PREP");
  Bytes image = readAll(*again);
  EXPECT_EQ(text(image, kDescriptors + 40, 32), std::string(32, 'L'));
  EXPECT_EQ(text(image, kDescriptors + 574, 128), std::string(128, 'A'));  // application id
  EXPECT_EQ(text(image, kDescriptors + 446, 4), "PREP");                   // data preparer id
  EXPECT_EQ(findDescriptor(image, 2), -1) << "Joliet was not asked for";
}

TEST_F(IsoTreeTest, LaterSessionAddressesStartAtTheGivenBlock) {
  constexpr uint32_t kStart = 12345;
  auto tree = builtTree(kStart);
  Bytes image = readAll(*tree);
  ASSERT_EQ(findDescriptor(image, 1), long(kDescriptors));
  const uint32_t blocks = uint32_t(image.size() / kSector);
  // The root directory record sits at PVD offset 156; its extent is on the medium.
  const uint32_t rootExtent = le32(image, kDescriptors + 156 + 2);
  EXPECT_GE(rootExtent, kStart + 17);
  EXPECT_LT(rootExtent, kStart + blocks);
  // The record it points to is the root's "." entry (length byte, name 0x00).
  const size_t rootAt = size_t(rootExtent - kStart) * kSector;
  EXPECT_EQ(le32(image, rootAt + 2), rootExtent);
  EXPECT_EQ(image[rootAt + 32], 1);
  EXPECT_EQ(image[rootAt + 33], 0);
}

TEST_F(IsoTreeTest, FolderPathsAreResolvedOrRefused) {
  // A relative path is taken from the current directory.
  const fs::path old = fs::current_path();
  fs::current_path(base_);
  std::unique_ptr<IsoTree> tree;
  EXPECT_NO_THROW(tree = IsoTree::fromFolder("source"));
  fs::current_path(old);
  ASSERT_TRUE(tree);
  tree->build(0, true, "REL", "", "");
  EXPECT_TRUE(contains(readAll(*tree), pattern_));

  const std::string missing = (base_ / "no such folder").string();
  expectDwError([&] { IsoTree::fromFolder(missing); }, DW_E_FILE, missing);
  expectDwError([&] { IsoTree::fromFolder((src_ / "readme.txt").string()); }, DW_E_FILE, "readme.txt");
  expectDwError([&] { IsoTree::fromFolder(""); }, DW_E_FILE);

  auto unbuilt = IsoTree::fromFolder(src_.string());
  Bytes buf(16);
  expectDwError([&] { unbuilt->size(); }, DW_E_INVALID_ARGUMENT);
  expectDwError([&] { unbuilt->read(buf.data(), 16); }, DW_E_INVALID_ARGUMENT);
  expectDwError([&] { unbuilt->seekToBegin(); }, DW_E_INVALID_ARGUMENT);
  expectDwError([&] { unbuilt->openStream(); }, DW_E_INVALID_ARGUMENT);
}

TEST_F(IsoTreeTest, CallbackFailureStopsTheWalkAndReachesTheCaller) {
  int calls = 0;
  try {
    IsoTree::fromFolder(src_.string(), [&](const std::string&) {
      if (++calls == 2) throw std::runtime_error("stop here");
    });
    ADD_FAILURE() << "the callback's exception was swallowed";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "stop here");
  }
  EXPECT_EQ(calls, 2);
}

// El Torito: boot record at block 17, catalog with validation and initial entry.
struct BootEntry {
  unsigned char mediaType;
  uint16_t sectorCount;
  Bytes firstBlock;
};

BootEntry parseBoot(const Bytes& image) {
  const size_t rec = kDescriptors + kSector;  // byte 34816
  EXPECT_EQ(image[rec], 0);
  EXPECT_EQ(text(image, rec + 1, 5), "CD001");
  // The boot record's system identifier starts with the boot standard's name.
  EXPECT_EQ(text(image, rec + 7, 10), "EL TORITO ");
  const size_t catalog = size_t(le32(image, rec + 71)) * kSector;
  if (catalog + kSector > image.size()) {
    ADD_FAILURE() << "catalog outside the image";
    return {};
  }
  EXPECT_EQ(image[catalog], 1);  // validation entry
  EXPECT_EQ(image[catalog + 30], 0x55);
  EXPECT_EQ(image[catalog + 31], 0xAA);
  uint16_t sum = 0;
  for (size_t i = 0; i < 32; i += 2) sum = uint16_t(sum + le16(image, catalog + i));
  EXPECT_EQ(sum, 0) << "validation entry checksum";
  const size_t entry = catalog + 32;
  EXPECT_EQ(image[entry], 0x88);  // bootable
  const size_t load = size_t(le32(image, entry + 8)) * kSector;
  if (load + kSector > image.size()) {
    ADD_FAILURE() << "boot image outside the image";
    return {};
  }
  return {image[entry + 1], le16(image, entry + 6), Bytes(image.begin() + load, image.begin() + load + kSector)};
}

TEST_F(IsoTreeTest, BootImagesFromOutsideAndInsideTheFolder) {
  const Bytes loader = pattern(5000, 11);
  writeFile(base_ / "loader.bin", loader);
  auto tree = IsoTree::fromFolder(src_.string());
  tree->setBootImage((base_ / "loader.bin").string());
  tree->build(0, true, "BOOT", "", "");
  Bytes image = readAll(*tree);
  BootEntry e = parseBoot(image);
  EXPECT_EQ(e.mediaType, 0);     // no emulation
  EXPECT_EQ(e.sectorCount, 4u);  // four 512-byte sectors
  EXPECT_TRUE(std::equal(e.firstBlock.begin(), e.firstBlock.end(), loader.begin()));
  EXPECT_TRUE(contains(image, Bytes{'B', 'O', 'O', 'T', '.', 'I', 'M', 'G'}));
  EXPECT_TRUE(contains(image, Bytes{'B', 'O', 'O', 'T', '.', 'C', 'A', 'T'}));
  // Asked again for the next copy, a second later: the same image.
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  tree->setBootImage((base_ / "loader.bin").string());
  tree->build(0, true, "BOOT", "", "");
  EXPECT_EQ(readAll(*tree), image);

  // A file of the folder is used where it is, not copied to the root.
  const Bytes floppy = pattern(1474560, 13);
  writeFile(src_ / "sub" / "floppy.img", floppy);
  auto inside = IsoTree::fromFolder(src_.string());
  inside->setBootImage((src_ / "sub" / "floppy.img").string());
  inside->build(0, false, "BOOT", "", "");
  image = readAll(*inside);
  e = parseBoot(image);
  EXPECT_EQ(e.mediaType, 2);  // 1.44 MB floppy emulation
  EXPECT_TRUE(std::equal(e.firstBlock.begin(), e.firstBlock.end(), floppy.begin()));
  EXPECT_FALSE(contains(image, Bytes{'B', 'O', 'O', 'T', '.', 'I', 'M', 'G'}));

  // Choosing another boot image replaces the first at the next build.
  inside->setBootImage((base_ / "loader.bin").string());
  inside->build(0, false, "BOOT", "", "");
  e = parseBoot(readAll(*inside));
  EXPECT_EQ(e.mediaType, 0);
  EXPECT_TRUE(std::equal(e.firstBlock.begin(), e.firstBlock.end(), loader.begin()));
}

TEST_F(IsoTreeTest, BootNamesAvoidExistingFilesAndMissingBootFilesAreRefused) {
  writeFile(src_ / "boot.img", "a user's file\n");
  writeFile(src_ / "boot.cat", "another user's file\n");
  writeFile(base_ / "loader.bin", pattern(3000, 5));
  auto tree = IsoTree::fromFolder(src_.string());
  tree->setBootImage((base_ / "loader.bin").string());
  tree->build(0, true, "BOOT", "", "");
  Bytes image = readAll(*tree);
  parseBoot(image);
  EXPECT_TRUE(contains(image, Bytes{'a', ' ', 'u', 's', 'e', 'r'}));
  EXPECT_TRUE(contains(image, Bytes{'a', 'n', 'o', 't', 'h', 'e', 'r'}));

  const std::string missing = (base_ / "missing.img").string();
  expectDwError([&] { tree->setBootImage(missing); }, DW_E_FILE, missing);
  expectDwError([&] { tree->setBootImage(src_.string()); }, DW_E_FILE);
}

// ---- The plain ISO 9660 view, checked by our own walk and by an outside reader ------

// Output of a shell command (stdout and stderr).
std::string runCommand(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    ::pclose(pipe);
  }
  return out;
}

// A command's output, and whether it ended with status 0.
std::pair<std::string, bool> runChecked(const std::string& command) {
  std::string out = runCommand(command + "; echo \"exit $?\"");
  const bool ok = out.size() >= 7 && out.compare(out.size() - 7, 7, "exit 0\n") == 0;
  return {out, ok};
}

size_t lineCount(const std::string& text, const std::string& line) {
  size_t n = 0;
  std::istringstream lines(text);
  for (std::string l; std::getline(lines, l);) n += l == line;
  return n;
}

// The files whose Rock Ridge path resolves when the image library reads the image back
// (it follows the links that moved folders leave behind).
std::vector<std::string> rockRidgeFiles(const fs::path& iso, const std::vector<std::string>& files) {
  std::vector<std::string> found;
  IsoDataSource* src = nullptr;
  IsoReadOpts* opts = nullptr;
  IsoImage* image = nullptr;
  IsoReadImageFeatures* features = nullptr;
  if (iso_data_source_new_from_file(iso.c_str(), &src) < 0 || iso_read_opts_new(&opts, 0) < 0 ||
      iso_image_new("READ", &image) < 0)
    return found;
  iso_read_opts_set_no_joliet(opts, 1);
  if (iso_image_import(image, src, opts, &features) >= 0) {
    for (const auto& f : files) {
      IsoNode* node = nullptr;
      if (iso_tree_path_to_node(image, ("/" + f).c_str(), &node) == 1 && iso_node_get_type(node) == LIBISO_FILE)
        found.push_back(f);
    }
    iso_read_image_features_destroy(features);
  }
  iso_image_unref(image);
  iso_read_opts_free(opts);
  iso_data_source_unref(src);
  return found;
}

// Identifiers the plain view allows: folders of up to 31 of A-Z, 0-9 and "_"; files as
// NAME.EXT;N with name and extension together up to 30.
bool validId(const std::string& id, bool isDir) {
  auto dchars = [](const std::string& t) {
    return std::all_of(t.begin(), t.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; });
  };
  if (isDir) return !id.empty() && id.size() <= 31 && dchars(id);
  const size_t dot = id.find('.'), semi = id.find(';');
  if (dot == std::string::npos || semi == std::string::npos || semi < dot) return false;
  const std::string name = id.substr(0, dot), ext = id.substr(dot + 1, semi - dot - 1), version = id.substr(semi + 1);
  return dchars(name) && dchars(ext) && name.size() + ext.size() >= 1 && name.size() + ext.size() <= 30 &&
         !version.empty() && std::all_of(version.begin(), version.end(), ::isdigit);
}

// Walks the primary volume's directories and lists what breaks the standard: malformed,
// repeated or unsorted identifiers in a folder, folders deeper than 8 levels, paths over 255.
std::vector<std::string> plainViewFaults(const Bytes& image) {
  std::vector<std::string> faults;
  struct Dir {
    uint32_t extent, size;
    std::string path;
    int depth;
  };
  std::vector<Dir> queue{{le32(image, kDescriptors + 156 + 2), le32(image, kDescriptors + 156 + 10), "", 1}};
  std::set<uint32_t> seen;
  auto key = [](const std::string& id) {
    std::string base = id.substr(0, id.find(';'));
    size_t dot = base.find('.');
    std::string name = base.substr(0, dot), ext = dot == std::string::npos ? "" : base.substr(dot + 1);
    name.resize(40, ' ');
    ext.resize(40, ' ');
    return name + ext;
  };
  for (size_t q = 0; q < queue.size(); ++q) {
    const Dir dir = queue[q];
    if (!seen.insert(dir.extent).second) continue;
    if (dir.depth > 8) faults.push_back("depth " + std::to_string(dir.depth) + ": " + dir.path);
    std::vector<std::string> ids;
    std::string extending;
    const size_t at = size_t(dir.extent) * kSector;
    for (size_t pos = 0; pos < dir.size;) {
      const unsigned char len = image[at + pos];
      if (len == 0) {
        pos = (pos / kSector + 1) * kSector;
        continue;
      }
      const std::string id = text(image, at + pos + 33, image[at + pos + 32]);
      const bool isDir = image[at + pos + 25] & 2;
      const uint32_t extent = le32(image, at + pos + 2), size = le32(image, at + pos + 10);
      pos += len;
      if (id == std::string(1, '\0') || id == std::string(1, '\1')) continue;
      // The extents of a file over 4 GiB: one identifier, all but the last flagged.
      if (!extending.empty() && id != extending)
        faults.push_back("extents of " + extending + " end without their last in " + dir.path);
      const bool later = id == extending;
      extending = image[at + pos - len + 25] & 0x80 ? id : std::string();
      if (later) continue;
      ids.push_back(id);
      if (!validId(id, isDir)) faults.push_back("identifier \"" + id + "\" in " + (dir.path.empty() ? "/" : dir.path));
      // Its identifiers plus one separator per folder: the path without its leading "/".
      const std::string path = dir.path + "/" + id;
      if (path.size() - 1 > 255) faults.push_back("path of " + std::to_string(path.size() - 1) + ": " + path);
      if (isDir) queue.push_back({extent, size, path, dir.depth + 1});
    }
    std::set<std::string> unique(ids.begin(), ids.end());
    if (unique.size() != ids.size()) faults.push_back("repeated names in " + (dir.path.empty() ? "/" : dir.path));
    if (!std::is_sorted(ids.begin(), ids.end(), [&](auto& a, auto& b) { return key(a) < key(b); }))
      faults.push_back("unsorted " + (dir.path.empty() ? "/" : dir.path));
  }
  return faults;
}

struct PlainViewCase {
  const char* name;
  std::vector<std::string> files;  // relative paths, created with their folders
};

std::string nested(const std::string& stem, int levels, const std::string& leaf) {
  std::string path;
  for (int i = 1; i <= levels; ++i) path += stem + std::to_string(i) + "/";
  return path + leaf;
}

TEST_F(IsoTreeTest, PlainViewIsValidForAnyTree) {
  const std::string d31(30, 'd');
  const std::vector<PlainViewCase> cases = {
      {"names that map to one plain name",
       {"a-b.txt", "a_b.txt", "a b.txt", "ABC.txt", "abc.txt", "Dir/x.txt", "dir/y.txt", "a.b.c", "A.B.C",
        "averyveryverylongname_number_one.txt", "averyveryverylongname_number_two.txt",
        "file.averyveryverylongextension1", "file.averyveryverylongextension2", ".hidden", "_hidden"}},
      // Deep folders move next to each other in the order they are met, so equal names
      // with another between them were left repeated.
      {"deep folders sharing names",
       {nested("a", 7, "src/f.txt"), nested("b", 7, "lib/f.txt"), nested("c", 7, "src/f.txt"),
        nested("d", 7, "more/deeper/still/more/levels/than/eight/folders/f.txt")}},
      {"paths longer than 255 characters",
       {nested(d31, 7, std::string(26, 'f') + ".txt"), nested(d31, 6, "short.txt"),
        nested(d31, 3, nested(d31, 4, "other.txt"))}},
      // Readers that know only a relocation folder of a certain name rejected the moved ones.
      {"forty levels", {nested("l", 40, "deepest.txt"), "top.txt"}},
      {"forty levels beside a folder of the relocation folder's name",
       {nested("l", 40, "deepest.txt"), "rr_moved/mine.txt", ".rr_moved/hers.txt"}},
      {"forty levels beside a file of the relocation folder's name", {nested("l", 40, "deepest.txt"), ".rr_moved"}},
  };
  for (const char* tool : {"isovfy", "isoinfo", "xorriso", "bsdtar"})
    if (runCommand(std::string("command -v ") + tool).find(tool) == std::string::npos)
      FAIL() << tool << " is missing (Debian packages genisoimage, xorriso, libarchive-tools): run scripts/install-deps.sh";

  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = base_ / "plain";
    fs::remove_all(folder);
    for (const auto& f : c.files) {
      fs::create_directories((folder / f).parent_path());
      writeFile(folder / f, f);
    }
    auto tree = IsoTree::fromFolder(folder.string());
    tree->build(0, true, "PLAIN", "", "");
    const Bytes image = readAll(*tree);
    EXPECT_EQ(plainViewFaults(image), std::vector<std::string>{});

    const fs::path iso = base_ / "plain.iso";
    writeFile(iso, image);
    EXPECT_NE(runCommand("isovfy '" + iso.string() + "'").find("No errors found"), std::string::npos);
    // Every file is in the plain view and, under its own path, in the Joliet view.
    // Files with bytes; the empty records that moved folders leave behind do not count.
    const std::string plain = runCommand("isoinfo -l -i '" + iso.string() + "'");
    std::istringstream lines(plain);
    size_t withBytes = 0;
    for (std::string line; std::getline(lines, line);) {
      std::istringstream fields(line);
      std::string perms, links, uid, gid;
      uint64_t size = 0;
      if (line.find(";1") != std::string::npos && fields >> perms >> links >> uid >> gid >> size && size > 0) ++withBytes;
    }
    EXPECT_EQ(withBytes, c.files.size()) << plain;
    const std::string joliet = runCommand("isoinfo -J -f -i '" + iso.string() + "'");
    for (const auto& f : c.files)  // a name without a dot gets one in Joliet
      EXPECT_TRUE(joliet.find("/" + f + ";1\n") != std::string::npos ||
                  joliet.find("/" + f + ".;1\n") != std::string::npos)
          << f << "\n" << joliet;
    EXPECT_EQ(joliet.find("0rr_moved"), std::string::npos) << "the relocation folder shows in Joliet";
    EXPECT_EQ(rockRidgeFiles(iso, c.files), c.files);
    // Readers we did not write list and extract every file under its full path.
    const auto [listed, listedOk] = runChecked("bsdtar -tf '" + iso.string() + "'");
    EXPECT_TRUE(listedOk) << listed;
    for (const auto& f : c.files) EXPECT_EQ(lineCount(listed, f), 1u) << f << "\n" << listed;
    for (const std::string& extract : {"xorriso -osirrox on -indev '" + iso.string() + "' -extract / ",
                                      "mkdir -p $OUT && bsdtar -xf '" + iso.string() + "' -C "}) {
      const fs::path out = base_ / "out";
      fs::remove_all(out);
      const auto [said, ok] = runChecked("OUT='" + out.string() + "'; " + extract + "\"$OUT\"");
      EXPECT_TRUE(ok) << said;
      for (const auto& f : c.files) {
        std::ifstream in(out / f, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), f) << extract << f;
      }
    }
  }
}

// The build's own production, which the plain-view check read, goes on into the first
// reader; its bytes must be those of a production made afresh, mended or not.
TEST_F(IsoTreeTest, TheBuildsProductionGoesOnIntoTheFirstReader) {
  std::mt19937 gen(29);
  const std::string odd = "*?:;\\\"<>|'#% +,=[]~";  // what Joliet and the plain view refuse
  auto randomName = [&](bool longName) {
    std::string name;
    const size_t length = longName ? 40 + gen() % 80 : 1 + gen() % 12;
    for (size_t i = 0; i < length; ++i) {
      const unsigned pick = gen() % 10;
      name += pick < 4 ? char('a' + gen() % 26) : pick < 6 ? char('A' + gen() % 26) : pick < 8 ? char('0' + gen() % 10)
                                                                                      : odd[gen() % odd.size()];
    }
    if (gen() % 3) name += "." + std::string(1, char('a' + gen() % 3)) + (gen() % 2 ? std::to_string(gen() % 10) : "");
    return name;
  };
  std::vector<std::vector<std::string>> trees = {
      {"x", "x.b", "x.b1", "x.B2", "X.1", "a-b.txt", "a_b.txt", "ABC.txt", "abc.txt", ".hidden"},
      {nested("a", 7, "src/f.txt"), nested("b", 7, "lib/f.txt"), nested("c", 7, "src/f.txt")},  // mended
  };
  for (int t = 0; t < 6; ++t) {
    std::vector<std::string> files;
    for (int f = 0; f < 60; ++f) {
      std::string path;
      for (int depth = int(gen() % (t == 5 ? 10 : 5)); depth > 0; --depth) path += randomName(gen() % 4 == 0) + "/";
      files.push_back(path + randomName(gen() % 3 == 0));
    }
    trees.push_back(files);
  }
  for (size_t t = 0; t < trees.size(); ++t) {
    SCOPED_TRACE("tree " + std::to_string(t));
    const fs::path folder = base_ / ("t" + std::to_string(t));
    for (const auto& f : trees[t]) {
      fs::create_directories((folder / f).parent_path());
      if (!fs::exists(folder / f)) writeFile(folder / f, f);
    }
    for (bool byStream : {false, true}) {
      auto tree = IsoTree::fromFolder(folder.string());
      tree->build(0, true, "ONCE", "", "");
      tree->seekToBegin();  // at the start already: the production stays
      const Bytes continued = byStream ? readAll(*tree->openStream()) : readAll(*tree);
      const Bytes afresh = byStream ? readAll(*tree) : readAll(*tree->openStream());
      ASSERT_EQ(continued.size(), afresh.size());
      EXPECT_TRUE(continued == afresh) << (byStream ? "stream" : "tree");
    }
  }
}


// ---- Files over 4 GiB ---------------------------------------------------------------

// Streams the image into a sparse file (blocks of zeros become holes, so a 4 GiB image
// costs little disk) and answers its first head bytes, where the directories lie.
Bytes saveSparse(IsoTree& tree, const fs::path& iso, size_t head) {
  const int fd = ::open(iso.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  EXPECT_GE(fd, 0);
  static const Bytes zeros(kSector, 0);
  Bytes kept, piece(1u << 20);
  const uint64_t size = tree.size();
  for (uint64_t done = 0; done < size;) {
    const uint32_t n = uint32_t(std::min<uint64_t>(piece.size(), size - done));
    tree.read(piece.data(), n);
    kept.insert(kept.end(), piece.begin(), piece.begin() + std::min<size_t>(n, head - std::min(head, kept.size())));
    for (uint32_t b = 0; b < n; b += kSector) {
      const size_t len = std::min<size_t>(kSector, n - b);
      if (std::memcmp(piece.data() + b, zeros.data(), len) != 0) {
        EXPECT_GT(::pwrite(fd, piece.data() + b, len, off_t(done + b)), 0);
      }
    }
    done += n;
  }
  EXPECT_EQ(::ftruncate(fd, off_t(size)), 0);
  ::close(fd);
  return kept;
}

// Whether two sparse files hold the same bytes: only where either holds data can they
// differ, so a 4 GiB file of holes compares in milliseconds.
bool sameSparseBytes(const fs::path& a, const fs::path& b) {
  const int fa = ::open(a.c_str(), O_RDONLY | O_CLOEXEC), fb = ::open(b.c_str(), O_RDONLY | O_CLOEXEC);
  bool same = fa >= 0 && fb >= 0 && fs::file_size(a) == fs::file_size(b);
  const off_t size = same ? off_t(fs::file_size(a)) : 0;
  Bytes pa(1u << 20), pb(1u << 20);
  for (int f : {fa, fb})
    for (off_t at = 0; same && (at = ::lseek(f, at, SEEK_DATA)) >= 0 && at < size;) {
      const off_t end = std::min(::lseek(f, at, SEEK_HOLE), size);
      for (; same && at < end; at += off_t(pa.size())) {
        const size_t n = size_t(std::min<off_t>(off_t(pa.size()), end - at));
        same = ::pread(fa, pa.data(), n, at) == ssize_t(n) && ::pread(fb, pb.data(), n, at) == ssize_t(n) &&
               std::memcmp(pa.data(), pb.data(), n) == 0;
      }
      at = end;
    }
  if (fa >= 0) ::close(fa);
  if (fb >= 0) ::close(fb);
  return same;
}

TEST_F(IsoTreeTest, FilesOverFourGiBKeepOneNameInEveryView) {
  for (const char* tool : {"xorriso", "bsdtar", "isoinfo"})
    if (runCommand(std::string("command -v ") + tool).find(tool) == std::string::npos)
      FAIL() << tool << " is missing (Debian packages xorriso, libarchive-tools, genisoimage): run scripts/install-deps.sh";
  // One file at the top and, by a hard link (its bytes go into the image once), at a path
  // whose plain name is shortened, beside the record a moved deep folder leaves: the
  // renames and the sorting of the plain view meet its extents.
  const fs::path folder = base_ / "big";
  const std::string d31(30, 'd');
  const std::string top = "big.bin", deep = nested(d31, 7, std::string(26, 'b') + ".bin");
  fs::create_directories((folder / deep).parent_path());
  fs::create_directories(folder / nested(d31, 7, "moved"));
  writeFile(folder / nested(d31, 7, "moved/away.txt"), "moved away\n");
  const uint64_t bigSize = (uint64_t(4) << 30) + 300000;
  {
    std::fstream big(folder / top, std::ios::binary | std::ios::out);
    for (uint64_t at : {uint64_t(0), uint64_t(0xFFFFF800) - 3, bigSize - 5}) {
      big.seekp(std::streamoff(at));
      big.write("edge!", 5);
    }
  }
  ASSERT_EQ(fs::file_size(folder / top), bigSize);
  fs::create_hard_link(folder / top, folder / deep);

  auto tree = IsoTree::fromFolder(folder.string());
  tree->build(0, true, "BIG", "", "");
  const fs::path iso = base_ / "big.iso";
  const Bytes head = saveSparse(*tree, iso, 4u << 20);

  EXPECT_EQ(plainViewFaults(head), std::vector<std::string>{});

  const std::string img = "'" + iso.string() + "'";
  // isoinfo lists each extent: the two extents of each file under one name, one after the other.
  for (const char* view : {"-R", "-J", ""}) {
    SCOPED_TRACE(view);
    const std::string paths = runCommand(std::string("isoinfo -f ") + view + " -i " + img);
    std::vector<std::string> extents;
    std::istringstream lines(paths);
    for (std::string l; std::getline(lines, l);)
      if (l.find(".bin") != std::string::npos || l.find(".BIN") != std::string::npos) extents.push_back(l);
    ASSERT_EQ(extents.size(), 4u) << paths;
    EXPECT_TRUE(extents[0] == extents[1] && extents[2] == extents[3] && extents[1] != extents[2]) << paths;
  }
  const auto [listed, listedOk] = runChecked("bsdtar -tf " + img);
  EXPECT_TRUE(listedOk) << listed;
  EXPECT_EQ(lineCount(listed, top), 1u) << listed;
  EXPECT_EQ(lineCount(listed, deep), 1u) << listed;
  // Extracted (sparse again) by two readers: the bytes are the file's. xorriso takes the
  // one whose plain name was shortened (reading 4 GiB costs seconds); bsdtar both.
  const fs::path byXorriso = base_ / "x", byBsdtar = base_ / "b";
  fs::create_directories(byBsdtar);
  const auto [x, xOk] = runChecked("xorriso -osirrox on:sparse=1m -indev " + img + " -extract '/" + deep + "' '" +
                                   (byXorriso / "deep.bin").string() + "'");
  EXPECT_TRUE(xOk) << x;
  const auto [b, bOk] = runChecked("bsdtar -xSf " + img + " -C '" + byBsdtar.string() + "'");
  EXPECT_TRUE(bOk) << b;
  for (const fs::path& out : {byXorriso / "deep.bin", byBsdtar / top, byBsdtar / deep})
    EXPECT_TRUE(sameSparseBytes(folder / top, out)) << out;
}

// A chosen link keeps the name it was chosen by and stays a link, as links inside chosen
// folders do; a chosen folder is named as chosen, with or without a trailing "/".
// A chosen link brings what it points to, under the name the user chose; links inside
// chosen folders stay links.
TEST_F(IsoTreeTest, ChosenLinksAreFollowedUnderTheirOwnNames) {
  fs::create_directory_symlink(src_ / "sub", base_ / "toplink");
  fs::create_symlink(src_ / "readme.txt", base_ / "filelink");
  fs::create_directory_symlink(src_ / "sub", src_ / "inner");
  auto tree = IsoTree::fromPaths({(base_ / "toplink").string(), (base_ / "filelink").string(), src_.string() + "/"});
  tree->build(0, true, "LINKS", "", "");
  const fs::path iso = base_ / "links.iso";
  writeFile(iso, readAll(*tree));
  const auto [listed, ok] = runChecked("bsdtar -tvf '" + iso.string() + "'");
  EXPECT_TRUE(ok) << listed;
  // A file the tree holds twice is listed once with its bytes and once as "link to" it.
  auto entry = [&](char kind, const std::string& name) {
    std::istringstream lines(listed);
    for (std::string l; std::getline(lines, l);) {
      if (const size_t hard = l.find(" link to "); hard != std::string::npos) l.resize(hard);
      if (l[0] == kind && l.size() > name.size() && l.compare(l.size() - name.size() - 1, std::string::npos, " " + name) == 0)
        return true;
    }
    return false;
  };
  EXPECT_TRUE(entry('d', "toplink")) << listed;
  EXPECT_TRUE(entry('-', "toplink/notes.txt")) << listed;
  EXPECT_TRUE(entry('-', "filelink")) << listed;
  EXPECT_TRUE(entry('l', "source/inner -> " + (src_ / "sub").string())) << listed;
  EXPECT_FALSE(entry('d', "sub")) << listed;
  EXPECT_TRUE(entry('-', "source/sub/notes.txt")) << listed;
}

// A file whose size, modification time or readability changed after the tree measured it
// fails the image before its last bytes, naming the file: never an image that holds zeros
// in its place or a copy other than the one measured.
TEST_F(IsoTreeTest, FilesChangedAfterTheTreeMeasuredThemFailTheImage) {
  const fs::path victim = src_ / "sub" / "pattern.bin";
  struct Case {
    const char* name;
    std::function<void()> change;
  };
  const std::vector<Case> cases = {
      {"truncated", [&] { fs::resize_file(victim, 1000); }},
      {"grown", [&] { fs::resize_file(victim, 2 * kPatternSize); }},
      {"touched within the second", [&] {
         struct stat st {};
         ASSERT_EQ(::stat(victim.c_str(), &st), 0);
         timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
         times[1].tv_nsec = (times[1].tv_nsec + 1) % 1000000000;
         ASSERT_EQ(::utimensat(AT_FDCWD, victim.c_str(), times, 0), 0);
       }},
      // Permissions do not stop root, who runs the tests: a folder in its place does.
      {"unreadable", [&] {
         fs::remove(victim);
         fs::create_directory(victim);
       }},
  };
  for (const auto& c : cases)
    for (bool chosen : {false, true}) {  // inside a folder, and chosen at the top
      SCOPED_TRACE(std::string(c.name) + (chosen ? ", chosen" : ", in a folder"));
      fs::remove_all(victim);
      writeFile(victim, pattern_);
      auto tree = chosen ? IsoTree::fromPaths({victim.string(), (src_ / "readme.txt").string()})
                         : IsoTree::fromFolder(src_.string());
      tree->build(0, true, "CHANGED", "", "");
      c.change();
      expectDwError([&] { readAll(*tree); }, DW_E_FILE, victim.string());
      expectDwError([&] { readAll(*tree->openStream()); }, DW_E_FILE, victim.string());
    }
}

// ---- Entries that cannot be read or must be left out ------------------------------

TEST_F(IsoTreeTest, UnreadableEntriesFailTheTreeAndSpecialFilesAreReported) {
  // Special files are left out, each one reported; a dangling link is kept as a link.
  ASSERT_EQ(::mkfifo((src_ / "pipe").c_str(), 0644), 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string sockPath = (src_ / "sub" / "sock").string();
  ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
  std::strcpy(addr.sun_path, sockPath.c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ::close(sock);
  fs::create_symlink(base_ / "nowhere", src_ / "dangling");
  std::map<std::string, std::string> skipped;
  auto tree = IsoTree::fromFolder(src_.string(), {}, [&](const std::string& name, const std::string& why) {
    skipped[name] = why;
  });
  EXPECT_EQ(skipped, (std::map<std::string, std::string>{
                         {(src_ / "pipe").string(), "is a FIFO; left out of the image"},
                         {sockPath, "is a socket; left out of the image"}}));
  tree->build(0, true, "SPECIAL", "", "");
  Bytes image = readAll(*tree);
  EXPECT_FALSE(contains(image, utf16be(u"pipe")));
  EXPECT_TRUE(contains(image, Bytes{'d', 'a', 'n', 'g', 'l', 'i', 'n', 'g'}));  // its Rock Ridge name

  // A file that vanishes after the folder was read fails the read, naming the file;
  // the image is not padded with zeros in its place. The library's message queue is
  // shared by every tree (and anyone else): each failure names its own tree's file only.
  fs::create_directories(base_ / "other");
  writeFile(base_ / "other" / "elsewhere.bin", pattern(100000, 3));
  auto vanishing = IsoTree::fromFolder(src_.string());
  auto otherVanishing = IsoTree::fromFolder((base_ / "other").string());
  fs::remove(src_ / "sub" / "pattern.bin");
  fs::remove(base_ / "other" / "elsewhere.bin");
  vanishing->build(0, true, "GONE", "", "");
  otherVanishing->build(0, true, "GONE", "", "");
  char foreign[] = "foreign.bin could not be read";
  char sorry[] = "SORRY";
  ASSERT_EQ(iso_msgs_submit(0, foreign, 0, sorry, 0), 1);
  for (auto [tree, own, others] : {std::tuple{vanishing.get(), "pattern.bin", "elsewhere.bin"},
                                   std::tuple{otherVanishing.get(), "elsewhere.bin", "pattern.bin"}}) {
    SCOPED_TRACE(own);
    try {
      readAll(*tree);
      ADD_FAILURE() << "a vanished file went into the image";
    } catch (const DwError& e) {
      const std::string what = e.what();
      EXPECT_EQ(e.code(), DW_E_FILE) << what;
      EXPECT_NE(what.find(own), std::string::npos) << what;
      EXPECT_EQ(what.find(others), std::string::npos) << what;
      EXPECT_EQ(what.find("foreign.bin"), std::string::npos) << what;
    }
  }

  // Unreadable for an ordinary user (tests run as root, who reads everything): a child
  // process drops to "nobody" and reports the failure text through a pipe.
  fs::create_directories(src_ / "locked");
  writeFile(src_ / "secret.txt", "secret\n");
  fs::permissions(src_ / "locked", fs::perms::none);
  fs::permissions(src_ / "secret.txt", fs::perms::none);
  fs::permissions(base_, fs::perms::all);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(fds[0]);
    std::string message = "no failure";
    if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) message = "could not drop privileges";
    else
      try {
        IsoTree::fromFolder(src_.string());
      } catch (const DwError& e) {
        message = e.what();
      }
    (void)!::write(fds[1], message.data(), message.size());
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string message;
  char buf[1024];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) message.append(buf, size_t(n));
  ::close(fds[0]);
  ::waitpid(child, nullptr, 0);
  fs::permissions(src_ / "locked", fs::perms::owner_all);
  EXPECT_NE(message.find("2 files or folders"), std::string::npos) << message;
  EXPECT_NE(message.find("\"" + (src_ / "locked").string() + "\" (Permission denied)"), std::string::npos) << message;
  EXPECT_NE(message.find("\"" + (src_ / "secret.txt").string() + "\" (Permission denied)"), std::string::npos)
      << message;
}

}  // namespace
