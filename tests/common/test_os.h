// What the tests ask of the operating system that POSIX and Windows do
// differently: named pipes, Ctrl+C sent to a child, hard links, root.
// Cases that need what Windows lacks skip there with SKIP_WITHOUT_POSIX.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace testos {

#ifdef _WIN32
inline constexpr bool kPosix = false;
#else
inline constexpr bool kPosix = true;
#endif

// A FIFO at path; false where the system has none.
inline bool makeFifo(const QString& path) {
#ifdef _WIN32
  (void)path;
  return false;
#else
  return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
#endif
}

// Ctrl+C for a running child: SIGINT to it alone (never kill(0), which is our
// own group). A console's Ctrl+C cannot be sent to one child on Windows: the
// child is ended and false returned, for the caller to skip.
inline bool interrupt(QProcess& process) {
#ifdef _WIN32
  process.kill();
  process.waitForFinished(5000);
  return false;
#else
  if (process.processId() > 0) ::kill(pid_t(process.processId()), SIGINT);
  return true;
#endif
}

inline bool hardLink(const QString& from, const QString& to) {
#ifdef _WIN32
  return CreateHardLinkW(reinterpret_cast<LPCWSTR>(to.utf16()), reinterpret_cast<LPCWSTR>(from.utf16()), nullptr);
#else
  return ::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

// Root reads what file modes forbid, so refusals by mode cannot be seen as root.
inline bool isRoot() {
#ifdef _WIN32
  return false;
#else
  return ::geteuid() == 0;
#endif
}

}  // namespace testos

#define SKIP_WITHOUT_POSIX(what) \
  if (!testos::kPosix) GTEST_SKIP() << what << ": not on Windows"

// What the build has: images of folders, and files serving as drives.
#define SKIP_WITHOUT_FILE_TREES() \
  if (!KORVANEL_HAS_FILE_TREES) GTEST_SKIP() << "this build makes no images of folders"
#define SKIP_WITHOUT_FILE_DRIVES() \
  if (!KORVANEL_HAS_FILE_DRIVES) GTEST_SKIP() << "this build has no real-drive backend to serve a file as a drive"
