#include "sbUiHooks.h"

#include <mutex>

namespace {
std::mutex hookMutex;
std::function<void()> processMessagesHook;
std::function<void(const QString&)> libraryFailureHook;

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
