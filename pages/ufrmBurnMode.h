// The burn mode page: the burn mode, among those the device supports for
// the inserted disc, and whether the burn only simulates with the laser off.
#pragma once

#include <optional>

#include "sbBurnModes.h"
#include "sbBurner.h"
#include "sbDockForm.h"

class QCheckBox;
class QComboBox;
class QLabel;

// What the page reports: the burn mode code and the test flag.
struct TsbBurnModeChoice {
  TsbBurnMode Mode = bmTaoFromTree;
  bool TestWrite = false;
};

class TfrmBurnMode : public TsbDockForm {
  Q_OBJECT

 public:
  explicit TfrmBurnMode(QWidget* parent = nullptr);
  ~TfrmBurnMode() override;

  // Whether each method may be offered at all; the wizard clears the three
  // session methods for discs that cannot take them.
  bool AllowTrackAtOnce = true;
  bool AllowSessionAtOnce = true;
  bool AllowDiscAtOncePQ = true;
  bool AllowDiscAtOnceRaw = true;
  // Report the codes that burn image files (5 to 8) instead of the file-tree codes (0 to 3).
  bool ImageModeCodes = false;

  QLabel* B;
  QLabel* laCDTEXTNote;
  QLabel* Label1;
  QComboBox* cmbModes;
  QLabel* Label2;
  QCheckBox* chbTestMode;

  // Lists the methods the burner's device offers for its disc and preselects
  // the burner's mode (the first entry when that one is not listed).
  void Activate(TsbBurner* burner) override;
  // The chosen method's code and the test flag. Throws TsbError when the list
  // is empty, so that the wizard does not go on with a mode the device lacks.
  TsbBurnModeChoice GetBurnMode() const;
  // The chosen method, none when the device offers none.
  std::optional<TsbBurnModeKind> GetBurnModeKind() const;
  bool GetTestWrite() const;
  // Shows or hides the CD-Text note above the mode list.
  void ArrangeLayout(bool showCDTextNote);
};
