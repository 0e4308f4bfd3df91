// The checks and texts of an erase, the same for the device page's Erase button
// and korvanel-cli's erase command.
#pragma once

#include <QString>

#include "sbDeviceTypes.h"

// Empty when the disc in item can be erased; else why not, in the user's
// words, the device named as deviceId. Asked before the erase is announced.
QString WhyDiscCannotBeErased(const TsbDeviceItem& item, const QString& deviceId);

// Whether an erase is offered for item at all: a usable device with a disc
// that can be erased and is not blank already.
bool EraseOffered(const TsbDeviceItem& item);

// "Erasing the disc in <product> (<deviceId>)", or "Fully erasing ...": said when it starts.
QString ErasingText(const TsbDeviceItem& item, const QString& deviceId, bool full);
// "The disc in <deviceId> is erased": said when it ended well.
QString ErasedText(const QString& deviceId);
