#!/usr/bin/env bash
# Builds libburn for 64-bit Windows (MinGW-w64, POSIX threads) from Debian's own
# source package plus our patches (scripts/windows/libburn/*.patch: the build on
# Windows and the SCSI pass-through transport), into a cache outside the checkout:
#   ${KORVANEL_LIBBURN_WIN:-${XDG_CACHE_HOME:-~/.cache}/korvanel/libburn-<version>-mingw64}
# The result is libburn-4.dll with its import library, header and pkg-config file.
# Prints the install folder on its last line; --check only says whether it is there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

version=1.5.4
cache=${XDG_CACHE_HOME:-$HOME/.cache}/korvanel
prefix=${KORVANEL_LIBBURN_WIN:-$cache/libburn-$version-mingw64}
. "$here/build-common.sh"
answer_from_cache "libburn $version" "$prefix" "${1:-}"

work=$cache/libburn-$version-mingw64-build
rm -rf "$work"
mkdir -p "$work"
cd "$work"

# Only the .dsc and the upstream tarball are needed: the tarball is checked against
# the .dsc here and unpacked by hand (Debian's own changes are packaging only).
echo "Fetching Debian's libburn $version source ..." >&2
debian_source "$work" --download-only --only-source libburn || true
dsc=$(ls source/libburn_"$version"-*.dsc 2>/dev/null | head -n 1)
tarball=source/libburn_$version.orig.tar.gz
[ -n "$dsc" ] && [ -f "$tarball" ] || { echo "no libburn $version source from Debian" >&2; exit 1; }
wanted=$(awk '/^Checksums-Sha256:/ {on = 1; next} on && /^ / && $3 ~ /orig\.tar\.gz$/ {print $1} /^[^ ]/ && !/^Checksums-Sha256:/ {on = 0}' "$dsc")
actual=$(sha256sum "$tarball" | cut -d ' ' -f 1)
[ -n "$wanted" ] && [ "$wanted" = "$actual" ] || { echo "$tarball does not match $dsc" >&2; exit 1; }
tar -xzf "$tarball"
cd "libburn-$version"
for patch in "$here"/libburn/*.patch; do
  patch -p1 -s < "$patch"
done

# Only the library: the command-line programs in the package need POSIX terminals.
# Large files everywhere: MinGW's off_t is 32 bits without it, and libburn.h uses off_t.
./configure --host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix CPPFLAGS=-D_FILE_OFFSET_BITS=64 \
  --prefix="$prefix" --disable-static --enable-shared >&2
make -j"${KORVANEL_JOBS:-2}" libburn/libburn.la LDFLAGS=-no-undefined >&2
make install-libLTLIBRARIES install-libincludeHEADERS install-nodist_pkgconfigDATA >&2
touch "$prefix/.complete"
echo "libburn $version for Windows: $prefix" >&2
echo "$prefix"
