#include "ufrmSelectTransport.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#ifdef _WIN32
#include <windows.h>
#endif

#include "sbDeviceTypes.h"
#include "sbPageStyle.h"

namespace {

#ifdef _WIN32
const char* const kByNameNote = QT_TRANSLATE_NOOP(
    "TSelectTransportForm",
    "This transport is preferrable for Windows NT-based systems (NT4/2000/XP/2003/Vista/Windows7). It can't be used "
    "for Windows 9x systems (95/98/Me).");
const char* const kByAddressNote = QT_TRANSLATE_NOOP(
    "TSelectTransportForm",
    "This transport is primarily intended for Windows 9x systems, but can be used in Windows NT-based systems.");
#else
const char* const kByNameNote = QT_TRANSLATE_NOOP(
    "TSelectTransportForm",
    "Devices are opened by their device name, for example /dev/sr0. This is the usual way to reach CD and DVD "
    "recorders on Linux.");
const char* const kByAddressNote = QT_TRANSLATE_NOOP(
    "TSelectTransportForm",
    "Devices are opened by their SCSI address (host, channel, target, LUN). Use it when a recorder is known to you "
    "by its address rather than by its name.");
#endif

}  // namespace

int GetPlatformKind() {
#ifdef _WIN32
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!GetVersionExA(&version)) return -1;
  switch (version.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS: return 0;
    case VER_PLATFORM_WIN32_NT: return 1;
    default: return -1;
  }
#else
  return 1;
#endif
}

TSelectTransportForm::TSelectTransportForm(QWidget* parent) : TsbDockForm(parent) {
  SetWhiteBackground(this);

  Label1 = NewHeading(tr("Select SCSI transport you want to use for device access:"), this);
  rbSpti = new QRadioButton(tr("SPTI - SCSI Pass Through Interface"), this);
  Label2 = NewNote(tr(kByNameNote), this);
  rbAspi = new QRadioButton(tr("ASPI - Advanced SCSI Programming Interface"), this);
  Label3 = NewNote(tr(kByAddressNote), this);
  // The explanations are read with their choice.
  rbSpti->setAccessibleDescription(Label2->text());
  rbAspi->setAccessibleDescription(Label3->text());

  // One exclusive group: exactly one transport, arrow keys move the choice.
  grpTransport = new QButtonGroup(this);
  grpTransport->setExclusive(true);
  grpTransport->addButton(rbSpti, ttSpti);
  grpTransport->addButton(rbAspi, ttAspi);

  // The explanations stand indented under their radio button's text.
  const int indent = rbSpti->sizeHint().height() + 4;
  Label2->setContentsMargins(indent, 0, 0, 0);
  Label3->setContentsMargins(indent, 0, 0, 0);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->setSpacing(6);
  layout->addWidget(Label1);
  layout->addSpacing(16);
  layout->addWidget(rbSpti);
  layout->addWidget(Label2);
  layout->addSpacing(16);
  layout->addWidget(rbAspi);
  layout->addWidget(Label3);
  layout->addStretch(1);

  FormCreate();
}

TSelectTransportForm::~TSelectTransportForm() = default;

void TSelectTransportForm::FormCreate() {
  if (GetPlatformKind() == 1) {
    rbSpti->setChecked(true);
  } else {
    rbSpti->setEnabled(false);
    rbAspi->setChecked(true);
  }
}

bool TSelectTransportForm::UseAspi() const { return !rbSpti->isChecked(); }
