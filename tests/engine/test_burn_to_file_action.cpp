// Writing a file tree's image into a file: the bytes, the folder whose room is
// checked, cancelling, and the file left behind by a failure.
#include <QDir>
#include <QString>

#include <fcntl.h>

#include <cerrno>

#include "engine/actions_support.h"
#include "sbBurnToFileAction.h"

using namespace actest;

namespace {

class BurnToFileTest : public ActionsTest {
 protected:
  void SetUp() override {
    ActionsTest::SetUp();
    start({cdRecorder()});
    burner = std::make_unique<TsbBurner>();
    burner->BurnSettings.Mode = bmToImageFile;
    burner->VolumeLabel = QStringLiteral("BACKUP");
    const fs::path folder = dir_ / "tree";
    fs::create_directories(folder / "sub");
    writeFile(folder / "a.txt", 3000, 1);
    writeFile(folder / "sub" / "b.bin", 200000, 2);  // the image spans several 64 KiB pieces
    char text[DISCWRIGHT_TEXT_SIZE] = {};
    uint32_t status = 0;
    ASSERT_EQ(Discwright_ISO9660JolietFileTree_Create(&burner->FileTree, text, sizeof text, &status, nullptr, nullptr,
                                                      folder.string().c_str()),
              DW_E_OK)
        << text;
    list.Add().Action = &action;
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

TEST_F(BurnToFileTest, ACancelledCopyEndsWithAWarningAndKeepsTheFile) {
  const fs::path output = dir_ / "cancelled.iso";
  list.Source.FileName = QString::fromStdString(output.string());
  burner->Cancel();  // no library call in this mode, only the flag the copy loop watches
  ASSERT_TRUE(run(list));
  EXPECT_EQ(messages.lines().back(), (Line{"Cancelled!", litWarning}));
  EXPECT_FALSE(messages.texts().contains("Finished!"));
  ASSERT_TRUE(fs::exists(output));
  EXPECT_EQ(fs::file_size(output), 0u);
}

TEST_F(BurnToFileTest, AFileThatCannotBeCreatedIsRefusedWithTheSystemsCode) {
  const fs::path output = dir_ / "no-such-folder" / "disc.iso";
  list.Source.FileName = QString::fromStdString(output.string());
  EXPECT_FALSE(run(list));
  const QString failure = QStringLiteral("CreateFile(\"%1\") failed, status %2").arg(list.Source.FileName).arg(ENOENT);
  EXPECT_EQ(messages.lines().back(), (Line{failure, litError}));
  EXPECT_EQ(burner->Status, uint32_t(ENOENT));
  EXPECT_EQ(burner->LastMessage, failure);
  EXPECT_FALSE(diagnosticLog().contains(failure));
  EXPECT_EQ(burner->ImageOutput.Handle, -1);
}

TEST_F(BurnToFileTest, ALibraryFailureLeavesAnEmptyFileAndIsLogged) {
  const fs::path output = dir_ / "broken.iso";
  list.Source.FileName = QString::fromStdString(output.string());
  const DiscwrightHandle tree = burner->FileTree;
  burner->FileTree = 0xDEAD;  // not a handle of the library
  EXPECT_FALSE(run(list));
  burner->FileTree = tree;
  const Line last = messages.lines().back();
  EXPECT_EQ(last.kind, litError);
  EXPECT_TRUE(last.text.startsWith("Discwright_ISO9660FileTree_BuildImage() failed, exception 2, ")) << last;
  EXPECT_TRUE(diagnosticLog().contains(last.text));
  ASSERT_TRUE(fs::exists(output));
  EXPECT_EQ(fs::file_size(output), 0u);
  // The file was closed on the way out; the burner keeps the closed handle's number.
  ASSERT_NE(burner->ImageOutput.Handle, -1);
  EXPECT_EQ(::fcntl(burner->ImageOutput.Handle, F_GETFD), -1);
}
