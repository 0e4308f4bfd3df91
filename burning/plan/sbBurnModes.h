// The burn modes a burn can use: their names, the burn mode codes they stand
// for, and which of them a device offers for the inserted disc. The burn mode
// page and the command-line burner offer the same choice from here.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

#include "sbBurner.h"
#include "sbDeviceTypes.h"

// In the order they are offered.
enum class TsbBurnModeKind : uint8_t { DaoRaw, DaoPQ, SessionAtOnce, TrackAtOnce };

// Which burn modes may be offered at all, whatever the device supports.
struct TsbBurnModeAllowance {
  bool TrackAtOnce = true;
  bool SessionAtOnce = true;
  bool DiscAtOncePQ = true;
  bool DiscAtOnceRaw = true;
};

// "Disc-At-Once raw P-W", "Disc-At-Once PQ", "Session-At-Once", "Track-At-Once".
QString BurnModeName(TsbBurnModeKind method);
// The burn mode code of the kind, burning image files (fromFile) or the file tree.
TsbBurnMode BurnModeCode(TsbBurnModeKind method, bool fromFile);
// Whether mode is one of the two codes of that burn mode.
bool BurnModeKindHasMode(TsbBurnModeKind method, TsbBurnMode mode);
// The allowed burn modes the device supports for the disc, in offering order:
// session-at-once and the two disc-at-once modes only on CDs, Track-At-Once on DVD, BD and HD DVD too.
std::vector<TsbBurnModeKind> OfferedBurnModes(const TsbWriteModes& modes, uint8_t discType,
                                              const TsbBurnModeAllowance& allowed);
// The refusal when a device offers no burn mode for its disc, naming both where known.
QString NoBurningModeText(const QString& product, uint8_t discType);
// The disc-at-once modes close the disc, so they cannot leave it open for another session.
bool IsDiscAtOnceMode(TsbBurnMode mode);
