// The file-system calls of the engine on POSIX systems.
#include "sbFileSystem.h"
#include "sbHelpers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace sbfile {

namespace {

// Splits "/a/b/name" into "/a/b" and "name" ("/name" gives "/").
void SplitName(const QString& path, QString& folder, QString& name) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  folder = slash <= 0 ? QStringLiteral("/") : path.left(slash);
  name = path.mid(slash + 1);
}

// Cuts name to at most maxBytes without splitting a UTF-8 sequence, so the name still
// decodes to the same text and encodes back to the same bytes.
void CutUtf8(QByteArray& name, qsizetype maxBytes) {
  if (name.size() <= maxBytes) return;
  qsizetype end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  name.truncate(end);
}

QString RealPath(const QString& path) {
  char resolved[PATH_MAX];
  if (!::realpath(QFile::encodeName(path).constData(), resolved)) return QString();
  return QFile::decodeName(resolved);
}

}  // namespace

QString ResolveOutputPath(const QString& fileName) {
  if (fileName.isEmpty()) {
    errno = ENOENT;
    return QString();
  }
  QString path = QDir::isAbsolutePath(fileName) ? fileName : QDir::current().absoluteFilePath(fileName);
  // A link at the output's name is followed (even to a target that does not exist yet),
  // so the image lands where the link points.
  for (int hops = 0;; ++hops) {
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    if (hops == 40) {
      errno = ELOOP;
      return QString();
    }
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t n = ::readlink(name.constData(), target.data(), target.size() - 1);
    if (n < 0) return QString();
    const QString linked = QFile::decodeName(QByteArray(target.data(), int(n)));
    QString folder, base;
    SplitName(path, folder, base);
    path = QDir::isAbsolutePath(linked) ? linked : folder + QLatin1Char('/') + linked;
  }
  QString folder, base;
  // Not cleaned lexically: "link/.." is the link target's parent, which realpath finds.
  SplitName(path, folder, base);
  if (base.isEmpty() || base == QLatin1String(".") || base == QLatin1String("..")) {
    errno = EISDIR;
    return QString();
  }
  const QString realFolder = RealPath(folder);
  if (realFolder.isEmpty()) return QString();
  const QString resolved = (realFolder == QLatin1String("/") ? QString() : realFolder) + QLatin1Char('/') + base;
  struct stat st {};
  if (::stat(QFile::encodeName(resolved).constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return QString();
  }
  return resolved;
}

bool IsInsideFolder(const QString& path, const QString& folder) {
  const QString realFolder = RealPath(folder);
  if (realFolder.isEmpty() || path.isEmpty()) return false;
  if (realFolder == QLatin1String("/")) return true;
  return path == realFolder || path.startsWith(realFolder + QLatin1Char('/'));
}

bool SameFile(const QString& a, const QString& b) {
  struct stat first {}, second {};
  return !a.isEmpty() && !b.isEmpty() && ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
         ::stat(QFile::encodeName(b).constData(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

QString NotAFileReason(const QString& fileName) {
  struct stat st {};
  if (fileName.isEmpty() || ::stat(QFile::encodeName(fileName).constData(), &st) != 0 || S_ISREG(st.st_mode))
    return {};
  if (S_ISDIR(st.st_mode)) return QCoreApplication::translate("sbBurnToFileAction", "it is a folder");
  if (S_ISCHR(st.st_mode))
    return QCoreApplication::translate("sbBurnToFileAction", "it is a character device, not a regular file");
  if (S_ISBLK(st.st_mode))
    return QCoreApplication::translate("sbBurnToFileAction", "it is a block device, not a regular file");
  if (S_ISFIFO(st.st_mode))
    return QCoreApplication::translate("sbBurnToFileAction", "it is a named pipe (FIFO), not a regular file");
  if (S_ISSOCK(st.st_mode))
    return QCoreApplication::translate("sbBurnToFileAction", "it is a socket, not a regular file");
  return QCoreApplication::translate("sbBurnToFileAction", "it is not a regular file");
}

namespace {

constexpr char kPartialMark[] = ".partial-";
constexpr int kPartialRandom = 6;  // the XXXXXX of mkostemp

// The temporary name beside target up to its random part: hidden, and short
// enough for any file system even beside a long name.
QByteArray PartialPrefix(const QString& target) {
  QString folder, base;
  SplitName(target, folder, base);
  QByteArray name = QFile::encodeName(folder + QStringLiteral("/.") + base);
  CutUtf8(name, PATH_MAX - 64);
  const qsizetype slash = name.lastIndexOf('/');
  CutUtf8(name, slash + 200);
  return name + kPartialMark;
}

}  // namespace

void RemoveStalePartials(const QString& target) {
  const QByteArray prefix = PartialPrefix(target);
  const qsizetype slash = prefix.lastIndexOf('/');
  const QByteArray folder = slash <= 0 ? QByteArray("/") : prefix.left(slash);
  const QByteArray start = prefix.mid(slash + 1);
  DIR* dir = ::opendir(folder.constData());
  if (!dir) return;  // the action reports a folder it cannot use
  std::vector<QByteArray> stale;
  while (const dirent* entry = ::readdir(dir)) {
    const QByteArray name(entry->d_name);
    if (name.size() != start.size() + kPartialRandom || !name.startsWith(start)) continue;
    const QByteArray path = folder + '/' + name;
    // A file still being written is locked by its process; a killed one's lock went with it.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid() &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      stale.push_back(path);
    ::close(fd);
  }
  ::closedir(dir);
  for (const QByteArray& path : stale) ::unlink(path.constData());
}

int CreateTemporaryBeside(const QString& target, QString& tempName) {
  QByteArray name = PartialPrefix(target) + QByteArray(kPartialRandom, 'X');
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  // Held while this process writes: the next run removes the file only once the lock is gone.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    // Made a moment ago: only a clean-up probing it can hold the lock; wait for it.
    ::flock(fd, LOCK_EX);
  }
  // Readable by others like any new file; a replaced output keeps its permissions.
  struct stat st {};
  const mode_t mode = ::stat(QFile::encodeName(target).constData(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  if (::fchmod(fd, mode) != 0) {
    const int error = errno;
    ::close(fd);
    ::unlink(name.constData());
    errno = error;
    return -1;
  }
  tempName = QFile::decodeName(name);
  return fd;
}

Replaced ReplaceWith(const QString& tempName, const QString& target) {
  if (::rename(QFile::encodeName(tempName).constData(), QFile::encodeName(target).constData()) != 0)
    return Replaced::No;
  // The new name itself must survive a crash, not only the bytes.
  QString folder, base;
  SplitName(target, folder, base);
  const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return Replaced::NotSynced;
  const bool synced = ::fsync(dir) == 0;
  const int error = errno;
  ::close(dir);
  errno = error;
  return synced ? Replaced::Yes : Replaced::NotSynced;
}

void Remove(const QString& fileName) { ::unlink(QFile::encodeName(fileName).constData()); }

bool QueryFreeSpace(const QString& folder, FreeSpace& space) {
  struct statvfs info {};
  if (::statvfs(QFile::encodeName(folder).constData(), &info) != 0) return false;
  const auto unit = int64_t(info.f_frsize ? info.f_frsize : info.f_bsize);
  space.AvailableToCaller = int64_t(info.f_bavail) * unit;
  space.Total = int64_t(info.f_blocks) * unit;
  space.TotalFree = int64_t(info.f_bfree) * unit;
  return true;
}

QString FolderForSpaceCheck(const QString& fileName) {
  if (fileName.startsWith(QLatin1Char('/'))) {
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    return slash == 0 ? QStringLiteral("/") : fileName.left(slash);
  }
  return QDir::currentPath();
}

bool FlushToDisk(int handle) { return ::fsync(handle) == 0; }

void Close(int handle) { ::close(handle); }

int ErrnoOfLastError() { return errno; }

QString StatusText(int error) {
  return QStringLiteral("status %1 (%2)").arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
}

}  // namespace sbfile

// Declared with the helpers; the answers are the platform's.
QString WhyFileCannotBeRead(const QString& fileName) {
  const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) {
    ::close(fd);
    return {};
  }
  return QCoreApplication::translate("sbHelpers", "Cannot read %1: %2")
      .arg(fileName, QString::fromLocal8Bit(std::strerror(errno)));
}

QString SystemProgramFilePath() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? QString() : QString::fromStdU16String(self.u16string());
}

QString UserStateFolder() {
  QString base = qEnvironmentVariable("XDG_STATE_HOME");
  if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.local/state");
  return IncludeTrailingSeparator(base) + QStringLiteral("korvanel/");
}
