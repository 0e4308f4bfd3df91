// What the burning classes need from a user interface, as replaceable hooks:
// the wizard sets them to Qt's event processing and message boxes; headless
// they do nothing (messages) or print to stderr (error boxes).
#pragma once

#include <QString>

#include <chrono>
#include <functional>

// Lets the window thread handle its pending events; called between the short
// waits for a worker thread.
void SetProcessMessagesHook(std::function<void()> hook);
void ProcessMessages();

// Shows an error to the user (an error message box with an OK button in the wizard).
void SetErrorBoxHook(std::function<void(const QString& text)> hook);
void ShowErrorBox(const QString& text);

// A library failure that a check only logs, because its own message follows
// (a failed free-space query ends as "image too big"): the command-line burner
// shows these above that message so that the library's reason is not lost.
void SetLibraryFailureHook(std::function<void(const QString& text)> hook);
void NoteLibraryFailure(const QString& text);

// Longest single wait of the window thread for a worker thread.
inline constexpr std::chrono::milliseconds kWaitSlice{80};
