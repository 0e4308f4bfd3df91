#!/usr/bin/env bash
# Pictures of every window of a burn, as korvanel.exe shows them under Wine, in
# English and German: walks the wizard on the demo recorders with the keyboard
# (Alt + the Next button's letter) on an X server of its own and saves each window
# as docs/images/windows/<window>-<language>.png (or into the folder given).
# Usage: scripts/windows/wizard-shots.sh [BUILD-FOLDER [OUTPUT-FOLDER]]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-$top/build-win}")
out=$(realpath -m "${2:-$top/docs/images/windows}")
mkdir -p "$out"
work=$(mktemp -d)
xvfb_pid=
cleanup() {
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
wineboot --init > /dev/null 2>&1
wineserver -w

mkdir -p "$work/tree"
head -c 2000000 /dev/urandom > "$work/tree/photos.bin"
genisoimage -quiet -J -R -V HOLIDAY -o "$work/holiday.iso" "$work/tree"

# The newest visible Korvanel window, saved under name once it has settled.
shoot() {
  sleep "${2:-1.5}"
  local window
  window=$(xdotool search --onlyvisible --name '^Korvanel' 2> /dev/null | tail -n 1 || true)
  [ -n "$window" ] || { echo "no Korvanel window to save as $1-$language" >&2; exit 1; }
  import -window "$window" "$out/$1-$language.png"
  echo "$out/$1-$language.png"
}
next() { xdotool key --clearmodifiers "alt+$next_key"; }

for language in en de; do
  case $language in
    en) locale=C.UTF-8 next_key=n ;;
    de) locale=de_DE.UTF-8 next_key=w ;;
  esac
  (cd "$build/app" && LC_ALL=$locale wine ./korvanel.exe --demo --time-scale 0 "Z:$work/holiday.iso" \
     > "$work/korvanel-$language.log" 2>&1 &)
  for _ in $(seq 1 100); do
    xdotool search --onlyvisible --name '^Korvanel' > /dev/null 2>&1 && break
    sleep 0.2
  done
  shoot welcome 2
  for page in transport device image mode options summary burning; do
    next
    shoot "$page" 3
  done
  next
  shoot finish 4  # the finish window follows the burn page's last steps
  wineserver -k
  wineserver -w
done
