#!/usr/bin/env bash
# Builds the Debian package in the build folder (default: build), judges it as
# the distribution would (lintian: any error or warning fails; the AppStream
# file and the desktop entry are validated), then unpacks it into a scratch
# root and starts both programs from there.
set -euo pipefail
build=${1:-build}
(cd "$build" && rm -f korvanel_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/korvanel_*.deb)
echo "Package: $deb"
# Running as root (as CI does) is fine for judging a finished .deb.
lintian --fail-on error,warning --allow-root --display-info "$deb"

root=$(mktemp -d --tmpdir korvanel-package-XXXXXX)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
appstreamcli validate --pedantic --no-net "$root/usr/share/metainfo/org.korvanel.korvanel.metainfo.xml"
desktop-file-validate "$root/usr/share/applications/korvanel.desktop"
QT_QPA_PLATFORM=offscreen "$root/usr/bin/korvanel" --version
# The demo media live in the user's state folder: a scratch one here.
XDG_STATE_HOME="$root/state" "$root/usr/bin/korvanel-cli" --demo devices
# The translations are found under share/korvanel relative to the program.
german=$(LANGUAGE=de "$root/usr/bin/korvanel-cli" --help)
grep -q '^Aufruf: korvanel-cli' <<<"$german"
echo "The package passed lintian and runs from a scratch root, in German too."
