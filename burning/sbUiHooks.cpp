#include "sbUiHooks.h"

#include <mutex>

namespace {
std::mutex hookMutex;
std::function<void()> processMessagesHook;
std::function<void(const QString&)> libraryFailureHook;
std::function<std::shared_ptr<void>()> runHoldHook;
std::function<void(const QString&)> mediumChangedHook;

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

void SetMediumChangedHook(std::function<void(const QString&)> hook) {
  std::lock_guard lock(hookMutex);
  mediumChangedHook = std::move(hook);
}

void NoteMediumChanged(const QString& deviceName) {
  if (auto hook = Current(mediumChangedHook)) hook(deviceName);
}
