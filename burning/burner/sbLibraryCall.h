// One way to call the library from the burning classes: the call's name goes
// into the diagnostic log, the error triple is passed and kept (the burner's, or
// one of the caller's own), and a failure becomes the call's failure text.
// SB_CALL names the called function itself, so the logged name and the failure
// text always name the call made. Nothing here throws a library failure: the
// caller decides whether it is tolerated, said in its own words or raised.
#pragma once

#include <QString>

#include <exception>

#include "sbBurner.h"
#include "sbDeviceOpen.h"
#include "sbLogging.h"

namespace sblibrary {
inline void LogCall(const char* name, const QString& note) {
  const QString call = QString::fromLatin1(name);
  LogDiagnostic(note.isEmpty() ? call : call + note);
}
}  // namespace sblibrary

// Calls function(grabber, triple..., args...) on the burner's opened device,
// after logging name and, when given, note. True when the call succeeded.
template <class Function, class... Args>
bool CallLibrary(TsbBurner& burner, const char* name, const QString& note, Function function, Args... args) {
  burner.LastCall = QString::fromLatin1(name);
  sblibrary::LogCall(name, note);
  burner.ExceptionNumber = function(burner.Grabber, burner.ExceptionText, DISCWRIGHT_TEXT_SIZE, &burner.Status,
                                    burner.FailureInfo, args...);
  return burner.ExceptionNumber == 0;
}

// The same for the calls on the burner's file tree, whose triple has no failure block.
template <class Function, class... Args>
bool CallFileTree(TsbBurner& burner, const char* name, const QString& note, Function function, Args... args) {
  burner.LastCall = QString::fromLatin1(name);
  sblibrary::LogCall(name, note);
  burner.ExceptionNumber = function(burner.FileTree, burner.ExceptionText, DISCWRIGHT_TEXT_SIZE, &burner.Status,
                                    args...);
  return burner.ExceptionNumber == 0;
}

// The same for a call on a device opened beside the burner, into the caller's
// own triple (a probe, a query of the disc): the code stays in triple.code and
// triple.FailureText() names the call.
template <class Function, class... Args>
bool CallLibrary(TsbCallTriple& triple, const char* name, const QString& note, Function function,
                 DiscwrightHandle handle, Args... args) {
  triple.Call = QString::fromLatin1(name);
  sblibrary::LogCall(name, note);
  triple.code = function(handle, triple.text, DISCWRIGHT_TEXT_SIZE, &triple.status, triple.failure, args...);
  return triple.code == DW_E_OK;
}

// The calls that create the burner's file tree into burner.FileTree.
template <class Function, class... Args>
bool CreateFileTreeCall(TsbBurner& burner, const char* name, const QString& note, Function function, Args... args) {
  burner.LastCall = QString::fromLatin1(name);
  sblibrary::LogCall(name, note);
  burner.ExceptionNumber = function(&burner.FileTree, burner.ExceptionText, DISCWRIGHT_TEXT_SIZE, &burner.Status,
                                    args...);
  return burner.ExceptionNumber == 0;
}

// A call without a triple (start, search, lookups by name or address, settings):
// logged the same way; answers what the call answers.
template <class Function, class... Args>
auto CallPlain(const char* name, const QString& note, Function function, Args... args) {
  sblibrary::LogCall(name, note);
  return function(args...);
}

// Destroys a handle, logged as "Discwright_Destroy: <what>". The handle goes even
// when the log cannot be written; that failure is raised afterwards.
inline void DestroyHandle(DiscwrightHandle& handle, const char* what) {
  std::exception_ptr logFailure;
  try {
    sblibrary::LogCall("Discwright_Destroy", QStringLiteral(": ") + QString::fromLatin1(what));
  } catch (...) {
    logFailure = std::current_exception();
  }
  Discwright_Destroy(&handle);
  handle = 0;
  if (logFailure) std::rethrow_exception(logFailure);
}

// Logged as its own name; SB_CALL_NOTED adds a note to the log line. The first
// argument is the burner, or a TsbCallTriple followed by the device's handle.
#define SB_CALL(burner, function, ...) CallLibrary(burner, #function, QString(), function __VA_OPT__(, ) __VA_ARGS__)
#define SB_CALL_NOTED(burner, note, function, ...) \
  CallLibrary(burner, #function, note, function __VA_OPT__(, ) __VA_ARGS__)
#define SB_TREE_CREATE(burner, function, ...) \
  CreateFileTreeCall(burner, #function, QString(), function __VA_OPT__(, ) __VA_ARGS__)
#define SB_CALL_PLAIN(function, ...) CallPlain(#function, QString(), function __VA_OPT__(, ) __VA_ARGS__)
#define SB_CALL_PLAIN_NOTED(note, function, ...) CallPlain(#function, note, function __VA_OPT__(, ) __VA_ARGS__)
#define SB_TREE_CALL(burner, function, ...) \
  CallFileTree(burner, #function, QString(), function __VA_OPT__(, ) __VA_ARGS__)
#define SB_TREE_CALL_NOTED(burner, note, function, ...) \
  CallFileTree(burner, #function, note, function __VA_OPT__(, ) __VA_ARGS__)
