// korvanel-cli burn-files and read, run as a process on virtual recorders and a pseudo-drive.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <tuple>

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
       "medium": {"type": "CD-R"}, "autoloader": 2, "time_scale": 1, "write_speeds": {"cd": [176]}},
      {"name": "CdRom5", "address": "1:0:5:0", "media_formats": ["read_cdr", "write"], "write_modes": ["tao"],
       "medium": {"type": "CD-R"}, "faults": {"operations": {"Lock": {"text": "Injected Lock failure"}}}},
      {"name": "CdRom6", "address": "1:0:6:0", "media_formats": ["read_cdr", "write"], "write_modes": ["tao"],
       "medium": {"type": "CD-R"}, "faults": {"operations": {"Release": {"text": "Injected Release failure"}}}},
      {"name": "CdRom7", "address": "1:0:7:0", "media_formats": ["read_cdr", "write"], "write_modes": ["tao"],
       "medium": {"type": "CD-R"}, "faults": {"operations": {"Eject": {"text": "Injected Eject failure"}}}},
      {"name": "CdRom8", "address": "1:0:8:0", "media_formats": ["read_cdr", "write"], "write_modes": ["tao"],
       "medium": {"type": "CD-R"}, "faults": {"operations": {"Eject": {"exception": 10, "text": "Stuck tray"}}}}
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

  // Runs the command until its output shows marker (and lingerMs more), then interrupts
  // it as Ctrl+C would (or does what act says instead).
  Outcome Interrupted(const QStringList& arguments, const QByteArray& marker, int lingerMs = 0,
                      const std::function<void(pid_t)>& act = [](pid_t pid) { ::kill(pid, SIGINT); }) {
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
    // A process that already ended has no id: kill(0) would reach this test's own group.
    if (const pid_t pid = pid_t(process.processId()); pid > 0) act(pid);
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

TEST_F(CliFilesAndReadTest, CopiesStopWhenTheImageChangesOnTheWay) {
  Write("album.iso", QByteArray(600 * 1024, 'a'));
  // Copy 2 is under way when the image shrinks: neither it nor a third disc may carry
  // other bytes under the same name.
  const Outcome copies = Interrupted(
      {QStringLiteral("--no-real-drives"), QStringLiteral("--virtual-drives"), Path("recorders.json"),
       QStringLiteral("burn"), Path("album.iso"), QStringLiteral("--device"), QStringLiteral("CdRom4"),
       QStringLiteral("--copies"), QStringLiteral("3")},
      "Copy 2 of 3", 0, [this](pid_t) { ASSERT_EQ(::truncate(QFile::encodeName(Path("album.iso")).constData(), 4096), 0); });
  EXPECT_EQ(copies.exitCode, 1) << copies.out.toStdString();
  EXPECT_TRUE(copies.out.contains(QStringLiteral("The image \"%1\" changed").arg(Path("album.iso"))))
      << copies.out.toStdString();
  EXPECT_FALSE(copies.out.contains("Copy 3 of 3")) << copies.out.toStdString();
  EXPECT_TRUE(copies.out.contains("1 of 3 copies made")) << copies.out.toStdString();
}

// A name that holds a device, a pipe, a socket or a folder is never replaced by a file.
TEST_F(CliFilesAndReadTest, OutputsThatAreNotFilesAreRefusedAndLeftAsTheyWere) {
  struct Node {
    const char* name;
    mode_t type;
    const char* says;
  };
  std::vector<Node> nodes{{"pipe.iso", S_IFIFO, "named pipe"}, {"socket.iso", S_IFSOCK, "socket"},
                          {"folder.iso", S_IFDIR, "folder"}, {"link.iso", S_IFIFO, "named pipe"}};
  ASSERT_EQ(::mkfifo(QFile::encodeName(Path("pipe.iso")).constData(), 0600), 0);
  ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("folder.iso")));
  ASSERT_EQ(::symlink("pipe.iso", QFile::encodeName(Path("link.iso")).constData()), 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray socketPath = QFile::encodeName(Path("socket.iso"));
  ASSERT_LT(size_t(socketPath.size()), sizeof(address.sun_path));
  std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  // A device node like /dev/null, made here: only a superuser may.
  if (::mknod(QFile::encodeName(Path("null.iso")).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0)
    nodes.push_back({"null.iso", S_IFCHR, "character device"});

  for (const Node& node : nodes) {
    const QString target = Path(node.name);
    const QList<QStringList> commands{
        {QStringLiteral("read"), QStringLiteral("CdRom0"), target},
        {QStringLiteral("build-image"), Path("photos/2026"), target},
        {QStringLiteral("burn"), Path("notes.txt"), QStringLiteral("--device"), QStringLiteral("CdRom0"),
         QStringLiteral("--save-log"), target}};
    for (const QStringList& command : commands) {
      SCOPED_TRACE(std::string(node.name) + " " + command.front().toStdString());
      const Outcome r = Run(command);
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_TRUE(r.err.contains(QStringLiteral("Cannot save to \"%1\": it is a").arg(target)) &&
                  r.err.contains(QLatin1String(node.says)))
          << r.err.toStdString();
      struct stat st {};
      ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
      EXPECT_EQ(st.st_mode & S_IFMT, node.type);
    }
  }
  ::close(sock);
  EXPECT_TRUE(Blank("CdRom0"));
}

// A failure the run met is never followed by a success status, nor hidden behind a text
// that does not name it.
TEST_F(CliFilesAndReadTest, FailuresAroundTheBurnEndTheRunAsAFailure) {
  struct Case {
    const char* device;
    const char* says;
    bool burned;
  } cases[] = {
      {"CdRom5", "The tray of CdRom5 cannot be locked, so the disc could be taken out during the burn; nothing was "
                 "burned: Injected Lock failure", false},
      {"CdRom6", "Injected Release failure", true},
      {"CdRom7", "Injected Eject failure", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    const Outcome r = Run({QStringLiteral("burn"), Path("notes.txt"), QStringLiteral("--device"), QString::fromLatin1(c.device)});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE((r.out + r.err).contains(QLatin1String(c.says))) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(Blank(c.device), !c.burned);
  }
}

TEST_F(CliFilesAndReadTest, ReadToStandardOutputOrOntoAFullDisk) {
  ASSERT_EQ(Run({QStringLiteral("burn-files"), Path("photos"), QStringLiteral("--device"), QStringLiteral("CdRom0"),
                 QStringLiteral("--no-eject")})
                .exitCode,
            0);
  // Raw bytes of standard output; the child's limits set by limit.
  auto read = [this](const QString& target, const std::function<void()>& limit) {
    QProcess process;
    if (limit) process.setChildProcessModifier(limit);
    process.start(QStringLiteral(KORVANEL_CLI), {QStringLiteral("--no-real-drives"), QStringLiteral("--virtual-drives"),
                                                  Path("recorders.json"), QStringLiteral("read"), QStringLiteral("CdRom0"),
                                                  target});
    EXPECT_TRUE(process.waitForFinished(60000));
    return std::tuple(process.exitCode(), process.readAllStandardOutput(), QString::fromLocal8Bit(process.readAllStandardError()));
  };
  // "-" writes the image into a pipe; the lines and the checksum go to standard error.
  const auto [pipedExit, image, pipedErr] = read(QStringLiteral("-"), {});
  ASSERT_EQ(pipedExit, 0) << pipedErr.toStdString();
  const auto [savedExit, checksumLine, savedErr] = read(Path("copy.iso"), {});
  ASSERT_EQ(savedExit, 0) << savedErr.toStdString();
  QFile copy(Path("copy.iso"));
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_TRUE(image == copy.readAll());
  EXPECT_TRUE(pipedErr.contains(QString::fromLatin1(checksumLine.trimmed().split('\n').last().left(64)) + QStringLiteral("  "))) << pipedErr.toStdString();

  // A disk that fills up is named as the system names it.
  const auto [fullExit, nothing, err] = read(Path("small.iso"), [] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{8192, 8192};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  });
  EXPECT_EQ(fullExit, 1);
  EXPECT_TRUE(err.contains(QStringLiteral("Cannot save to \"%1\": File too large").arg(Path("small.iso")))) << err.toStdString();
  EXPECT_FALSE(QFile::exists(Path("small.iso")));
}

// A written disc whose tray will not open: the refusal and the failed eject are
// said once each, then the wait goes on without a word until the user acts.
TEST_F(CliFilesAndReadTest, CopiesSayARefusedDiscAndAFailedEjectOnce) {
  const Outcome copies = Interrupted(
      {QStringLiteral("--no-real-drives"), QStringLiteral("--virtual-drives"), Path("recorders.json"),
       QStringLiteral("burn-files"), Path("notes.txt"), QStringLiteral("--device"), QStringLiteral("CdRom8"),
       QStringLiteral("--copies"), QStringLiteral("2")},
      "is not blank", 2500);
  EXPECT_EQ(copies.out.count(QStringLiteral(" is not blank")), 1) << copies.out.toStdString();
  // One at the end of the first copy, one in the wait.
  EXPECT_EQ(copies.out.count("Eject() failed"), 2) << copies.out.toStdString();
  EXPECT_TRUE(copies.out.contains("1 of 2 copies made")) << copies.out.toStdString();
}
