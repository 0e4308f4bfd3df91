#include "sbUiHooks.h"

#include <mutex>
#include <thread>

namespace {
std::mutex hookMutex;
std::function<void()> processMessagesHook;
std::function<void(const QString&)> libraryFailureHook;
std::function<std::shared_ptr<void>()> runHoldHook;
std::function<void(const QString&)> discChangedHook;
std::function<void(std::chrono::milliseconds)> eventWaitHook;
std::function<void()> eventWakeHook;
std::thread::id eventWaitThread;

template <class Hook>
Hook Current(const Hook& hook) {
  std::lock_guard lock(hookMutex);
  return hook;
}
}  // namespace

void SetProcessMessagesHook(std::function<void()> hook) {
  std::lock_guard lock(hookMutex);
  processMessagesHook = std::move(hook);
}

void ProcessMessages() {
  if (auto hook = Current(processMessagesHook)) hook();
}

void SetLibraryFailureHook(std::function<void(const QString&)> hook) {
  std::lock_guard lock(hookMutex);
  libraryFailureHook = std::move(hook);
}

void NoteLibraryFailure(const QString& text) {
  if (auto hook = Current(libraryFailureHook)) hook(text);
}

void SetRunHoldHook(std::function<std::shared_ptr<void>()> hook) {
  std::lock_guard lock(hookMutex);
  runHoldHook = std::move(hook);
}

std::shared_ptr<void> HoldWhileRunning() {
  if (auto hook = Current(runHoldHook)) return hook();
  return {};
}

void SetDiscChangedHook(std::function<void(const QString&)> hook) {
  std::lock_guard lock(hookMutex);
  discChangedHook = std::move(hook);
}

void NoteDiscChanged(const QString& deviceName) {
  if (auto hook = Current(discChangedHook)) hook(deviceName);
}

void SetEventWaitHook(std::function<void(std::chrono::milliseconds)> wait, std::function<void()> wake) {
  std::lock_guard lock(hookMutex);
  eventWaitHook = std::move(wait);
  eventWakeHook = std::move(wake);
  eventWaitThread = std::this_thread::get_id();
}

std::function<void(std::chrono::milliseconds)> EventWaitHookForThisThread() {
  std::lock_guard lock(hookMutex);
  if (eventWaitThread != std::this_thread::get_id()) return {};
  return eventWaitHook;
}

void WakeEventWait() {
  if (auto wake = Current(eventWakeHook)) wake();
}
