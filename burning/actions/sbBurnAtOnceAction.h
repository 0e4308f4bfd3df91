// The action that burns a disc: it prepares the device in every stage, hands the image
// file to the burner, burns on the burn thread, closes a track-at-once session, ejects.
// With the burner's track layout set (an audio CD, a cue sheet) it burns the layout
// instead, a log row for each track as it begins.
#pragma once

#include <QStringList>

#include "sbStagedAction.h"

class TsbBurnAtOnceToCDDVDAction : public TsbStagedAction {
 public:
  TsbBurnAtOnceToCDDVDAction() { Stages = kAllStages; }

  // In the from-file modes, burn the list's source file (else the burner's tables as they are).
  bool UseSourceFile = true;

  void Execute(TsbActionItem* item) override;

 private:
  // The titles of the layout's tracks, read before the burn for the rows of its tracks.
  QStringList LayoutTitles() const;
};

// "Writing track 3 of 12: Title" ("Writing track 3 of 12" without a title).
QString WritingTrackText(int number, int count, const QString& title);
// The row of a track-at-once burn of a layout: what that mode leaves out.
QString TrackAtOnceNote();
