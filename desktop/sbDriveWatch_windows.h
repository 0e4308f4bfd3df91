// The drive events of Windows, made with the list of optical drive letters a test
// chooses (the program's source asks GetDriveType).
#pragma once

#include <QString>

#include <functional>
#include <memory>

#include "sbDriveWatch.h"

// A source fed by the WM_DEVICECHANGE volume broadcasts (DBT_DEVICEARRIVAL,
// DBT_DEVICEREMOVECOMPLETE) that reach the application's windows, seen through a
// native event filter of the application: a disc inserted or ejected (DBTF_MEDIA)
// is a "change" of its drive, a drive added or removed an "add" or "remove", and
// the drives whose number moved with it a "change". opticalLetters answers the
// letters of the optical drives there are now.
std::unique_ptr<TsbDriveEventSource> MakeVolumeEventSource(std::function<QString()> opticalLetters);
