#include "sbUiHooks.h"

#include <cstdio>
#include <mutex>

namespace {
std::mutex hookMutex;
std::function<void()> processMessagesHook;
std::function<void(const QString&)> errorBoxHook;
}  // namespace

void SetProcessMessagesHook(std::function<void()> hook) {
  std::lock_guard lock(hookMutex);
  processMessagesHook = std::move(hook);
}

void ProcessMessages() {
  std::function<void()> hook;
  {
    std::lock_guard lock(hookMutex);
    hook = processMessagesHook;
  }
  if (hook) hook();
}

void SetErrorBoxHook(std::function<void(const QString&)> hook) {
  std::lock_guard lock(hookMutex);
  errorBoxHook = std::move(hook);
}

void ShowErrorBox(const QString& text) {
  std::function<void(const QString&)> hook;
  {
    std::lock_guard lock(hookMutex);
    hook = errorBoxHook;
  }
  if (hook)
    hook(text);
  else
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}
