#!/bin/bash
# Appending a session with the Linux korvanel-cli on a writer we did not write: in the
# emulated-writer guest (CDEmu behind the guest kernel's SCSI path, /dev/sr0) with the
# multi-session image writer WRITER-TOC, on a blank CD-R, guest.sh burns folder A's
# entries as a first session left open (--multisession --verify), shows `info`, adds
# folder B and a file whose name is taken by one of A's (refused without --replace,
# then burned with --replace --verify) as a second session, shows `info` again (two
# sessions), then mounts the disc with the guest kernel and compares the md5sum of
# every file with the originals (A's files from session 1 must still read back
# through session 2's directory; the replaced name must give the new file).
# Not part of ctest: the guest takes minutes.
#   tests/emulated-writer-append/run.sh [extra emulated-writer options, e.g. --debug 2]
#   MEDIA=cdr74 picks the 74 min CD-R (default cdr80); KORVANEL_LINUX_CLI=path the program
#   (default build/cli/korvanel-cli of this checkout).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
TOP=$(cd "$HERE/../.." && pwd)
EW=${EMULATED_WRITER:-$(cd "$TOP/.." && pwd)/shared/emulated-writer/emulated-writer}
LINCLI=${KORVANEL_LINUX_CLI:-$TOP/build/cli/korvanel-cli}
STAGE=$(mktemp -d "${TMPDIR:-/tmp}/korvanel-append.XXXXXX")
trap 'rm -rf -- "$STAGE"' EXIT
# A: a few files (about 4 MB), one in a subfolder; B: another folder (about 3 MB);
# new/readme.txt: a file whose name is also in A's top level, with other contents.
mkdir -p "$STAGE/A/docs" "$STAGE/B/deep/er" "$STAGE/new"
echo "readme of session one" >"$STAGE/A/readme.txt"
head -c 2097152 /dev/urandom >"$STAGE/A/alpha.bin"
head -c 1500000 /dev/urandom >"$STAGE/A/beta.bin"
head -c 300001 /dev/urandom >"$STAGE/A/docs/gamma.dat"
head -c 2000000 /dev/urandom >"$STAGE/B/delta.bin"
head -c 1048577 /dev/urandom >"$STAGE/B/deep/er/epsilon.bin"
echo "a small text of session two" >"$STAGE/B/notes.txt"
echo "readme of session two: replaces the first" >"$STAGE/new/readme.txt"
echo "$LINCLI" >"$STAGE/linux-cli-path"
# The rig copies the libraries ldd names, not the ones glibc's iconv loads: without the
# UTF-16 converter libisofs cannot write the Joliet names ("Charset conversion error").
# Every Linux system has them (Debian: in libc6); the guest gets the Unicode ones.
GCONV=$(readlink -f "$(dirname "$(ldconfig -p | awk '/libc.so.6 .*x86-64/ {print $NF; exit}')")/gconv")
mkdir -p "$STAGE/gconv"
cp -a "$GCONV"/gconv-modules* "$GCONV"/UTF-16.so "$GCONV"/UTF-32.so "$GCONV"/UTF-7.so "$GCONV"/UNICODE.so "$STAGE/gconv/"
set +e
nice -n 10 "$EW" --media "${MEDIA:-cdr80}" --writer WRITER-TOC --timeout "${TIMEOUT:-1500}" "$@" \
  --bin "$LINCLI" \
  --file "$STAGE/A:/root/A" --file "$STAGE/B:/root/B" --file "$STAGE/new:/root/new" \
  --file "$STAGE/linux-cli-path:/root/linux-cli-path" --file "$STAGE/gconv:$GCONV" \
  --file "$HERE/guest.sh:/root/guest.sh" \
  -- ". /root/guest.sh" | tee "${KORVANEL_APPEND_LOG:-/tmp/korvanel-append-guest.log}"
rc=${PIPESTATUS[0]}
echo "== rig exit status: $rc"
exit $rc
