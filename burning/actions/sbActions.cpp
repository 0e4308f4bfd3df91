#include "sbActions.h"

#include <QCoreApplication>

#include <algorithm>
#include <exception>

#include "sbBurner.h"
#include "sbCallbacks.h"
#include "sbDialogs.h"
#include "sbErrors.h"
#include "sbHelpers.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"
#include "sbUiHooks.h"

namespace {


QString ExceptionMessage(const std::exception& e) {
  if (const auto* error = dynamic_cast<const TsbError*>(&e)) return error->Message();
  if (const auto* error = dynamic_cast<const TsbIOError*>(&e)) return error->Message();
  return QString::fromLocal8Bit(e.what());
}

}  // namespace

// ---- TsbActionList -----------------------------------------------------------

TsbActionList::~TsbActionList() { Burner = nullptr; }

TsbActionItem& TsbActionList::Add() { return *items_.emplace_back(std::make_unique<TsbActionItem>(*this)); }

void TsbActionList::Delete(int index) {
  items_.at(static_cast<std::size_t>(index));  // the range check
  items_.erase(items_.begin() + index);
}

void TsbActionList::DeleteFromPage(int32_t pageOwner) {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->PageOwner == pageOwner) {
      items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i), items_.end());
      return;
    }
  }
}

void TsbActionList::PropagateOnMessage() {
  for (const auto& item : items_)
    if (item->Action) item->Action->OnMessage = OnMessage;
}

bool TsbActionList::DiscIsReadAfter(const TsbActionItem* item) const {
  auto it = std::find_if(items_.begin(), items_.end(), [item](const auto& i) { return i.get() == item; });
  if (it == items_.end()) return false;
  return std::any_of(std::next(it), items_.end(), [](const auto& i) { return i->Action && i->Action->ReadsDiscBack(); });
}

// ---- TsbAction -------------------------------------------------------------------

TsbAction::~TsbAction() { ActionList = nullptr; }

void TsbAction::Execute(TsbActionItem* item) {
  if (!item) throw TsbError(QCoreApplication::translate("sbActions", "Invalid action"));
  ActionList = &item->Collection();
  GlobalCallBackEventer().DoProgress(0);
}

void TsbAction::DoMessage(const QString& text, TsbLogItemType kind) {
  if (OnMessage) OnMessage(this, text, kind);
}

void TsbAction::HandleBurnerMessage(const void*, const QString& text, TsbLogItemType kind) { DoMessage(text, kind); }

TsbBurner& TsbAction::Burner() const {
  if (!ActionList || !ActionList->Burner)
    throw TsbError(QCoreApplication::translate("sbActions", "The action has no burner to work on"));
  return *ActionList->Burner;
}

void TsbAction::Report(const QString& text, TsbLogItemType kind) {
  Burner().LastMessage = text;
  DoMessage(text, kind);
}

void TsbAction::Eject() {
  TsbBurner& b = Burner();
  b.Release();  // a locked tray refuses to open; the burner reports its own failure
  if (ActionList && !ActionList->EjectWhenDone) {
    Report(QCoreApplication::translate("sbActions", "The disc stays in the drive"), litInfo);
    return;
  }
  if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_Eject)) {
    const QString failure = b.LastFailureText();
    b.LastMessage = failure;
    LogDiagnostic(failure);
    DoMessage(failure, litError);
    return;
  }
  Report(QCoreApplication::translate("sbActions", "Eject disc"), litInfo);
}

void TsbAction::CloseSession() {
  TsbBurner& b = Burner();
  GlobalCallBackEventer().DoProgress(100);
  Report(QCoreApplication::translate("sbActions", "Closing session"), litInfo);
  if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_CloseSession)) {
    // The data is on the disc but its session is not closed, which most drives
    // cannot read: the burn has failed, whatever the write itself reported.
    b.LastMessage = b.LastFailureText();
    LogDiagnostic(b.LastMessage);
    b.BurnSucceeded = false;
    throw TsbError(b.LastMessage);
  }
}

// ---- Running a list -----------------------------------------------------------------

bool RunActions(TsbActionList& list, TsbBurner& burner, TsbMessageEvent handler, const void* sender) {
  struct ClearBurner {
    TsbActionList& list;
    ~ClearBurner() { list.Burner = nullptr; }
  } clearBurner{list};

  list.OnMessage = std::move(handler);
  list.PropagateOnMessage();
  list.Burner = &burner;

  QString failure;
  try {
    for (int i = 0; i < list.Count(); ++i) {
      TsbActionItem& item = list.Items(i);
      if (item.Action) item.Action->Execute(&item);
    }
    return true;
  } catch (const std::exception& e) {
    failure = ExceptionMessage(e);
  }
  if (list.OnMessage) list.OnMessage(sender ? sender : &list, failure, litError);
  Dialogs().ErrorMessage(failure);
  return false;
}
