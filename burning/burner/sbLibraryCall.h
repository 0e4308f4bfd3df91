// One way to call the library from the burning classes: the call's name goes
// into the diagnostic log, the burner's error triple is passed and kept, and a
// failure becomes the burner's failure text. SB_CALL names the called function
// itself, so the logged name and the failure text always name the call made.
#pragma once

#include <QString>

#include "sbBurner.h"
#include "sbLogging.h"

// Calls function(grabber, triple..., args...) on the burner's opened device,
// after logging name and, when given, note. True when the call succeeded.
template <class Function, class... Args>
bool CallLibrary(TsbBurner& burner, const char* name, const QString& note, Function function, Args... args) {
  burner.LastCall = QString::fromLatin1(name);
  LogDiagnostic(note.isEmpty() ? burner.LastCall : burner.LastCall + note);
  burner.ExceptionNumber = function(burner.Grabber, burner.ExceptionText, DISCWRIGHT_TEXT_SIZE, &burner.Status,
                                    burner.FailureInfo, args...);
  return burner.ExceptionNumber == 0;
}

// The same for the calls on the burner's file tree, whose triple has no failure block.
template <class Function, class... Args>
bool CallFileTree(TsbBurner& burner, const char* name, const QString& note, Function function, Args... args) {
  burner.LastCall = QString::fromLatin1(name);
  LogDiagnostic(note.isEmpty() ? burner.LastCall : burner.LastCall + note);
  burner.ExceptionNumber = function(burner.FileTree, burner.ExceptionText, DISCWRIGHT_TEXT_SIZE, &burner.Status,
                                    args...);
  return burner.ExceptionNumber == 0;
}

// Logged as its own name; SB_CALL_NOTED adds a note to the log line.
#define SB_CALL(burner, function, ...) CallLibrary(burner, #function, QString(), function __VA_OPT__(, ) __VA_ARGS__)
#define SB_CALL_NOTED(burner, note, function, ...) \
  CallLibrary(burner, #function, note, function __VA_OPT__(, ) __VA_ARGS__)
#define SB_TREE_CALL(burner, function, ...) \
  CallFileTree(burner, #function, QString(), function __VA_OPT__(, ) __VA_ARGS__)
#define SB_TREE_CALL_NOTED(burner, note, function, ...) \
  CallFileTree(burner, #function, note, function __VA_OPT__(, ) __VA_ARGS__)
