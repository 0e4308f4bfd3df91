// The action that burns a disc: it prepares the device in every stage, hands the image
// file to the burner, burns on the burn thread, closes a track-at-once session, ejects.
#pragma once

#include "sbStagedAction.h"

class TsbBurnAtOnceToCDDVDAction : public TsbStagedAction {
 public:
  TsbBurnAtOnceToCDDVDAction() { Stages = kAllStages; }

  // In the from-file modes, burn the list's source file (else the burner's tables as they are).
  bool UseSourceFile = true;

  void Execute(TsbActionItem* item) override;
};
