#!/bin/sh
# Guest side for the wizard (busybox sh, root, sourced by the rig's shell): korvanel.exe
# under Wine on an X server of its own, walked with the keyboard (Alt + the buttons'
# letters) through a verified burn of the ISO onto the emulated writer's blank CD-R.
# The screen is printed to the console as a gzip'd, base64'd X window dump between
# "=== SHOT name ===" and "=== END ===" lines, which run.sh turns into PNG files.
. /root/wine-guest.sh

export DISPLAY=:5
Xvfb :5 -screen 0 1024x768x24 -nolisten tcp -xkbdir /usr/share/X11/xkb >/root/xvfb.log 2>&1 &
sleep 3
echo "X server: $(xdotool getdisplaygeometry 2>&1)"
fails=0
check() {
  if [ "$2" = 0 ]; then echo "PASS: $1"; else echo "FAIL: $1"; fails=$((fails + 1)); fi
}
# Wine's top-level windows count neither as visible nor as matching a name pattern to
# xdotool here: every window's name is listed and looked through.
window() { xdotool search --name '' getwindowname %@ 2>/dev/null | grep '^Korvanel' | tail -n 1; }
shoot() {  # shoot NAME [SETTLE-SECONDS]
  sleep "${2:-3}"
  [ -n "$(window)" ] || { echo "no Korvanel window for $1"; fails=$((fails + 1)); return; }
  echo "=== SHOT $1 ==="
  xwd -silent -root | gzip -c | base64
  echo "=== END ==="
}
key() { xdotool key --clearmodifiers "$1"; }

cwc_insert cdr80
WINEDEBUG=err+all,fixme-all $W 'C:\korvanel-app\korvanel.exe' 'C:\korvanel\disc.iso' >/root/wizard.log 2>&1 &
i=0
while [ $i -lt ${WINDOW_WAIT:-600} ] && [ -z "$(window)" ]; do
  sleep 0.5; i=$((i + 1))
  [ $((i % 60)) = 0 ] && echo "waiting for the window ($((i / 2)) s): $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|')"
done
echo "the window after $((i / 2)) s"
[ -n "$(window)" ]; check "the wizard opens" $?
if [ -z "$(window)" ]; then
  echo "-- X server:"; tail -n 20 /root/xvfb.log
  echo "-- wizard:"; tail -n 40 /root/wizard.log
  echo "-- windows: $(xdotool search --name . 2>&1 | head -n 5 | tr '\n' ' '); screen: $(xdotool getdisplaygeometry 2>&1)"
  ps | grep -i -e xvfb -e wine -e korvanel | grep -v grep
  echo "-- all windows: $(xdotool search --name '' getwindowname %@ 2>&1 | head -n 20 | tr '\n' '|')"
  echo "=== SHOT screen ==="
  xwd -silent -root | gzip -c | base64
  echo "=== END ==="
  exit 1
fi
shoot welcome 4
for page in transport device image mode options; do
  key alt+n
  # The device page scans the drives first.
  if [ "$page" = device ]; then shoot "$page" 15; else shoot "$page" 4; fi
done
key alt+v  # "Verify written data after burning"
shoot options-verify 2
key alt+n
shoot summary 4
key alt+n  # the summary's Next starts the burn
shoot burning 6
shoot burning-done 45  # a 2 MB burn and its verify take about half a minute here
key alt+n
shoot finish 5
$WINESERVER -k 2>/dev/null
readback "the wizard's burn" /root/disc.iso
echo "===== failures: $fails (uptime $(up))"
exit $fails
