// korvanel: the wizard. The command line is read before Qt starts, so that
// --help, --version and usage errors need no display; then the splash fades in
// while the four long-lived windows are created, and the welcome window opens.
#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QPointer>

#include <cstdio>
#include <memory>

#include "Discwright.h"
#include "ProgramStart.h"
#include "ProgramWindows.h"
#include "QtDialogs.h"
#include "SplashForm.h"
#include "sbDialogs.h"
#include "sbHelpers.h"
#include "sbErrors.h"
#include "sbLibrarySession.h"
#include "sbMainForm.h"
#include "sbDesktopServices.h"
#include "sbTranslations.h"
#include "WizardWindows.h"
#include "ufrmWelcome.h"

namespace {

// Fades the splash in; it closes itself later. Null when the splash is switched off.
QPointer<TFormSplash> ShowSplash() {
  if (!qEnvironmentVariableIsEmpty(kNoSplashVariable)) return nullptr;
  QPointer<TFormSplash> splash = new TFormSplash;
  splash->ShowSplash();
  return splash;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  TProgramArgs args;
  {
    // The command line is answered in the user's language, still without a display.
    QCoreApplication early(argc, argv);
    InstallTranslations(QLocale(), ProgramFolder());
    if (const std::optional<int> status = HandleCommandLine(arguments, args, stdout, stderr)) return *status;
    UseDemoWithoutDrives(args.Library, RealDrivesCanExist(), stderr);
  }

  // Qt needs the application object before any window, the splash included;
  // the title is set at once, so that every box carries it.
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Korvanel"));
  QApplication::setApplicationDisplayName(QStringLiteral("Korvanel"));
  QApplication::setApplicationVersion(QStringLiteral(KORVANEL_VERSION));
  QLocale::setDefault(FormatsLocale(InstallTranslations(QLocale(), ProgramFolder())));
  SetDialogs(std::make_unique<QtDialogs>());
  CheckLibraryVersion(Discwright_GetVersion());
  // A mistake in the user's recorder file is told at once, not at the first page.
  if (const QString problem = VirtualConfigProblem(args.Library); !problem.isEmpty()) {
    std::fprintf(stderr, "korvanel: %s\n", qUtf8Printable(problem));
    Dialogs().ApplicationError(problem);
  }

  QPointer<TFormSplash> splash;
  try {
    splash = ShowSplash();
  } catch (const TsbError& e) {
    std::fprintf(stderr, "korvanel: %s\n", qUtf8Printable(e.Message()));
    return 1;
  }
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/korvanel.png")));
  ProcessQtEventsWhileWaiting();
  InhibitSleepDuringRuns();

  CreateWindows(args);
  frmWelcome->show();
  const int status = QApplication::exec();
  delete splash;  // when the wizard was closed before the splash
  DestroyWindows();
  return status;
}
