// Putting a disc into a drive or taking it out through the library: closing
// or opening the tray. For a virtual recorder this inserts or ejects its
// disc while the program runs (tests, korvanel-cli); the drive watch hears
// of it as of a real drive's disc change.
#pragma once

#include <QString>

#include "sbDeviceTypes.h"

class TsbBurner;

// Raises TsbError with the library's text when the tray does not move.
void SetDiscInserted(const QString& deviceName, bool inserted);

// What a drive holds now, and why it cannot be looked into when it cannot.
struct TsbDriveState {
  enum Kind {
    Disc,         // a disc that answers
    Empty,        // closed and empty
    TrayOpen,     // no disc: the tray is open
    Unavailable,  // the drive cannot be opened (busy, not permitted, nothing at its node)
    Unreadable,   // a disc that cannot be read (damaged)
  } kind = Empty;
  QString reason;  // for Unavailable and Unreadable: the library's or the system's words
};
TsbDriveState DriveStateNow(const QString& deviceName);

// Erases the disc in the device of item with burner, opened on it for the
// erase alone (open, erase, close); burner.Cancel stops it. Raises TsbError.
void EraseDiscIn(TsbBurner& burner, const TsbDeviceItem& item, TsbTransportType transport, bool full);
