// A disc's data track saved as an image file: as long as its ISO 9660 volume says
// (the track's size where there is none), each failing read tried again and a block
// that never reads named, never left as zeros. The image grows under a temporary
// name and takes its own only when complete.
#pragma once

#include <QString>

#include <functional>

#include "sbDeviceTypes.h"
#include "sbLogging.h"

struct TsbDiscToImage {
  // The drive (its record from a scan) and how to open it.
  TsbDeviceItem Device;
  TsbTransportType Transport = ttSpti;
  QString DeviceLabel;  // how the user names the drive in messages ("CdRom1")
  QString Target;       // the image file to write
  // When set (standard output, a pipe), the image is written there as it is read and
  // Target only names it in messages; a failed read leaves what was written.
  int OutputHandle = -1;

  std::function<void(const QString& text, TsbLogItemType kind)> OnMessage;
  std::function<void(int percent)> OnProgress;
  // Asked between two reads; true ends the read with nothing written.
  std::function<bool()> CancelRequested;

  // The image's SHA-256 in hex, or empty when cancelled. Throws TsbError.
  QString Run();
};
