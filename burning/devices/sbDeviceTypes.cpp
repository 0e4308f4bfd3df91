#include "sbDeviceTypes.h"

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
