#include "ufrmSelectDevice.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

#include "sbBurner.h"
#include "sbCallbacks.h"
#include "sbDeviceOpen.h"
#include "sbDialogs.h"
#include "sbErasePlan.h"
#include "sbErrors.h"
#include "sbTrayAndDisc.h"
#include "sbPageStyle.h"
#include "sbStrings.h"
#include "ufrmOperationProgress.h"

namespace {

enum Column { colProduct, colVendor, colRevision, colMedia, colSize, colLabel, kColumnCount };
constexpr int kDesignWidths[kColumnCount] = {150, 70, 60, 60, 70, 85};

bool SameAddress(const DiscwrightDeviceAddress& a, const DiscwrightDeviceAddress& b) {
  return a.Valid && b.Valid && a.PortID == b.PortID && a.BusID == b.BusID && a.TargetID == b.TargetID &&
         a.LUN == b.LUN;
}

}  // namespace

TfrmSelectDevice::TfrmSelectDevice(QWidget* parent) : TsbDockForm(parent) {
  SetWhiteBackground(this);
  Finder.ProgressViewFactory = MakeOperationProgressView;
  Finder.Devices.CountDiscFiles = true;  // a disc left open says how many files it holds

  Label1 = NewHeading(tr("Select CD or DVD burning device from the list"), this);

  lvDevices = new QTreeWidget(this);
  lvDevices->setColumnCount(kColumnCount);
  // "Media " keeps its trailing blank: it is the caption as designed.
  lvDevices->setHeaderLabels({tr("Product"), tr("Vendor"), tr("Revision"), tr("Media "), tr("Size, MB"), tr("Label")});
  lvDevices->setRootIsDecorated(false);
  lvDevices->setItemsExpandable(false);
  lvDevices->setUniformRowHeights(true);
  lvDevices->setSortingEnabled(false);
  lvDevices->setAllColumnsShowFocus(true);
  lvDevices->setSelectionMode(QAbstractItemView::SingleSelection);
  lvDevices->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvDevices->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvDevices->setTextElideMode(Qt::ElideRight);
  QHeaderView* header = lvDevices->header();
  header->setSectionsClickable(false);
  header->setSectionsMovable(false);
  header->setStretchLastSection(false);
  for (int column = 0; column < kColumnCount; ++column) lvDevices->setColumnWidth(column, kDesignWidths[column]);
  // Product takes the room the other columns leave, but never less than its
  // names need: a narrow page scrolls sideways rather than cut the names.
  lvDevices->viewport()->installEventFilter(this);
  connect(header, &QHeaderView::sectionResized, this, [this](int column) {
    // A column the user dragged keeps the width given.
    if (arranging_ || column == colProduct) return;
    wanted_[size_t(column)] = lvDevices->columnWidth(column);
    ArrangeColumns();
  });
  // The chosen device stays marked while the user is on the Refresh button or
  // the wizard's buttons.
  QPalette selection = lvDevices->palette();
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
    selection.setColor(QPalette::Inactive, role, selection.color(QPalette::Active, role));
  lvDevices->setPalette(selection);
  Label1->setBuddy(lvDevices);
  lvDevices->setAccessibleName(Label1->text());

  Label2 = NewNote(tr("If you have plugged in new devices or changed disc in a drive click Refresh to "
                      "update devices list"),
                   this);
  lblUnusable = NewNote(QString(), this);
  lblUnusable->setWordWrap(true);
  lblUnusable->setTextInteractionFlags(Qt::TextSelectableByMouse);  // the remedy's command can be copied
  lblUnusable->setVisible(false);
  lblErased = NewNote(QString(), this);
  lblErased->setWordWrap(true);
  lblErased->setVisible(false);
  btnRefresh = new QPushButton(tr("Refresh..."), this);
  btnRefresh->setAutoDefault(false);
  btnErase = new QPushButton(tr("Erase disc..."), this);
  btnErase->setAutoDefault(false);
  btnErase->setVisible(false);

  connect(lvDevices, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem*) { lvDevicesChange(current); });
  connect(lvDevices->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection& deselected) {
            const QItemSelection& changed = !selected.isEmpty() ? selected : deselected;
            if (!changed.isEmpty()) lvDevicesChange(lvDevices->itemFromIndex(changed.indexes().value(0)));
          });
  connect(btnRefresh, &QPushButton::clicked, this, &TfrmSelectDevice::btnRefreshClick);
  connect(btnErase, &QPushButton::clicked, this, &TfrmSelectDevice::btnEraseClick);

  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(btnRefresh);
  buttonRow->addWidget(btnErase);
  buttonRow->addStretch(1);
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(8, 8, 8, 8);
  page->addWidget(Label1);
  page->addWidget(lvDevices, 1);
  page->addWidget(lblUnusable);
  page->addWidget(lblErased);
  page->addWidget(Label2);
  page->addLayout(buttonRow);
  setTabOrder(lvDevices, btnRefresh);
  setTabOrder(btnRefresh, btnErase);
}

TfrmSelectDevice::~TfrmSelectDevice() {
  if (rescan_) {
    rescanList_.CancelRequested = true;
    rescan_.reset();  // joins; its queued result dies with the page
  }
  ClearEntries();
}

void TfrmSelectDevice::BeginBusy() {
  QWidget* focused = window()->focusWidget();
  focusBeforeBusy_ = focused == btnRefresh || focused == btnErase ? focused : nullptr;
  btnRefresh->setEnabled(false);
  btnErase->setEnabled(false);
  TsbDockForm::BeginBusy();
}

void TfrmSelectDevice::EndBusy() {
  btnRefresh->setEnabled(true);
  btnErase->setEnabled(true);
  TsbDockForm::EndBusy();
  // Back where the user was; to the list when the erase button is gone with its disc.
  if (focusBeforeBusy_) (focusBeforeBusy_->isVisible() ? focusBeforeBusy_ : lvDevices)->setFocus(Qt::OtherFocusReason);
  focusBeforeBusy_ = nullptr;
}

void TfrmSelectDevice::DoActivate() { TsbDockForm::DoActivate(); }

void TfrmSelectDevice::Activate(TsbBurner* burner) {
  StopDriveRescan();  // the full scan replaces every record
  TsbDockForm::Activate(burner);
  lblErased->clear();
  lblErased->setVisible(false);
  DiscwrightDeviceAddress lastAddress{};
  GetSelectedAddress(lastAddress);
  QString lastPath;
  GetDevicePath(lastPath);

  lvDevices->setUpdatesEnabled(false);
  struct Redraw {
    QWidget* list;
    ~Redraw() { list->setUpdatesEnabled(true); }
  } redraw{lvDevices};
  BeginBusy();
  try {
    FillList(lastAddress, lastPath);
  } catch (...) {
    FinishFill();  // the wizard's buttons and Refresh come back before the error is shown
    throw;
  }
  FinishFill();
}

void TfrmSelectDevice::FillList(const DiscwrightDeviceAddress& lastAddress, const QString& lastPath) {
  ClearEntries();
  if (Burner) Finder.TransportType = Burner->Transport;
  Finder.InfoText = ScanInfoText;
  Finder.Refresh(ShowProgress);

  for (int i = 0; i < Finder.Devices.Count(); ++i) {
    TsbDeviceItem& record = Finder.Devices.Items(i);
    if (!Listed(record)) continue;
    UpdateDiscSpace(record);
    records_.push_back(&record);
    ShowRecord(new QTreeWidgetItem(lvDevices), record);
  }

  FitColumns();

  const int count = lvDevices->topLevelItemCount();
  if (lastAddress.Valid)
    for (int i = 0; i < count; ++i)
      if (SameAddress(records_[size_t(i)]->Address, lastAddress)) {
        SelectEntry(lvDevices->topLevelItem(i));
        break;
      }
  // Nothing chosen before has no path: it must not match the empty names of
  // devices found by address.
  if (lvDevices->selectedItems().isEmpty() && !lastPath.isEmpty())
    for (int i = 0; i < count; ++i)
      if (records_[size_t(i)]->DeviceName == lastPath) {
        SelectEntry(lvDevices->topLevelItem(i));
        break;
      }
}

bool TfrmSelectDevice::Listed(const TsbDeviceItem& record) const {
  // An unusable drive is listed whatever it can write: the user learns why it is not offered and what helps.
  return !record.Unusable.isEmpty() || ShowAllDevices || record.CanWrite();
}

void TfrmSelectDevice::ShowRecord(QTreeWidgetItem* entry, const TsbDeviceItem& record) {
  if (!record.Unusable.isEmpty()) {
    const QStringList texts{record.Product, QString(), QString(), tr("Not usable"), QString(), QString()};
    for (int column = 0; column < kColumnCount; ++column) {
      entry->setText(column, texts[column]);
      entry->setToolTip(column, record.Unusable);
      // Greyed, yet selectable: choosing it shows the reason under the list.
      entry->setForeground(column, palette().brush(QPalette::Disabled, QPalette::Text));
    }
    return;
  }
  const bool discIn = record.DiscType != DISC_TYPE_NO_MEDIA;
  // A disc that cannot be read is not an empty drive: the row says so, and why.
  const bool unreadable = !record.DiscProblem.isEmpty();
  const QStringList texts{record.Product,
                          record.Vendor,
                          record.ProductRevisionLevel,
                          unreadable ? tr("Unreadable disc") : DiscTypeName(record.DiscType, true),
                          DiscSizeText(record, true),
                          discIn ? record.DiscLabel : QString()};
  for (int column = 0; column < kColumnCount; ++column) {
    entry->setText(column, texts[column]);
    entry->setToolTip(column, QString());
    entry->setData(column, Qt::ForegroundRole, QVariant());  // a drive usable again loses its grey
  }
  // Long names and labels may be cut short in a narrow list.
  entry->setToolTip(colProduct, entry->text(colProduct));
  entry->setToolTip(colLabel, entry->text(colLabel));
  entry->setToolTip(colSize, entry->text(colSize));
  if (unreadable)
    for (int column : {int(colMedia), int(colSize), int(colLabel)}) entry->setToolTip(column, record.DiscProblem);
}

void TfrmSelectDevice::DriveChanged(const QString& deviceName) {
  // A scan under way, or one coming when the page is shown, sees the change
  // anyway. Drives found by address are found again by Refresh alone.
  if (!isVisible() || BusyCount > 0 || Finder.Scanning() || Finder.TransportType != ttSpti) return;
  if (!pendingDrives_.contains(deviceName)) pendingDrives_ << deviceName;
  StartDriveRescan();
}

void TfrmSelectDevice::StartDriveRescan() {
  if (rescan_ || pendingDrives_.isEmpty()) return;
  rescanned_ = pendingDrives_.takeFirst();
  rescanList_.Clear();
  rescanList_.TransportType = Finder.TransportType;
  rescanList_.CancelRequested = false;
  rescan_ = std::make_unique<TsbDeviceFinderThread>(rescanList_);
  rescan_->OnlyName = rescanned_;
  // The probe runs on the worker; the list changes on the window thread.
  rescan_->OnTerminate = [this, generation = scanGeneration_](TsbWorkerThread*) {
    QMetaObject::invokeMethod(this, [this, generation] { MergeDriveRescan(generation); }, Qt::QueuedConnection);
  };
  rescan_->Start();
}

void TfrmSelectDevice::StopDriveRescan() {
  if (!rescan_) return;
  rescanList_.CancelRequested = true;
  WaitPumping(*rescan_);
  rescan_.reset();
  pendingDrives_.clear();
  ++scanGeneration_;  // its queued result belongs to a list that is gone
}

void TfrmSelectDevice::MergeDriveRescan(unsigned generation) {
  if (generation != scanGeneration_ || !rescan_) return;
  rescan_.reset();  // it has ended: this joins it
  if (BusyCount == 0 && !Finder.Scanning()) {
    auto sameDrive = [this](const TsbDeviceItem& record) {
      return record.DeviceName.compare(rescanned_, Qt::CaseInsensitive) == 0;
    };
    // The entry of the drive, if it is listed.
    int row = -1;
    for (size_t i = 0; i < records_.size(); ++i)
      if (sameDrive(*records_[i])) row = int(i);
    const TsbDeviceItem* found = nullptr;
    for (int i = 0; i < rescanList_.Count(); ++i)
      if (sameDrive(rescanList_.Items(i)) && Listed(rescanList_.Items(i))) found = &rescanList_.Items(i);
    if (found && row >= 0) {
      // In place: the entry, its selection and the focus stay.
      *records_[size_t(row)] = *found;
      UpdateDiscSpace(*records_[size_t(row)]);
      ShowRecord(lvDevices->topLevelItem(row), *records_[size_t(row)]);
    } else if (found) {
      TsbDeviceItem& record = Finder.Devices.Add();  // a deque: the other records stay where they are
      record = *found;
      UpdateDiscSpace(record);
      records_.push_back(&record);
      const QSignalBlocker listBlocker(lvDevices);
      ShowRecord(new QTreeWidgetItem(lvDevices), record);
      if (lvDevices->topLevelItemCount() == 1 && !entryEverChanged_) {
        SelectEntry(lvDevices->topLevelItem(0));
        SelectedEntry = lvDevices->topLevelItem(0);
      }
    } else if (row >= 0) {
      // A drive unplugged: its entry goes (and with it the choice, when it was chosen).
      QTreeWidgetItem* entry = lvDevices->topLevelItem(row);
      if (SelectedEntry == entry) SelectedEntry = nullptr;
      records_.erase(records_.begin() + row);
      delete entry;
    }
    FitColumns();
    UpdateEraseButton();
    if (OnDrivesRescanned) OnDrivesRescanned(rescanned_);
  }
  StartDriveRescan();
}

void TfrmSelectDevice::FitColumns() {
  // A size such as "700.00 MB" or a larger font must not be cut off at the
  // design widths: a column wants its contents, up to twice its width.
  arranging_ = true;
  for (int column = 0; column < kColumnCount; ++column) {
    lvDevices->resizeColumnToContents(column);
    wanted_[size_t(column)] =
        std::clamp(lvDevices->columnWidth(column), kDesignWidths[column], 2 * kDesignWidths[column]);
  }
  arranging_ = false;
  ArrangeColumns();
}

void TfrmSelectDevice::ArrangeColumns() {
  if (arranging_) return;
  arranging_ = true;
  // Product takes the room left over but never less than its names need; the
  // label at the end gives way first, down to its design width; only then
  // does the list scroll sideways.
  int middle = 0;
  for (int column = colVendor; column < colLabel; ++column) {
    lvDevices->setColumnWidth(column, wanted_[size_t(column)]);
    middle += wanted_[size_t(column)];
  }
  const int room = lvDevices->viewport()->width() - middle;
  const int label = std::clamp(room - wanted_[colProduct], kDesignWidths[colLabel], wanted_[colLabel]);
  lvDevices->setColumnWidth(colLabel, label);
  lvDevices->setColumnWidth(colProduct, std::max(wanted_[colProduct], room - label));
  arranging_ = false;
}

bool TfrmSelectDevice::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lvDevices->viewport() && event->type() == QEvent::Resize) ArrangeColumns();
  return TsbDockForm::eventFilter(watched, event);
}

void TfrmSelectDevice::FinishFill() {
  EndBusy();
  if (lvDevices->topLevelItemCount() > 0 && !entryEverChanged_) {
    SelectEntry(lvDevices->topLevelItem(0));
    SelectedEntry = lvDevices->topLevelItem(0);
  }
  UpdateEraseButton();
}

void TfrmSelectDevice::ClearEntries() {
  // Removing rows must not count as the user's choice, nor hand the change
  // handler rows that are going away.
  {
    const QSignalBlocker listBlocker(lvDevices);
    const QSignalBlocker selectionBlocker(lvDevices->selectionModel());
    lvDevices->clear();
  }
  records_.clear();
  SelectedEntry = nullptr;
  UpdateEraseButton();
}

void TfrmSelectDevice::UpdateEraseButton() {
  const TsbDeviceItem* record = SelectedRecord();
  btnErase->setVisible(record && EraseOffered(*record));
  QString note = GetUnusableReason();
  // A disc left open takes more files: no refusal to explain, though erasing stays offered.
  if (note.isEmpty() && EraseHelps() && !DiscTakesAnotherSession(*record))
    note = WithEraseHint(WhyDiscCannotBeBurned(record->DiscSpace, record->DiscType, record->TrackInformation,
                                               record->DiscInformation));
  if (note.isEmpty() && record) note = record->AppendProblem;  // a disc left open that takes no more files
  // The row's cell is narrow: what a disc left open takes is said whole under the list.
  if (note.isEmpty() && record && record->DiscFiles >= 0 && DiscTakesAnotherSession(*record))
    note = tr("The disc holds %1 and has %2 free: the files you choose are added to them as a further session.")
               .arg(record->DiscFiles == 1 ? tr("1 file") : tr("%1 files").arg(record->DiscFiles),
                    LocaleMegabytes(record->DiscSpace.FreeBytes));
  lblUnusable->setText(note);
  lblUnusable->setVisible(!note.isEmpty());
}

bool TfrmSelectDevice::EraseHelps() const {
  const TsbDeviceItem* record = SelectedRecord();
  return record && EraseOffered(*record) && record->CanWrite();
}

QString TfrmSelectDevice::WithEraseHint(const QString& refusal) const {
  if (refusal.isEmpty() || !EraseHelps()) return refusal;
  return WithClosingPeriod(refusal) + QLatin1Char(' ') + tr("Press \"Erase disc...\" to erase it.");
}

QString TfrmSelectDevice::GetUnusableReason() {
  const TsbDeviceItem* record = SelectedRecord();
  return record ? record->Unusable : QString();
}

void TfrmSelectDevice::SelectEntry(QTreeWidgetItem* entry) {
  lvDevices->setCurrentItem(entry, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  lvDevices->scrollToItem(entry);
}

void TfrmSelectDevice::lvDevicesChange(QTreeWidgetItem* item) {
  if (!item) return;
  SelectedEntry = item;
  entryEverChanged_ = true;
  UpdateEraseButton();
}

void TfrmSelectDevice::btnEraseClick() {
  const TsbDeviceItem* chosen = SelectedRecord();
  if (!chosen) return;
  const TsbDeviceItem record = *chosen;  // the rescan replaces the records
  const QString name = !record.DeviceName.isEmpty() ? record.DeviceName : AddressText(record.Address);
  const QString question =
      tr("Erase the disc in %1 (%2)? Everything on the disc will be lost.").arg(record.Product, name) +
      QStringLiteral("\n\n") +
      tr("Quick erase blanks the table of contents in about a minute.\n"
         "Full erase overwrites the whole disc and takes much longer.");
  const int answer = Dialogs().AskChoice(question, {tr("Quick erase"), tr("Full erase")});
  if (answer < 0) return;
  const bool full = answer == 1;
  lblErased->setVisible(false);
  bool erased = false;
  // A click comes from the event loop, which must not see an exception.
  try {
    BeginBusy();
    struct Idle {
      TfrmSelectDevice* page;
      ~Idle() { page->EndBusy(); }
    } idle{this};
    TsbBurner burner;
    TfrmOperationProgress progress(window());
    progress.Show(tr("Erasing disc"),
                  tr("%1. This may take a while.").arg(ErasingText(record, name, full)),
                  [&burner] { burner.Cancel(); });
    progress.SetPercent(0);
    struct HideProgress {
      TfrmOperationProgress& view;
      ~HideProgress() { view.Hide(); }
    } hide{progress};
    // The erase reports on the burn thread; unbound before the window goes.
    const TsbEventerBinding events([&progress](TsbCallBackEventer*, int percent) { progress.SetPercent(percent); });
    EraseDiscIn(burner, record, Finder.TransportType, full);
    erased = true;
  } catch (const TsbError& error) {
    Dialogs().ErrorMessage(error.Message());
  } catch (const std::exception& error) {
    Dialogs().ErrorMessage(QString::fromLocal8Bit(error.what()));
  }
  btnRefreshClick();
  if (erased) {
    lblErased->setText(WithClosingPeriod(ErasedText(QStringLiteral("%1 (%2)").arg(record.Product, name))));
    lblErased->setVisible(true);
  }
}

void TfrmSelectDevice::btnRefreshClick() {
  // A click comes from the event loop, which must not see an exception.
  try {
    Activate(Burner);
  } catch (const TsbError& error) {
    Dialogs().ApplicationError(error.Message());
  } catch (const std::exception& error) {
    Dialogs().ApplicationError(QString::fromLocal8Bit(error.what()));
  }
}

const TsbDeviceItem* TfrmSelectDevice::SelectedRecord() const {
  if (!SelectedEntry || lvDevices->selectedItems().size() != 1) return nullptr;
  const int index = lvDevices->indexOfTopLevelItem(SelectedEntry);
  return index >= 0 && size_t(index) < records_.size() ? records_[size_t(index)] : nullptr;
}

TsbLog* TfrmSelectDevice::GetSummaryLog() {
  SummaryLog.Clear();
  if (const TsbDeviceItem* record = SelectedRecord())
    SummaryLog.Add().LogMessage = ResStr(sDestinationDevice) + QStringLiteral(": ") + record->Product;
  return &SummaryLog;
}

void TfrmSelectDevice::GetDiscInformation(DiscwrightDiscInformation& out) {
  const TsbDeviceItem* record = SelectedRecord();
  out = record ? record->DiscInformation : DiscwrightDiscInformation{};
}

void TfrmSelectDevice::GetTOCInformation(DiscwrightTocInformation& out) {
  const TsbDeviceItem* record = SelectedRecord();
  out = record ? record->TOCInformation : DiscwrightTocInformation{};
}

void TfrmSelectDevice::GetTrackInformation(DiscwrightTrackInformation& out) {
  const TsbDeviceItem* record = SelectedRecord();
  out = record ? record->TrackInformation : DiscwrightTrackInformation{};
}

QString TfrmSelectDevice::GetDiscProblem() const {
  const TsbDeviceItem* record = SelectedRecord();
  return record ? record->DiscProblem : QString();
}

QStringList TfrmSelectDevice::GetProbeFailures() const {
  const TsbDeviceItem* record = SelectedRecord();
  return record ? record->ProbeFailures : QStringList();
}

uint8_t TfrmSelectDevice::GetDiscType() {
  const TsbDeviceItem* record = SelectedRecord();
  return record ? record->DiscType : 0;
}

void TfrmSelectDevice::GetDiscSpace(TsbDiscSpace& out) {
  const TsbDeviceItem* record = SelectedRecord();
  out = record ? record->DiscSpace : TsbDiscSpace{};
}

void TfrmSelectDevice::GetReadModes(TsbReadModes& out) {
  const TsbDeviceItem* record = SelectedRecord();
  out = record ? record->ReadModes : TsbReadModes{};
}

void TfrmSelectDevice::GetWriteModes(TsbWriteModes& out) {
  if (const TsbDeviceItem* record = SelectedRecord()) {
    out = record->WriteModes;
    return;
  }
  out.CanTAO = out.CanSAO = out.CanDaoPQ = out.CanDaoRaw = true;
}

void TfrmSelectDevice::GetDeviceInfo(TsbDeviceInfo& out) {
  if (const TsbDeviceItem* record = SelectedRecord()) {
    out = record->Info();
    return;
  }
  out.Vendor.clear();
  out.Product.clear();
  out.ProductRevisionLevel.clear();
  out.BufferSize = 0;
}

void TfrmSelectDevice::GetDVDRPC(TsbDVDRPC& out) {
  const TsbDeviceItem* record = SelectedRecord();
  out = record ? record->DVDRPC : TsbDVDRPC{};
}

void TfrmSelectDevice::GetSelectedAddress(DiscwrightDeviceAddress& out) {
  const TsbDeviceItem* record = SelectedRecord();
  out = record ? record->Address : DiscwrightDeviceAddress{};
}

void TfrmSelectDevice::GetDevicePath(QString& out) {
  if (const TsbDeviceItem* record = SelectedRecord()) out = record->DevicePath();
}
