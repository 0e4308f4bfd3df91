// korvanel-cli: the command-line burner. It runs the wizard's checks and actions
// without a window.
#include <QCoreApplication>
#include <QLocale>
#include <QSet>


#include <memory>
#include <cstdio>

#include "CliChecksum.h"
#include "CliCommands.h"
#include "CliPlatform.h"
#include "CliWaitDisc.h"
#include "sbErrors.h"
#include "sbDialogs.h"
#include "sbHelpers.h"
#include "sbDesktopServices.h"
#include "sbTranslations.h"
#include "sbUiHooks.h"

namespace {

// A failed action is shown as an error row of the log already.
class CliDialogs final : public TsbStderrDialogs {
 public:
  explicit CliDialogs(CliOutput& output) : output_(output) {}
  void ErrorMessage(const QString& text) override {
    output_.NoteError(text);
    // A failure met again on the way out (a release at each teardown) is said once.
    if (output_.ShownAsError(text) || printed_.contains(text)) return;
    printed_.insert(text);
    PrintError(text);
  }

 private:
  CliOutput& output_;
  QSet<QString> printed_;
};

}  // namespace

int main(int argc, char** argv) {
  PrepareConsole();
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("korvanel-cli"));
  QCoreApplication::setApplicationVersion(QStringLiteral(KORVANEL_VERSION));
  InstallTranslations(QLocale(), ProgramFolder());
  // Scripts read korvanel-cli's lines as well as people: its figures keep the C form
  // ("1.79") in every locale, while its words follow the language.
  QLocale::setDefault(QLocale::c());
  CliArgs args;
  try {
    args = ParseCliArgs(app.arguments().mid(1));
  } catch (const CliUsageError& e) {
    std::fprintf(stderr, "korvanel-cli: %s\n\n%s", ForConsole(e.message).constData(), CliUsage().constData());
    return kExitUsage;
  }
  if (args.help) {
    std::fputs(CliUsage().constData(), stdout);
    return kExitSuccess;
  }
  if (args.version) {
    std::printf("korvanel-cli %s\n", KORVANEL_VERSION);
    return kExitSuccess;
  }

  // Burns end through the burner's cancel, so that the disc and the log stay
  // consistent; the quick commands keep the default of ending at once.
  if (args.command == QLatin1String("burn") || args.command == QLatin1String("burn-files") ||
      args.command == QLatin1String("burn-audio") || args.command == QLatin1String("read") || args.command == QLatin1String("build-image") ||
      args.command == QLatin1String("checksum") || args.command == QLatin1String("erase")) {
    InstallInterruptHandler(RequestInterrupt);
  }

  if (args.command == QLatin1String("burn") || args.command == QLatin1String("burn-audio") ||
      args.command == QLatin1String("erase"))
    InhibitSleepDuringRuns();

  // "read DEVICE -" writes the image to standard output: the lines go to standard error.
  const bool imageOnStdout = args.command == QLatin1String("read") && args.positional.size() > 1 &&
                             args.positional[1] == QLatin1String("-");
  CliOutput output(!imageOnStdout && IsTerminal(stdout), imageOnStdout ? stderr : stdout);
  SetDialogs(std::make_unique<CliDialogs>(output));
  try {
    if (args.command == QLatin1String("devices")) return RunDevices(args);
    if (args.command == QLatin1String("info")) return RunInfo(args);
    if (args.command == QLatin1String("speeds")) return RunSpeeds(args);
    if (args.command == QLatin1String("burn") || args.command == QLatin1String("burn-files") ||
        args.command == QLatin1String("burn-audio"))
      return RunBurn(args, output);
    if (args.command == QLatin1String("read")) return RunRead(args, output);
    if (args.command == QLatin1String("checksum")) return RunChecksum(args);
    if (args.command == QLatin1String("erase")) return RunErase(args, output);
    if (args.command == QLatin1String("wait-disc")) return RunWaitDisc(args);
    return RunBuildImage(args, output);
  } catch (const TsbError& e) {
    output.Finish();
    PrintError(e.Message());
  } catch (const TsbIOError& e) {
    output.Finish();
    PrintError(e.Message());
  }
  return kExitFailure;
}
