#include "sbBurnToFileAction.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <vector>

#include "sbBurner.h"
#include "sbErrors.h"
#include "sbFileSystem.h"
#include "sbHelpers.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"

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
