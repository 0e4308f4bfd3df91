// korvanel-cli build-image run as a process: where the image may go, and what the log
// says about entries left out of it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Outcome {
  int exitCode = -1;
  QString out;
  QString err;
};

class CliBuildImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("tree/sub")));
    Write(QStringLiteral("tree/sub/existing.txt"), "a file of the source\n");
  }

  QString Path(const QString& name) const { return dir_.filePath(name); }

  void Write(const QString& name, const QByteArray& bytes) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  Outcome BuildImage(const QString& folder, const QString& output) {
    QProcess process;
    process.setWorkingDirectory(dir_.path());
    process.start(QStringLiteral(KORVANEL_CLI), {QStringLiteral("build-image"), folder, output});
    EXPECT_TRUE(process.waitForFinished(30000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
  }

  // Every file under the source folder with its bytes.
  QMap<QString, QByteArray> Tree() const {
    QMap<QString, QByteArray> files;
    QDirIterator it(dir_.filePath(QStringLiteral("tree")), QDir::Files | QDir::System | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString name = it.next();
      QFile file(name);
      files[name] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    return files;
  }

  QTemporaryDir dir_;
};

TEST_F(CliBuildImageTest, AnOutputInsideTheSourceFolderIsRefusedBeforeAnythingIsWritten) {
  ASSERT_TRUE(QFile::link(Path(QStringLiteral("tree")), Path(QStringLiteral("treelink"))));
  ASSERT_TRUE(QFile::link(Path(QStringLiteral("tree/sub/existing.txt")), Path(QStringLiteral("outlink.iso"))));
  const QMap<QString, QByteArray> before = Tree();
  const QStringList outputs = {
      Path(QStringLiteral("tree/out.iso")),
      QStringLiteral("tree/rel.iso"),  // relative to the working directory
      Path(QStringLiteral("tree/sub/../up.iso")),
      Path(QStringLiteral("treelink/through-link.iso")),
      Path(QStringLiteral("tree/sub/existing.txt")),  // would overwrite a source file
      Path(QStringLiteral("outlink.iso")),             // a link to a source file
  };
  for (const QString& output : outputs) {
    SCOPED_TRACE(output.toStdString());
    const Outcome run = BuildImage(QStringLiteral("tree"), output);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("lies inside the folder \"tree\" it is made from"))) << run.err.toStdString();
    EXPECT_EQ(Tree(), before);
  }
  // Beside the folder is fine, also when reached through the link's parent.
  EXPECT_EQ(BuildImage(QStringLiteral("treelink"), Path(QStringLiteral("treelink/../beside.iso"))).exitCode, 0);
  EXPECT_TRUE(QFile::exists(Path(QStringLiteral("beside.iso"))));
}

TEST_F(CliBuildImageTest, SpecialFilesAreLeftOutWithAWarningRow) {
  const QByteArray fifo = QFile::encodeName(Path(QStringLiteral("tree/sub/pipe")));
  ASSERT_EQ(::mkfifo(fifo.constData(), 0644), 0);
  const Outcome run = BuildImage(QStringLiteral("tree"), Path(QStringLiteral("out.iso")));
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QString warning = QStringLiteral("warning \"%1\" is a FIFO; left out of the image").arg(QFile::decodeName(fifo));
  EXPECT_TRUE(run.out.contains(warning)) << run.out.toStdString();
  EXPECT_TRUE(run.out.contains(QStringLiteral("Finished!")));

  // A folder whose every entry is left out would make an empty image: refused. An empty
  // folder is made into an empty image, as asked.
  ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("pipes")));
  ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("empty")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(Path(QStringLiteral("pipes/pipe"))).constData(), 0644), 0);
  const Outcome pipes = BuildImage(QStringLiteral("pipes"), Path(QStringLiteral("pipes.iso")));
  EXPECT_EQ(pipes.exitCode, 1);
  EXPECT_TRUE(pipes.err.contains(QStringLiteral("Nothing is left for the image"))) << pipes.err.toStdString();
  EXPECT_FALSE(QFile::exists(Path(QStringLiteral("pipes.iso"))));
  EXPECT_EQ(BuildImage(QStringLiteral("empty"), Path(QStringLiteral("empty.iso"))).exitCode, 0);
}

}  // namespace

// A killed run leaves its hidden partial file; the next run of the same output
// removes it, but never one another process still writes, nor another output's.
TEST_F(CliBuildImageTest, StalePartialFilesOfTheSameOutputAreRemoved) {
  const QString stale = Path(QStringLiteral(".out.iso.partial-Ab12Cd"));
  const QString held = Path(QStringLiteral(".out.iso.partial-Xy34Zw"));
  const QString other = Path(QStringLiteral(".other.iso.partial-Qr56St"));
  for (const QString& name : {stale, held, other}) Write(QFileInfo(name).fileName(), "half an image");
  const int holder = ::open(QFile::encodeName(held).constData(), O_RDONLY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);  // as a running build-image holds its own
  const Outcome built = BuildImage(QStringLiteral("tree"), QStringLiteral("out.iso"));
  ::close(holder);
  EXPECT_EQ(built.exitCode, 0) << built.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(stale));
  EXPECT_TRUE(QFileInfo::exists(held));
  EXPECT_TRUE(QFileInfo::exists(other));
  const QStringList partials =
      QDir(dir_.path()).entryList({QStringLiteral(".out.iso.partial-*")}, QDir::Files | QDir::Hidden);
  EXPECT_EQ(partials, QStringList{QFileInfo(held).fileName()}) << "the run's own partial file is gone too";
}
