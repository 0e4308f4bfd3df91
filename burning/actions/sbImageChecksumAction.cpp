#include "sbImageChecksumAction.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>

#include <vector>

#include "sbBurner.h"
#include "sbCallbacks.h"
#include "sbChecksumFile.h"
#include "sbErrors.h"
#include "sbSha256.h"
#include "sbUiHooks.h"

void TsbImageChecksumAction::Execute(TsbActionItem* item) {
  TsbAction::Execute(item);
  TsbBurner& b = Burner();
  const QString image = ActionList->Source.FileName;
  const TsbExpectedChecksum expected = ExpectedChecksum(image, ChecksumFile);
  Report(QCoreApplication::translate("sbImageChecksumAction", "Checking the image against %1, %2 (%3)")
             .arg(ChecksumFile, expected.LineName, ChecksumAlgorithmName(expected.Algorithm)),
         litInfo);
  QFile file(image);
  if (!file.open(QIODevice::ReadOnly))
    throw TsbError(QCoreApplication::translate("sbImageChecksumAction", "Cannot read the image file \"%1\": %2")
                       .arg(image, file.errorString()));
  TsbSha256 sha256;
  QCryptographicHash md5(QCryptographicHash::Md5);
  const bool isMd5 = expected.Algorithm == QCryptographicHash::Md5;
  std::vector<char> buffer(1 << 20);
  const qint64 size = file.size();
  qint64 done = 0;
  int lastPercent = -1;
  for (;;) {
    const qint64 got = file.read(buffer.data(), qint64(buffer.size()));
    if (got < 0)
      throw TsbError(QCoreApplication::translate("sbImageChecksumAction", "Cannot read the image file \"%1\": %2")
                         .arg(image, file.errorString()));
    if (got == 0) break;
    if (isMd5) md5.addData(QByteArrayView(buffer.data(), got));
    else sha256.Add(buffer.data(), size_t(got));
    done += got;
    if (const int percent = size > 0 ? int(done * 100 / size) : 100; percent != lastPercent)
      GlobalCallBackEventer().DoProgress(lastPercent = percent);
    // The window stays responsive, and Cancel stops the check before anything is burned.
    ProcessMessages();
    if (b.Cancelled)
      throw TsbError(
          QCoreApplication::translate("sbImageChecksumAction", "The image check was cancelled; nothing was burned"));
  }
  const QByteArray actual = isMd5 ? md5.result().toHex() : sha256.HexResult();
  if (actual != expected.Hex) throw TsbError(ChecksumMismatchText(image, ChecksumFile, expected, actual));
  Report(QCoreApplication::translate("sbImageChecksumAction", "The image matches its checksum (%1 %2)")
             .arg(ChecksumAlgorithmName(expected.Algorithm), QString::fromLatin1(actual)),
         litInfo);
}
