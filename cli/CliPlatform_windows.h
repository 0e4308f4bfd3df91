// The console control handler that InstallInterruptHandler sets on Windows, reachable
// for a test: a console event cannot be sent to one child process on every host (Wine
// without a console window cannot).
#pragma once

#include <windows.h>

// On Ctrl+C, Ctrl+Break and the console being closed: calls the interrupt handler and
// answers TRUE, so the process is not ended at once; other events go to the next handler.
BOOL WINAPI OnConsoleEvent(DWORD event);
