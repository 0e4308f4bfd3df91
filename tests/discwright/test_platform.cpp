// The platform layer on its own: built into discwright_tests on Linux, and on its
// own for Windows, where it runs under Wine. Needs nothing of the test helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fs = std::filesystem;
using namespace discwright::platform;

namespace {

class DiscwrightPlatform : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = makeUniqueFolder(utf8(fs::temp_directory_path() / "korvanel-platform-"));
    ASSERT_FALSE(dir_.empty()) << lastErrorText();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(fsPath(dir_), ec);
  }
  std::string at(const std::string& name) const { return utf8(fsPath(dir_) / fsPath(name)); }

  static bool put(const std::string& path, const std::string& text) {
    File f;
    return f.open(path, File::Access::CreateEmpty) && f.writeAt(0, text.data(), text.size()) == int64_t(text.size()) &&
           f.close();
  }
  static std::string get(File& f) {
    std::string text(64, '\0');
    int64_t n = f.readAt(0, text.data(), text.size());
    return n < 0 ? std::string("<failed>") : text.substr(0, size_t(n));
  }
  static std::string get(const std::string& path) {
    File f;
    return f.open(path, File::Access::Read) ? get(f) : std::string("<missing>");
  }

  std::string dir_;
};

// A name that a wrong conversion mangles shows up under another name in the listing.
TEST_F(DiscwrightPlatform, NamesAreWrittenReplacedAndListedAsTheirUtf8) {
  const std::string longFolder = std::string(60, 'd') + "/" + std::string(60, 'e') + "/" + std::string(60, 'f') + "/" +
                                 std::string(60, 'g') + "/" + std::string(60, 'h');
  const struct {
    std::string folder, name;
  } cases[] = {
      {"", "Grüße aus Köln.iso"},
      {"", "光盘 映像 ディスク.medium"},
      {"Ordner mit Ümlaut 目录", "a b.json"},
      {longFolder, "beyond the old limit of 260 characters.medium.json"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string folder = c.folder.empty() ? dir_ : at(c.folder);
    std::error_code ec;
    ASSERT_TRUE(fs::create_directories(fsPath(folder), ec) || c.folder.empty()) << ec.message();
    std::string path = utf8(fsPath(folder) / fsPath(c.name));
    EXPECT_TRUE(c.folder != longFolder || path.size() > 260) << path.size();
    for (const char* text : {"first", "second"})
      ASSERT_TRUE(put(path + ".tmp", text) && replaceFile(path + ".tmp", path)) << text << ": " << lastErrorText();
    EXPECT_EQ(get(path), "second");
    EXPECT_EQ(get(path + ".tmp"), "<missing>");
    // std::filesystem lists a longer folder wrongly on Windows (MinGW's runtime
    // lists the current folder instead): only the platform layer takes those.
    if (folder.size() < 260) {
      std::vector<std::string> listed;
      for (const auto& e : fs::directory_iterator(fsPath(folder))) listed.push_back(utf8(e.path().filename()));
      EXPECT_NE(std::find(listed.begin(), listed.end(), c.name), listed.end());
    }
    for (fs::path p = fsPath(path); p != fsPath(dir_); p = p.parent_path()) fs::remove(p, ec);
  }
  File missing;
  EXPECT_FALSE(missing.open(at("nothing here"), File::Access::Read));
  SystemError err = lastError();
  EXPECT_TRUE(err.notFound) << err.code << " " << err.text;
  EXPECT_FALSE(err.text.empty());
}

// A reader of the layout must not keep a new one from taking its place.
TEST_F(DiscwrightPlatform, ReplaceOverAFileThatIsOpenForReading) {
  const std::string path = at("layout.json");
  ASSERT_TRUE(put(path, "old"));
  File reader;
  ASSERT_TRUE(reader.open(path, File::Access::Read)) << lastErrorText();
  ASSERT_TRUE(put(path + ".tmp", "new"));
  if (!replaceFile(path + ".tmp", path)) {
    SystemError err = lastError();
#ifdef _WIN32
    // Windows without POSIX-style renames (before 10 1809, Wine 8) keeps the old
    // rule: ERROR_ACCESS_DENIED, with both files left as they were.
    if (err.code == 5 && get(path) == "old" && get(path + ".tmp") == "new")
      GTEST_SKIP() << "this system replaces no file that is open: " << err.text;
#endif
    FAIL() << "replacing a file open for reading: " << err.text;
  }
  EXPECT_EQ(get(reader), "old");
  EXPECT_EQ(get(path), "new");
}

TEST_F(DiscwrightPlatform, ALockIsRefusedToASecondFileAndItsTextStaysReadable) {
  const std::string path = at("CdRom0.lock");
  File first, second;
  ASSERT_TRUE(first.open(path, File::Access::Create)) << lastErrorText();
  ASSERT_TRUE(second.open(path, File::Access::Create)) << lastErrorText();
  ASSERT_EQ(first.tryLock(), File::Lock::Taken) << lastErrorText();
  ASSERT_TRUE(first.writeAt(0, "4242\n", 5) == 5);
  EXPECT_EQ(second.tryLock(), File::Lock::Busy);
  EXPECT_EQ(get(second), "4242\n");  // the holder's process id, for the busy message
  first.unlock();
  EXPECT_EQ(second.tryLock(), File::Lock::Taken);
  EXPECT_EQ(first.tryLock(), File::Lock::Busy);
  second.close();  // closing lets go, as a dying process does
  EXPECT_EQ(first.tryLock(), File::Lock::Taken);
}

// The per-process media folder: claimed, renamed to its final name and filled while claimed.
TEST_F(DiscwrightPlatform, AClaimedFolderIsRefusedToASecondClaimUntilReleased) {
  std::string made = makeUniqueFolder(at(".fresh-new-"));
  ASSERT_FALSE(made.empty()) << lastErrorText();
  FolderClaim claim, other;
  ASSERT_TRUE(claim.tryClaim(made)) << lastErrorText();
  const std::string final = at("fresh-" + std::to_string(processId()) + "-x");
  ASSERT_TRUE(replaceFile(made, final, false)) << "renaming a claimed folder: " << lastErrorText();
  ASSERT_TRUE(put(utf8(fsPath(final) / "CdRom9.medium"), "bytes")) << lastErrorText();
  EXPECT_FALSE(other.tryClaim(final));
  claim.release();
  EXPECT_TRUE(other.tryClaim(final)) << lastErrorText();
  std::error_code ec;
  EXPECT_GT(fs::remove_all(fsPath(final), ec), 0u) << ec.message();  // as the clean-up does while it holds the claim
}

TEST_F(DiscwrightPlatform, OffsetsBeyondFourGiBOnASparseFile) {
  File f;
  ASSERT_TRUE(f.open(at("big.medium"), File::Access::CreateEmpty)) << lastErrorText();
  const uint64_t far = (uint64_t(5) << 30) + 3;
  const struct {
    uint64_t offset;
    std::string expected;  // what reading 4 bytes there gives
  } cases[] = {{far, "tail"}, {(uint64_t(4) << 30) + 1, std::string(4, '\0')}, {far + 4, ""}};
  ASSERT_EQ(f.writeAt(far, "tail", 4), 4) << lastErrorText();
  FileInfo info;
  ASSERT_TRUE(f.info(info)) << lastErrorText();
  EXPECT_EQ(info.kind, FileKind::Regular);
  EXPECT_EQ(info.size, far + 4);
  for (const auto& c : cases) {
    char got[4] = {};
    int64_t n = f.readAt(c.offset, got, 4);
    ASSERT_GE(n, 0) << c.offset << ": " << lastErrorText();
    EXPECT_EQ(std::string(got, size_t(n)), c.expected) << c.offset;
  }
  ASSERT_TRUE(f.truncate((uint64_t(4) << 30) + 2)) << lastErrorText();
  ASSERT_TRUE(f.info(info));
  EXPECT_EQ(info.size, (uint64_t(4) << 30) + 2);
  EXPECT_TRUE(f.sync()) << lastErrorText();
}

}  // namespace
