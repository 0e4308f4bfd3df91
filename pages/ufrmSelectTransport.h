// Wizard page 0: how the burning library reaches the devices, by device name
// or by SCSI address. The radio buttons hold the choice for the whole run.
#pragma once

#include "sbDockForm.h"

class QButtonGroup;
class QLabel;
class QRadioButton;

class TSelectTransportForm : public TsbDockForm {
  Q_OBJECT

 public:
  explicit TSelectTransportForm(QWidget* parent = nullptr);
  ~TSelectTransportForm() override;

  QLabel* Label1;
  QRadioButton* rbSpti;
  QLabel* Label2;
  QRadioButton* rbAspi;
  QLabel* Label3;
  QButtonGroup* grpTransport;

  // True when devices are to be opened by SCSI address (ttAspi).
  bool UseAspi() const;

 protected:
  // Checks the transport the platform prefers.
  void FormCreate();
};

// 1 where devices can be opened by their name (always on Linux), 0 where only
// the address transport exists, -1 when the platform cannot be told.
int GetPlatformKind();
