// korvanel-cli burn-files and read, run as a process on virtual recorders and a pseudo-drive.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <csignal>

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
       "medium": {"type": "CD-R"}, "autoloader": 1},
      {"name": "CdRom4", "address": "1:0:4:0", "media_formats": ["read_cdr", "write"], "write_modes": ["tao"],
       "medium": {"type": "CD-R"}, "faults": {"operations": {"Eject": {"exception": 10, "text": "Stuck tray"}}}}
    ]})");
    ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("photos/2026")));
    ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("elsewhere")));
    Write("photos/2026/beach.raw", QByteArray(300000, 'b'));
    Write("notes.txt", "remember the sunscreen\n");
    Write("elsewhere/notes.txt", "another note\n");
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("photos/pipe")).constData(), 0600), 0);
  }

  QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }

  void Write(const char* name, const QByteArray& bytes) {
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

  // Runs the command until its output shows marker (and lingerMs more), then interrupts it as Ctrl+C would.
  Outcome Interrupted(const QStringList& arguments, const QByteArray& marker, int lingerMs = 0) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(KORVANEL_CLI), arguments);
    QByteArray out;
    while (!out.contains(marker) && process.waitForReadyRead(30000)) out += process.readAll();
    EXPECT_TRUE(out.contains(marker)) << out.toStdString();
    for (QElapsedTimer clock; !clock.isValid() || clock.elapsed() < lingerMs;) {
      if (!clock.isValid()) clock.start();
      process.waitForReadyRead(100);
    }
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

// A written disc whose tray will not open: the refusal and the failed eject are
// said once each, then the wait goes on without a word until the user acts.
TEST_F(CliFilesAndReadTest, CopiesSayARefusedDiscAndAFailedEjectOnce) {
  const Outcome copies = Interrupted(
      {QStringLiteral("--no-real-drives"), QStringLiteral("--virtual-drives"), Path("recorders.json"),
       QStringLiteral("burn-files"), Path("notes.txt"), QStringLiteral("--device"), QStringLiteral("CdRom4"),
       QStringLiteral("--copies"), QStringLiteral("2")},
      "Disc is not blank", 2500);
  EXPECT_EQ(copies.out.count("Disc is not blank, burning is impossible!"), 1) << copies.out.toStdString();
  // One at the end of the first copy, one in the wait.
  EXPECT_EQ(copies.out.count("Eject() failed"), 2) << copies.out.toStdString();
  EXPECT_TRUE(copies.out.contains("1 of 2 copies made")) << copies.out.toStdString();
}
