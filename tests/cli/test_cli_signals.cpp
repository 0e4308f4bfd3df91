// Ctrl+C and SIGTERM cancel through the burner while the real-drive backend
// runs: korvanel-cli is started as a user would, without --no-real-drives.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

namespace {

class CliSignalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    // A slow recorder whose name and address no real drive takes.
    QFile config(Path("recorders.json"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(R"({"state_folder": "state", "recorders": [
      {"name": "CdRom9", "address": "40:0:1:0", "product": "Signal Slow Writer", "media_formats": ["write"],
       "write_modes": ["tao"], "write_speeds": {"cd": [176]}, "time_scale": 1, "medium": {"type": "CD-R"}}]})");
    config.close();
    QFile small(Path("small.iso"));
    ASSERT_TRUE(small.open(QIODevice::WriteOnly));
    small.write(QByteArray(2 << 20, 'k'));  // about 12 s at 1x
    small.close();
    // Sparse: a few seconds of writing onto a file, no disk space for the source.
    for (const char* name : {"big.iso", "tree/big.bin"}) {
      ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("tree")));
      QFile big(Path(name));
      ASSERT_TRUE(big.open(QIODevice::WriteOnly));
      ASSERT_TRUE(big.resize(qint64(1) << 30));
    }
  }

  QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

  QTemporaryDir dir_;
};

TEST_F(CliSignalTest, InterruptAndTerminateCancelEveryLongCommand) {
  const QString pseudo = Path("pseudo.img");
  // The pseudo-drive starts the libburn backend on every path, beside any real drives.
  const QStringList backend = {QStringLiteral("--pseudo-drive"), pseudo};
  struct Case {
    const char* name;
    QStringList arguments;
    const char* signalAfter;  // the output line after which the signal is sent
  } cases[] = {
      {"burn onto a pseudo-drive", backend + QStringList{"burn", Path("big.iso"), "--device", "200:0:0:0"},
       "Burning started"},
      {"burn onto a virtual recorder",
       backend + QStringList{"--virtual-drives", Path("recorders.json"), "--time-scale", "1", "burn",
                             Path("small.iso"), "--device", "CdRom9"},
       "Burning started"},
      {"verify", backend + QStringList{"burn", Path("big.iso"), "--device", "200:0:0:0", "--verify"},
       "Verifying disc"},
      {"build-image", backend + QStringList{"build-image", Path("tree"), Path("out.iso")}, "Need to save"},
      {"burn-files", backend + QStringList{"burn-files", Path("tree"), "--device", "200:0:0:0"}, "Burning started"},
  };
  for (const auto& c : cases) {
    for (int signal : {SIGINT, SIGTERM}) {
      SCOPED_TRACE(std::string(c.name) + (signal == SIGINT ? ", SIGINT" : ", SIGTERM"));
      QFile::remove(pseudo);
      QDir(Path("state")).removeRecursively();
      QProcess process;
      process.setProcessChannelMode(QProcess::MergedChannels);
      process.start(QStringLiteral(KORVANEL_CLI), c.arguments);
      ASSERT_TRUE(process.waitForStarted());
      QByteArray out;
      while (!out.contains(c.signalAfter) && process.waitForReadyRead(20000)) out += process.readAll();
      ASSERT_TRUE(out.contains(c.signalAfter)) << out.toStdString();
      if (process.processId() > 0) ::kill(pid_t(process.processId()), signal);  // never kill(0): our own group
      ASSERT_TRUE(process.waitForFinished(15000));
      out += process.readAll();
      EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "killed by the signal";
      EXPECT_EQ(process.exitCode(), 3) << out.toStdString();
      EXPECT_EQ(out.count("Cancelling..."), 1) << out.toStdString();
    }
  }
}

}  // namespace
