#include "sbMainForm.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>

#include "Discwright.h"
#include "sbActions.h"
#include "sbBurnAtOnceAction.h"
#include "sbBurner.h"
#include "sbDockForm.h"
#include "sbLogging.h"
#include "sbUiHooks.h"

TsbMainForm::TsbMainForm(TsbLibraryOptions options, QWidget* parent)
    : QWidget(parent),
      Log(std::make_unique<TsbLog>()),
      Actions(std::make_unique<TsbActionList>()),
      Burner(std::make_unique<TsbBurner>()),
      BurnAtOnceAction(std::make_unique<TsbBurnAtOnceToCDDVDAction>()),
      StartupOptions(std::move(options)) {}

TsbMainForm::~TsbMainForm() {
  // The burner's device handles go before the session that made them.
  BurnAtOnceAction.reset();
  Burner.reset();
  Actions.reset();
  Log.reset();
  PageOrder.clear();
  TsbMainForm::StopLibrary();
}

void TsbMainForm::InitPageOrder() { PageOrder.clear(); }

int TsbMainForm::GetNextPage(int page) {
  const int at = PageOrder.indexOf(QString::number(page));
  return at < 0 || at + 1 >= PageOrder.size() ? -1 : PageOrder[at + 1].toInt();
}

int TsbMainForm::GetPrevPage(int page) {
  const int at = PageOrder.indexOf(QString::number(page));
  return at <= 0 ? -1 : PageOrder[at - 1].toInt();
}

void TsbMainForm::PageBusyBegin(TsbDockForm*) { CanClose = false; }

void TsbMainForm::PageBusyEnd(TsbDockForm*) {
  UpdateButtons();
  CanClose = true;
}

void TsbMainForm::CollectPageLog(TsbDockForm* page, int pageIndex) {
  const TsbLog* pageLog = page ? page->GetSummaryLog() : nullptr;
  if (!pageLog) return;
  for (int i = 0; i < pageLog->Count(); ++i) {
    TsbLogItem& copy = Log->Add();
    copy.Assign(pageLog->Items(i));
    copy.PageOwner = pageIndex;
  }
}

void TsbMainForm::CollectPageActions(TsbDockForm* page, int pageIndex) {
  const TsbActionList* pageActions = page ? page->GetActionList() : nullptr;
  if (!pageActions) return;
  for (int i = 0; i < pageActions->Count(); ++i) {
    TsbActionItem& copy = Actions->Add();
    copy.Assign(pageActions->Items(i));
    copy.PageOwner = pageIndex;
  }
}

void TsbMainForm::UpdateButtons() {}

void TsbMainForm::DropPageLog(int pageIndex) { Log->DeleteFromPage(pageIndex); }

void TsbMainForm::DropPageActions(int pageIndex) { Actions->DeleteFromPage(pageIndex); }

bool TsbMainForm::ValidatePage() { return true; }

void TsbMainForm::LeavePage(int, int) {}

int TsbMainForm::CurrentPage() { return -1; }

void TsbMainForm::ApplyTexts() {}

void TsbMainForm::StartLibrary() {
  if (LibraryStarted) return;
  UpStartLibrary(StartupOptions);
  LibraryStarted = true;
}

void TsbMainForm::StopLibrary() {
  try {
    GlobalLogger().WriteLog(QStringLiteral("Discwright_DownShut"), 0);
  } catch (...) {
    // Shutting down goes on whatever the log says.
  }
  Discwright_DownShut();
  LibraryStarted = false;
}

void ProcessQtEventsWhileWaiting() {
  SetProcessMessagesHook([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
  // Sleeping on a condition for a whole slice left every event posted from
  // another thread waiting for the slice's end: a screen reader walking the
  // window over the accessibility bus waited up to a slice per request, which
  // summed to seconds per walk. Waiting in Qt's event loop serves them at once.
  SetEventWaitHook(
      [](std::chrono::milliseconds most) {
        QTimer slice;  // ends the wait when nothing else does
        slice.setSingleShot(true);
        slice.start(most);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      },
      [] {
        if (QCoreApplication* app = QCoreApplication::instance())
          if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(app->thread()))
            dispatcher->wakeUp();
      });
}
