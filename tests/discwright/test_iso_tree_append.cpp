// Sessions that continue a disc's files: three sessions on a virtual CD-R, each read back
// through the last directory, and the refusals before a disc is touched.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "discwright/test_support.h"
#include "error.h"
#include "filetree/disc_source.h"
#include "filetree/iso_tree.h"

namespace {

using namespace dwtest;
using discwright::DiscFile;
using discwright::DwError;
using discwright::IsoTree;
using Extents = std::vector<std::pair<uint32_t, uint32_t>>;

void writeFile(const fs::path& path, const Bytes& data) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}
Bytes textBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Reads through the C interface, as a program would.
discwright::BlockReader cReader(DiscwrightHandle grabber) {
  return [grabber](uint32_t lba, uint32_t count, void* buffer) {
    Triple t;
    const uint8_t rc = Discwright_CdvdBurnerGrabber_ReadSectors(grabber, DW_ARGS(t), lba, count, buffer);
    if (rc != DW_E_OK) throw DwError(rc, t.text, t.status);
  };
}

// The start of the disc's last session, from its table of contents.
uint32_t lastSessionStart(DiscwrightHandle grabber) {
  auto toc = std::make_unique<DiscwrightTocInformation>();
  Triple t;
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetTOCInformation(grabber, DW_ARGS(t), toc.get())));
  uint32_t start = 0, session = 0;
  for (uint32_t i = 0; i < toc->LastTrack; ++i)
    if (toc->Entries[i].SessionNumber > session) {
      session = toc->Entries[i].SessionNumber;
      start = toc->Entries[i].StartBlock;
    }
  return start;
}

struct DiscContents {
  std::map<std::string, Bytes> files;
  std::map<std::string, Extents> extents;
};

// The files the disc's last session lists, each read from its extents (also on a closed
// disc, which no longer takes a tree through the C interface).
DiscContents readLastSession(DiscwrightHandle grabber) {
  DiscContents out;
  const uint32_t end = discInfo(grabber).UsedBlocks;
  auto tree = IsoTree::fromDisc(cReader(grabber), 1, lastSessionStart(grabber), end);
  tree->forEachDiscFile([&](const DiscFile& file) {
    Bytes data;
    for (const auto& [block, bytes] : file.extents) {
      Bytes blocks = readBlocks(grabber, block, uint32_t(blocksFor(bytes)));
      data.insert(data.end(), blocks.begin(), blocks.begin() + bytes);
    }
    EXPECT_EQ(data.size(), file.size) << file.path;
    out.files[file.path] = std::move(data);
    out.extents[file.path] = file.extents;
  });
  return out;
}

struct TreeHandle {
  DiscwrightHandle handle = 0;
  ~TreeHandle() {
    if (handle) Discwright_Destroy(&handle);
  }
};

class AppendTest : public LibraryTest {
 protected:
  // Past a small first volume, inside a grown one that adds a megabyte.
  static constexpr uint64_t kBreaksAt = 768 * 1024;

  void SetUp() override {
    auto faulty = cdRecorder(1);
    faulty["faults"] = {
        {"operations",
         {{"ReadSectors", {{"exception", 10}, {"status", 0x031100}, {"text", "Unrecovered read error"}}}}}};
    auto breaking = dvdRecorder(3, "DVD+RW");
    breaking["faults"] = {{"write_fails_at", kBreaksAt}};
    start({cdRecorder(0), faulty, dvdRecorder(2, "DVD+RW"), breaking});
  }

  fs::path local(const std::string& name, const Bytes& data) {
    writeFile(dir_ / "local" / name, data);
    return dir_ / "local" / name;
  }

  void burnTree(DiscwrightHandle grabber, DiscwrightHandle tree, uint32_t startBlock, uint8_t multi,
                const char* label = "") {
    Triple t;
    ASSERT_TRUE(t.check(
        Discwright_ISO9660JolietFileTree_BuildImage(tree, DW_TREE_ARGS(t), startBlock, 0, 1, label, "test", "test")));
    ASSERT_TRUE(
        t.check(Discwright_CdvdBurnerGrabber_TrackAtOnceFromTree(grabber, DW_ARGS(t), tree, 0, 0, multi, 0, 0)));
    ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CloseSession(grabber, DW_ARGS(t))));
  }

  // A first session of the given local paths, left open for more.
  void burnFirst(DiscwrightHandle grabber, const std::vector<fs::path>& paths, uint8_t multi = 1) {
    std::vector<std::string> names;
    for (const auto& p : paths) names.push_back(testcommon::utf8(p));
    std::vector<const char*> list;
    for (const auto& n : names) list.push_back(n.c_str());
    TreeHandle tree;
    Triple t;
    ASSERT_TRUE(t.check(Discwright_ISO9660JolietFileTree_CreateFromPaths(&tree.handle, DW_TREE_ARGS(t), nullptr,
                                                                         nullptr, list.data(), uint32_t(list.size()))));
    burnTree(grabber, tree.handle, 0, multi, "FIRST");
  }

  uint8_t fromDisc(DiscwrightHandle grabber, TreeHandle& tree, Triple& t) {
    return Discwright_ISO9660JolietFileTree_CreateFromDisc(&tree.handle, DW_TREE_ARGS(t), grabber, nullptr, nullptr);
  }

  static uint8_t addPaths(DiscwrightHandle tree, Triple& t, const std::vector<fs::path>& paths, uint8_t replace,
                          const char* folder = "/") {
    std::vector<std::string> names;
    for (const auto& p : paths) names.push_back(testcommon::utf8(p));
    std::vector<const char*> list;
    for (const auto& n : names) list.push_back(n.c_str());
    return Discwright_ISO9660JolietFileTree_AddPaths(tree, DW_TREE_ARGS(t), nullptr, nullptr, folder, list.data(),
                                                     uint32_t(list.size()), replace);
  }

  static DiscwrightTreeOrigin origin(DiscwrightHandle tree) {
    DiscwrightTreeOrigin o{};
    Triple t;
    EXPECT_TRUE(t.check(Discwright_ISO9660JolietFileTree_GetOrigin(tree, DW_TREE_ARGS(t), &o)));
    return o;
  }

  // Every expected file reads back equal through the last directory, nothing else is
  // listed, and the files of earlier sessions stayed where they were.
  void expectDisc(DiscwrightHandle grabber, const std::map<std::string, Bytes>& expected,
                  std::map<std::string, Extents>& extentsBefore) {
    const DiscContents disc = readLastSession(grabber);
    EXPECT_EQ(disc.files.size(), expected.size());
    for (const auto& [path, data] : expected) {
      auto it = disc.files.find(path);
      ASSERT_NE(it, disc.files.end()) << path << " is missing";
      EXPECT_TRUE(it->second == data) << path << " reads back different";
    }
    for (const auto& [path, extents] : extentsBefore)
      if (disc.extents.count(path) && expected.count(path)) {
        EXPECT_EQ(disc.extents.at(path), extents) << path << " moved";
      }
    extentsBefore = disc.extents;
  }
};

TEST_F(AppendTest, ThreeSessionsKeepEveryFileReadableThroughTheLastDirectory) {
  Grabber g = openGrabber("CdRom0");
  const Bytes big = pattern(300 * 1024, 7);
  std::map<std::string, Bytes> expected = {{"/a.txt", textBytes("alpha\n")},
                                           {"/docs/b.bin", big},
                                           {"/docs/c.txt", textBytes("charlie\n")},
                                           {"/empty.dat", {}}};
  local("s1/a.txt", expected["/a.txt"]);
  local("s1/docs/b.bin", big);
  local("s1/docs/c.txt", expected["/docs/c.txt"]);
  local("s1/empty.dat", {});
  burnFirst(g, {dir_ / "local/s1/a.txt", dir_ / "local/s1/docs", dir_ / "local/s1/empty.dat"});
  std::map<std::string, Extents> extents;
  expectDisc(g, expected, extents);

  // Session 2: a new file, and a folder that merges with the disc's.
  {
    TreeHandle tree;
    Triple t;
    ASSERT_TRUE(t.check(fromDisc(g, tree, t)));
    const DiscwrightTreeOrigin o = origin(tree.handle);
    EXPECT_EQ(o.FromDisc, 1);
    EXPECT_EQ(o.Session, 1);
    EXPECT_EQ(o.SessionStart, 0u);
    EXPECT_EQ(o.NextWritable, discInfo(g).NextWritable);
    EXPECT_EQ(o.DiscFiles, 4u);
    EXPECT_EQ(o.DiscFolders, 1u);
    EXPECT_STREQ(o.VolumeLabel, "FIRST");
    expected["/new.txt"] = textBytes("new in two\n");
    expected["/docs/d.txt"] = textBytes("delta\n");
    ASSERT_TRUE(t.check(addPaths(
        tree.handle, t,
        {local("s2/new.txt", expected["/new.txt"]), local("s2/docs/d.txt", expected["/docs/d.txt"]).parent_path()},
        0)));
    EXPECT_EQ(origin(tree.handle).DiscFiles, 4u);
    // Another start would put the directories where the disc's blocks are not.
    EXPECT_TRUE(t.check(Discwright_ISO9660JolietFileTree_BuildImage(tree.handle, DW_TREE_ARGS(t), 0, 0, 1, "", "", ""),
                        DW_E_INVALID_ARGUMENT));
    burnTree(g, tree.handle, o.NextWritable, 1);
  }
  expectDisc(g, expected, extents);
  EXPECT_EQ(discInfo(g).Sessions, 2);

  // Session 3: one file replaced (only with consent), one left out; the disc is closed.
  const uint32_t thirdStart = discInfo(g).NextWritable;
  {
    TreeHandle tree;
    Triple t;
    ASSERT_TRUE(t.check(fromDisc(g, tree, t)));
    EXPECT_EQ(origin(tree.handle).Session, 2);
    EXPECT_STREQ(origin(tree.handle).VolumeLabel, "FIRST");  // an empty label kept the disc's
    const fs::path newer = local("s3/a.txt", textBytes("alpha, second edition\n"));
    EXPECT_TRUE(t.check(addPaths(tree.handle, t, {newer}, 0), DW_E_FILE));
    EXPECT_NE(std::string(t.text).find("\"/a.txt\""), std::string::npos) << t.text;
    const std::string name = testcommon::utf8(newer);
    const char* list[] = {name.c_str()};
    uint32_t clashes = 0;
    ASSERT_TRUE(t.check(Discwright_ISO9660JolietFileTree_FindClashes(tree.handle, DW_TREE_ARGS(t), nullptr, nullptr,
                                                                     "/", list, 1, &clashes)));
    EXPECT_EQ(clashes, 1u);
    ASSERT_TRUE(t.check(addPaths(tree.handle, t, {newer}, 1)));
    ASSERT_TRUE(t.check(Discwright_ISO9660JolietFileTree_RemovePath(tree.handle, DW_TREE_ARGS(t), "/docs/c.txt")));
    EXPECT_EQ(origin(tree.handle).DiscFiles, 4u);  // 6 on the disc, less the replaced and the removed
    burnTree(g, tree.handle, thirdStart, 0);
  }
  expected["/a.txt"] = textBytes("alpha, second edition\n");
  expected.erase("/docs/c.txt");
  extents.erase("/a.txt");
  expectDisc(g, expected, extents);
  EXPECT_GE(extents.at("/a.txt").front().first, thirdStart);
  EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_COMPLETE);
  EXPECT_EQ(discInfo(g).Sessions, 3);

  // An outside reader sees the same last directory.
  if (std::system("command -v xorriso >/dev/null 2>&1") != 0) GTEST_SKIP() << "xorriso is not installed";
  const fs::path listing = dir_ / "listing.txt";
  const std::string command = "xorriso -abort_on FAILURE -load sbsector " + std::to_string(thirdStart) + " -indev '" +
                              testcommon::utf8(stateFolder() / "CdRom0.medium") + "' -find / -type f >'" +
                              testcommon::utf8(listing) + "' 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(listing);
  std::set<std::string> listed;
  for (std::string line; std::getline(in, line);)
    if (line.size() > 2 && line.front() == '\'') listed.insert(line.substr(1, line.size() - 2));
  std::set<std::string> wanted;
  for (const auto& [path, data] : expected) wanted.insert(path);
  EXPECT_EQ(listed, wanted);
}

// An overwritable disc grows three times: each volume lists every file, the old ones
// where they were, and the descriptors at block 16 describe the last.
TEST_F(AppendTest, AnOverwritableDiscGrowsThreeTimes) {
  Grabber g = openGrabber("CdRom2");
  std::map<std::string, Bytes> expected = {{"/a.txt", textBytes("alpha\n")}, {"/docs/b.bin", pattern(70 * 1024, 3)}};
  local("s0/a.txt", expected["/a.txt"]);
  local("s0/docs/b.bin", expected["/docs/b.bin"]);
  burnFirst(g, {dir_ / "local/s0/a.txt", dir_ / "local/s0/docs"});
  std::map<std::string, Extents> extents;
  expectDisc(g, expected, extents);
  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE(round);
    const DiscwrightDiscInformation before = discInfo(g);
    EXPECT_EQ(before.DiscStatus, DW_DISC_APPENDABLE);
    EXPECT_EQ(before.Sessions, 1);
    EXPECT_EQ(before.NextWritable % 32, 0u);
    EXPECT_EQ(before.FreeBlocks, before.CapacityBlocks - before.NextWritable);
    TreeHandle tree;
    Triple t;
    ASSERT_TRUE(t.check(fromDisc(g, tree, t)));
    const DiscwrightTreeOrigin o = origin(tree.handle);
    EXPECT_EQ(o.SessionStart, 0u);
    EXPECT_EQ(o.NextWritable, before.NextWritable);
    const std::string name = "/r" + std::to_string(round) + ".bin";
    expected[name] = pattern(size_t(40 * 1024 * round), uint8_t(round));
    ASSERT_TRUE(t.check(addPaths(tree.handle, t, {local("s" + std::to_string(round) + name, expected[name])}, 0)));
    burnTree(g, tree.handle, o.NextWritable, 1);
    expectDisc(g, expected, extents);
    // The head names the grown volume's whole size, so the next growth goes after it.
    const Bytes pvd = readBlocks(g, 16, 1);
    const uint32_t end = uint32_t(pvd[80]) | uint32_t(pvd[81]) << 8 | uint32_t(pvd[82]) << 16 | uint32_t(pvd[83]) << 24;
    EXPECT_GT(end, o.NextWritable);
    EXPECT_EQ(discInfo(g).NextWritable, (end + 31) / 32 * 32);
  }
}

// A write fault inside the grown volume leaves the old descriptors: the disc reads as
// before, and grows again from the same block.
TEST_F(AppendTest, AGrowthThatBreaksOffLeavesTheOldFiles) {
  Grabber g = openGrabber("CdRom3");
  std::map<std::string, Bytes> expected = {{"/a.txt", textBytes("alpha\n")}};
  burnFirst(g, {local("a.txt", expected["/a.txt"])});
  std::map<std::string, Extents> extents;
  expectDisc(g, expected, extents);
  const uint32_t next = discInfo(g).NextWritable;
  ASSERT_LT(uint64_t(next) * 2048, kBreaksAt);
  TreeHandle tree;
  Triple t;
  ASSERT_TRUE(t.check(fromDisc(g, tree, t)));
  ASSERT_TRUE(t.check(addPaths(tree.handle, t, {local("big.bin", pattern(1024 * 1024, 9))}, 0)));
  ASSERT_TRUE(t.check(Discwright_ISO9660JolietFileTree_BuildImage(tree.handle, DW_TREE_ARGS(t), next, 0, 1, "", "", "")));
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_TrackAtOnceFromTree(g, DW_ARGS(t), tree.handle, 0, 0, 1, 0, 0),
                      DW_E_IO));
  EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_APPENDABLE);
  EXPECT_EQ(discInfo(g).NextWritable, next);
  expectDisc(g, expected, extents);
  TreeHandle again;
  ASSERT_TRUE(t.check(fromDisc(g, again, t)));
  EXPECT_EQ(origin(again.handle).DiscFiles, 1u);
}

TEST_F(AppendTest, RefusalsComeBeforeTheDiscIsTouched) {
  Grabber g = openGrabber("CdRom0");
  Grabber faulty = openGrabber("CdRom1");
  Grabber dvd = openGrabber("CdRom2");
  const fs::path file = local("one.txt", textBytes("one\n"));
  Triple t;
  struct Row {
    const char* what;
    DiscwrightHandle grabber;
    std::function<void()> prepare;
    uint8_t code;
    const char* mention;
  };
  const std::vector<Row> rows = {
      {"blank disc", g, [] {}, DW_E_NOT_SUPPORTED, "is blank"},
      {"blank overwritable disc", dvd, [] {}, DW_E_NOT_SUPPORTED, "is a blank DVD+RW"},
      {"session left open", g,
       [&] {
         TreeHandle tree;
         const std::string name = testcommon::utf8(file);
         const char* list[] = {name.c_str()};
         ASSERT_TRUE(t.check(Discwright_ISO9660JolietFileTree_CreateFromPaths(&tree.handle, DW_TREE_ARGS(t), nullptr,
                                                                              nullptr, list, 1)));
         ASSERT_TRUE(
             t.check(Discwright_ISO9660JolietFileTree_BuildImage(tree.handle, DW_TREE_ARGS(t), 0, 0, 1, "X", "", "")));
         ASSERT_TRUE(
             t.check(Discwright_CdvdBurnerGrabber_TrackAtOnceFromTree(g, DW_ARGS(t), tree.handle, 0, 0, 1, 0, 0)));
       },
       DW_E_NOT_SUPPORTED, "still open"},
      {"a failed read names its block", faulty, [&] { burnFirst(faulty, {file}); }, DW_E_IO, "block 16"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.prepare();
    TreeHandle tree;
    EXPECT_TRUE(t.check(fromDisc(row.grabber, tree, t), row.code));
    EXPECT_NE(std::string(t.text).find(row.mention), std::string::npos) << t.text;
    EXPECT_EQ(tree.handle, 0u);
  }

  // No ISO 9660 in the last session: a plain data track after a closed session.
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CloseSession(g, DW_ARGS(t))));
  const fs::path raw = dir_ / "raw.bin";
  makeImage(raw, 64 * 1024, 3);
  ASSERT_TRUE(t.check(
      Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(g, DW_ARGS(t), testcommon::utf8(raw).c_str(), 0, 0, 1, 0, 0)));
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CloseSession(g, DW_ARGS(t))));
  {
    TreeHandle tree;
    EXPECT_TRUE(t.check(fromDisc(g, tree, t), DW_E_NOT_SUPPORTED));
    EXPECT_NE(std::string(t.text).find("no ISO 9660"), std::string::npos) << t.text;
  }
}

TEST_F(AppendTest, EditsAndBurnsOfATreeFromDiscAreRefusedWhenTheyCannotHold) {
  Grabber g = openGrabber("CdRom0");
  burnFirst(g, {local("a.txt", textBytes("a\n")), local("docs/b.txt", textBytes("b\n")).parent_path()});
  TreeHandle first, second;
  Triple t;
  ASSERT_TRUE(t.check(fromDisc(g, first, t)));
  ASSERT_TRUE(t.check(fromDisc(g, second, t)));
  const uint32_t nwa = origin(first.handle).NextWritable;

  EXPECT_TRUE(
      t.check(Discwright_ISO9660JolietFileTree_RemovePath(first.handle, DW_TREE_ARGS(t), "/docs/none.txt"), DW_E_FILE));
  EXPECT_NE(std::string(t.text).find("not on the disc"), std::string::npos) << t.text;
  EXPECT_TRUE(t.check(addPaths(first.handle, t, {dir_ / "local/a.txt"}, 0, "/nowhere"), DW_E_FILE));
  EXPECT_TRUE(t.check(Discwright_ISO9660JolietFileTree_SetBootImage(
                          first.handle, DW_TREE_ARGS(t), testcommon::utf8(dir_ / "local/a.txt").c_str(), 0, 0, 0, 0),
                      DW_E_NOT_SUPPORTED));
  ASSERT_TRUE(
      t.check(Discwright_ISO9660JolietFileTree_BuildImage(first.handle, DW_TREE_ARGS(t), nwa, 0, 1, "", "", "")));
  // Only track-at-once onto that disc: the other burns would write it elsewhere.
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_DiscAtOncePQFromTree(g, DW_ARGS(t), first.handle, 0, 0, 0, 0, 0),
                      DW_E_INVALID_ARGUMENT));

  // Once another session is written, the first tree's directories would be wrong.
  ASSERT_TRUE(t.check(addPaths(second.handle, t, {local("c.txt", textBytes("c\n"))}, 0)));
  burnTree(g, second.handle, nwa, 1);
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_TrackAtOnceFromTree(g, DW_ARGS(t), first.handle, 0, 0, 1, 0, 0),
                      DW_E_INVALID_ARGUMENT));
  EXPECT_NE(std::string(t.text).find("changed since its files were read"), std::string::npos) << t.text;
  EXPECT_EQ(discInfo(g).Sessions, 2);
}

// ---- The tree itself, over a disc image in memory ----------------------------------

class DiscImage {
 public:
  explicit DiscImage(Bytes bytes) : bytes_(std::move(bytes)) {}
  discwright::BlockReader reader() {
    return [this](uint32_t lba, uint32_t count, void* buffer) {
      ++reads_;
      if ((uint64_t(lba) + count) * DISCWRIGHT_SECTOR_SIZE > bytes_.size())
        throw DwError(DW_E_IO, "past the end", 0x052100);
      std::memcpy(buffer, bytes_.data() + size_t(lba) * DISCWRIGHT_SECTOR_SIZE, size_t(count) * DISCWRIGHT_SECTOR_SIZE);
    };
  }
  Bytes& bytes() { return bytes_; }
  uint32_t blocks() const { return uint32_t(bytes_.size() / DISCWRIGHT_SECTOR_SIZE); }
  int reads() const { return reads_; }

 private:
  Bytes bytes_;
  int reads_ = 0;
};

Bytes builtImage(const fs::path& folder) {
  auto tree = IsoTree::fromFolder(testcommon::utf8(folder));
  tree->build(0, true, "IMG", "", "");
  Bytes image(tree->size());
  for (uint64_t done = 0; done < image.size();) {
    const uint32_t piece = uint32_t(std::min<uint64_t>(image.size() - done, 1u << 20));
    tree->read(image.data() + done, piece);
    done += piece;
  }
  return image;
}

TEST(DiscTreeTest, DamagedFileSystemsAndUnreadableBlocksAreRefused) {
  TempDir dir;
  writeFile(dir / "src/a.txt", textBytes("a\n"));
  writeFile(dir / "src/big.bin", pattern(200 * 1024, 5));
  const Bytes image = builtImage(dir / "src");
  const uint32_t end = uint32_t(image.size() / DISCWRIGHT_SECTOR_SIZE);
  const uint32_t rootBlock = uint32_t(image[16 * 2048 + 158]) | uint32_t(image[16 * 2048 + 159]) << 8;
  struct Row {
    const char* what;
    std::function<void(Bytes&)> damage;
    uint32_t nextWritable;
    uint8_t code;
    std::string mention;
  };
  const std::vector<Row> rows = {
      {"sound", [](Bytes&) {}, end, DW_E_OK, ""},
      {"no volume descriptor", [](Bytes& b) { std::memset(&b[16 * 2048], 0, 2048); }, end, DW_E_NOT_SUPPORTED,
       "no ISO 9660"},
      {"top folder overwritten", [&](Bytes& b) { std::memset(&b[size_t(rootBlock) * 2048], 0, 2048); }, end, DW_E_IO,
       "top folder"},
      {"files past the recorded end", [](Bytes&) {}, end - 20, DW_E_IO, "\"/big.bin\""},
      {"a block cut off", [&](Bytes& b) { b.resize(size_t(rootBlock) * 2048); }, end, DW_E_IO,
       "block " + std::to_string(rootBlock)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    DiscImage disc(image);
    row.damage(disc.bytes());
    try {
      auto tree = IsoTree::fromDisc(disc.reader(), 1, 0, row.nextWritable);
      EXPECT_EQ(row.code, DW_E_OK);
      EXPECT_EQ(tree->origin()->files, 2u);
    } catch (const DwError& e) {
      EXPECT_EQ(e.code(), row.code) << e.what();
      EXPECT_NE(std::string(e.what()).find(row.mention), std::string::npos) << e.what();
    }
  }
}

TEST(DiscTreeTest, ReadAheadServesNeighbouringBlocksAndAGoneDeviceFails) {
  Bytes bytes(100 * DISCWRIGHT_SECTOR_SIZE);
  for (size_t i = 0; i < bytes.size(); i += DISCWRIGHT_SECTOR_SIZE) bytes[i] = uint8_t(i / DISCWRIGHT_SECTOR_SIZE);
  DiscImage disc(bytes);
  bool gone = false;
  auto read = disc.reader();
  IsoDataSource* source = discwright::newDiscSource([&](uint32_t lba, uint32_t count, void* buffer) {
    if (gone) throw DwError(DW_E_INVALID_HANDLE, "the device is gone");
    read(lba, count, buffer);
  });
  uint8_t block[DISCWRIGHT_SECTOR_SIZE];
  for (uint32_t lba = 0; lba < 64; ++lba) {
    ASSERT_EQ(source->read_block(source, lba, block), 1);
    ASSERT_EQ(block[0], lba);
  }
  EXPECT_EQ(discwright::discSourceDeviceReads(source), 2u);
  // Near the end a whole piece does not fit: the block alone is read.
  ASSERT_EQ(source->read_block(source, 99, block), 1);
  EXPECT_EQ(block[0], 99);
  gone = true;
  EXPECT_EQ(source->read_block(source, 10, block), 1);  // still held from before
  EXPECT_LT(source->read_block(source, 80, block), 0);
  EXPECT_NE(discwright::discSourceFailure(source).text.find("block 80"), std::string::npos);
  iso_data_source_unref(source);
}

}  // namespace
