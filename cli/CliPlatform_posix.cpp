#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include <csignal>
#include <cstring>

#include "CliPlatform.h"

namespace {
void (*interruptHandler)() = nullptr;
void OnSignal(int) { interruptHandler(); }
}  // namespace

void InstallInterruptHandler(void (*handler)()) {
  interruptHandler = handler;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

SpecialFile SpecialFileKind(const QString& name) {
  struct stat info {};
  if (::lstat(QFile::encodeName(name).constData(), &info) != 0) return SpecialFile::None;
  if (S_ISFIFO(info.st_mode)) return SpecialFile::Fifo;
  if (S_ISSOCK(info.st_mode)) return SpecialFile::Socket;
  if (S_ISCHR(info.st_mode)) return SpecialFile::CharacterDevice;
  if (S_ISBLK(info.st_mode)) return SpecialFile::BlockDevice;
  return SpecialFile::None;
}

bool FolderWritable(const QString& folder, QString& reason) {
  if (::access(QFile::encodeName(folder).constData(), W_OK) == 0) return true;
  reason = QString::fromLocal8Bit(std::strerror(errno));
  return false;
}

QByteArray ForConsole(const QString& text) { return text.toLocal8Bit(); }

void PrepareConsole() {}
