// korvanel-cli's answer to the console's Ctrl+C and Ctrl+Break on Windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>

#include "CliPlatform.h"
#include "CliPlatform_windows.h"

namespace {

std::atomic<int> interrupts{0};
void CountInterrupt() { ++interrupts; }

}  // namespace

TEST(CliConsoleEvents, CtrlCCtrlBreakAndAClosedConsoleInterruptTheRunAndOtherEventsPassOn) {
  InstallInterruptHandler(CountInterrupt);
  struct Case {
    DWORD event;
    BOOL handled;
  } cases[] = {{CTRL_C_EVENT, TRUE},
               {CTRL_BREAK_EVENT, TRUE},
               {CTRL_CLOSE_EVENT, TRUE},
               {CTRL_LOGOFF_EVENT, FALSE},
               {CTRL_SHUTDOWN_EVENT, FALSE}};
  for (const Case& c : cases) {
    const int before = interrupts;
    EXPECT_EQ(OnConsoleEvent(c.event), c.handled) << c.event;
    EXPECT_EQ(interrupts - before, c.handled ? 1 : 0) << c.event;
  }
  // The routine is the one the console calls: removing it succeeds only when it was installed.
  EXPECT_TRUE(SetConsoleCtrlHandler(OnConsoleEvent, FALSE));
}

// End to end where the host can send a console event to one child: Ctrl+Break to a
// burn on a slow virtual recorder ends it through the burner's cancel, with exit 3.
TEST(CliConsoleEvents, CtrlBreakCancelsARunningBurnWithExitThree) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile config(dir.filePath(QStringLiteral("recorders.json")));
  ASSERT_TRUE(config.open(QIODevice::WriteOnly));
  config.write(R"({"state_folder": "state", "recorders": [
      {"name": "CdRom0", "address": "1:0:0:0", "product": "Slow Writer", "media_formats": ["write"],
       "write_modes": ["tao"], "write_speeds": {"cd": [176]}, "time_scale": 1, "medium": {"type": "CD-R"}}]})");
  config.close();
  QFile image(dir.filePath(QStringLiteral("slow.iso")));
  ASSERT_TRUE(image.open(QIODevice::WriteOnly));
  image.write(QByteArray(2 << 20, 'k'));  // about 12 s at 1x
  image.close();

  QProcess process;
  // A group of its own: Ctrl+Break reaches the child, not this test.
  process.setCreateProcessArgumentsModifier(
      [](QProcess::CreateProcessArguments* arguments) { arguments->flags |= CREATE_NEW_PROCESS_GROUP; });
  process.start(QStringLiteral(KORVANEL_CLI), {QStringLiteral("--no-real-drives"), QStringLiteral("--virtual-drives"),
                                               config.fileName(), QStringLiteral("burn"), image.fileName(),
                                               QStringLiteral("--device"), QStringLiteral("CdRom0")});
  ASSERT_TRUE(process.waitForStarted());
  QByteArray out;
  while (!out.contains("Burning started") && process.waitForReadyRead(10000)) out += process.readAllStandardOutput();
  ASSERT_TRUE(out.contains("Burning started")) << out.toStdString();
  if (!GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, DWORD(process.processId()))) {
    const DWORD error = GetLastError();
    process.kill();
    process.waitForFinished(5000);
    GTEST_SKIP() << "this host cannot send Ctrl+Break to one child process (error " << error
                 << "; Wine without a console window cannot)";
  }
  ASSERT_TRUE(process.waitForFinished(10000));
  EXPECT_EQ(process.exitCode(), 3) << process.readAllStandardError().toStdString();
}
