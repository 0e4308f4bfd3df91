// The image page's reading of an image's volume descriptors, and the disc
// label a burn of files gets.
#include <gtest/gtest.h>

#include <QFile>

#include <cstring>

#include "common/test_common.h"
#include "sbFileSelection.h"
#include "sbIsoInfo.h"

namespace {

constexpr int kBlock = 2048;

QByteArray Descriptor(unsigned char type) {
  QByteArray d(kBlock, '\0');
  d[0] = char(type);
  std::memcpy(d.data() + 1, "CD001", 5);
  d[6] = 1;
  return d;
}

// An image of blocks 0 to 20: descriptors from 16, a root folder at block 20.
QByteArray Image(bool bootable, bool joliet, bool rockRidge) {
  QByteArray image(16 * kBlock, '\0');
  QByteArray primary = Descriptor(1);
  std::memcpy(primary.data() + 40, "HOLIDAY_2026                    ", 32);
  std::memcpy(primary.data() + 813, "2026120814020000", 16);
  primary[829] = 4;  // one hour ahead of UTC
  primary[156] = 34;
  primary[158] = 20;  // the root's extent
  image += primary;
  if (bootable) {
    QByteArray boot = Descriptor(0);
    std::memcpy(boot.data() + 7, "EL TORITO", 9);
    image += boot;
  }
  if (joliet) {
    QByteArray supplementary = Descriptor(2);
    std::memcpy(supplementary.data() + 88, "%/E", 3);
    image += supplementary;
  }
  image += Descriptor(255);
  image.resize(20 * kBlock, '\0');
  QByteArray root(kBlock, '\0');
  root[0] = char(rockRidge ? 34 + 7 : 34);
  root[32] = 1;  // the "." record: a name of one byte, no padding
  if (rockRidge) std::memcpy(root.data() + 34, "SP\x07\x01\xBE\xEF\x00", 7);
  return image + root;
}

}  // namespace

TEST(IsoInfo, TheDescriptorsTellLabelDateBootAndNames) {
  testcommon::TempDir dir;
  struct Case {
    const char* name;
    QByteArray bytes;
    QString text;
  } cases[] = {
      {"raw data", QByteArray(40 * kBlock, 'r'),
       "This file is not an ISO 9660 image; it will be burned as it is, as raw data"},
      {"too short", QByteArray(100, '\0'), "This file is not an ISO 9660 image; it will be burned as it is, as raw data"},
      {"plain", Image(false, false, false),
       "Volume \"HOLIDAY_2026\", made 2026-12-08 14:02; not bootable; ISO 9660 names only"},
      {"everything", Image(true, true, true),
       "Volume \"HOLIDAY_2026\", made 2026-12-08 14:02; bootable; Joliet and Rock Ridge names"},
      {"Rock Ridge alone", Image(false, false, true),
       "Volume \"HOLIDAY_2026\", made 2026-12-08 14:02; not bootable; Rock Ridge names"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = QString::fromStdString((dir / "image.iso").string());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(c.bytes);
    file.close();
    EXPECT_EQ(IsoInfoText(ReadIsoInfo(path)), c.text);
  }
  EXPECT_FALSE(ReadIsoInfo(QStringLiteral("/nonexistent/image.iso")).IsIso);
}

TEST(VolumeLabel, ALabelIsCutToWhatADiscHoldsAndTheChangeIsSaid) {
  const QDate day(2026, 12, 8);
  struct Case {
    QString wanted;
    QString label;
    QString change;
  } cases[] = {
      {"BACKUP_1", "BACKUP_1", ""},
      {"", "2026_12_08", "The disc is labelled \"2026_12_08\": a disc needs a label"},
      {"photos", "PHOTOS", "The label became \"PHOTOS\": a disc label holds capitals"},
      {"Été 2026!", "_T__2026_", "The label became \"_T__2026_\": a disc label holds only capitals, digits and \"_\""},
      {QString(40, 'A'), QString(32, 'A'),
       "The label became \"" + QString(32, 'A') + "\": a disc label holds capitals, at most 32 of them"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wanted.toStdString());
    const TsbVolumeLabel result = CleanVolumeLabel(c.wanted, day);
    EXPECT_EQ(result.Label, c.label);
    EXPECT_EQ(result.Change, c.change);
  }
}
