#include "sbThreads.h"

#include "sbUiHooks.h"

TsbWorkerThread::~TsbWorkerThread() {
  if (thread_.joinable()) thread_.join();
}

void TsbWorkerThread::Start() { thread_ = std::thread([this] { Run(); }); }

void TsbWorkerThread::Run() {
  try {
    Execute();
  } catch (...) {
    // An exception ends the thread; the termination step below still runs so
    // that the waiting window thread returns.
  }
  if (OnTerminate) OnTerminate(this);
  std::lock_guard lock(mutex_);
  ended_ = true;
  endedCv_.notify_all();
}

bool TsbWorkerThread::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return endedCv_.wait_for(lock, timeout, [this] { return ended_; });
}

bool TsbWorkerThread::Ended() {
  std::lock_guard lock(mutex_);
  return ended_;
}

void WaitPumping(TsbWorkerThread& thread) {
  while (!thread.WaitFor(kWaitSlice)) ProcessMessages();
}
