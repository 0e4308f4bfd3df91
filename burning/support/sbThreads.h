// Worker threads that the window thread starts and then waits for in short
// slices, keeping its events flowing (the burn thread, the device finder thread).
#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "sbLogging.h"

// Sender, text and kind of a report.
using TsbMessageEvent = std::function<void(const void* sender, const QString& text, TsbLogItemType kind)>;

class TsbWorkerThread {
 public:
  TsbWorkerThread() = default;
  virtual ~TsbWorkerThread();  // joins the thread
  TsbWorkerThread(const TsbWorkerThread&) = delete;
  TsbWorkerThread& operator=(const TsbWorkerThread&) = delete;

  // Called on the worker thread itself as its last step, also after an exception.
  std::function<void(TsbWorkerThread*)> OnTerminate;

  void Start();
  // Waits at most timeout, less when WakeWaitingThreads is called meanwhile;
  // true once the thread has ended.
  bool WaitFor(std::chrono::milliseconds timeout);
  bool Ended();

 protected:
  virtual void Execute() = 0;

 private:
  void Run();

  std::thread thread_;
  // Changed under the waits' shared mutex; atomic as well, because the race
  // detector does not see that mutex taken again inside a timed wait.
  std::atomic<bool> ended_{false};
};

// Ends the current wait slice of every thread waiting in WaitFor, so that an
// update a worker has just handed to the window thread is shown at once
// instead of at the end of the slice.
void WakeWaitingThreads();

// Waits for the thread in slices of kWaitSlice, processing window events after each slice.
void WaitPumping(TsbWorkerThread& thread);

// Runs work on a thread of its own while this thread waits for it as WaitPumping does,
// calling eachSlice (may be empty) after every slice and once more at the end, so that
// what the work reports can be passed on from this thread. An exception of work is
// raised here.
void RunOnWorker(const std::function<void()>& work, const std::function<void()>& eachSlice = {});
