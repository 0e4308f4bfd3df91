#include "sbDiscToImage.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "sbFileSystem.h"
#include "sbBurner.h"
#include "sbErrors.h"
#include "sbHelpers.h"
#include "sbLibraryCall.h"
#include "sbHashBehind.h"
#include "sbSha256.h"
#include "sbStrings.h"
#include "sbUiHooks.h"

namespace {

constexpr uint32_t kSector = DISCWRIGHT_SECTOR_SIZE;
constexpr uint32_t kSectorsPerRead = 32;
// A scratched block often reads on a second or third try; more only wear the drive.
constexpr int kReadAttempts = 4;

class DiscReader {
 public:
  DiscReader(TsbBurner& burner, QString device) : b_(burner), device_(std::move(device)) {}

  bool ReadOnce(uint32_t block, uint32_t count, char* buffer) {
    return SB_CALL(b_, Discwright_CdvdBurnerGrabber_ReadSectors, block, count, buffer);
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
        throw TsbError(QCoreApplication::translate("sbDiscToImage", "Block %1 of the disc in %2 cannot be read (tried %3 times): %4")
                           .arg(block + i)
                           .arg(device_)
                           .arg(kReadAttempts)
                           .arg(b_.LastFailureText()));
    }
  }

  [[noreturn]] void Fail() const {
    throw TsbError(QCoreApplication::translate("sbDiscToImage", "Cannot read the disc in %1: %2").arg(device_, b_.LastFailureText()));
  }

 private:
  TsbBurner& b_;
  QString device_;
};

}  // namespace

QString TsbDiscToImage::Run() {
  auto say = [this](const QString& text, TsbLogItemType kind) {
    if (OnMessage) OnMessage(text, kind);
  };
  auto cancelled = [this] {
    ProcessMessages();
    return CancelRequested && CancelRequested();
  };
  const QString notWritten = QCoreApplication::translate("sbDiscToImage", "Reading cancelled; \"%1\" was not written").arg(Target);

  auto cannotSave = [this](const QString& why) {
    return TsbError(QCoreApplication::translate("sbDiscToImage", "Cannot save to \"%1\": %2").arg(Target, why));
  };
  // A device, a pipe or a folder at the name is never replaced by a file.
  if (const QString why = sbfile::NotAFileReason(Target); OutputHandle < 0 && !why.isEmpty()) throw cannotSave(why);
  QSaveFile saved(Target);
  QFile stream;
  QFileDevice& file = OutputHandle < 0 ? static_cast<QFileDevice&>(saved) : stream;
  // Unbuffered: a full disk is named by the write that meets it.
  const bool opened = OutputHandle < 0 ? saved.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
                                       : stream.open(OutputHandle, QIODevice::WriteOnly | QIODevice::Unbuffered);
  if (!opened) throw cannotSave(file.errorString());

  TsbBurner b;
  b.Transport = Transport;
  b.DeviceAddress = Device.Address;
  b.DeviceName = Device.DevicePath();
  b.Open();
  DiscReader reader(b, DeviceLabel);
  if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_CloseTray)) reader.Fail();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!SB_CALL(b, Discwright_CdvdBurnerGrabber_TestUnitReady)) {
    if (std::chrono::steady_clock::now() >= deadline)
      throw TsbError(QCoreApplication::translate("sbDiscToImage", "The drive %1 did not become ready: %2").arg(DeviceLabel, b.LastFailureText()));
    if (cancelled()) {
      say(notWritten, litWarning);
      return {};
    }
    QThread::msleep(200);
  }

  // The first data track, as long as its file system says; a track without one
  // (raw data) is read whole.
  DiscwrightTrackInformation track{};
  if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_GetTrackInformation, 1, &track)) reader.Fail();
  std::vector<char> buffer(size_t(kSectorsPerRead) * kSector);
  uint32_t blocks = track.SizeBlocks;
  QString sizeSource = QCoreApplication::translate("sbDiscToImage", "the track size");
  if (track.SizeBlocks > 16) {
    reader.Read(track.StartBlock + 16, 1, buffer.data());
    const auto* pvd = reinterpret_cast<const unsigned char*>(buffer.data());
    if (pvd[0] == 1 && std::memcmp(pvd + 1, "CD001", 5) == 0) {
      const uint32_t volume = uint32_t(pvd[80]) | uint32_t(pvd[81]) << 8 | uint32_t(pvd[82]) << 16 | uint32_t(pvd[83]) << 24;
      // A file system larger than its track is damaged; the track is what exists.
      if (volume > 16 && volume <= track.SizeBlocks) {
        blocks = volume;
        sizeSource = QCoreApplication::translate("sbDiscToImage", "the ISO 9660 volume size");
      }
    }
  }
  if (blocks == 0) throw TsbError(QCoreApplication::translate("sbDiscToImage", "The disc in %1 holds an empty track: nothing to read").arg(DeviceLabel));
  say(QCoreApplication::translate("sbDiscToImage", "Reading %1 blocks (%2 MB, %3) from %4 into %5")
          .arg(blocks)
          .arg(LocaleNumber(double(blocks) * kSector / 1e6, 1), sizeSource, DeviceLabel, Target),
      litInfo);

  TsbSha256 sha256;
  TsbHashBehind hashing([&sha256](const char* data, size_t size) { sha256.Add(data, size); });
  int lastPercent = -1;
  for (uint32_t block = 0; block < blocks;) {
    if (cancelled()) {
      say(notWritten, litWarning);
      return {};
    }
    const uint32_t count = std::min(kSectorsPerRead, blocks - block);
    reader.Read(track.StartBlock + block, count, buffer.data());
    const qint64 bytes = qint64(count) * kSector;
    errno = 0;
    if (file.write(buffer.data(), bytes) != bytes) throw cannotSave(WriteFailureText(file));
    hashing.Add(buffer.data(), size_t(bytes));
    block += count;
    if (const int percent = int(uint64_t(block) * 100 / blocks); percent != lastPercent && OnProgress)
      OnProgress(lastPercent = percent);
  }
  hashing.Finish();
  errno = 0;
  if (OutputHandle < 0 ? !saved.commit() : !stream.flush()) throw cannotSave(WriteFailureText(file));
  say(QCoreApplication::translate("sbDiscToImage", "The disc in %1 is saved as \"%2\"").arg(DeviceLabel, Target), litInfo);
  return QString::fromLatin1(sha256.HexResult());
}
