#!/usr/bin/env bash
# Builds Korvanel for 64-bit Windows on Debian with MinGW-w64 into build-win/, runs the
# Windows tests under Wine, and makes the installer (build-win/korvanel-<version>-setup.exe).
# The first run builds Qt (an hour or more) and libburn (a minute) for Windows from
# Debian's source; later runs reuse them. Usage: scripts/windows/build.sh [--no-tests] [--no-installer]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
run_tests=1
make_installer=1
for arg in "$@"; do
  case "$arg" in
    --no-tests) run_tests=0 ;;
    --no-installer) make_installer=0 ;;
    *) echo "usage: $0 [--no-tests] [--no-installer]" >&2; exit 2 ;;
  esac
done

"$top/scripts/install-deps.sh" --windows
started=$(date +%s)
qt=$("$here/build-qt.sh" | tail -n 1)
# Real drives: libburn for Windows (seconds to build, once).
libburn=$("$here/build-libburn.sh" | tail -n 1)

build=$top/build-win
export KORVANEL_QT_WIN=$qt
cmake -S "$top" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_PREFIX_PATH="$qt" -DKORVANEL_WINDOWS_LIBBURN="$libburn" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --parallel "${KORVANEL_JOBS:-2}"
# The Qt and MinGW runtime DLLs and the Qt plugins beside the programs, so that they
# start from the build folder as from the installed one.
cmake --build "$build" --target windows_runtime

if [ "$run_tests" = 1 ]; then
  # A Wine prefix of the build's own: nothing of the user's Wine is touched.
  export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  [ -d "$WINEPREFIX" ] || wineboot --init > /dev/null 2>&1
  # One Wine server for the whole run: started once, not again for every test program
  # (after the one a first wineboot left has ended: a second would refuse to start).
  wineserver -w
  wineserver -p
  # The prefix's own processes (services, the desktop) start here, not inside a test
  # program's output pipe, which they would hold open past the program's end.
  wine cmd /c exit > /dev/null 2>&1
  status=0
  # Under load Wine now and then fails to start a test program at all (the test fails
  # in 0.01 s without a line of output): a failed test is run once more.
  ctest --test-dir "$build" -j2 --output-on-failure --repeat until-pass:2 || status=$?
  # The library's burn against a plain copy of the same file, under Wine (target: the
  # copy at most 1.2 times as fast as the burn).
  (cd "$build/bench" && wine ./bench_burn_vs_copy.exe --rounds 3) || status=$?
  wineserver -k || true
  [ "$status" = 0 ] || exit "$status"
fi
if [ "$make_installer" = 1 ]; then
  cmake --build "$build" --target windows_installer
fi
echo "Windows build done in $(( ($(date +%s) - started) / 60 )) min: $build"
