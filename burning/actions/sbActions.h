// The action model: a burn is an ordered list of actions, each one operation
// against the burner (prepare, burn, close session, eject, write an image file).
// Items only refer to their actions; the actions belong to whoever created them.
#pragma once

#include <QString>

#include <cstdint>
#include <deque>
#include <memory>

#include "sbLogging.h"
#include "sbThreads.h"

class TsbAction;
class TsbActionList;
class TsbBurner;

class TsbActionItem {
 public:
  explicit TsbActionItem(TsbActionList& owner) : owner_(&owner) {}
  TsbActionItem(const TsbActionItem&) = delete;
  TsbActionItem& operator=(const TsbActionItem&) = delete;

  TsbAction* Action = nullptr;  // not owned
  int32_t PageOwner = 0;        // wizard page on whose account the item was added

  // Copies the action reference and the page owner, not the owning list.
  void Assign(const TsbActionItem& source) {
    Action = source.Action;
    PageOwner = source.PageOwner;
  }
  TsbActionList& Collection() const { return *owner_; }

 private:
  TsbActionList* owner_;
};

// The image file a burn is made from.
struct TsbActionSource {
  bool Assigned = false;
  QString FileName;
  int32_t Reserved = 0;  // kept with the record; no action reads it

  void Clear() { *this = TsbActionSource{}; }
};

class TsbActionList {
 public:
  TsbActionList() = default;
  virtual ~TsbActionList();
  TsbActionList(const TsbActionList&) = delete;
  TsbActionList& operator=(const TsbActionList&) = delete;

  TsbBurner* Burner = nullptr;  // set only while a run is in progress
  TsbMessageEvent OnMessage;    // where every action of the list reports
  bool ReportStages = true;     // routine stage texts reach OnMessage
  TsbActionSource Source;
  // Off: the tray stays shut when the list is done, so that the disc can be used at once.
  bool EjectWhenDone = true;

  int Count() const { return static_cast<int>(items_.size()); }
  // 0-based; throws std::out_of_range for a bad index.
  TsbActionItem& Items(int index) { return *items_.at(static_cast<std::size_t>(index)); }
  const TsbActionItem& Items(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
  // Appends an item without an action; the reference stays valid while the item lives.
  TsbActionItem& Add();
  void Delete(int index);
  void Clear() { items_.clear(); }
  // Deletes the first item owned by the page and every item after it, whatever their owner,
  // so that stepping back over a page also drops what later pages added.
  void DeleteFromPage(int32_t pageOwner);

  // Hands the list's OnMessage to every action of its items.
  virtual void PropagateOnMessage();
  // True when an item after the given one reads the disc back, so the disc must stay in the drive.
  bool DiscIsReadAfter(const TsbActionItem* item) const;

 private:
  std::deque<std::unique_ptr<TsbActionItem>> items_;
};

class TsbAction {
 public:
  TsbAction() = default;
  virtual ~TsbAction();
  TsbAction(const TsbAction&) = delete;
  TsbAction& operator=(const TsbAction&) = delete;

  TsbMessageEvent OnMessage;
  TsbActionList* ActionList = nullptr;  // the list whose item runs; set by Execute

  // Base step of every action: refuses a missing item ("Invalid action"), takes the
  // item's list as ActionList and resets the write progress to 0.
  virtual void Execute(TsbActionItem* item);
  virtual void DoMessage(const QString& text, TsbLogItemType kind);
  // Bound to the burner's message event, so the burn thread's texts become this action's.
  virtual void HandleBurnerMessage(const void* sender, const QString& text, TsbLogItemType kind);

  // True for an action that reads the burned disc back.
  virtual bool ReadsDiscBack() const { return false; }
  // Releases the tray and ejects (only releases it when the list keeps the disc in);
  // a failure is an error line, never raised.
  void Eject();
  // Closes the open track-at-once session; a failure is only logged.
  void CloseSession();

 protected:
  // The burner of the running list; raises when the action runs outside a run.
  TsbBurner& Burner() const;
  // Stores the text as the burner's last message, then reports it.
  void Report(const QString& text, TsbLogItemType kind);
};

// Runs the list's actions in order against the burner, reporting through handler. The first
// exception ends the run: its text becomes an error line and an error box. The list's burner
// is cleared afterwards in every case. True when every action ran without raising.
bool RunActions(TsbActionList& list, TsbBurner& burner, TsbMessageEvent handler, const void* sender = nullptr);
