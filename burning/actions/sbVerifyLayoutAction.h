// The check of a burned audio CD or cue sheet: the library reads the disc back and
// compares it with the burner's track layout, data tracks block by block and audio
// tracks sample by sample, allowing for the shift of the drive's audio reads.
#pragma once

#include <cstdint>

#include "Discwright.h"
#include "sbVerifyAction.h"

class TsbVerifyLayoutAction : public TsbVerifyAction {
 public:
  // How far a drive's audio reads may be shifted, either way: drives are off by up to
  // a few thousand samples; the virtual recorders read exactly and find 0.
  static constexpr uint32_t kMaxOffsetSamples = 3000;

  void Execute(TsbActionItem* item) override;
  // What the last check found (BadTrack 0: every track equal).
  DiscwrightLayoutCheck Found{};
};

// "Audio read offset of the drive: +6 samples".
QString AudioOffsetText(int32_t samples);
// "Verification passed: 12 tracks read back equal".
QString LayoutPassedText(uint32_t tracks);
// "Verification failed: track 3 differs from the disc at block 1200 of it".
QString LayoutMismatchText(uint32_t track, uint32_t block);
