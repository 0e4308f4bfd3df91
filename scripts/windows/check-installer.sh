#!/usr/bin/env bash
# Proves the Windows installer under Wine, in a fresh prefix of its own: a silent
# install, the command-line burner from the installed folder (version, demo
# devices, a verified burn of an ISO made by another tool), the time until the
# wizard's welcome window is shown, and a silent uninstall that leaves the
# install folder gone. Prints the installer's size and the welcome time.
# Usage: scripts/windows/check-installer.sh build-win/korvanel-<version>-setup.exe
set -euo pipefail
setup=$(realpath "$1")
work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot --init > /dev/null 2>&1
wineserver -w

size=$(stat -c %s "$setup")
echo "installer: $(basename "$setup"), $(( (size + 524288) / 1048576 )) MB (limit 30 MB)"
[ "$size" -le $((30 * 1048576)) ] || { echo "the installer is larger than 30 MB" >&2; exit 1; }

wine "$setup" /S
wineserver -w
folder="$WINEPREFIX/drive_c/Program Files/Korvanel"
[ -f "$folder/korvanel-cli.exe" ] || { echo "the silent install left no korvanel-cli.exe in $folder" >&2; exit 1; }
cli() { (cd "$folder" && wine ./korvanel-cli.exe "$@"); }
cli --version
cli --demo devices
# An image made by another tool, burned and read back on a demo recorder.
mkdir -p "$work/tree/folder"
echo "made by another tool" > "$work/tree/folder/readme.txt"
head -c 3000000 /dev/urandom > "$work/tree/data.bin"
genisoimage -quiet -J -R -V OTHER_TOOL -o "$work/other.iso" "$work/tree"
cli --demo --time-scale 0 burn "Z:$work/other.iso" --device CdRom0 --verify | tail -n 3

# The welcome window, from the start of the program until X shows it.
if command -v Xvfb > /dev/null && command -v xdotool > /dev/null; then
  display=:$(( 90 + RANDOM % 100 ))
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
  xvfb_pid=$!
  # The Wine server is up already, so that the time is the program's, not Wine's start
  # (once the last one has ended: a second would refuse to start).
  wineserver -w
  wineserver -p 30
  # And the prefix's own processes (services, the desktop), which Windows always runs.
  wine cmd /c exit > /dev/null 2>&1
  sleep 1
  started=$(date +%s%N)
  (cd "$folder" && DISPLAY=$display wine ./korvanel.exe --demo > /dev/null 2>&1 &)
  shown=
  for _ in $(seq 1 300); do
    if DISPLAY=$display xdotool search --onlyvisible --name '^Korvanel$' > /dev/null 2>&1; then
      shown=$(( ($(date +%s%N) - started) / 1000000 ))
      break
    fi
    sleep 0.05
  done
  [ -n "$shown" ] || { echo "the welcome window was not shown within 15 s" >&2; exit 1; }
  echo "welcome window shown after $shown ms (limit 2000 ms; the splash before it fades in for 1.3 s)"
  # Ends the wizard and the server kept up for it.
  wineserver -k
  wineserver -w
fi

wine "$folder/uninstall.exe" /S
wineserver -w
sleep 2  # the uninstaller runs a copy of itself from the temporary folder
wineserver -w
if [ -e "$folder" ]; then
  echo "the uninstaller left: $(find "$folder" | head -n 20)" >&2
  exit 1
fi
echo "installer check passed: installed, burned and verified, uninstalled without a trace"
