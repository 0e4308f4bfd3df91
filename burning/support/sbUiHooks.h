// What the burning classes need from a user interface besides its dialogs
// (sbDialogs.h), as replaceable hooks: the wizard sets event processing to
// Qt's; headless it does nothing.
#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

// Lets the window thread handle its pending events; called between the short
// waits for a worker thread.
void SetProcessMessagesHook(std::function<void()> hook);
void ProcessMessages();

// How the window thread waits for a worker in a user interface: wait(most)
// blocks until an event arrives for the window thread (or most has passed) and
// handles it, so that events posted by other threads (the accessibility bus's
// requests, queued updates) are served at once instead of at the end of a
// slice; wake ends such a wait from any thread. Set on the window thread,
// which alone then waits this way; without it waits sleep on a condition.
void SetEventWaitHook(std::function<void(std::chrono::milliseconds most)> wait, std::function<void()> wake);
// The waiting hook when the calling thread is the one that set it, else empty.
std::function<void(std::chrono::milliseconds)> EventWaitHookForThisThread();
void WakeEventWait();

// A library failure that a check only logs, because its own message follows
// (a failed free-space query ends as "image too big"): the command-line burner
// shows these above that message so that the library's reason is not lost.
void SetLibraryFailureHook(std::function<void(const QString& text)> hook);
void NoteLibraryFailure(const QString& text);

// Something the desktop keeps for as long as a burn or an erase runs (a sleep
// inhibitor): HoldWhileRunning makes it, dropping the answer lets it go.
// Without a hook the answer is empty.
void SetRunHoldHook(std::function<std::shared_ptr<void>()> hook);
std::shared_ptr<void> HoldWhileRunning();

// A disc that this process inserted or ejected itself (a virtual recorder's,
// see SetDiscInserted): the drive watch hears of it as of a udev event.
void SetDiscChangedHook(std::function<void(const QString& deviceName)> hook);
void NoteDiscChanged(const QString& deviceName);

// Longest single wait of the window thread for a worker thread.
inline constexpr std::chrono::milliseconds kWaitSlice{80};
