#include "sbDockForm.h"

#include <QVBoxLayout>

TsbDockForm::TsbDockForm(QWidget* parent) : QWidget(parent) {}

TsbDockForm::~TsbDockForm() { Burner = nullptr; }

void TsbDockForm::BeginBusy() {
  ++BusyCount;
  if (OnBusyBegin) OnBusyBegin(this);
}

void TsbDockForm::EndBusy() {
  --BusyCount;
  if (OnBusyEnd) OnBusyEnd(this);
}

void TsbDockForm::DoActivate() {}

void TsbDockForm::Activate(TsbBurner* burner) {
  Burner = burner;
  DoActivate();
}

void TsbDockForm::DockInto(QWidget* parent) {
  // A layout is Qt's anchoring to all four sides.
  auto* layout = qobject_cast<QVBoxLayout*>(parent->layout());
  if (!layout) {
    delete parent->layout();
    layout = new QVBoxLayout(parent);
    layout->setContentsMargins(5, 5, 0, 0);
    layout->setSpacing(0);
  }
  setParent(parent);
  layout->addWidget(this);
  show();
}

TsbLog* TsbDockForm::GetSummaryLog() { return nullptr; }

TsbActionList* TsbDockForm::GetActionList() { return nullptr; }
