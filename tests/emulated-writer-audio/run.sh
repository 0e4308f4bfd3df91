#!/bin/bash
# Track layouts burned by the real-drive backend on a writer we did not write: in the
# emulated-writer guest (CDEmu behind the guest kernel's SCSI path, /dev/sr0), guest.sh
# drives layout_driver (a test-only program calling Discwright_CdvdBurnerGrabber_BurnLayout
# with layouts filled from files). What a drive cannot take is refused before the disc is
# touched (CD-TEXT and other pauses than 2 s track-at-once, audio and data in one
# session-at-once burn): the drive then received no write command. A one-Mode-1-track
# layout is burned session-at-once and read back: whole sectors through READ CD (sync,
# header and user data checked) and the user data with dd through the guest kernel.
# korvanel-cli burns a mixed-mode BIN/CUE track-at-once; its data track is read back with dd.
# Audio layouts are burned too and the table of contents shown, for information only:
# the emulated drive records audio wrongly (its README), so audio is not proven here.
# Not part of ctest: the guest takes minutes.
#   tests/emulated-writer-audio/run.sh [extra emulated-writer options]
#   KORVANEL_LAYOUT_DRIVER=path the program (default build/tests/layout_driver of this checkout).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
TOP=$(cd "$HERE/../.." && pwd)
EW=${EMULATED_WRITER:-$(cd "$TOP/.." && pwd)/shared/emulated-writer/emulated-writer}
DRIVER=${KORVANEL_LAYOUT_DRIVER:-$TOP/build/tests/layout_driver}
CLI=${KORVANEL_CLI:-$TOP/build/cli/korvanel-cli}
STAGE=$(mktemp -d "${TMPDIR:-/tmp}/korvanel-layout.XXXXXX")
trap 'rm -rf -- "$STAGE"' EXIT
# data.bin: 1000 blocks of 2048 bytes (a Mode 1 track); a.raw, b.raw: 400 audio blocks
# (2352 bytes, 5.3 s) each, of noise so that a shifted or cut track shows.
mkdir -p "$STAGE/in"
head -c $((1000 * 2048)) /dev/urandom >"$STAGE/in/data.bin"
head -c $((400 * 2048)) /dev/urandom >"$STAGE/in/small.bin"
head -c $((400 * 2352)) /dev/urandom >"$STAGE/in/a.raw"
head -c $((400 * 2352)) /dev/urandom >"$STAGE/in/b.raw"
echo "$DRIVER" >"$STAGE/in/driver-path"
echo "$CLI" >"$STAGE/in/cli-path"
# A mixed-mode BIN/CUE for korvanel-cli: the data track, then an audio track 2 s after it.
printf 'FILE "data.bin" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\nFILE "a.raw" BINARY\n  TRACK 02 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 00:00:00\n' >"$STAGE/in/mixed.cue"
set +e
nice -n 10 "$EW" --media "${MEDIA:-cdr80}" --timeout "${TIMEOUT:-1500}" --debug 2 "$@" \
  --bin "$DRIVER" --bin "$CLI" --file "$STAGE/in:/root/in" --file "$HERE/guest.sh:/root/guest.sh" \
  -- ". /root/guest.sh" | tee "${KORVANEL_LAYOUT_LOG:-/tmp/korvanel-layout-guest.log}"
rc=${PIPESTATUS[0]}
echo "== rig exit status: $rc"
exit $rc
