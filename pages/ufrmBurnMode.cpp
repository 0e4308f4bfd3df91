#include "ufrmBurnMode.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "sbBurnModes.h"
#include "sbErrors.h"
#include "sbPageStyle.h"
#include "sbStrings.h"

TfrmBurnMode::TfrmBurnMode(QWidget* parent) : TsbDockForm(parent) {
  SetWhiteBackground(this);

  B = NewHeading(tr("Burning Mode is the way of burning data to the disc."), this);
  laCDTEXTNote =
      NewNote(tr("Note: CD-Text infromation will be  burned only if Disc-At-Once raw P-W method is used."), this);
  Label1 = new QLabel(tr("Burning Mode:"), this);
  cmbModes = new QComboBox(this);
  cmbModes->setEditable(false);
  cmbModes->setMinimumWidth(220);
  Label1->setBuddy(cmbModes);
  Label2 = NewNote(QString(), this);
  chbTestMode = new QCheckBox(tr("Test mode (simulate burning)"), this);

  auto* modeRow = new QHBoxLayout;
  modeRow->addWidget(Label1);
  modeRow->addWidget(cmbModes);
  modeRow->addStretch(1);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(8, 8, 8, 8);
  page->setSpacing(6);
  page->addWidget(B);
  page->addSpacing(10);
  page->addWidget(laCDTEXTNote);
  page->addLayout(modeRow);
  page->addSpacing(8);
  page->addWidget(Label2);
  page->addWidget(chbTestMode);
  page->addStretch(1);

  ArrangeLayout(false);
}

TfrmBurnMode::~TfrmBurnMode() = default;

void TfrmBurnMode::ArrangeLayout(bool showCDTextNote) {
  // The layout keeps the order; a hidden note takes no room, so the mode row moves up into its place.
  laCDTEXTNote->setVisible(showCDTextNote);
  Label2->setText(ResStr(sTestModeExplanation));
}

void TfrmBurnMode::Activate(TsbBurner* burner) {
  TsbDockForm::Activate(burner);
  cmbModes->clear();
  TsbBurnModeAllowance allowed;
  allowed.TrackAtOnce = AllowTrackAtOnce;
  allowed.SessionAtOnce = AllowSessionAtOnce;
  allowed.DiscAtOncePQ = AllowDiscAtOncePQ;
  allowed.DiscAtOnceRaw = AllowDiscAtOnceRaw;
  int selected = 0;
  for (TsbBurnModeKind method : OfferedBurnModes(Burner->WriteModes, Burner->DiscType, allowed)) {
    if (BurnModeKindHasMode(method, Burner->BurnSettings.Mode)) selected = cmbModes->count();
    cmbModes->addItem(BurnModeName(method), int(method));
  }
  cmbModes->setCurrentIndex(cmbModes->count() > 0 ? selected : -1);
  chbTestMode->setEnabled(Burner->WriteModes.CanTestWrite);
  // The stored answer stays, even when the device cannot simulate.
  chbTestMode->setChecked(Burner->BurnSettings.TestWrite);
}

std::optional<TsbBurnModeKind> TfrmBurnMode::GetBurnModeKind() const {
  if (cmbModes->currentIndex() < 0) return std::nullopt;
  return TsbBurnModeKind(cmbModes->currentData().toInt());
}

bool TfrmBurnMode::GetTestWrite() const { return chbTestMode->isChecked(); }

TsbBurnModeChoice TfrmBurnMode::GetBurnMode() const {
  if (cmbModes->currentIndex() < 0)
    throw TsbError(NoBurningModeText(Burner ? Burner->DeviceInfo.Product : QString(), Burner ? Burner->DiscType : 0));
  const auto method = TsbBurnModeKind(cmbModes->currentData().toInt());
  return {BurnModeCode(method, ImageModeCodes), chbTestMode->isChecked()};
}
