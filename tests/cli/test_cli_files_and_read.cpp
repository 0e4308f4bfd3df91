// korvanel-cli burn-files and read, run as a process on virtual recorders and a pseudo-drive.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <csignal>
#include <functional>

namespace {

struct Outcome {
  int exitCode = -1;
  QString out;
  QString err;
};

class CliFilesAndReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    Write("recorders.json", R"({"state_folder": "state", "recorders": [
      {"name": "CdRom0", "address": "1:0:0:0", "media_formats": ["read_cdr", "write"], "write_modes": ["tao"],
       "medium": {"type": "CD-R"}},
      {"name": "CdRom1", "address": "1:0:1:0", "media_formats": ["read_cdr", "write"], "write_modes": ["tao"],
       "medium": {"type": "CD-R", "capacity_bytes": 204800}},
      {"name": "CdRom2", "address": "1:0:2:0", "media_formats": ["read_cdr", "write"], "write_modes": ["tao"],
       "medium": {"type": "CD-R"}, "faults": {"operations": {"ReadSectors": {"exception": 5}}}},
      {"name": "CdRom3", "address": "1:0:3:0", "media_formats": ["read_cdr", "write"], "write_modes": ["tao"],
       "medium": {"type": "CD-R"}, "autoloader": 1}
    ]})");
    ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("photos/2026")));
    ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("elsewhere")));
    Write("photos/2026/beach.raw", QByteArray(300000, 'b'));
    Write("notes.txt", "remember the sunscreen\n");
    Write("elsewhere/notes.txt", "another note\n");
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("photos/pipe")).constData(), 0600), 0);
  }

  QString Path(const QByteArray& name) const { return dir_.filePath(QString::fromUtf8(name)); }

  void Write(const QByteArray& name, const QByteArray& bytes) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  Outcome Run(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(KORVANEL_CLI),
                  QStringList{QStringLiteral("--no-real-drives"), QStringLiteral("--virtual-drives"),
                              Path("recorders.json")} +
                      arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
  }

  // Runs the command until its output shows marker, then interrupts it as Ctrl+C would.
  Outcome Interrupted(const QStringList& arguments, const QByteArray& marker) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(KORVANEL_CLI), arguments);
    QByteArray out;
    while (!out.contains(marker) && process.waitForReadyRead(30000)) out += process.readAll();
    EXPECT_TRUE(out.contains(marker)) << out.toStdString();
    ::kill(pid_t(process.processId()), SIGINT);
    EXPECT_TRUE(process.waitForFinished(15000));
    out += process.readAll();
    return {process.exitCode(), QString::fromLocal8Bit(out), {}};
  }

  bool Blank(const char* device) {
    return Run({QStringLiteral("info"), QString::fromLatin1(device)}).out.contains(QStringLiteral("Disc status:     0"));
  }

  // The folder's entries but those the fixture made: what a command left behind.
  QStringList Leftovers() const {
    QStringList entries = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    entries.removeAll(QStringLiteral("recorders.json"));
    entries.removeAll(QStringLiteral("notes.txt"));
    return entries;
  }

  QTemporaryDir dir_;
};

}  // namespace

TEST_F(CliFilesAndReadTest, ChosenFilesAreBurnedVerifiedAndReadBackAsTheSameImage) {
  Outcome burn = Run({QStringLiteral("burn-files"), Path("photos"), Path("notes.txt"), QStringLiteral("--device"),
                      QStringLiteral("CdRom0"), QStringLiteral("--verify"), QStringLiteral("--label"),
                      QStringLiteral("Holiday 2026"), QStringLiteral("--no-eject")});
  ASSERT_EQ(burn.exitCode, 0) << burn.out.toStdString() << burn.err.toStdString();
  EXPECT_TRUE(burn.out.contains(QStringLiteral("Source: 1 file, 1 folder, 0.3")));
  EXPECT_TRUE(burn.out.contains(QStringLiteral("is a FIFO; left out of the image")));
  EXPECT_TRUE(burn.out.contains(QStringLiteral("The label became \"HOLIDAY_2026\"")));
  EXPECT_TRUE(burn.out.contains(QStringLiteral("The disc stays in the drive")));
  EXPECT_FALSE(burn.out.contains(QStringLiteral("Eject disc")));
  const auto verified = QRegularExpression(QStringLiteral("Verification passed \\(SHA-256 ([0-9a-f]{64})\\)")).match(burn.out);
  ASSERT_TRUE(verified.hasMatch()) << burn.out.toStdString();

  const QString image = Path("copy.iso");
  Outcome read = Run({QStringLiteral("read"), QStringLiteral("CdRom0"), image});
  ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
  EXPECT_TRUE(read.out.contains(QStringLiteral("the ISO 9660 volume size")));
  // The disc read back is the image the verify compared, and carries the label.
  EXPECT_TRUE(read.out.endsWith(verified.captured(1) + QStringLiteral("  ") + image + QLatin1Char('\n')));
  QFile iso(image);
  ASSERT_TRUE(iso.open(QIODevice::ReadOnly));
  const QByteArray pvd = iso.readAll().mid(16 * 2048, 2048);
  EXPECT_EQ(pvd.mid(40, 12), QByteArray("HOLIDAY_2026"));
}

TEST_F(CliFilesAndReadTest, BurnFilesRefusesBeforeTheDiscIsTouched) {
  struct Case {
    const char* name;
    QStringList arguments;
    const char* device;
    QString says;
  } cases[] = {
      {"names that collide", {Path("notes.txt"), Path("elsewhere/notes.txt")}, "CdRom0",
       QStringLiteral("Two chosen entries have the same name at the top of the disc: \"%1\" and \"%2\"")
           .arg(Path("notes.txt"), Path("elsewhere/notes.txt"))},
      {"a missing file", {Path("photos"), Path("gone.txt")}, "CdRom0", Path("gone.txt")},
      {"more than the disc holds", {Path("photos")}, "CdRom1", QStringLiteral("Image size is too big to fit disc space")},
      // Every chosen entry left out: the disc would be closed empty.
      {"only a device", {QStringLiteral("/dev/null")}, "CdRom0", QStringLiteral("Nothing is left to burn")},
      {"only a device and a pipe", {QStringLiteral("/dev/null"), Path("photos/pipe")}, "CdRom0",
       QStringLiteral("Nothing is left to burn")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome r = Run(QStringList{QStringLiteral("burn-files")} + c.arguments +
                    QStringList{QStringLiteral("--device"), QString::fromLatin1(c.device)});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
    EXPECT_TRUE(Blank(c.device));
  }
  EXPECT_EQ(Run({QStringLiteral("burn-files"), QStringLiteral("--device"), QStringLiteral("CdRom0")}).exitCode, 2);
  // An empty folder chosen on purpose is burned, beside a device left out.
  ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("empty")));
  const Outcome empty = Run({QStringLiteral("burn-files"), Path("empty"), QStringLiteral("/dev/null"),
                             QStringLiteral("--device"), QStringLiteral("CdRom0")});
  EXPECT_EQ(empty.exitCode, 0) << empty.out.toStdString() << empty.err.toStdString();
}

// A file over 4 GiB is burned, with a warning that it needs a reader of ISO 9660 level 3
// (said before the size check refuses the small disc: the tree is only measured).
TEST_F(CliFilesAndReadTest, FilesOverFourGiBAreNamedWithTheReaderTheyNeed) {
  QFile big(Path("big.bin"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize((qint64(4) << 30) + 4096));  // sparse
  big.close();
  const Outcome r = Run({QStringLiteral("burn-files"), Path("big.bin"), QStringLiteral("--device"), QStringLiteral("CdRom1")});
  EXPECT_TRUE(r.out.contains(QStringLiteral("warning \"%1\" is larger than 4 GiB: only systems that read ISO 9660 level 3").arg(Path("big.bin"))))
      << r.out.toStdString();
  QFile::remove(Path("big.bin"));
}

// A chosen file that changes while the burn reads it fails the burn, naming it, before the
// burn reports success: whether it shrinks (the image library pads what it has opened with
// zeros), grows, gets a new modification time or cannot be read any more.
TEST_F(CliFilesAndReadTest, AFileChangedDuringTheBurnFailsIt) {
  struct Case {
    const char* name;
    std::function<void(const QString&)> change;
  } cases[] = {
      {"truncated", [](const QString& f) { QFile::resize(f, 1000); }},
      {"grown", [](const QString& f) { QFile::resize(f, 40 << 20); }},
      {"touched", [](const QString& f) {
         QFile file(f);
         ASSERT_TRUE(file.open(QIODevice::ReadWrite));
         file.setFileTime(file.fileTime(QFileDevice::FileModificationTime).addSecs(5), QFileDevice::FileModificationTime);
       }},
      // Permissions do not stop root, who runs the tests: a folder in its place does.
      {"replaced by a folder", [](const QString& f) {
         QFile::remove(f);
         QDir().mkpath(f);
       }},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A recorder of its own, slow enough that the image is still being read when the file changes.
    const QByteArray folder = "slow" + QByteArray::number(++n);
    Write(folder + ".json", R"({"state_folder": ")" + folder + R"(", "recorders": [
      {"name": "CdRom0", "address": "1:0:0:0", "media_formats": ["read_cdr", "write"], "write_modes": ["tao"],
       "medium": {"type": "CD-R"}, "write_speeds": {"cd": [5645]}, "time_scale": 0.25}]})");
    const QString file = Path("growing.bin");
    QDir(file).removeRecursively();
    Write("growing.bin", QByteArray(30 << 20, 'g'));
    QProcess burn;
    burn.setProcessChannelMode(QProcess::MergedChannels);
    burn.start(QStringLiteral(KORVANEL_CLI),
               {QStringLiteral("--no-real-drives"), QStringLiteral("--virtual-drives"), Path(folder + ".json"),
                QStringLiteral("burn-files"), file, Path("notes.txt"), QStringLiteral("--device"), QStringLiteral("CdRom0")});
    QByteArray out;
    // Well into the burn: the image library has opened the file and read part of it.
    while (!out.contains("\n20%") && burn.waitForReadyRead(30000)) out += burn.readAll();
    c.change(file);
    EXPECT_TRUE(burn.waitForFinished(60000));
    out += burn.readAll();
    EXPECT_EQ(burn.exitCode(), 1) << out.toStdString();
    EXPECT_FALSE(out.contains("Burning completed")) << out.toStdString();
    EXPECT_TRUE(out.contains(file.toUtf8())) << out.toStdString();
  }
  QDir(Path("growing.bin")).removeRecursively();
  QFile::remove(Path("growing.bin"));
}

TEST_F(CliFilesAndReadTest, ReadNamesTheBadBlockAndLeavesNoPartialImage) {
  ASSERT_EQ(Run({QStringLiteral("burn-files"), Path("photos"), QStringLiteral("--device"), QStringLiteral("CdRom2")})
                .exitCode,
            0);
  struct Case {
    const char* name;
    const char* device;
    QString target;
    QString says;
  } cases[] = {
      {"a block that never reads", "CdRom2", Path("bad.iso"),
       QStringLiteral("Block 16 of the disc in CdRom2 cannot be read (tried 4 times)")},
      {"a blank disc", "CdRom0", Path("blank.iso"), QStringLiteral("The disc in CdRom0 is blank")},
      {"a missing folder", "CdRom2", Path("no/such/folder.iso"), QStringLiteral("Cannot save to")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome r = Run({QStringLiteral("read"), QString::fromLatin1(c.device), c.target});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
    EXPECT_EQ(Leftovers(), QStringList{});
  }
}

TEST_F(CliFilesAndReadTest, InterruptedReadExitsThreeWithoutAnImage) {
  // A pseudo-drive reads as fast as the disk: a large track leaves seconds to interrupt in.
  const QStringList drive{QStringLiteral("--pseudo-drive"), Path("pseudo.img")};
  QFile source(Path("big.iso"));
  ASSERT_TRUE(source.open(QIODevice::WriteOnly));
  ASSERT_TRUE(source.resize(qint64(768) << 20));
  source.close();
  QProcess burn;
  burn.start(QStringLiteral(KORVANEL_CLI), drive + QStringList{QStringLiteral("burn"), Path("big.iso"),
                                                               QStringLiteral("--device"), QStringLiteral("200:0:0:0")});
  ASSERT_TRUE(burn.waitForFinished(120000));
  ASSERT_EQ(burn.exitCode(), 0) << burn.readAllStandardError().toStdString();
  QFile::remove(Path("big.iso"));

  const Outcome read = Interrupted(
      drive + QStringList{QStringLiteral("read"), QStringLiteral("200:0:0:0"), Path("copy.iso")}, "Reading ");
  EXPECT_EQ(read.exitCode, 3) << read.out.toStdString();
  EXPECT_TRUE(read.out.contains("Reading cancelled")) << read.out.toStdString();
  QFile::remove(Path("pseudo.img"));
  EXPECT_EQ(Leftovers(), QStringList{});
}

TEST_F(CliFilesAndReadTest, CopiesWaitForEachBlankDiscAndCountWhatWasMade) {
  EXPECT_EQ(Run({QStringLiteral("burn"), Path("notes.txt"), QStringLiteral("--device"), QStringLiteral("CdRom3"),
                 QStringLiteral("--copies"), QStringLiteral("100")})
                .exitCode,
            2);
  // The autoloader feeds one blank disc: the second copy gets it, the third waits for a hand.
  const Outcome copies = Interrupted(
      {QStringLiteral("--no-real-drives"), QStringLiteral("--virtual-drives"), Path("recorders.json"),
       QStringLiteral("burn-files"), Path("photos/2026"), QStringLiteral("--device"), QStringLiteral("CdRom3"),
       QStringLiteral("--verify"), QStringLiteral("--copies"), QStringLiteral("3")},
      "Insert a blank disc for copy 3 of 3");
  const QString& out = copies.out;
  EXPECT_EQ(copies.exitCode, 3) << out.toStdString();
  EXPECT_EQ(out.count("Verification passed"), 2) << out.toStdString();
  EXPECT_TRUE(out.contains("Copy 2 of 3"));
  EXPECT_FALSE(out.contains("Copy 3 of 3"));
  EXPECT_TRUE(out.contains("2 of 3 copies made\n")) << out.toStdString();
}
