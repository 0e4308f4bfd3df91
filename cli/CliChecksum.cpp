#include "CliChecksum.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>


#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

#include "CliCommands.h"
#include "CliEngine.h"
#include "CliPlatform.h"
#include "sbFileSystem.h"
#include "sbChecksumFile.h"
#include "sbErrors.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"
#include "sbHashBehind.h"
#include "sbSha256.h"
#include "sbStrings.h"

namespace {

constexpr qint64 kChunk = 1 << 20;
constexpr uint32_t kSector = DISCWRIGHT_SECTOR_SIZE;
// Sectors per read from a disc: what drives transfer at once without trouble.
constexpr uint32_t kSectorsPerRead = 32;

QString AlgorithmName(QCryptographicHash::Algorithm algorithm) { return ChecksumAlgorithmName(algorithm); }

// SHA-256 through the burning classes' own (faster than Qt's), MD5 through Qt.
class Hasher {
 public:
  explicit Hasher(QCryptographicHash::Algorithm algorithm) : md5_(QCryptographicHash::Md5), isMd5_(algorithm == QCryptographicHash::Md5) {}
  void Add(const char* data, size_t size) {
    if (isMd5_) md5_.addData(QByteArrayView(data, qsizetype(size)));
    else sha256_.Add(data, size);
  }
  QByteArray Hex() { return isMd5_ ? md5_.result().toHex() : sha256_.HexResult(); }

 private:
  QCryptographicHash md5_;
  TsbSha256 sha256_;
  bool isMd5_;
};

// Reports whole percentages once each.
class Percent {
 public:
  Percent(CliOutput& output, uint64_t total) : output_(output), total_(total) {}
  void Done(uint64_t done) {
    const int percent = total_ == 0 ? 100 : int(done * 100 / total_);
    if (percent != last_) output_.Progress(last_ = percent);
  }

 private:
  CliOutput& output_;
  uint64_t total_;
  int last_ = -1;
};

// The hex digest of the file, or none when interrupted.
std::optional<QByteArray> HashFile(const QString& fileName, QCryptographicHash::Algorithm algorithm,
                                   CliOutput& output) {
  QFile file(fileName);
  if (!QFileInfo(fileName).isFile())
    throw TsbError(QCoreApplication::translate("CliChecksum", "Cannot read the image file \"%1\": %2")
                       .arg(fileName, QFileInfo::exists(fileName)
                                          ? QCoreApplication::translate("CliChecksum", "it is not a file")
                                          : QCoreApplication::translate("CliChecksum", "it does not exist")));
  if (!file.open(QIODevice::ReadOnly))
    throw TsbError(QCoreApplication::translate("CliChecksum", "Cannot read the image file \"%1\": %2")
                       .arg(fileName, file.errorString()));
  Hasher hash(algorithm);
  std::vector<char> buffer(kChunk);
  const uint64_t size = uint64_t(file.size());
  Percent percent(output, size);
  uint64_t done = 0;
  for (;;) {
    const qint64 got = file.read(buffer.data(), kChunk);
    if (got < 0)
      throw TsbError(QCoreApplication::translate("CliChecksum", "Cannot read the image file \"%1\": %2")
                         .arg(fileName, file.errorString()));
    if (got == 0) break;
    hash.Add(buffer.data(), size_t(got));
    done += uint64_t(got);
    percent.Done(done);
    if (InterruptRequested()) return std::nullopt;
  }
  output.Finish();
  return hash.Hex();
}

// The hex digest of the ISO 9660 extent of the disc in DEVICE, or none when interrupted.
std::optional<QByteArray> HashDisc(const CliArgs& args, const QString& device, QCryptographicHash::Algorithm algorithm,
                                   CliOutput& output) {
  CliEngine engine(args);
  TsbDeviceItem& item = engine.FindWrittenDisc(
      device, QCoreApplication::translate("CliChecksum", "The disc in %1 is blank: it holds no data to compute a checksum of"));
  TsbBurner b;
  b.Transport = engine.Transport();
  b.DeviceAddress = item.Address;
  b.DeviceName = item.DevicePath();
  b.Open();

  auto check = [&b, &device](bool succeeded) {
    if (!succeeded)
      throw TsbError(QCoreApplication::translate("CliChecksum", "Cannot read the disc in %1: %2")
                         .arg(device, b.LastFailureText()));
  };
  // A burn leaves the tray open; a drive takes a while to spin the disc up.
  check(SB_CALL(b, Discwright_CdvdBurnerGrabber_CloseTray));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  // Asked five times a second while the disc spins up: not logged, a line each would bury the log.
  for (;;) {
    b.ExceptionNumber = Discwright_CdvdBurnerGrabber_TestUnitReady(b.Grabber, b.ExceptionText, DISCWRIGHT_TEXT_SIZE,
                                                                   &b.Status, b.FailureInfo);
    if (b.ExceptionNumber == 0) break;
    if (std::chrono::steady_clock::now() >= deadline)
      throw TsbError(QCoreApplication::translate("CliChecksum", "The drive %1 did not become ready: %2")
                         .arg(device, b.FailureText(QStringLiteral("Discwright_CdvdBurnerGrabber_TestUnitReady"))));
    if (InterruptRequested()) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }

  std::vector<char> buffer(size_t(kSectorsPerRead) * kSector);
  auto read = [&](uint32_t block, uint32_t count) {
    check(SB_CALL(b, Discwright_CdvdBurnerGrabber_ReadSectors, block, count, buffer.data()));
  };
  // The primary volume descriptor names the size of the file system.
  read(16, 1);
  const auto* pvd = reinterpret_cast<const unsigned char*>(buffer.data());
  if (pvd[0] != 1 || std::memcmp(pvd + 1, "CD001", 5) != 0)
    throw TsbError(
        QCoreApplication::translate("CliChecksum",
                                    "The disc in %1 is not an ISO 9660 disc: no primary volume descriptor at sector 16")
            .arg(device));
  const uint32_t blocks = uint32_t(pvd[80]) | uint32_t(pvd[81]) << 8 | uint32_t(pvd[82]) << 16 | uint32_t(pvd[83]) << 24;
  if (blocks <= 16)
    throw TsbError(QCoreApplication::translate("CliChecksum",
                                               "The disc in %1 is not an ISO 9660 disc: its volume size is %2 blocks")
                       .arg(device)
                       .arg(blocks));

  Hasher hash(algorithm);
  TsbHashBehind hashing([&hash](const char* data, size_t size) { hash.Add(data, size); });
  Percent percent(output, blocks);
  for (uint32_t block = 0; block < blocks;) {
    const uint32_t count = std::min(kSectorsPerRead, blocks - block);
    read(block, count);
    hashing.Add(buffer.data(), size_t(count) * kSector);
    block += count;
    percent.Done(block);
    if (InterruptRequested()) return std::nullopt;
  }
  hashing.Finish();
  output.Finish();
  return hash.Hex();
}

bool NamesDevice(const QString& text) {
  static const QRegularExpression name(QStringLiteral("^(CdRom\\d+|/dev/sr\\d+)$"), QRegularExpression::CaseInsensitiveOption);
  return name.match(text).hasMatch() || IsDeviceAddress(text);
}

}  // namespace

int RunChecksum(const CliArgs& args) {
  CliOutput progress(IsTerminal(stderr), stderr);
  const QString target = args.positional[0];
  const auto algorithm = args.hash == QLatin1String("md5") ? QCryptographicHash::Md5 : QCryptographicHash::Sha256;
  // A file of that name wins: an image may be called anything.
  const bool disc = !QFileInfo(target).isFile() && NamesDevice(target);
  const std::optional<QByteArray> hex =
      disc ? HashDisc(args, target, algorithm, progress) : HashFile(target, algorithm, progress);
  if (!hex) {
    progress.Finish();
    progress.Line(QCoreApplication::translate("CliChecksum", "Checksum cancelled"), litWarning);
    return kExitCancelled;
  }
  // As sha256sum writes a name with a backslash or a line break: escaped behind
  // a leading backslash, so that "sha256sum -c" reads the line back.
  QByteArray name = QFile::encodeName(target);
  const bool escape = name.contains('\\') || name.contains('\n') || name.contains('\r');
  if (escape) name = name.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r");
  std::printf("%s%s  %s\n", escape ? "\\" : "", hex->constData(), name.constData());
  return kExitSuccess;
}

bool CheckImageAgainstChecksumFile(const QString& image, const QString& checksumFile, CliOutput& output) {
  const TsbExpectedChecksum expected = ExpectedChecksum(image, checksumFile);
  output.Line(QCoreApplication::translate("CliChecksum", "Checking the image against %1, %2 (%3)")
                  .arg(checksumFile, expected.LineName, AlgorithmName(expected.Algorithm)),
              litInfo);
  const std::optional<QByteArray> actual = HashFile(image, expected.Algorithm, output);
  if (!actual) {
    output.Finish();
    return false;
  }
  if (*actual != expected.Hex) throw TsbError(ChecksumMismatchText(image, checksumFile, expected, *actual));
  output.Line(QCoreApplication::translate("CliChecksum", "The image matches its checksum (%1 %2)")
                  .arg(AlgorithmName(expected.Algorithm), QString::fromLatin1(*actual)),
              litInfo);
  return true;
}
