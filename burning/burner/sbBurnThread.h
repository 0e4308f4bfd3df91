// The thread that runs one library burn call (or the image-file copy) for the burner.
#pragma once

#include "sbBurner.h"
#include "sbThreads.h"

class TsbCustomThread : public TsbWorkerThread {
 public:
  explicit TsbCustomThread(TsbBurner* burner) : Burner(burner) {}

  std::atomic<TsbBurner*> Burner;  // cleared when the thread ends
  TsbMessageEvent OnMessage;

  virtual void DoMessage(const QString& text, TsbLogItemType kind);
};

class TsbBurnThread : public TsbCustomThread {
 public:
  using TsbCustomThread::TsbCustomThread;

  // The label of a mode in the "Burning mode" line, e.g. "Track-At-Once (from file)".
  static QString ModeLabel(TsbBurnMode mode);
  // The same for a track layout (bmSaoFromFile or bmTaoFromFile with the burner's Layout).
  static QString LayoutModeLabel(TsbBurnMode mode);

 protected:
  void Execute() override;

 private:
  void BurnDisc(TsbBurner& b);
  void WriteImageFile(TsbBurner& b);
};

// Runs one erase of the burner's disc (see TsbBurner::Erase).
class TsbEraseThread : public TsbBurnThread {
 public:
  TsbEraseThread(TsbBurner* burner, bool full) : TsbBurnThread(burner), Full(full) {}
  const bool Full;

 protected:
  void Execute() override;
};
