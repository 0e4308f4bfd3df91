// The write methods a burn can use: their names, the burn mode codes they stand
// for, and which of them a device offers for the inserted disc. The burn mode
// page and the command-line burner offer the same choice from here.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

#include "sbBurner.h"
#include "sbDeviceTypes.h"

// In the order they are offered.
enum class TsbWriteMethod : uint8_t { DaoRaw, DaoPQ, SessionAtOnce, TrackAtOnce };

// Which methods may be offered at all, whatever the device supports.
struct TsbWriteMethodAllowance {
  bool TrackAtOnce = true;
  bool SessionAtOnce = true;
  bool DiscAtOncePQ = true;
  bool DiscAtOnceRaw = true;
};

// "Disc-At-Once raw P-W", "Disc-At-Once PQ", "Session-At-Once", "Track-At-Once".
QString WriteMethodName(TsbWriteMethod method);
// The burn mode that writes with the method from image files (fromFile) or from the file tree.
TsbBurnMode WriteMethodCode(TsbWriteMethod method, bool fromFile);
// Whether mode is one of the method's two codes.
bool WriteMethodHasMode(TsbWriteMethod method, TsbBurnMode mode);
// The allowed methods the device supports for the disc, in offering order:
// the three session methods only on CDs, Track-At-Once on DVD, BD and HD DVD too.
std::vector<TsbWriteMethod> OfferedWriteMethods(const TsbWriteModes& modes, uint8_t discType,
                                                const TsbWriteMethodAllowance& allowed);
// The refusal when a device offers no method for its disc, naming both where known.
QString NoBurningModeText(const QString& product, uint8_t discType);
// The disc-at-once modes close the disc, so they cannot leave it open for another session.
bool IsDiscAtOnceMode(TsbBurnMode mode);
