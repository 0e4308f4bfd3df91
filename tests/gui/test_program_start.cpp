// The program's command line and its choice of recorders, read before any
// window exists; --help, --version and usage errors through the built program.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <cstdio>
#include <fstream>

#include "ProgramStart.h"
#include "common/test_common.h"

TEST(ProgramStartTest, ReadsTheOptionsAndOneImage) {
  struct Case {
    QStringList arguments;
    bool demo;
    QString virtualDrives, image;
    double timeScale;  // < 0: not given
    QString error;     // part of the usage error, empty when accepted
  } cases[] = {
      {{}, false, "", "", -1, ""},
      {{"--demo"}, true, "", "", -1, ""},
      {{"--virtual-drives", "mine.json", "disc.iso"}, false, "mine.json", "disc.iso", -1, ""},
      {{"--time-scale", "0", "--demo"}, true, "", "", 0, ""},
      {{"--time-scale", "fast"}, false, "", "", -1, "--time-scale needs a number"},
      {{"--virtual-drives"}, false, "", "", -1, "--virtual-drives needs a value"},
      {{"one.iso", "two.iso"}, false, "", "", -1, "only one image file"},
      {{"--demo", "--virtual-drives", "mine.json"}, false, "", "", -1, "exclude each other"},
      {{"--no-real-drives"}, false, "", "", -1, "no devices to use"},
      {{"--burn"}, false, "", "", -1, "unknown option --burn"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    try {
      const TProgramArgs args = ParseProgramArgs(c.arguments);
      EXPECT_TRUE(c.error.isEmpty()) << "accepted";
      EXPECT_EQ(args.Library.Demo, c.demo);
      EXPECT_EQ(args.Library.VirtualDrives, c.virtualDrives);
      EXPECT_EQ(args.ImageFile, c.image);
      EXPECT_EQ(args.Library.TimeScale.value_or(-1), c.timeScale);
    } catch (const TsbUsageError& e) {
      EXPECT_TRUE(!c.error.isEmpty() && e.message.contains(c.error)) << e.message.toStdString();
    }
  }
}

TEST(ProgramStartTest, OpensOnTheDemoOnlyWhenNothingIsChosenAndNoDriveCanExist) {
  testcommon::TempDir dev;
  EXPECT_FALSE(RealDrivesCanExist(QString::fromStdString(dev.path().string())));
  std::ofstream(dev / "srx");
  EXPECT_FALSE(RealDrivesCanExist(QString::fromStdString(dev.path().string())));
  std::ofstream(dev / "sr0");
  EXPECT_TRUE(RealDrivesCanExist(QString::fromStdString(dev.path().string())));

  struct Case {
    QStringList arguments;
    bool drives, switched;
  } cases[] = {
      {{}, false, true},
      {{"--time-scale", "0"}, false, true},
      {{}, true, false},
      {{"--virtual-drives", "mine.json"}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    TsbLibraryOptions options = ParseProgramArgs(c.arguments).Library;
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(UseDemoWithoutDrives(options, c.drives, err), c.switched);
    EXPECT_EQ(options.Demo, c.switched);
    EXPECT_EQ(std::ftell(err) > 0, c.switched) << "said so on stderr";
    std::fclose(err);
  }
}

// Run without any display: the answers must come before Qt would need one.
TEST(ProgramStartTest, AnswersHelpVersionAndUsageErrorsWithoutAWindow) {
  struct Case {
    QStringList arguments;
    int status;
    QString out, err;
  } cases[] = {
      {{"--help"}, 0, "usage: korvanel [--demo | --virtual-drives FILE]", ""},
      {{"-h"}, 0, "--time-scale X", ""},
      {{"--version"}, 0, "korvanel 0.1.0\n", ""},
      {{"--time-scale", "bad"}, 2, "", "korvanel: --time-scale needs a number"},
  };
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "xcb");
  environment.remove("DISPLAY");
  environment.remove("WAYLAND_DISPLAY");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(KORVANEL_PROGRAM, c.arguments);
    ASSERT_TRUE(program.waitForFinished(10000));
    // A Windows program ends its lines with CR LF.
    const QString out = QString(program.readAllStandardOutput()).replace("\r\n", "\n");
    const QString err = QString(program.readAllStandardError()).replace("\r\n", "\n");
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), c.status) << err.toStdString();
    EXPECT_TRUE(c.out.isEmpty() ? out.isEmpty() : out.startsWith(c.out) || out.contains(c.out)) << out.toStdString();
    EXPECT_TRUE(c.err.isEmpty() ? err.isEmpty() : err.startsWith(c.err)) << err.toStdString();
    if (c.status == 2) {
      EXPECT_TRUE(err.contains("usage: korvanel")) << "the usage follows the reason";
    }
  }
}
