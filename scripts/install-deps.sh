#!/usr/bin/env bash
# Installs the Debian packages Korvanel needs to build, run and test (genisoimage, xorriso
# and libarchive-tools give the tests outside readers of the images built: isoinfo, isovfy,
# xorriso's extraction and bsdtar; cdrskin, bchunk, flac and sox check audio CDs and cue
# sheets against tools of their own; desktop-file-utils
# checks the desktop entry; dpkg-dev, lintian and appstream build and judge the package;
# libudev-dev watches drives and discs come and go; xvfb, dbus, at-spi2-core and
# python3-pyatspi run the accessibility check of a burn on a private display and session bus;
# qt6-tools-dev and qt6-l10n-tools build the translations, qt6-translations-l10n holds Qt's own).
# Idempotent: only missing packages are installed. Works as root, uses sudo otherwise.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  libburn-dev libisofs-dev
  libsndfile1-dev libsamplerate0-dev
  nlohmann-json3-dev
  libudev-dev
  libgtest-dev
  genisoimage xorriso libarchive-tools
  cdrskin bchunk flac sox
  desktop-file-utils dpkg-dev lintian appstream
  xvfb dbus dbus-daemon at-spi2-core python3-pyatspi
)

# --windows: what the cross build for Windows needs besides (scripts/windows/build.sh):
# the MinGW-w64 compilers, Wine and its own fonts (Windows programs ask for Tahoma) to
# run the tests, NSIS for the installer, ninja, dpkg-dev for fetching Debian's Qt
# source, and for the installer check and the pictures an ISO maker, an X server, a
# window finder that also types keys, and a screen grabber.
if [ "${1:-}" = "--windows" ]; then
  packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine wine64 fonts-wine nsis ninja-build dpkg-dev xauth genisoimage xvfb xdotool imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
