// A CD saved as a cue sheet and its raw image (BIN/CUE): every track's whole sectors
// from block 0 to the lead-out into the image, and a sheet that names it with the
// tracks' modes, pauses, CD-TEXT and ISRCs, which a burn of the sheet writes back to an
// equal disc. Audio CDs, mixed discs and data CDs alike; the wizard's "Read from a
// disc..." and korvanel-cli's "read DEVICE OUT.cue" call it. The library writes both
// files; a read that fails or is cancelled leaves neither.
#pragma once

#include <QString>

#include <functional>

#include "sbDeviceTypes.h"
#include "sbLogging.h"

struct TsbDiscToCueSheet {
  // The drive (its record from a scan) and how to open it.
  TsbDeviceItem Device;
  TsbTransportType Transport = ttSpti;
  QString DeviceLabel;  // how the user names the drive in messages ("CdRom1")
  QString CueSheet;     // the sheet to write ("album.cue")
  QString ImageFile;    // its image; empty: the sheet's name with ".bin" for ".cue"

  // Called on the thread that calls Run.
  std::function<void(const QString& text, TsbLogItemType kind)> OnMessage;
  std::function<void(int percent)> OnProgress;
  // Asked between two waits; true ends the read with nothing written.
  std::function<bool()> CancelRequested;

  // True when both files are written, false when cancelled. Throws TsbError with the
  // library's reason (a disc that is not a CD, a block that cannot be read, a full disk).
  bool Run();
};

// "album.bin" for "album.cue" (any case of the suffix), "album.cue.bin" for any other name.
QString ImageFileOfCueSheet(const QString& cueSheet);
