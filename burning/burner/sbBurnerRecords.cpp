#include "sbBurnerRecords.h"

#include <QCoreApplication>

#include <iterator>

QString DiscTypeName(uint8_t discType, bool localised) {
  static const char* const names[] = {
      QT_TRANSLATE_NOOP("sbBurnerRecords", "Unknown"),
      "CD-ROM",
      "CD-R",
      "CD-RW",
      "DVD-ROM",
      "DVD-R",
      "DVD-RAM",
      QT_TRANSLATE_NOOP("sbBurnerRecords", "DVD-RW RO (Restricted Overwrite)"),
      QT_TRANSLATE_NOOP("sbBurnerRecords", "DVD-RW SR (Sequential Recording)"),
      "DVD+RW",
      QT_TRANSLATE_NOOP("sbBurnerRecords", "DD (Double Density) CD-ROM"),
      QT_TRANSLATE_NOOP("sbBurnerRecords", "DD (Double Density) CD-R"),
      QT_TRANSLATE_NOOP("sbBurnerRecords", "DD (Double Density) CD-RW"),
      "DVD+R",
      QT_TRANSLATE_NOOP("sbBurnerRecords", "Empty"),
      "DVD+R DL",
      "DVD-R DL",
      "BD-R",
      "BD-RE",
      "HD DVD-ROM",
      "HD DVD-R",
      "HD DVD-RW",
  };
  if (discType >= std::size(names)) return {};
  return localised ? QCoreApplication::translate("sbBurnerRecords", names[discType])
                   : QString::fromLatin1(names[discType]);
}

bool IsRecordableDiscType(uint8_t discType) {
  return discType != DISC_TYPE_CDROM && discType != DISC_TYPE_DVDROM && discType != DISC_TYPE_DDCDROM &&
         discType != DISC_TYPE_HDDVDROM;
}

bool IsErasableDiscType(uint8_t discType) {
  return discType == DISC_TYPE_CDRW || discType == DISC_TYPE_DVDRWRO || discType == DISC_TYPE_DVDRWSR ||
         discType == DISC_TYPE_DVDPLUSRW || discType == DISC_TYPE_BDRE;
}

bool IsDVDDiscType(uint8_t discType) {
  switch (discType) {
    case DISC_TYPE_DVDROM:
    case DISC_TYPE_DVDR:
    case DISC_TYPE_DVDRAM:
    case DISC_TYPE_DVDRWRO:
    case DISC_TYPE_DVDRWSR:
    case DISC_TYPE_DVDPLUSRW:
    case DISC_TYPE_DVDPLUSR:
    case DISC_TYPE_DVDPLUSR_DL:
    case DISC_TYPE_DVDR_DL:
      return true;
    default:
      return false;
  }
}

bool IsBDDiscType(uint8_t discType) { return discType == DISC_TYPE_BDR || discType == DISC_TYPE_BDRE; }

bool IsHDDVDDiscType(uint8_t discType) {
  return discType == DISC_TYPE_HDDVDROM || discType == DISC_TYPE_HDDVDR || discType == DISC_TYPE_HDDVDRW;
}

// HD DVD runs at about the single BD speed, so it counts as BD here.
uint32_t SingleSpeedKBps(uint8_t discType) {
  if (IsBDDiscType(discType) || IsHDDVDDiscType(discType)) return 4495;
  if (IsDVDDiscType(discType)) return 1385;
  return 176;
}
