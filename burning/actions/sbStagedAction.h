// The staged action: prepares the device and the inserted disc for a burn, stage by
// stage (unit ready, write modes, underrun protection, speeds, track and disc
// information, image building, power calibration), reporting what it learns.
#pragma once

#include <cstdint>

#include "Discwright.h"
#include "sbActions.h"

// Bit numbers of the stages in TsbStagedAction::Stages; they run in this order.
enum TsbStage : uint8_t {
  stCacheInfo = 0,
  stTestUnitReady = 1,
  stProbeWriteModes = 2,
  stGetBUP = 3,
  stEnableBUP = 4,
  stSetSpeeds = 5,
  stGetSpeeds = 6,
  stTrackInfo = 7,
  stDiscInfo = 8,
  stBuildImage = 9,
  stSendOPC = 10,
};

constexpr uint16_t StageBit(TsbStage stage) { return uint16_t(1u << stage); }

class TsbStagedAction : public TsbAction {
 public:
  // All stages but image building.
  static constexpr uint16_t kDefaultStages = 0x05FF;
  static constexpr uint16_t kAllStages = 0x07FF;
  // Cache announced by the first stage, in megabytes.
  static constexpr int kCacheMegabytes = 160;

  uint16_t Stages = kDefaultStages;

  void Execute(TsbActionItem* item) override;

 protected:
  bool HasStage(TsbStage stage) const { return (Stages & StageBit(stage)) != 0; }

  // The four ways a stage reports (the text always becomes the burner's last message):
  // Announce: shown when the list reports stages; Publish: also written to the diagnostic
  // log; Raise: logged and raised; Warn: logged and always shown as a warning.
  void Announce(const QString& text);
  void Publish(const QString& text);
  [[noreturn]] void Raise(const QString& failure);
  void Warn(const QString& failure);

 private:
  void BuildImage(const DiscwrightTrackInformation& track);
};
