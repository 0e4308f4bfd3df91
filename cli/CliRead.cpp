// read DEVICE OUTPUT.iso: the disc's data track saved as an image file.
#include <QCoreApplication>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "CliCommands.h"
#include "CliEngine.h"
#include "sbBurner.h"
#include "sbErrors.h"
#include "sbLogging.h"
#include "sbSha256.h"
#include "sbStrings.h"

namespace {

constexpr uint32_t kSector = DISCWRIGHT_SECTOR_SIZE;
constexpr uint32_t kSectorsPerRead = 32;
// A scratched block often reads on a second or third try; more only wear the drive.
constexpr int kReadAttempts = 4;

class DiscReader {
 public:
  DiscReader(TsbBurner& burner, QString device) : b_(burner), device_(std::move(device)) {}

  // Throws TsbError with the library's reason.
  template <class Invoke>
  void Call(const char* function, Invoke&& invoke) {
    if (!Try(function, invoke))
      throw TsbError(QCoreApplication::translate("CliRead", "Cannot read the disc in %1: %2")
                         .arg(device_, b_.FailureText(QString::fromUtf8(function))));
  }

  template <class Invoke>
  bool Try(const char* function, Invoke&& invoke) {
    GlobalLogger().WriteLog(QString::fromUtf8(function), 0);
    b_.ExceptionNumber = invoke(b_.Grabber, b_.ExceptionText, DISCWRIGHT_TEXT_SIZE, &b_.Status, b_.FailureInfo);
    return b_.ExceptionNumber == 0;
  }

  bool ReadOnce(uint32_t block, uint32_t count, char* buffer) {
    return Try("Discwright_CdvdBurnerGrabber_ReadSectors", [&](auto... triple) {
      return Discwright_CdvdBurnerGrabber_ReadSectors(triple..., block, count, buffer);
    });
  }

  // Reads count blocks, each failing read tried again; a block that never reads
  // is named, never left as zeros in the image.
  void Read(uint32_t block, uint32_t count, char* buffer) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt)
      if (ReadOnce(block, count, buffer)) return;
    // Which block of the run is bad: each on its own.
    for (uint32_t i = 0; i < count; ++i) {
      bool read = false;
      for (int attempt = 0; attempt < kReadAttempts && !read; ++attempt)
        read = ReadOnce(block + i, 1, buffer + size_t(i) * kSector);
      if (!read)
        throw TsbError(
            QCoreApplication::translate("CliRead", "Block %1 of the disc in %2 cannot be read (tried %3 times): %4")
                .arg(block + i)
                .arg(device_)
                .arg(kReadAttempts)
                .arg(b_.FailureText(QStringLiteral("Discwright_CdvdBurnerGrabber_ReadSectors"))));
    }
  }

 private:
  TsbBurner& b_;
  QString device_;
};

}  // namespace

int RunRead(const CliArgs& args, CliOutput& output) {
  const QString device = args.positional[0];
  const QString target = args.positional[1];
  CliEngine engine(args);
  TsbDeviceItem& item = engine.FindWrittenDisc(device, QCoreApplication::translate("CliRead", "read"));

  // The image grows under a temporary name beside the target and takes its name
  // only when complete: a failed or cancelled read leaves nothing that looks whole.
  QSaveFile file(target);
  if (QFileInfo(target).isDir() || !file.open(QIODevice::WriteOnly))
    throw TsbError(QCoreApplication::translate("CliRead", "Cannot save to \"%1\": %2")
                       .arg(target, QFileInfo(target).isDir() ? QCoreApplication::translate("CliRead", "it is a folder")
                                                              : file.errorString()));

  TsbBurner b;
  b.Transport = engine.Transport();
  b.DeviceAddress = item.Address;
  b.DeviceName = item.DevicePath();
  b.Open();
  DiscReader reader(b, device);
  reader.Call("Discwright_CdvdBurnerGrabber_CloseTray", Discwright_CdvdBurnerGrabber_CloseTray);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!reader.Try("Discwright_CdvdBurnerGrabber_TestUnitReady", Discwright_CdvdBurnerGrabber_TestUnitReady)) {
    if (std::chrono::steady_clock::now() >= deadline)
      throw TsbError(QCoreApplication::translate("CliRead", "The drive %1 did not become ready: %2")
                         .arg(device, b.FailureText(QStringLiteral("Discwright_CdvdBurnerGrabber_TestUnitReady"))));
    if (InterruptRequested()) {
      output.Line(QCoreApplication::translate("CliRead", "Reading cancelled; \"%1\" was not written").arg(target),
                  litWarning);
      return kExitCancelled;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }

  // The first data track, as long as its file system says; a track without one
  // (raw data) is read whole.
  DiscwrightTrackInformation track{};
  reader.Call("Discwright_CdvdBurnerGrabber_GetTrackInformation", [&](auto... triple) {
    return Discwright_CdvdBurnerGrabber_GetTrackInformation(triple..., 1, &track);
  });
  std::vector<char> buffer(size_t(kSectorsPerRead) * kSector);
  uint32_t blocks = track.SizeBlocks;
  QString sizeSource = QCoreApplication::translate("CliRead", "the track size");
  if (track.SizeBlocks > 16) {
    reader.Read(track.StartBlock + 16, 1, buffer.data());
    const auto* pvd = reinterpret_cast<const unsigned char*>(buffer.data());
    if (pvd[0] == 1 && std::memcmp(pvd + 1, "CD001", 5) == 0) {
      const uint32_t volume = uint32_t(pvd[80]) | uint32_t(pvd[81]) << 8 | uint32_t(pvd[82]) << 16 | uint32_t(pvd[83]) << 24;
      // A file system larger than its track is damaged; the track is what exists.
      if (volume > 16 && volume <= track.SizeBlocks) {
        blocks = volume;
        sizeSource = QCoreApplication::translate("CliRead", "the ISO 9660 volume size");
      }
    }
  }
  if (blocks == 0)
    throw TsbError(
        QCoreApplication::translate("CliRead", "The disc in %1 holds an empty track: nothing to read").arg(device));
  output.Line(QCoreApplication::translate("CliRead", "Reading %1 blocks (%2 MB, %3) from %4 into %5")
                  .arg(blocks)
                  .arg(QString::number(double(blocks) * kSector / 1e6, 'f', 1), sizeSource, device, target),
              litInfo);

  TsbSha256 sha256;
  int lastPercent = -1;
  for (uint32_t block = 0; block < blocks;) {
    if (InterruptRequested()) {
      output.Finish();
      output.Line(QCoreApplication::translate("CliRead", "Reading cancelled; \"%1\" was not written").arg(target),
                  litWarning);
      return kExitCancelled;
    }
    const uint32_t count = std::min(kSectorsPerRead, blocks - block);
    try {
      reader.Read(track.StartBlock + block, count, buffer.data());
    } catch (const TsbError&) {
      output.Finish();
      throw;
    }
    const qint64 bytes = qint64(count) * kSector;
    if (file.write(buffer.data(), bytes) != bytes) {
      output.Finish();
      throw TsbError(
          QCoreApplication::translate("CliRead", "Cannot save to \"%1\": %2").arg(target, file.errorString()));
    }
    sha256.Add(buffer.data(), size_t(bytes));
    block += count;
    if (const int percent = int(uint64_t(block) * 100 / blocks); percent != lastPercent)
      output.Progress(lastPercent = percent);
  }
  output.Finish();
  if (!file.commit())
    throw TsbError(QCoreApplication::translate("CliRead", "Cannot save to \"%1\": %2").arg(target, file.errorString()));
  output.Line(QCoreApplication::translate("CliRead", "The disc in %1 is saved as \"%2\"").arg(device, target), litInfo);
  std::printf("%s  %s\n", sha256.HexResult().constData(), QFile::encodeName(target).constData());
  return kExitSuccess;
}
