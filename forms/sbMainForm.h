// The base of the wizard's main window: it owns the library session, the one
// burner, the actions of the burn, the visible log and the page order, and
// offers the hooks the wizard fills in.
#pragma once

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <memory>

#include "sbLibrarySession.h"

class TsbActionList;
class TsbBurnAtOnceToCDDVDAction;
class TsbBurner;
class TsbDockForm;
class TsbLog;

class TsbMainForm : public QWidget {
  Q_OBJECT

 public:
  // options: the recorders the library session is started with.
  explicit TsbMainForm(TsbLibraryOptions options = {}, QWidget* parent = nullptr);
  ~TsbMainForm() override;

  QStringList PageOrder;  // page numbers as decimal text, in the order of the wizard
  bool LibraryStarted = false;
  std::unique_ptr<TsbLog> Log;  // what the burning page shows
  std::unique_ptr<TsbActionList> Actions;
  bool CanClose = true;   // false while a page is busy
  uint8_t BurnState = 0;  // 0 idle, 1 burning, 2 burn finished
  std::unique_ptr<TsbBurner> Burner;
  std::unique_ptr<TsbBurnAtOnceToCDDVDAction> BurnAtOnceAction;
  TsbLibraryOptions StartupOptions;

  virtual void InitPageOrder();
  // The page after (before) page in PageOrder; -1 when it is the last (first)
  // or not listed.
  virtual int GetNextPage(int page);
  virtual int GetPrevPage(int page);
  virtual void PageBusyBegin(TsbDockForm* sender);
  virtual void PageBusyEnd(TsbDockForm* sender);
  // Appends copies of the page's summary lines (actions) owned by pageIndex.
  virtual void CollectPageLog(TsbDockForm* page, int pageIndex);
  virtual void CollectPageActions(TsbDockForm* page, int pageIndex);
  virtual void UpdateButtons();
  // Drops the first line (action) of pageIndex and everything after it.
  virtual void DropPageLog(int pageIndex);
  virtual void DropPageActions(int pageIndex);
  // Checks and commits the current page; refuses it by raising.
  virtual bool ValidatePage();
  virtual void LeavePage(int current, int target);
  virtual int CurrentPage();
  virtual void ApplyTexts();
  // Starts the library session once; raises TsbError when it fails.
  virtual void StartLibrary();
  // Shuts the session down, started or not; never raises.
  virtual void StopLibrary();
};

// Lets the burner's and the device finder's short waits process Qt's events.
void ProcessQtEventsWhileWaiting();
