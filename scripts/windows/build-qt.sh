#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (MinGW-w64, POSIX threads) from Debian's own qt6-base
# source package, the same version as the host's Qt tools (moc, rcc, uic, lrelease
# serve the cross build), with only what Korvanel uses. The result lands in a cache
# outside the checkout and is reused by later runs:
#   ${KORVANEL_QT_WIN:-${XDG_CACHE_HOME:-~/.cache}/korvanel/qt-<version>-mingw64}
# Prints the install folder on its last line. --check only says whether it is there
# (exit 0) or not (exit 1), building nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

version=$(dpkg-query -W -f '${Version}' qt6-base-dev)   # e.g. 6.4.2+dfsg-10
upstream=${version%%+*}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/korvanel
prefix=${KORVANEL_QT_WIN:-$cache/qt-$upstream-mingw64}
. "$here/build-common.sh"
answer_from_cache "Qt $upstream" "$prefix" "${1:-}"

work=$cache/qt-$upstream-mingw64-build
mkdir -p "$work"
cd "$work"

if [ ! -d "qtbase-src" ]; then
  echo "Fetching Debian's qt6-base $version source ..." >&2
  rm -rf source
  debian_source "$work" --only-source "qt6-base=$version"
  src=$(find source -maxdepth 1 -mindepth 1 -type d -name 'qt6-base-*' | head -n 1)
  [ -n "$src" ] || { echo "apt-get source gave no qt6-base folder" >&2; exit 1; }
  mv "$src" qtbase-src
  rm -rf source
fi

started=$(date +%s)
mkdir -p build
cd build
if [ ! -f build.ninja ] && [ ! -f Makefile ]; then
  generator=()
  command -v ninja > /dev/null && generator=(-G Ninja)
  # Only Core, Gui, Widgets, the Windows platform plugin and the Windows style; Qt's own
  # copies of its third-party libraries. OpenGL stays on: the Windows platform plugin of
  # this version does not compile without it. Debian's tarball lacks wintab (tablets).
  cmake "${generator[@]}" ../qtbase-src \
    -DCMAKE_TOOLCHAIN_FILE="$here/../../cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_USE_CCACHE=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DBUILD_SHARED_LIBS=ON \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
    -DFEATURE_testlib=ON -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_sql_sqlite=OFF \
    -DFEATURE_opengl=ON >&2
fi
echo "Building Qt $upstream for Windows (about 1,100 steps; an hour or more on 2 cores) ..." >&2
cmake --build . --parallel "${KORVANEL_QT_JOBS:-2}" >&2
cmake --install . >&2
touch "$prefix/.complete"
echo "Qt $upstream for Windows built in $(( ($(date +%s) - started) / 60 )) min: $prefix" >&2
echo "$prefix"
