// The action that writes the image of the burner's file tree into a file instead of
// burning it: builds the image, checks the target volume's room, and lets the burn thread
// copy the image into a temporary file beside the output (burn mode bmToImageFile). Only
// a complete image replaces the output; a failed or cancelled one leaves no file behind
// and an existing output as it was.
#pragma once

#include <QString>


#include "sbActions.h"

class TsbBurnToFileAction : public TsbAction {
 public:
  void Execute(TsbActionItem* item) override;

  // A failed file-system call is reported and stored (LastMessage) in the call's
  // own words, "CreateFile(\"...\") failed, status 2 (...)"; this is the same
  // failure said plainly in the user's language, for a front end to show
  // instead. Empty when the last run did not end so.
  QString PlainFailure;
};

