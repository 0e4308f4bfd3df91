#include "ufrmBurnOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "sbBurnModes.h"
#include "sbBurner.h"
#include "sbErrors.h"
#include "sbPageStyle.h"

TfrmBurnOptions::TfrmBurnOptions(QWidget* parent) : TsbDockForm(parent) {
  SetWhiteBackground(this);

  Label1 = NewNote(tr("Sending Optimum Power Calibration (OPC) calibrates the device laser power at the "
                      "beginning of burning session to adjust for the properties of each recordable disc."),
                   this);
  chbSOPC = new QCheckBox(tr("Send optimum power calibration"), this);
  chbSOPC->setChecked(true);
  Label2 = NewNote(tr("Optimal burning speed depends on the disc used and burning device capabilities. "
                      "Poorly chosen burning speed may result in coaster disc. To determine the best "
                      "burning speed you can make test burns or consult your device and disc "
                      "manufacturers."),
                   this);
  Label4 = new QLabel(tr("Burning speed:"), this);
  cmbSpeed = new QComboBox(this);
  cmbSpeed->setEditable(false);
  cmbSpeed->setMinimumWidth(200);
  cmbSpeed->addItem(tr("Fastest"));
  Label4->setBuddy(cmbSpeed);
  lblMultisession = NewNote(tr("Multisession mode allows appending data to the disc later. In single "
                               "session mode data cannot be appended after the disc is burned."),
                            this);
  chbMultiSession = new QCheckBox(tr("Create multisession disc"), this);
  chbMultiSession->setChecked(true);
  chbVerify = new QCheckBox(tr("&Verify written data after burning"), this);

  auto* speedRow = new QHBoxLayout;
  speedRow->addWidget(Label4);
  speedRow->addWidget(cmbSpeed);
  speedRow->addStretch(1);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(8, 8, 8, 8);
  page->setSpacing(6);
  page->addWidget(Label1);
  page->addWidget(chbSOPC);
  page->addSpacing(12);
  page->addWidget(Label2);
  page->addLayout(speedRow);
  page->addSpacing(12);
  page->addWidget(lblMultisession);
  page->addWidget(chbMultiSession);
  page->addWidget(chbVerify);
  chbEject = new QCheckBox(tr("&Eject the disc when done"), this);
  chbEject->setChecked(true);
  page->addWidget(chbEject);
  lblCopies = new QLabel(tr("Number of &copies:"), this);
  spnCopies = new QSpinBox(this);
  spnCopies->setRange(1, 99);
  spnCopies->setValue(1);
  spnCopies->setAccessibleName(tr("Number of copies"));
  lblCopies->setBuddy(spnCopies);
  page->addSpacing(12);
  auto* copiesRow = new QHBoxLayout;
  copiesRow->addWidget(lblCopies);
  copiesRow->addWidget(spnCopies);
  copiesRow->addStretch(1);
  page->addLayout(copiesRow);
  page->addStretch(1);

  lblMultisession->setVisible(ShowMultisession);
  chbMultiSession->setVisible(ShowMultisession);
}

TfrmBurnOptions::~TfrmBurnOptions() = default;

void TfrmBurnOptions::Activate(TsbBurner* burner) {
  TsbDockForm::Activate(burner);
  // A failed read empties the list; it gets its entries back, so that it still matches the box.
  const TsbDiscSpeedList previous = *SpeedList;
  try {
    SpeedList->ReadSpeeds(*Burner);
  } catch (...) {
    SpeedList->TsbDiscSpeedList::operator=(previous);
    throw;
  }
  TsbDiscSpeedList& speeds = *SpeedList;

  cmbSpeed->clear();
  for (int i = 0; i < speeds.Count(); ++i)
    cmbSpeed->addItem(SpeedText(speeds.Items(i).SpeedInPoint, speeds.Items(i).SpeedInSize, true));
  cmbSpeed->setCurrentIndex(speeds.Count() - 1);

  const TsbBurnSettings& settings = Burner->BurnSettings;
  const bool closed = IsDiscAtOnceMode(settings.Mode) || ClosedDisc;
  chbMultiSession->setChecked(!closed);
  chbMultiSession->setEnabled(!closed);

  // A simulated burn writes nothing, so there is no power to calibrate.
  chbSOPC->setEnabled(!settings.TestWrite);
  chbSOPC->setChecked(settings.SendOPC && !settings.TestWrite);

  if (const TsbDiscSpeedItem* stored = speeds.FindBySpeedInPoint(settings.SpeedFactor)) {
    for (int i = 0; i < speeds.Count(); ++i)
      if (&speeds.Items(i) == stored) cmbSpeed->setCurrentIndex(i);
  }

  lblMultisession->setVisible(ShowMultisession);
  chbMultiSession->setVisible(ShowMultisession);
}

const TsbDiscSpeedItem& TfrmBurnOptions::GetSelectedSpeed() const {
  const int index = cmbSpeed->currentIndex();
  if (index < 0 || index >= SpeedList->Count()) throw TsbError(tr("List index out of bounds (%1)").arg(index));
  return SpeedList->Items(index);
}

bool TfrmBurnOptions::GetSendOPC() const { return chbSOPC->isChecked(); }

bool TfrmBurnOptions::GetMultiSession() const { return chbMultiSession->isChecked(); }

bool TfrmBurnOptions::GetVerify() const { return chbVerify->isChecked(); }
bool TfrmBurnOptions::GetEject() const { return chbEject->isChecked(); }
int TfrmBurnOptions::GetCopies() const { return spnCopies->value(); }
