#include "sbDeviceTypes.h"

#include <iterator>

QString DiscTypeName(uint8_t discType) {
  // Kinds above 14 came after the names were chosen; they show no media text.
  static const char* const names[] = {
      "Unknown",
      "CD-ROM",
      "CD-R",
      "CD-RW",
      "DVD-ROM",
      "DVD-R",
      "DVD-RAM",
      "DVD-RW RO (Restricted Overwrite)",
      "DVD-RW SR (Sequential Recording)",
      "DVD+RW",
      "DD (Double Density) CD-ROM",
      "DD (Double Density) CD-R",
      "DD (Double Density) CD-RW",
      "DVD+R",
      "Empty",
  };
  if (discType >= std::size(names)) return {};
  return QString::fromLatin1(names[discType]);
}

bool IsRecordableDiscType(uint8_t discType) {
  return discType != DISC_TYPE_CDROM && discType != DISC_TYPE_DVDROM && discType != DISC_TYPE_DDCDROM;
}

bool IsErasableDiscType(uint8_t discType) {
  return discType == DISC_TYPE_CDRW || discType == DISC_TYPE_DVDRWRO || discType == DISC_TYPE_DVDRWSR ||
         discType == DISC_TYPE_DVDPLUSRW || discType == DISC_TYPE_BDRE;
}

bool IsDVDDiscType(uint8_t discType) {
  // DVD-R DL (16) is deliberately not in the set: it takes the CD speed table.
  switch (discType) {
    case DISC_TYPE_DVDROM:
    case DISC_TYPE_DVDR:
    case DISC_TYPE_DVDRAM:
    case DISC_TYPE_DVDRWRO:
    case DISC_TYPE_DVDRWSR:
    case DISC_TYPE_DVDPLUSRW:
    case DISC_TYPE_DVDPLUSR:
    case DISC_TYPE_DVDPLUSR_DL:
      return true;
    default:
      return false;
  }
}

TsbDeviceInfo TsbDeviceItem::Info() const {
  TsbDeviceInfo info;
  info.Vendor = Vendor;
  info.Product = Product;
  info.ProductRevisionLevel = ProductRevisionLevel;
  info.BufferSize = int64_t(BufferSize);
  info.FormatFlags = FormatFlags;
  return info;
}

QString TsbDeviceItem::DevicePath() const {
  return !DeviceName.isEmpty() ? DeviceName : QStringLiteral("\\\\.\\") + DriveLetter;
}
