// The file-system calls of the engine on Windows: the wide-character API, so that any
// name the user can type works, and a move over the target that is one step and
// written through.
#include "sbFileSystem.h"
#include "sbHelpers.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <string>

namespace sbfile {

namespace {

const wchar_t* Wide(const QString& path) { return reinterpret_cast<const wchar_t*>(path.utf16()); }

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

// errno for the last Windows error, so that callers report every platform alike.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return EEXIST;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    default: return EIO;
  }
}

}  // namespace

int ErrnoOfLastError() { return ErrnoOf(GetLastError()); }

namespace {

// CON, NUL, COM1 ... are devices in every folder, whatever their extension.
bool IsReservedDeviceName(const QString& path) {
  const QString base = QFileInfo(path).completeBaseName().section(QLatin1Char('.'), 0, 0).toUpper();
  static const QStringList names{QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                 QStringLiteral("NUL")};
  if (names.contains(base)) return true;
  return base.size() == 4 && (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT"))) &&
         base[3] >= QLatin1Char('1') && base[3] <= QLatin1Char('9');
}

constexpr char kPartialMark[] = ".partial-";

QString PartialPrefix(const QString& target) {
  const QFileInfo info(target);
  return info.absolutePath() + QStringLiteral("/.") + info.fileName().left(200) + QLatin1String(kPartialMark);
}

}  // namespace

QString ResolveOutputPath(const QString& fileName) {
  if (fileName.isEmpty()) {
    errno = ENOENT;
    return QString();
  }
  QFileInfo info(QDir::current().absoluteFilePath(fileName));
  // A link at the output's name is followed, so the image lands where it points.
  for (int hops = 0; info.isSymLink(); ++hops) {
    if (hops == 40) {
      errno = ELOOP;
      return QString();
    }
    info = QFileInfo(info.symLinkTarget());
  }
  const QString name = info.fileName();
  if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || info.isDir()) {
    errno = EISDIR;
    return QString();
  }
  const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
  if (folder.isEmpty()) {
    errno = ENOENT;
    return QString();
  }
  return (folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/')) + name;
}

bool IsInsideFolder(const QString& path, const QString& folder) {
  const QString realFolder = QFileInfo(folder).canonicalFilePath();
  if (realFolder.isEmpty() || path.isEmpty()) return false;
  const QString prefix = realFolder.endsWith(QLatin1Char('/')) ? realFolder : realFolder + QLatin1Char('/');
  return path.compare(realFolder, Qt::CaseInsensitive) == 0 || path.startsWith(prefix, Qt::CaseInsensitive);
}

void RemoveStalePartials(const QString& target) {
  const QFileInfo prefix(PartialPrefix(target));
  QDir folder(prefix.absolutePath());
  const QStringList stale =
      folder.entryList({prefix.fileName() + QStringLiteral("??????")}, QDir::Files | QDir::Hidden | QDir::System);
  // A file still being written is open without delete sharing, so only those of a
  // program that ended can go.
  for (const QString& name : stale) DeleteFileW(Wide(Native(folder.filePath(name))));
}

QString NotAFileReason(const QString& fileName) {
  if (fileName.isEmpty()) return {};
  if (IsReservedDeviceName(fileName) || fileName.startsWith(QLatin1String("\\\\.\\")) ||
      fileName.startsWith(QLatin1String("//./")))
    return QCoreApplication::translate("sbBurnToFileAction", "it is a character device, not a regular file");
  const QFileInfo info(fileName);
  if (!info.exists() || info.isFile()) return {};
  if (info.isDir()) return QCoreApplication::translate("sbBurnToFileAction", "it is a folder");
  return QCoreApplication::translate("sbBurnToFileAction", "it is not a regular file");
}

bool SameFile(const QString& a, const QString& b) {
  if (a.isEmpty() || b.isEmpty()) return false;
  auto identity = [](const QString& path, BY_HANDLE_FILE_INFORMATION& id) {
    HANDLE h = CreateFileW(Wide(Native(path)), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool known = GetFileInformationByHandle(h, &id) != 0;
    CloseHandle(h);
    return known;
  };
  BY_HANDLE_FILE_INFORMATION first{}, second{};
  return identity(a, first) && identity(b, second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

int CreateTemporaryBeside(const QString& target, QString& tempName) {
  const QString prefix = PartialPrefix(target);
  static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    QString name = prefix;
    for (int i = 0; i < 6; ++i) name += QLatin1Char(letters[QRandomGenerator::global()->bounded(36)]);
    const int fd = ::_wopen(Wide(Native(name)), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                            _S_IREAD | _S_IWRITE);
    if (fd >= 0) {
      tempName = name;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

Replaced ReplaceWith(const QString& tempName, const QString& target) {
  // Written through: the new name is on the disk when the call returns.
  if (MoveFileExW(Wide(Native(tempName)), Wide(Native(target)), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return Replaced::Yes;
  errno = ErrnoOf(GetLastError());
  return Replaced::No;
}

void Remove(const QString& fileName) { ::_wunlink(Wide(Native(fileName))); }

bool QueryFreeSpace(const QString& folder, FreeSpace& space) {
  ULARGE_INTEGER caller{}, total{}, free{};
  if (!GetDiskFreeSpaceExW(Wide(Native(folder)), &caller, &total, &free)) {
    errno = ErrnoOf(GetLastError());
    return false;
  }
  space.AvailableToCaller = int64_t(caller.QuadPart);
  space.Total = int64_t(total.QuadPart);
  space.TotalFree = int64_t(free.QuadPart);
  return true;
}

QString FolderForSpaceCheck(const QString& fileName) {
  return QFileInfo(QDir::current().absoluteFilePath(fileName)).absolutePath();
}

bool FlushToDisk(int handle) { return ::_commit(handle) == 0; }

void Close(int handle) { ::_close(handle); }

QString StatusText(int error) {
  return QStringLiteral("status %1 (%2)").arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
}

}  // namespace sbfile

// Declared with the helpers; the answers are the platform's.
QString WhyFileCannotBeRead(const QString& fileName) {
  HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(fileName).utf16()), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return {};
  }
  return QCoreApplication::translate("sbHelpers", "Cannot read %1: %2")
      .arg(fileName, QString::fromLocal8Bit(std::strerror(sbfile::ErrnoOfLastError())));
}

// %LOCALAPPDATA%\Korvanel: the user's own state, not roamed to other machines.
QString SystemProgramFilePath() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
    if (length == 0) return {};
    if (length < name.size()) return QDir::fromNativeSeparators(QString::fromWCharArray(name.data(), int(length)));
    name.resize(name.size() * 2);  // a long path: ask again with room for it
  }
}

QString UserStateFolder() {
  QString base = qEnvironmentVariable("LOCALAPPDATA");
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/AppData/Local");
  return IncludeTrailingSeparator(QDir::fromNativeSeparators(base)) + QStringLiteral("Korvanel/");
}
