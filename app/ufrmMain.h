// The wizard window: seven pages in a page control without tabs, walked in a
// fixed order; it checks each page on Next and carries its choices into the
// burner and the action list, starts the burn on the burning page and hands
// the outcome to the finish window.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

#include "sbBurner.h"
#include "sbDesktopServices.h"
#include "sbMainForm.h"

class QLabel;
class QPushButton;
class QStackedWidget;
class QWidget;
class THelpActions;
class TWindowFrame;
class TSelectTransportForm;
class TfrmFinalAction;
class TfrmSelectDevice;
class TfrmSourceFileSelection;
class TfrmBurnOptions;
class TfrmBurnMode;
class TfrmOptionsSummary;
class TsbBurnPlan;
class TsbDriveEventSource;
class TsbDriveWatch;

class TMainForm : public TsbMainForm {
  Q_OBJECT

 public:
  // options: the recorders of the library session; imageFile: an image named
  // on the command line, preselected on the image file page.
  explicit TMainForm(TsbLibraryOptions options = {}, QString imageFile = {}, QWidget* parent = nullptr);
  ~TMainForm() override;

  std::unique_ptr<TWindowFrame> Frame;
  std::unique_ptr<THelpActions> Help;
  QLabel* LabelTitle;
  QLabel* LabelSubTitle;
  QStackedWidget* pcBurner;
  QWidget* pnlTs[7];  // the panel of each page; pnlTs[1] is the burning page's pnlFinalPage
  QPushButton* ButtonHelp;
  QPushButton* ButtonAbout;
  QPushButton* ButtonPrev;
  QPushButton* ButtonNext;
  QPushButton* ButtonClose;
  // "Stop after N copies", beside Cancel while a run of copies waits for a disc.
  QPushButton* ButtonStopCopies;

  // The pages, created on first entry.
  TSelectTransportForm* TransportPage = nullptr;
  TfrmFinalAction* FinalPage = nullptr;
  TfrmSelectDevice* DevicePage = nullptr;
  TfrmSourceFileSelection* SourceFilePage = nullptr;
  TfrmBurnOptions* BurnOptionsPage = nullptr;
  TfrmBurnMode* BurnModePage = nullptr;
  TfrmOptionsSummary* SummaryPage = nullptr;

  TsbBurnSettings BurnSettings;  // copied whole into the burner
  // The burn as the pages have chosen it so far; it checks each page on leaving it.
  std::unique_ptr<TsbBurnPlan> Plan;
  // Drives and discs coming and going; the device page rescans the drive.
  std::unique_ptr<TsbDriveWatch> DriveWatch;
  // Tells a user in another window how the burn ended (a desktop notification).
  std::function<void(const QString& summary, const QString& body)> SendNotice = [](const QString& summary,
                                                                                  const QString& body) {
    SendDesktopNotice(summary, body);
  };
  // Watches the drives through source (udev's monitor; a test's own feed).
  void WatchDrives(std::unique_ptr<TsbDriveEventSource> source);

  void InitPageOrder() override;
  void PageBusyBegin(TsbDockForm* sender) override;
  // Also closes the window when a close came during the scan that has just ended.
  void PageBusyEnd(TsbDockForm* sender) override;
  void UpdateButtons() override;
  bool ValidatePage() override;
  void LeavePage(int current, int target) override;
  int CurrentPage() override;
  void ApplyTexts() override;
  // Enables Cancel; bound to the burn-state event, so it may come from the
  // burn thread and is applied on the window thread.
  virtual void SetCancelEnabled(const void* sender, bool enabled);

  void FormCreate();
  void ButtonNextClick();
  void ButtonPrevClick();
  void ButtonCloseClick();
  void PageChanged();
  void UpdateTitles();
  void RecordPageResults();
  void PreparePage(int page);
  void ShowTransportPage();
  void ShowFinalPage();
  void ShowDevicePage();
  void ShowSourceFilePage();
  void ShowBurnOptionsPage();
  void ShowBurnModePage();
  void ShowSummaryPage();
  // "Source: 3 files, 2 folders, 412.7 MB" for a burn of files and folders.

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Makes page the active sheet and runs PageChanged once.
  void SwitchTo(int page);
  // Gives the keyboard to the current page's first control in the tab order,
  // or to Next where the page has none. Left to Qt, the window when shown gives
  // it to the first widget of its chain, the title band's Minimize button; a
  // clicked button keeps it; one disabled while a page works passes it on
  // along the chain, which wraps around to Minimize again.
  void FocusPage();
  // Next's work; raises what ValidatePage and the pages raise.
  void GoNext();
  // The string of the outcome of the burn: success, cancelled or failed.
  int OutcomeText() const;
  // How the run ended, for the line above the burning page's bar.
  QString RunEndText() const;
  // The burning page waits for the next copy's disc (status shown above the
  // bar), or no longer when status is empty.
  void ShowCopiesWait(const QString& status, int made);

  QString imageFile_;
  bool closeAfterScan_ = false;  // a close came during a device scan
};
