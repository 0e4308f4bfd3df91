// Checksum files beside an image (SHA256SUMS and the like): the line that
// stands for the image, and the files the image page offers to check against.
#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>

struct TsbExpectedChecksum {
  QByteArray Hex;  // lower case
  QCryptographicHash::Algorithm Algorithm = QCryptographicHash::Sha256;
  QString LineName;  // "line 3"
};

// "SHA-256" or "MD5".
QString ChecksumAlgorithmName(QCryptographicHash::Algorithm algorithm);

// The checksum checksumFile holds for image: lines as sha256sum and md5sum write
// them, BSD-style ones, or one bare hash. Throws TsbError when the file cannot be
// read, has no line or conflicting lines for the image, or a malformed checksum.
TsbExpectedChecksum ExpectedChecksum(const QString& image, const QString& checksumFile);

// The text of a mismatch, naming both checksums and the line.
QString ChecksumMismatchText(const QString& image, const QString& checksumFile, const TsbExpectedChecksum& expected,
                             const QByteArray& actual);

// The first of "<image>.sha256", "SHA256SUMS" and "sha256sum.txt" beside the image
// that holds a line for it, or empty.
QString ChecksumFileBeside(const QString& image);
