// What korvanel-cli asks of the operating system, one implementation per platform
// (CliPlatform_posix.cpp, CliPlatform_windows.cpp).
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

// Calls handler (which may only set a flag) on Ctrl+C and on a request to end: SIGINT
// and SIGTERM; on Windows Ctrl+C, Ctrl+Break and the console being closed.
void InstallInterruptHandler(void (*handler)());

// Text in the console's encoding: the locale's on POSIX; UTF-8 on Windows, where
// PrepareConsole switches the console to it (the ANSI code page cannot show most names).
QByteArray ForConsole(const QString& text);
void PrepareConsole();

// Whether stream is a terminal (a console window), where a progress bar is drawn.
bool IsTerminal(std::FILE* stream);

// What kind of entry name is when it is not a file, a folder or a link (those a tree
// of files leaves out); None for the rest and when it cannot be examined.
enum class SpecialFile { None, Fifo, Socket, CharacterDevice, BlockDevice };
SpecialFile SpecialFileKind(const QString& name);

// Whether the current user may create files in folder; the system's reason when not.
bool FolderWritable(const QString& folder, QString& reason);
