// The device page: every activation scans the CD/DVD devices behind the
// progress window, lists them with the disc in each, restores the user's
// earlier choice, and answers the wizard's questions about the chosen device.
#pragma once

#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "sbDeviceList.h"
#include "sbDockForm.h"
#include "sbLogging.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TfrmSelectDevice : public TsbDockForm {
  Q_OBJECT

 public:
  explicit TfrmSelectDevice(QWidget* parent = nullptr);
  ~TfrmSelectDevice() override;

  QLabel* Label1;
  QTreeWidget* lvDevices;
  QLabel* Label2;
  QLabel* lblUnusable;  // why the chosen drive or its disc cannot be used, and the remedy
  QLabel* lblErased;    // that the last erase ended well, until the next scan
  QPushButton* btnRefresh;
  QPushButton* btnErase;  // shown while the chosen disc is rewritable and not blank

  TsbLog SummaryLog;
  TsbDeviceFinder Finder;
  bool ShowProgress = true;
  // False: only devices that can write discs are listed.
  bool ShowAllDevices = true;
  // The entry whose selection or focus changed last; none after a rescan.
  QTreeWidgetItem* SelectedEntry = nullptr;
  QString ScanInfoText;  // shown in the progress window of a scan

  void BeginBusy() override;
  void EndBusy() override;
  void DoActivate() override;
  // Rescans and refills the list, keeping the earlier choice when its device
  // is found again. The busy state ends also when the scan raises.
  void Activate(TsbBurner* burner) override;
  // One line naming the chosen device, or none.
  TsbLog* GetSummaryLog() override;

  // The chosen device's records. Each answers only while exactly one entry is
  // selected; otherwise it gives the default of an unknown device, leaving the
  // parts the caller passed in where noted.
  virtual void GetDiscInformation(DiscwrightDiscInformation& out);
  virtual void GetTOCInformation(DiscwrightTocInformation& out);
  virtual void GetTrackInformation(DiscwrightTrackInformation& out);
  virtual uint8_t GetDiscType();
  // Why the chosen drive's disc cannot be read; empty when it can, or none is in.
  QString GetDiscProblem() const;
  // Library failures of the chosen drive's probe that its checks would hide.
  QStringList GetProbeFailures() const;
  virtual void GetDiscSpace(TsbDiscSpace& out);
  virtual void GetReadModes(TsbReadModes& out);
  virtual void GetWriteModes(TsbWriteModes& out);  // default keeps CanTestWrite
  virtual void GetDeviceInfo(TsbDeviceInfo& out);  // default keeps FormatFlags
  virtual void GetDVDRPC(TsbDVDRPC& out);
  void GetSelectedAddress(DiscwrightDeviceAddress& out);
  void GetDevicePath(QString& out);  // default leaves out as it is
  // Why the chosen drive cannot be used, with the remedy; empty for a usable one.
  QString GetUnusableReason();
  // Whether erasing makes the chosen disc one to burn on: a used rewritable
  // disc in a writer, "Erase disc..." shown.
  bool EraseHelps() const;
  // refusal, a burn's refusal of the chosen disc, pointing at "Erase disc..."
  // when erasing helps.
  QString WithEraseHint(const QString& refusal) const;
  // The record behind the chosen entry, or none.
  const TsbDeviceItem* SelectedRecord() const;

  void btnRefreshClick();
  // Asks quick or full, erases the chosen disc behind the progress window,
  // then rescans and says how it ended.
  void btnEraseClick();
  void lvDevicesChange(QTreeWidgetItem* item);
  // A drive was plugged in or removed, or its disc changed: rescans that drive
  // alone on a worker thread and updates its entry, leaving the focus and the
  // selection where they are. Ignored while the page is hidden or scanning.
  void DriveChanged(const QString& deviceName);
  // After the entry of a changed drive has been updated (tests wait for it).
  std::function<void(const QString& deviceName)> OnDrivesRescanned;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FillList(const DiscwrightDeviceAddress& lastAddress, const QString& lastPath);
  bool Listed(const TsbDeviceItem& record) const;
  // The entry's texts and tool tips for record.
  void ShowRecord(QTreeWidgetItem* entry, const TsbDeviceItem& record);
  void StartDriveRescan();
  void StopDriveRescan();  // waits for a running one and drops what it finds
  void MergeDriveRescan(unsigned generation);
  void FinishFill();
  void FitColumns();
  void ArrangeColumns();
  void ClearEntries();
  void SelectEntry(QTreeWidgetItem* entry);
  // Also shows or hides the note of an unusable drive.
  void UpdateEraseButton();

  // The button the keyboard was on when a scan or an erase began: disabled, it passed
  // the keyboard on along the window's chain, round to the title band's buttons.
  QWidget* focusBeforeBusy_ = nullptr;
  std::vector<TsbDeviceItem*> records_;  // by entry index, owned by Finder
  bool entryEverChanged_ = false;        // survives rescans: the first fill alone picks an entry
  std::array<int, 6> wanted_{150, 70, 60, 60, 70, 85};  // column widths the contents need
  bool arranging_ = false;

  // The rescan of changed drives, one drive at a time.
  QStringList pendingDrives_;
  QString rescanned_;
  TsbDeviceList rescanList_;
  std::unique_ptr<TsbDeviceFinderThread> rescan_;
  unsigned scanGeneration_ = 0;
};
