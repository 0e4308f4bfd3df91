#include "sbBurnToFileAction.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include <cerrno>
#include <vector>

#include "sbBurner.h"
#include "sbErrors.h"
#include "sbHelpers.h"
#include "sbLogging.h"

namespace sbfile {

int CreateForWriting(const QString& fileName) {
  const QByteArray name = QFile::encodeName(fileName);
  int fd;
  do {
    fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

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

}  // namespace sbfile

namespace {

void Log(const QString& text) { GlobalLogger().WriteLog(text, 0); }

constexpr int64_t kChunk = 65536;

}  // namespace

void TsbBurnToFileAction::Execute(TsbActionItem* item) {
  TsbAction::Execute(item);
  TsbBurner& b = Burner();
  TsbImageOutput& out = b.ImageOutput;
  out.Handle = -1;
  const QString fileName = ActionList->Source.FileName;

  // However Execute ends, the output file is closed; what was written stays on disk.
  struct CloseOutput {
    TsbImageOutput& out;
    ~CloseOutput() {
      if (out.Handle != -1) sbfile::Close(out.Handle);
    }
  } closeOutput{out};

  auto fail = [&b](const QString& text, bool log) {
    b.LastMessage = text;
    if (log) Log(text);
    throw TsbError(text);
  };
  auto libraryFailure = [&](const char* function) { fail(b.FailureText(QString::fromUtf8(function)), true); };
  auto imageSize = [&] {
    Log(QStringLiteral("Discwright_ISO9660JolietFileTree_GetSizeInUCHARs"));
    uint64_t size = 0;
    b.ExceptionNumber = Discwright_ISO9660JolietFileTree_GetSizeInUCHARs(b.FileTree, b.ExceptionText,
                                                                         DISCWRIGHT_TEXT_SIZE, &b.Status, &size);
    if (b.ExceptionNumber != 0) libraryFailure("Discwright_ISO9660JolietFileTree_GetSizeInUCHARs");
    return int64_t(size);
  };

  const QString creating = QStringLiteral("Creating image '%1' ").arg(fileName);
  b.LastMessage = creating;
  Log(creating);
  DoMessage(creating, litInfo);

  out.Handle = sbfile::CreateForWriting(fileName);
  if (out.Handle == -1) {
    b.Status = uint32_t(errno);
    fail(QStringLiteral("CreateFile(\"%1\") failed, status %2").arg(fileName).arg(int32_t(b.Status)), false);
  }

  if (b.HasBootImage && !b.BootImageFile.isEmpty()) {
    Log(QStringLiteral("Discwright_ISO9660JolietFileTree_SetBootImage: Bootimage: ") + b.BootImageFile);
    const QByteArray bootImage = LibraryFileName(b.BootImageFile);
    b.ExceptionNumber = Discwright_ISO9660JolietFileTree_SetBootImage(b.FileTree, b.ExceptionText,
                                                                      DISCWRIGHT_TEXT_SIZE, &b.Status,
                                                                      bootImage.constData(), 6, 2, 1, 0);
    if (b.ExceptionNumber != 0)
      fail(b.FailureText(QStringLiteral("Discwright_ISO9660JolietFileTree_SetBootImage")) + QStringLiteral("\\n"),
           true);
  }

  // A file image stands alone, so it starts at block 0.
  Log(QStringLiteral("Discwright_ISO9660JolietFileTree_BuildImage"));
  const QByteArray label = b.VolumeLabel.toUtf8();
  const QByteArray program = LibraryFileName(ProgramFilePath());
  b.ExceptionNumber = Discwright_ISO9660JolietFileTree_BuildImage(b.FileTree, b.ExceptionText, DISCWRIGHT_TEXT_SIZE,
                                                                  &b.Status, 0, 8, 1, label.constData(),
                                                                  program.constData(), program.constData());
  if (b.ExceptionNumber != 0) libraryFailure("Discwright_ISO9660FileTree_BuildImage");

  const int64_t size = imageSize();
  out.Remaining = size;
  const QString needed = QStringLiteral("Need to save %1 MB").arg(size / 1024 / 1024);
  b.LastMessage = needed;
  Log(needed);
  DoMessage(needed, litInfo);

  const QString folder = sbfile::FolderForSpaceCheck(fileName);
  sbfile::FreeSpace space;
  if (!sbfile::QueryFreeSpace(folder, space)) {
    b.Status = uint32_t(errno);
    fail(QStringLiteral("GetDiskFreeSpaceEx( \"%1\" ) failed, status %2").arg(folder).arg(int32_t(b.Status)), false);
  }
  out.FreeBytesAvailable = space.AvailableToCaller;
  out.TotalBytes = space.Total;
  out.TotalFreeBytes = space.TotalFree;

  if (size > out.FreeBytesAvailable) {
    // The status of a full disk: ENOSPC (28) here, where the Windows build reports
    // ERROR_DISK_FULL (112).
    b.Status = ENOSPC;
    fail(QStringLiteral("%1 UCHARs of ISO9660/Joliet image will not fit into %2 UCHARs of free space in \"%3\"")
             .arg(size)
             .arg(out.FreeBytesAvailable)
             .arg(folder),
         false);
  }

  b.LastMessage = QStringLiteral("Storing %1 UCHARs of ISO9660/Joliet image to file \"%2\"").arg(size).arg(fileName);

  out.Total = imageSize();
  out.Chunk = size > kChunk ? kChunk : size;

  // A trial read finds an unreadable tree before the copy starts; the copy then begins anew.
  {
    std::vector<char> buffer(kChunk);
    Log(QStringLiteral("Discwright_ISO9660JolietFileTree_Read"));
    b.ExceptionNumber = Discwright_ISO9660JolietFileTree_Read(b.FileTree, b.ExceptionText, DISCWRIGHT_TEXT_SIZE,
                                                              &b.Status, uint32_t(out.Chunk), buffer.data());
    if (b.ExceptionNumber != 0) libraryFailure("Discwright_ISO9660FileTree_Read");
  }
  Log(QStringLiteral("Discwright_ISO9660JolietFileTree_SeekToBegin"));
  b.ExceptionNumber =
      Discwright_ISO9660JolietFileTree_SeekToBegin(b.FileTree, b.ExceptionText, DISCWRIGHT_TEXT_SIZE, &b.Status);
  if (b.ExceptionNumber != 0) libraryFailure("Discwright_ISO9660FileTree_SeekToBegin");

  b.Burn();
  if (!b.LastMessage.isEmpty()) throw TsbError(b.LastMessage);

  if (b.BurnSucceeded && !b.Cancelled)
    DoMessage(QStringLiteral("Finished!"), litInfo);
  else if (b.Cancelled)
    DoMessage(QStringLiteral("Cancelled!"), litWarning);

  // The image is on the disk, not only in the page cache, when the action ends.
  sbfile::FlushToDisk(out.Handle);
}
