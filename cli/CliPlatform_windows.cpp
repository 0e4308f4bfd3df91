#include <windows.h>
#include <io.h>

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include "CliPlatform.h"
#include "CliPlatform_windows.h"

namespace {
void (*interruptHandler)() = nullptr;
}  // namespace

// Runs on a thread of its own that the console starts; the handler only sets a flag,
// which the waits of the window thread poll. TRUE: the process is not ended at once.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      if (interruptHandler) interruptHandler();
      return TRUE;
    default:
      return FALSE;
  }
}

void InstallInterruptHandler(void (*handler)()) {
  interruptHandler = handler;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

// Windows has no FIFOs or device nodes among ordinary files.
SpecialFile SpecialFileKind(const QString&) { return SpecialFile::None; }

bool FolderWritable(const QString& folder, QString& reason) {
  // Access rights on Windows are lists, not mode bits: the plain answer is to try.
  QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".korvanel-write-test-XXXXXX")));
  if (probe.open()) return true;
  reason = probe.errorString();
  return false;
}

QByteArray ForConsole(const QString& text) { return text.toUtf8(); }

void PrepareConsole() {
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
}
