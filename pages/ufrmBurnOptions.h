// The burn options page: the write speed among those the device accepts for
// the inserted disc, optimum power calibration, multisession (which follows
// from the burn mode), and whether the written data is verified afterwards.
#pragma once

#include <memory>

#include "sbDiscSpeeds.h"
#include "sbDockForm.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

class TfrmBurnOptions : public TsbDockForm {
  Q_OBJECT

 public:
  explicit TfrmBurnOptions(QWidget* parent = nullptr);
  ~TfrmBurnOptions() override;

  // The entries of cmbSpeed, in the same order; owned, and replaceable by a
  // list that reads the speeds differently.
  std::unique_ptr<TsbDiscSpeedList> SpeedList = std::make_unique<TsbDiscSpeedList>();
  bool ShowMultisession = false;  // the multisession controls stay hidden but keep their answer
  // The burn closes the disc whatever the mode (an audio CD): multisession is off and cannot be chosen.
  bool ClosedDisc = false;

  QLabel* Label1;
  QCheckBox* chbSOPC;
  QLabel* Label2;
  QLabel* Label4;
  QComboBox* cmbSpeed;
  QLabel* lblMultisession;
  QCheckBox* chbMultiSession;
  QCheckBox* chbVerify;
  QCheckBox* chbEject;  // "Eject the disc when done", on by default
  QLabel* lblCopies;
  QSpinBox* spnCopies;  // "Number of copies", 1 to 99

  // Reads the device's speeds again and shows the burner's settings: its
  // speed when the device still offers that factor, else the last (fastest).
  // A failed speed read throws and leaves the page as it was.
  void Activate(TsbBurner* burner) override;
  // Throws TsbError "List index out of bounds (-1)" when no speed is selected.
  const TsbDiscSpeedItem& GetSelectedSpeed() const;
  bool GetSendOPC() const;
  bool GetMultiSession() const;
  bool GetVerify() const;
  bool GetEject() const;
  int GetCopies() const;
};
