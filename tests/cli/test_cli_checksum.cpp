// korvanel-cli checksum and burn --checksum-file, run as a process on virtual recorders.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstring>

#include "common/test_os.h"

namespace {

struct Outcome {
  int exitCode = -1;
  QString out;
  QString err;
};

class CliChecksumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    Write(QStringLiteral("recorders.json"), R"({"state_folder": "state", "recorders": [
      {"name": "CdRom0", "address": "1:0:0:0", "media_formats": ["read_cdr", "write"], "write_modes": ["tao"],
       "medium": {"type": "CD-R"}},
      {"name": "CdRom1", "address": "1:0:1:0", "media_formats": ["read_cdr", "write"], "write_modes": ["tao"],
       "medium": null}
    ]})");
    ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("tree/sub")));
    Write(QStringLiteral("tree/sub/readme.txt"), QByteArray(50000, 'k') + "end of the file\n");
  }

  QString Path(const QString& name) const { return dir_.filePath(name); }

  void Write(const QString& name, const QByteArray& bytes) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  Outcome Run(QStringList arguments) {
    QProcess process;
    process.start(QStringLiteral(KORVANEL_CLI), QStringList{QStringLiteral("--no-real-drives"),
                                                            QStringLiteral("--virtual-drives"),
                                                            Path(QStringLiteral("recorders.json"))} +
                                                    arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    // A Windows console program ends its lines with CR LF.
    auto text = [](const QByteArray& bytes) { return QString::fromLocal8Bit(bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); };
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            text(process.readAllStandardOutput()), text(process.readAllStandardError())};
  }

  QString BuildIso(const QString& name) {
    const QString iso = Path(name);
    if (!KORVANEL_HAS_FILE_TREES) {  // where this build makes no images: 300 blocks that say their size
      QByteArray bytes(300 * 2048, 'k');
      for (int at : {16 * 2048, 17 * 2048}) {
        bytes[at] = char(at == 16 * 2048 ? 1 : 255);  // the primary descriptor, then the set's end
        bytes.replace(at + 1, 6, QByteArray("CD001\x01", 6));
      }
      const char size[8] = {44, 1, 0, 0, 0, 0, 1, 44};  // 300, little then big endian
      bytes.replace(16 * 2048 + 80, 8, QByteArray(size, 8));
      const char block[4] = {0, 8, 8, 0};  // 2048
      bytes.replace(16 * 2048 + 128, 4, QByteArray(block, 4));
      Write(name, bytes);
      return iso;
    }
    Outcome built = Run({QStringLiteral("build-image"), Path(QStringLiteral("tree")), iso});
    EXPECT_EQ(built.exitCode, 0) << built.err.toStdString();
    return iso;
  }

  Outcome Burn(const QString& image, QStringList extra = {}) {
    return Run(QStringList{QStringLiteral("burn"), image, QStringLiteral("--device"), QStringLiteral("CdRom0")} + extra);
  }

  bool Blank() {
    return Run({QStringLiteral("info"), QStringLiteral("CdRom0")}).out.contains(QStringLiteral("Disc status:     0"));
  }

  QTemporaryDir dir_;
};

// The system's tool (sha256sum, md5sum) on the file, or Qt's hash where the tool is missing.
QString ToolHash(const char* tool, const QString& fileName) {
  if (const QString path = QStandardPaths::findExecutable(QString::fromLatin1(tool)); !path.isEmpty()) {
    QProcess process;
    process.start(path, {fileName});
    if (process.waitForFinished(30000) && process.exitCode() == 0)
      return QString::fromLatin1(process.readAllStandardOutput().split(' ').value(0));
  }
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(std::strcmp(tool, "md5sum") == 0 ? QCryptographicHash::Md5 : QCryptographicHash::Sha256);
  hash.addData(&file);
  return QString::fromLatin1(hash.result().toHex());
}

}  // namespace

TEST_F(CliChecksumTest, AnImageAndTheDiscItWasBurnedOnHashLikeTheSystemTools) {
  const QString iso = BuildIso(QStringLiteral("tree.iso"));
  ASSERT_EQ(Burn(iso).exitCode, 0);
  struct Case {
    const char* option;
    const char* tool;
  } cases[] = {{nullptr, "sha256sum"}, {"--sha256", "sha256sum"}, {"--md5", "md5sum"}};
  for (const Case& c : cases) {
    const QString expected = ToolHash(c.tool, iso);
    ASSERT_EQ(expected.size(), std::strcmp(c.tool, "md5sum") == 0 ? 32 : 64);
    for (const QString& target : {iso, QStringLiteral("CdRom0")}) {
      QStringList arguments{QStringLiteral("checksum"), target};
      if (c.option) arguments << QString::fromLatin1(c.option);
      Outcome r = Run(arguments);
      EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
      // The result alone on stdout, as the system tools print it.
      EXPECT_EQ(r.out, expected + QStringLiteral("  ") + target + QLatin1Char('\n')) << c.tool;
      EXPECT_TRUE(r.err.contains(QStringLiteral("100%"))) << r.err.toStdString();
    }
  }
}

TEST_F(CliChecksumTest, WhatCannotBeHashedIsRefusedWithTheReason) {
  const QString missing = Path(QStringLiteral("missing.iso"));
  const QString noIso = Path(QStringLiteral("plain.bin"));
  Write(QStringLiteral("plain.bin"), QByteArray(100000, 'x'));
  struct Case {
    QString target;
    QString message;
  } cases[] = {
      {missing, QStringLiteral("Cannot read the image file \"%1\": it does not exist").arg(missing)},
      {QStringLiteral("CdRom0"), QStringLiteral("The disc in CdRom0 is blank")},
      {QStringLiteral("CdRom1"), QStringLiteral("No disc in CdRom1")},
      {QStringLiteral("CdRom7"), QStringLiteral("No CD/DVD device \"CdRom7\" was found")},
  };
  for (const Case& c : cases) {
    Outcome r = Run({QStringLiteral("checksum"), c.target});
    EXPECT_EQ(r.exitCode, 1) << c.target.toStdString();
    EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
  }
  ASSERT_EQ(Burn(noIso).exitCode, 0);
  Outcome r = Run({QStringLiteral("checksum"), QStringLiteral("CdRom0")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains(QStringLiteral("The disc in CdRom0 is not an ISO 9660 disc"))) << r.err.toStdString();
}

TEST_F(CliChecksumTest, AChecksumFileLetsOnlyAMatchingImageBeBurned) {
  const QString iso = BuildIso(QStringLiteral("tree.iso"));
  const QString sha = ToolHash("sha256sum", iso);
  const QString other = QString(64, QLatin1Char('0'));
  struct Case {
    const char* what;
    QByteArray file;
    QString message;  // empty: burned
  } cases[] = {
      {"a line for another image", (other + QStringLiteral("  other.iso\n")).toLatin1(),
       QStringLiteral("has no line for \"tree.iso\"")},
      {"a wrong hash", (sha + QStringLiteral("  other.iso\n") + other + QStringLiteral(" *dir/tree.iso\n")).toLatin1(),
       QStringLiteral("its SHA-256 is %1, the file expects %2").arg(sha, other)},
      {"a wrong single MD5", QByteArray(32, 'a'), QStringLiteral("its MD5 is %1").arg(ToolHash("md5sum", iso))},
      {"a line that is no hash", QByteArrayLiteral("xyz  tree.iso\n"), QStringLiteral("not a SHA-256")},
      {"the line for the image's path wins over one for its base name",
       (sha + QStringLiteral("  other/tree.iso\n") + other + QStringLiteral("  tree.iso\n")).toLatin1(),
       QStringLiteral("the file expects %1 (line 2)").arg(other)},
      {"two lines for the image that disagree",
       (sha + QStringLiteral("  tree.iso\n") + other + QStringLiteral("  ") + Path(QStringLiteral("tree.iso")) +
        QStringLiteral("\n")).toLatin1(),
       QStringLiteral("has conflicting lines for \"tree.iso\" (lines 1 and 2)")},
      {"a BSD-style line", (QStringLiteral("SHA256 (tree.iso) = ") + other + QStringLiteral("\n")).toLatin1(),
       QStringLiteral("its SHA-256 is %1, the file expects %2 (line 1)").arg(sha, other)},
      {"a BSD-style line of another algorithm", QByteArrayLiteral("SHA1 (tree.iso) = abcdef\n"),
       QStringLiteral("names the algorithm SHA1 for \"tree.iso\" (line 1): only SHA256 and MD5 are supported")},
      {"the matching line among others", (other + QStringLiteral("  other.iso\n") + sha.toUpper() +
                                          QStringLiteral(" *dir/tree.iso\n")).toLatin1(), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Write(QStringLiteral("SHA256SUMS"), c.file);
    Outcome r = Burn(iso, {QStringLiteral("--checksum-file"), Path(QStringLiteral("SHA256SUMS"))});
    if (c.message.isEmpty()) {
      EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
      EXPECT_TRUE(r.out.contains(QStringLiteral("The image matches its checksum (SHA-256 ") + sha)) << r.out.toStdString();
      EXPECT_FALSE(Blank());
    } else {
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
      EXPECT_TRUE(Blank()) << "burned despite the refusal";
    }
  }
}

TEST_F(CliChecksumTest, CtrlCStopsTheHashingWithThreeAndNothingIsBurned) {
  // A sparse file: long enough to hash that the interrupt lands in the middle.
  QFile big(Path(QStringLiteral("big.iso")));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  ASSERT_TRUE(big.resize(qint64(8) << 30));
  big.close();
  Write(QStringLiteral("SHA256SUMS"), QByteArray(64, '0') + "  big.iso\n");
  const QStringList commands[] = {
      {QStringLiteral("checksum"), big.fileName()},
      {QStringLiteral("burn"), big.fileName(), QStringLiteral("--device"), QStringLiteral("CdRom0"),
       QStringLiteral("--checksum-file"), Path(QStringLiteral("SHA256SUMS"))},
  };
  for (const QStringList& command : commands) {
    SCOPED_TRACE(command.first().toStdString());
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);  // progress is on stderr for one, stdout for the other
    process.start(QStringLiteral(KORVANEL_CLI), QStringList{QStringLiteral("--no-real-drives"),
                                                            QStringLiteral("--virtual-drives"),
                                                            Path(QStringLiteral("recorders.json"))} +
                                                    command);
    QByteArray output;
    while (!output.contains("1%") && process.waitForReadyRead(10000)) output += process.readAll();
    ASSERT_TRUE(output.contains("1%")) << output.toStdString();
    if (!testos::interrupt(process)) GTEST_SKIP() << "Ctrl+C sent to a child: not on Windows";
    ASSERT_TRUE(process.waitForFinished(10000));
    output += process.readAll();
    EXPECT_EQ(process.exitCode(), 3) << output.toStdString();
    EXPECT_FALSE(output.contains("100%")) << output.toStdString();
  }
  EXPECT_TRUE(Blank());
}

// A grab spins a hardware drive up, loads the disc and locks the tray; its
// release spins it down: each job grabs a libburn drive once, however many
// library calls it makes (the read-back reads thousands of chunks).
TEST_F(CliChecksumTest, EachJobGrabsARealDriveOnce) {
  SKIP_WITHOUT_FILE_DRIVES();
  const QString iso = BuildIso(QStringLiteral("jobs.iso"));
  const QStringList drive = {QStringLiteral("--pseudo-drive"), Path(QStringLiteral("drive.img"))};
  const QString name = QStringLiteral("CdRom2");  // after the two recorders of the configuration
  qputenv("KORVANEL_GRAB_COUNTS", "1");
  struct Unset {
    ~Unset() { qunsetenv("KORVANEL_GRAB_COUNTS"); }
  } unset;
  const std::pair<const char*, QStringList> jobs[] = {
      {"device scan", {QStringLiteral("devices")}},
      {"speed query", {QStringLiteral("speeds"), name}},
      {"burn with verify",
       {QStringLiteral("burn"), iso, QStringLiteral("--device"), name, QStringLiteral("--mode"), QStringLiteral("tao"),
        QStringLiteral("--verify")}},
      {"checksum of the disc", {QStringLiteral("checksum"), name}},
  };
  for (const auto& [job, arguments] : jobs) {
    Outcome r = Run(drive + arguments);
    EXPECT_EQ(r.exitCode, 0) << job << "\n" << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("drive grabs: 1, releases: 1"))) << job << "\n" << r.err.toStdString();
  }
}

// A name with a backslash or a line break is written as sha256sum writes it, so
// that "sha256sum -c" checks the line.
TEST_F(CliChecksumTest, NamesWithABackslashOrALineBreakAreEscapedAsSha256sumDoes) {
  SKIP_WITHOUT_POSIX("a backslash or a line break in a file name");
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("sha256sum"));
  for (const QString& name : {QStringLiteral("back\\slash.iso"), QStringLiteral("line\nbreak.iso")}) {
    SCOPED_TRACE(name.toStdString());
    Write(name, QByteArray(5000, 'z'));
    QProcess process;
    process.setWorkingDirectory(dir_.path());
    process.start(QStringLiteral(KORVANEL_CLI), {QStringLiteral("checksum"), name});
    ASSERT_TRUE(process.waitForFinished(30000));
    const QByteArray line = process.readAllStandardOutput();
    EXPECT_TRUE(line.startsWith('\\')) << line.toStdString();
    EXPECT_EQ(line.count('\n'), 1) << line.toStdString();
    if (tool.isEmpty()) continue;
    Write(QStringLiteral("SUMS"), line);
    QProcess check;
    check.setWorkingDirectory(dir_.path());
    check.start(tool, {QStringLiteral("-c"), QStringLiteral("SUMS")});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardError().toStdString();
  }
}
