#include "sbThreads.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>

#include "sbUiHooks.h"

namespace {
// One mutex and condition for every wait: a wake must reach whichever thread
// the window thread is waiting for.
std::mutex waitMutex;
std::condition_variable waitCondition;
std::atomic<uint64_t> wakeCount{0};  // changed under waitMutex (atomic: see ended_)
}  // namespace

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
  {
    std::lock_guard lock(waitMutex);
    ended_ = true;
  }
  waitCondition.notify_all();
  WakeEventWait();
}

bool TsbWorkerThread::WaitFor(std::chrono::milliseconds timeout) {
  if (const auto waitForEvents = EventWaitHookForThisThread()) {
    // The window thread of a user interface waits in its event loop, so that
    // what other threads post to it is handled at once; the end of this
    // thread and WakeWaitingThreads wake it like any posted event.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const uint64_t wakes = wakeCount;
    while (!Ended() && wakeCount == wakes) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left <= std::chrono::milliseconds::zero()) break;
      waitForEvents(left);
    }
    return Ended();
  }
  std::unique_lock lock(waitMutex);
  const uint64_t wakes = wakeCount;
  waitCondition.wait_for(lock, timeout, [&] { return ended_ || wakeCount != wakes; });
  return ended_;
}

bool TsbWorkerThread::Ended() {
  std::lock_guard lock(waitMutex);
  return ended_;
}

void WakeWaitingThreads() {
  {
    std::lock_guard lock(waitMutex);
    ++wakeCount;
  }
  waitCondition.notify_all();
  WakeEventWait();
}

void WaitPumping(TsbWorkerThread& thread) {
  while (!thread.WaitFor(kWaitSlice)) ProcessMessages();
}

namespace {

class TsbFunctionThread final : public TsbWorkerThread {
 public:
  explicit TsbFunctionThread(const std::function<void()>& work) : work_(work) {}
  std::exception_ptr Failure;

 protected:
  void Execute() override {
    try {
      work_();
    } catch (...) {
      Failure = std::current_exception();
    }
  }

 private:
  const std::function<void()>& work_;
};

}  // namespace

void RunOnWorker(const std::function<void()>& work, const std::function<void()>& eachSlice) {
  TsbFunctionThread thread(work);
  thread.Start();
  while (!thread.WaitFor(kWaitSlice)) {
    ProcessMessages();
    if (eachSlice) eachSlice();
  }
  if (eachSlice) eachSlice();
  if (thread.Failure) std::rethrow_exception(thread.Failure);
}
