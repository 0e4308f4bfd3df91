#include "sbBurnToFileAction.h"

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
#include <vector>

#include "sbBurner.h"
#include "sbErrors.h"
#include "sbHelpers.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"

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

QString StatusText(int error) {
  return QStringLiteral("status %1 (%2)").arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
}

}  // namespace sbfile

namespace {


constexpr int64_t kChunk = 65536;

}  // namespace

void TsbBurnToFileAction::Execute(TsbActionItem* item) {
  TsbAction::Execute(item);
  TsbBurner& b = Burner();
  TsbImageOutput& out = b.ImageOutput;
  out.Handle = -1;
  PlainFailure.clear();
  const QString fileName = ActionList->Source.FileName;

  // However Execute ends, the temporary file is closed, and removed unless it became the
  // output.
  struct Output {
    explicit Output(TsbImageOutput& o) : out(o) {}
    TsbImageOutput& out;
    QString temp;
    bool open = false;
    bool placed = false;
    void close() {
      if (open) sbfile::Close(out.Handle);
      open = false;
      out.Handle = -1;
    }
    ~Output() {
      close();
      if (!placed && !temp.isEmpty()) sbfile::Remove(temp);
    }
  } output(out);

  auto fail = [&b](const QString& text, bool log) {
    b.LastMessage = text;
    if (log) LogDiagnostic(text);
    throw TsbError(text);
  };
  // plain: the failure in the user's words (marked with QT_TRANSLATE_NOOP), %1 the name, %2 the system's reason.
  auto systemFailure = [&](const QString& call, const char* plain, const QString& name, bool log) {
    b.Status = uint32_t(errno);
    PlainFailure = QCoreApplication::translate("sbBurnToFileAction", plain)
                       .arg(name, QString::fromLocal8Bit(std::strerror(int(b.Status))));
    fail(QStringLiteral("%1 failed, %2").arg(call, sbfile::StatusText(int(b.Status))), log);
  };
  // A failed library call: its own name, as SB_TREE_CALL kept it.
  auto libraryFailure = [&] { fail(b.FailureText(b.LastCall), true); };
  auto imageSize = [&] {
    uint64_t size = 0;
    if (!SB_TREE_CALL(b, Discwright_ISO9660JolietFileTree_GetSizeInUCHARs, &size)) libraryFailure();
    return int64_t(size);
  };

  const QString creating = QCoreApplication::translate("sbBurnToFileAction", "Creating image '%1' ").arg(fileName);
  b.LastMessage = creating;
  LogDiagnostic(creating);
  DoMessage(creating, litInfo);

  const QString createCall = QStringLiteral("CreateFile(\"%1\")").arg(fileName);
  const char* const cannotCreate = QT_TRANSLATE_NOOP("sbBurnToFileAction", "Cannot create the image \"%1\": %2");
  const QString target = sbfile::ResolveOutputPath(fileName);
  if (target.isEmpty()) systemFailure(createCall, cannotCreate, fileName, false);
  if (const QString why = sbfile::NotAFileReason(target); !why.isEmpty()) {
    b.Status = EEXIST;
    fail(QCoreApplication::translate("sbBurnToFileAction", "Cannot save to \"%1\": %2").arg(fileName, why), false);
  }
  sbfile::RemoveStalePartials(target);  // left by a run that was killed
  out.Handle = sbfile::CreateTemporaryBeside(target, output.temp);
  if (out.Handle == -1) systemFailure(createCall, cannotCreate, fileName, false);
  output.open = true;
  out.FileName = fileName;  // failure texts name the user's file, not the hidden temporary one

  if (b.HasBootImage && !b.BootImageFile.isEmpty()) {
    const QByteArray bootImage = LibraryFileName(b.BootImageFile);
    if (!SB_TREE_CALL_NOTED(b, QStringLiteral(": Bootimage: ") + b.BootImageFile,
                            Discwright_ISO9660JolietFileTree_SetBootImage, bootImage.constData(), 6, 2, 1, 0))
      libraryFailure();
  }

  // A file image stands alone, so it starts at block 0.
  const QByteArray label = b.VolumeLabel.toUtf8();
  const QByteArray program = ImageCreatorId();
  if (!SB_TREE_CALL(b, Discwright_ISO9660JolietFileTree_BuildImage, 0, 8, 1, label.constData(), program.constData(),
                    program.constData()))
    libraryFailure();

  const int64_t size = imageSize();
  out.Remaining = size;
  const QString needed =
      QCoreApplication::translate("sbBurnToFileAction", "Need to save %1 MB").arg(size / 1024 / 1024);
  b.LastMessage = needed;
  LogDiagnostic(needed);
  DoMessage(needed, litInfo);

  const QString folder = sbfile::FolderForSpaceCheck(target);
  sbfile::FreeSpace space;
  if (!sbfile::QueryFreeSpace(folder, space))
    systemFailure(QStringLiteral("GetDiskFreeSpaceEx( \"%1\" )").arg(folder),
                  QT_TRANSLATE_NOOP("sbBurnToFileAction", "Cannot find out the free space in \"%1\": %2"), folder,
                  false);
  out.FreeBytesAvailable = space.AvailableToCaller;
  out.TotalBytes = space.Total;
  out.TotalFreeBytes = space.TotalFree;

  if (size > out.FreeBytesAvailable) {
    // The status of a full disk: ENOSPC (28) here, where the Windows build reports
    // ERROR_DISK_FULL (112).
    b.Status = ENOSPC;
    fail(
        QCoreApplication::translate(
            "sbBurnToFileAction", "%1 bytes of ISO9660/Joliet image will not fit into %2 bytes of free space in \"%3\"")
            .arg(size)
            .arg(out.FreeBytesAvailable)
            .arg(folder),
        false);
  }

  b.LastMessage =
      QCoreApplication::translate("sbBurnToFileAction", "Storing %1 bytes of ISO9660/Joliet image to file \"%2\"")
          .arg(size)
          .arg(fileName);

  out.Total = imageSize();
  out.Chunk = size > kChunk ? kChunk : size;

  // A trial read finds an unreadable tree before the copy starts; the copy then begins anew.
  {
    std::vector<char> buffer(kChunk);
    if (!SB_TREE_CALL(b, Discwright_ISO9660JolietFileTree_Read, uint32_t(out.Chunk), buffer.data())) libraryFailure();
  }
  if (!SB_TREE_CALL(b, Discwright_ISO9660JolietFileTree_SeekToBegin)) libraryFailure();

  b.Burn();
  if (!b.LastMessage.isEmpty()) throw TsbError(b.LastMessage);

  if (b.Cancelled) {
    DoMessage(QCoreApplication::translate("sbBurnToFileAction", "Cancelled!"), litWarning);
    return;  // the partial image goes with the temporary file
  }
  if (!b.BurnSucceeded)
    fail(QCoreApplication::translate("sbBurnToFileAction", "The image \"%1\" was not completed").arg(fileName), true);

  // The image is on the disk, not only in the page cache, before it takes the output's name.
  if (!sbfile::FlushToDisk(out.Handle))
    systemFailure(QStringLiteral("FlushFileBuffers(\"%1\")").arg(fileName),
                  QT_TRANSLATE_NOOP("sbBurnToFileAction", "Cannot write the image \"%1\" to the disk: %2"), fileName,
                  true);
  output.close();
  const sbfile::Replaced replaced = sbfile::ReplaceWith(output.temp, target);
  if (replaced == sbfile::Replaced::No)
    systemFailure(QStringLiteral("MoveFileEx(\"%1\", \"%2\")").arg(output.temp, target),
                  QT_TRANSLATE_NOOP("sbBurnToFileAction", "Cannot save the image as \"%1\": %2"), fileName,
                  true);
  output.placed = true;
  if (replaced == sbfile::Replaced::NotSynced) {
    // The image is complete under its name; only a crash in the next moments could lose
    // the name, so this is no failure.
    const QString warning =
        QCoreApplication::translate("sbBurnToFileAction",
                                    "The image \"%1\" was written, but its folder could not be synced to the disk, %2")
            .arg(fileName, sbfile::StatusText(errno));
    LogDiagnostic(warning);
    DoMessage(warning, litWarning);
  }
  DoMessage(QCoreApplication::translate("sbBurnToFileAction", "Finished!"), litInfo);
}
