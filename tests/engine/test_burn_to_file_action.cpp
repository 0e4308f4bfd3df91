// Writing a file tree's image into a file: the bytes, the folder whose room is
// checked, and an existing output left as it was by a failure or a cancel.
#include <QDir>
#include <QRegularExpression>
#include <QString>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/actions_support.h"
#include "sbBurnToFileAction.h"
#include "sbFileSystem.h"

using namespace actest;

namespace {

class BurnToFileTest : public ActionsTest {
 protected:
  void SetUp() override {
    ActionsTest::SetUp();
    start({cdRecorder()});
    const fs::path folder = dir_ / "tree";
    fs::create_directories(folder / "sub");
    writeFile(folder / "a.txt", 3000, 1);
    writeFile(folder / "sub" / "b.bin", 200000, 2);  // the image spans several 64 KiB pieces
    newBurner();
    list.Add().Action = &action;
  }

  // A burner writing an image of the tree folder.
  void newBurner() {
    burner = std::make_unique<TsbBurner>();
    burner->BurnSettings.Mode = bmToImageFile;
    burner->VolumeLabel = QStringLiteral("BACKUP");
    char text[DISCWRIGHT_TEXT_SIZE] = {};
    uint32_t status = 0;
    ASSERT_EQ(Discwright_ISO9660JolietFileTree_Create(&burner->FileTree, text, sizeof text, &status, nullptr, nullptr,
                                                      (dir_ / "tree").string().c_str()),
              DW_E_OK)
        << text;
  }

  // The tree's image as the library builds it, read afresh from its start.
  Bytes treeImage() {
    char text[DISCWRIGHT_TEXT_SIZE] = {};
    uint32_t status = 0;
    uint64_t size = 0;
    EXPECT_EQ(Discwright_ISO9660JolietFileTree_GetSizeInUCHARs(burner->FileTree, text, sizeof text, &status, &size),
              DW_E_OK);
    EXPECT_EQ(Discwright_ISO9660JolietFileTree_SeekToBegin(burner->FileTree, text, sizeof text, &status), DW_E_OK);
    Bytes out(size);
    for (uint64_t at = 0; at < size;) {
      const auto n = uint32_t(std::min<uint64_t>(size - at, 1 << 20));
      EXPECT_EQ(Discwright_ISO9660JolietFileTree_Read(burner->FileTree, text, sizeof text, &status, n, out.data() + at),
                DW_E_OK)
          << text;
      at += n;
    }
    return out;
  }

  TsbActionList list;
  TsbBurnToFileAction action;
};

}  // namespace

TEST(ImageOutputFolder, AbsoluteNamesGiveTheirFolderAndRelativeOnesTheCurrentDirectory) {
  EXPECT_EQ(sbfile::FolderForSpaceCheck("/images/disc.iso"), QStringLiteral("/images"));
  EXPECT_EQ(sbfile::FolderForSpaceCheck("/disc.iso"), QStringLiteral("/"));
  EXPECT_EQ(sbfile::FolderForSpaceCheck("disc.iso"), QDir::currentPath());
  EXPECT_EQ(sbfile::FolderForSpaceCheck("images/disc.iso"), QDir::currentPath());
}

TEST_F(BurnToFileTest, WritesTheTreesImageIntoTheFile) {
  const fs::path output = dir_ / "backup.iso";
  writeFile(output, 5000000, 9);  // an older, larger image is replaced whole
  list.Source.FileName = QString::fromStdString(output.string());
  ASSERT_TRUE(run(list)) << messages.texts().join('\n').toStdString();

  EXPECT_EQ(messages.lines(), (std::vector<Line>{{"Creating image '" + list.Source.FileName + "' ", litInfo},
                                                 {"Need to save 0 MB", litInfo},
                                                 {"Finished!", litInfo}}));
  const Bytes written = readFile(output);
  const Bytes expected = treeImage();
  EXPECT_GT(expected.size(), 200000u);
  EXPECT_TRUE(written == expected) << "the file holds " << written.size() << " bytes, the image " << expected.size();
  EXPECT_EQ(burner->ImageOutput.Total, int64_t(expected.size()));
  EXPECT_EQ(burner->ImageOutput.Remaining, 0);
  EXPECT_GT(burner->ImageOutput.FreeBytesAvailable, 0);
  EXPECT_TRUE(burner->LastMessage.isEmpty());  // the copy cleared it and did not fail

  // The program and its version name the image's preparer and application, not a path.
  const QRegularExpression id(QStringLiteral("^KORVANEL \\d+\\.\\d+\\.\\d+ +$"));
  const auto field = [&](size_t at) { return QString::fromLatin1(reinterpret_cast<const char*>(&written[at]), 128); };
  EXPECT_TRUE(id.match(field(16 * 2048 + 446)).hasMatch()) << field(16 * 2048 + 446).toStdString();
  EXPECT_TRUE(id.match(field(16 * 2048 + 574)).hasMatch()) << field(16 * 2048 + 574).toStdString();

  const QStringList log = diagnosticLog();
  EXPECT_TRUE(log.contains("Creating image '" + list.Source.FileName + "' "));
  EXPECT_TRUE(log.contains("Discwright_ISO9660JolietFileTree_BuildImage"));
  EXPECT_TRUE(log.contains("Discwright_ISO9660JolietFileTree_SeekToBegin"));
  EXPECT_FALSE(log.contains("Finished!"));
}

TEST_F(BurnToFileTest, ARelativeNameIsWrittenInTheCurrentDirectory) {
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir_.path().string())));
  list.Source.FileName = QStringLiteral("relative.iso");
  const bool ok = run(list);
  QDir::setCurrent(previous);
  ASSERT_TRUE(ok) << messages.texts().join('\n').toStdString();
  EXPECT_EQ(readFile(dir_ / "relative.iso"), treeImage());
}

// Whatever stops the build, an existing output keeps its bytes and no partial image is
// left beside it.
TEST_F(BurnToFileTest, AFailedOrCancelledBuildLeavesTheOutputAsItWas) {
  struct Case {
    const char* name;
    std::function<void()> setUp;
    bool ok;
    QString lastLineStart;  // and the kind: an error unless ok
    QString mentions;
  };
  const fs::path folder = dir_ / "out";
  fs::create_directories(folder);
  const fs::path output = folder / "prev.iso";
  const QString outputName = QString::fromStdString(output.string());
  // A file-size limit fails the copy's writes (EFBIG instead of the signal) until reset.
  struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes) {
      previousHandler = std::signal(SIGXFSZ, SIG_IGN);
      ::getrlimit(RLIMIT_FSIZE, &previous);
      rlimit limit = previous;
      limit.rlim_cur = bytes;
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
      ::setrlimit(RLIMIT_FSIZE, &previous);
      std::signal(SIGXFSZ, previousHandler);
    }
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
  };
  std::unique_ptr<FileSizeLimit> sizeLimit;
  const std::vector<Case> cases = {
      {"missing boot image", [&] { burner->HasBootImage = true, burner->BootImageFile = QString::fromStdString((dir_ / "missing.img").string()); },
       false, "Discwright_ISO9660JolietFileTree_SetBootImage() failed, exception 15, status 2, ",
       "missing.img\" cannot be found (No such file or directory)"},
      {"library failure", [&] { burner->FileTree = 0xDEAD; }, false,
       "Discwright_ISO9660JolietFileTree_BuildImage() failed, exception 2, ", ""},
      {"cancelled", [&] { burner->Cancel(); }, true, "Cancelled!", ""},
      // Named by the user's file, not the hidden temporary one.
      {"write refused", [&] { sizeLimit = std::make_unique<FileSizeLimit>(100000); }, false,
       QStringLiteral("WriteFile( 65536 ) to \"%1\" failed, status %2 (").arg(outputName).arg(EFBIG), ""},
      // The copy loop's own failure text: no "()" after its name.
      {"file gone before the copy", [&] { fs::remove(dir_ / "tree" / "sub" / "b.bin"); }, false,
       "Discwright_ISO9660FileTree_Read(loop) failed, exception 15, status 0, text \"Reading the image failed at byte ",
       "b.bin"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    newBurner();
    messages.clear();
    const Bytes previous = writeFile(output, 70000, 3);
    list.Source.FileName = outputName;
    const DiscwrightHandle tree = burner->FileTree;
    c.setUp();
    EXPECT_EQ(run(list), c.ok);
    sizeLimit.reset();
    burner->FileTree = tree;
    const Line last = messages.lines().back();
    EXPECT_TRUE(last.text.startsWith(c.lastLineStart)) << last;
    EXPECT_TRUE(last.text.contains(c.mentions)) << last;
    EXPECT_EQ(last.kind, c.ok ? litWarning : litError);
    EXPECT_TRUE(readFile(output) == previous);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"prev.iso"});
    EXPECT_EQ(burner->ImageOutput.Handle, -1) << "the output was left open";
  }
  // A name that did not exist stays absent.
  newBurner();
  burner->Cancel();
  list.Source.FileName = QString::fromStdString((folder / "new.iso").string());
  EXPECT_TRUE(run(list));
  EXPECT_FALSE(fs::exists(folder / "new.iso"));
}

TEST_F(BurnToFileTest, AFileThatCannotBeCreatedIsRefusedWithTheSystemsCodeAndReason) {
  const fs::path output = dir_ / "no-such-folder" / "disc.iso";
  list.Source.FileName = QString::fromStdString(output.string());
  EXPECT_FALSE(run(list));
  const QString failure = QStringLiteral("CreateFile(\"%1\") failed, status %2 (No such file or directory)")
                              .arg(list.Source.FileName)
                              .arg(ENOENT);
  EXPECT_EQ(messages.lines().back(), (Line{failure, litError}));
  EXPECT_EQ(burner->Status, uint32_t(ENOENT));
  EXPECT_EQ(burner->LastMessage, failure);
  EXPECT_FALSE(diagnosticLog().contains(failure));
  EXPECT_EQ(burner->ImageOutput.Handle, -1);
}

// The hidden temporary name is cut to fit the file system; a cut inside a character would
// leave a name that does not come back from its text, and the temporary file behind.
TEST_F(BurnToFileTest, LongNonAsciiNamesAreWrittenWithNothingLeftBeside) {
  const auto repeated = [](const char* character, int times) {
    std::string s = "a";  // the odd byte puts the cut inside a character
    for (int i = 0; i < times; ++i) s += character;
    return s;
  };
  // 241 bytes each: 120 Cyrillic (2 bytes) or 80 CJK (3 bytes) characters after the "a".
  const std::vector<std::string> names = {repeated("\u0416", 120), repeated("\u5B57", 80)};
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    const fs::path folder = dir_ / ("out" + std::to_string(name.back() & 0xFF));
    fs::create_directories(folder);
    newBurner();
    messages.clear();
    list.Source.FileName = QString::fromStdString((folder / name).string());
    ASSERT_TRUE(run(list)) << messages.texts().join('\n').toStdString();
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder)) left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{name});
    EXPECT_EQ(readFile(folder / name), treeImage());
  }
}

// A folder that cannot be opened for its sync (here: write and search rights only) does
// not undo a move that took place: the image is in place and the answer says so.
TEST(ImageOutputReplace, AFolderThatCannotBeSyncedStillLeavesTheImageInPlace) {
  TempDir dir;
  fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_exec);
  const fs::path folder = dir / "write-only";
  fs::create_directories(folder);
  const auto writeAndSearch = fs::perms::owner_write | fs::perms::owner_exec | fs::perms::others_write | fs::perms::others_exec;
  fs::permissions(folder, writeAndSearch);
  const QString target = QString::fromStdString((folder / "disc.iso").string());
  // Root opens any folder, so a child drops to "nobody" and answers through its exit code.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(10);
    QString temp;
    const int fd = sbfile::CreateTemporaryBeside(target, temp);
    if (fd < 0) ::_exit(11);
    if (::write(fd, "image", 5) != 5) ::_exit(12);
    ::close(fd);
    const sbfile::Replaced replaced = sbfile::ReplaceWith(temp, target);
    ::_exit(replaced == sbfile::Replaced::NotSynced && errno == EACCES ? 0 : 20 + int(replaced));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "10: no user switch, 11/12: no temporary file, 20+: the answer";
  fs::permissions(folder, fs::perms::owner_all);
  EXPECT_EQ(readFile(folder / "disc.iso"), (Bytes{'i', 'm', 'a', 'g', 'e'}));
}
