# Cross-building for 64-bit Windows with Debian's MinGW-w64 (POSIX threads:
# std::thread and std::mutex need them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KORVANEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KORVANEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVANEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVANEL_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KORVANEL_MINGW_TRIPLE})
# Qt for Windows, built by scripts/windows/build-qt.sh into a prefix of its own.
if(DEFINED ENV{KORVANEL_QT_WIN})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{KORVANEL_QT_WIN})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests and tools run under Wine.
find_program(KORVANEL_WINE NAMES wine64 wine)
if(KORVANEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVANEL_WINE})
endif()
