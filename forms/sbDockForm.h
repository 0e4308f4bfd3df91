// The base of every wizard page: a window docked into a panel of the main
// window, handed the burner when it is entered, reporting when it is busy, and
// able to contribute lines to the visible log and actions to the burn.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>

class TsbActionList;
class TsbBurner;
class TsbLog;

class TsbDockForm : public QWidget {
  Q_OBJECT

 public:
  using BusyEvent = std::function<void(TsbDockForm* sender)>;

  explicit TsbDockForm(QWidget* parent = nullptr);
  ~TsbDockForm() override;

  TsbBurner* Burner = nullptr;  // handed over by Activate, not owned
  int32_t BusyCount = 0;        // nesting of BeginBusy/EndBusy
  BusyEvent OnBusyBegin;
  BusyEvent OnBusyEnd;

  virtual void BeginBusy();
  virtual void EndBusy();
  virtual void DoActivate();
  // Stores the burner, then lets the page load its controls from it.
  virtual void Activate(TsbBurner* burner);
  // Makes the page fill parent with a 5-pixel inset at the left and top,
  // following the parent's size on every side.
  virtual void DockInto(QWidget* parent);
  // The page's lines for the visible log, or none.
  virtual TsbLog* GetSummaryLog();
  // The page's actions for the burn, or none.
  virtual TsbActionList* GetActionList();
};
