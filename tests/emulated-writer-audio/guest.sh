#!/bin/sh
# Guest side of run.sh (busybox sh, root, sourced by the rig's shell so cwc_* exist).
DRIVER=$(cat /root/in/driver-path)
fails=0
up() { cut -d' ' -f1 /proc/uptime; }
secs() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
check() {  # check WHAT CONDITION-RESULT
  if [ "$2" = 0 ]; then echo "PASS: $1"; else echo "FAIL: $1"; fails=$((fails + 1)); fi
}
drv() {  # drv ARGS...: output in /root/out.txt, time in $took, MMC commands in $cmds, writes in $writes
  echo "----- layout_driver $*"
  at=$(wc -l </tmp/cdemu-daemon.log)
  t0=$(up)
  "$DRIVER" "$@" >/root/out.txt 2>&1
  rc=$?
  took=$(secs "$t0" "$(up)")
  cat /root/out.txt
  tail -n +$((at + 1)) /tmp/cdemu-daemon.log | grep 'MMC-3: command:' >/root/cmds.txt
  cmds=$(wc -l </root/cmds.txt)
  writes=$(grep -c -E 'WRITE \(1[02]\)|SEND CUE SHEET' /root/cmds.txt)
  echo "----- exit $rc in $took s, $cmds MMC commands, $writes of them writes or cue sheets"
  return $rc
}
refused() {  # refused WHAT TEXT ARGS...: exit 1 with TEXT, no write command, the disc still blank
  what=$1 text=$2
  shift 2
  drv "$@"
  [ $rc = 1 ]; check "$what: refused (exit 1)" $?
  grep -q "$text" /root/out.txt; check "$what: says \"$text\"" $?
  [ "$writes" = 0 ]; check "$what: no write reached the drive" $?
}

echo "== guest: $(uname -r)"
cd /root/in
echo "################ 1. refused before the disc is touched"
refused "TAO with CD-TEXT" "Track-at-once writes no CD-TEXT: burn session-at-once" \
  burn /dev/sr0 tao --cdtext audio:a.raw
refused "TAO with a pause of 0" "Track-at-once writes pauses of 2 seconds only: burn session-at-once" \
  burn /dev/sr0 tao data:data.bin data:small.bin:0
refused "SAO of audio and data" "track-at-once only" burn /dev/sr0 sao data:data.bin audio:a.raw
drv info /dev/sr0
grep -q "no table of contents" /root/out.txt; check "the disc is still blank" $?

echo "################ 2. one Mode 1 track, session-at-once"
drv burn /dev/sr0 sao data:data.bin
check "SAO Mode 1 layout: BurnLayout exits 0" $rc
grep -q "track 1 of 1" /root/out.txt; check "the burn said track 1 of 1" $?
forward() { awk '/^progress/ { p = $2 + 0; if (p < last) bad = 1; last = p } END { exit bad }' /root/out.txt; }
forward; check "its progress never went back" $?
burnSao=$took cmdsSao=$cmds
drv info /dev/sr0
check "info exits 0" $rc
grep -q "track 1: start 0, 1000 blocks, control 4, mode 1" /root/out.txt; check "one data track of 1000 blocks at 0" $?
drv check-mode1 /dev/sr0 0 data.bin
check "whole sectors (READ CD): sync, header and user data of all 1000 blocks" $rc
rawSecs=$took rawCmds=$cmds
cwc_reinsert
sleep 1
dd if=/dev/sr0 of=/root/back.bin bs=2048 count=1000 2>/dev/null
cmp /root/back.bin data.bin; check "dd through the guest kernel reads the track back equal" $?

echo "################ 3. audio, for information (the emulated drive records audio wrongly)"
cwc_insert cdr80
drv burn /dev/sr0 sao --catalog 4006381333931 audio:a.raw:150:DEA121234567 audio:b.raw:75:DEA121234568
echo "INFO: SAO audio layout exit $rc in $took s, $cmds MMC commands"
audioSecs=$took audioCmds=$cmds
grep -q "track 2 of 2" /root/out.txt; check "the audio burn said track 2 of 2" $?
forward; check "its progress never went back" $?
drv info /dev/sr0
grep -q "track 1: .*control 0, mode 0" /root/out.txt && echo "INFO: the table of contents shows track 1 as audio (control 0)"
grep -q 'catalog "4006381333931"' /root/out.txt && echo "INFO: the catalog number reads back from the Q sub-channel"
cwc_insert cdr80
drv burn /dev/sr0 tao data:data.bin audio:a.raw
echo "INFO: TAO mixed layout exit $rc in $took s, $cmds MMC commands"
drv info /dev/sr0

echo "################ 4. korvanel-cli: the data track of a mixed-mode BIN/CUE"
CLI=$(cat /root/in/cli-path)
cwc_insert cdr80
echo "----- korvanel-cli burn mixed.cue --mode tao"
t0=$(up)
"$CLI" burn /root/in/mixed.cue --device /dev/sr0 --mode tao --no-eject >/root/out.txt 2>&1
rc=$?
cliSecs=$(secs "$t0" "$(up)")
cat /root/out.txt
check "korvanel-cli burns the mixed BIN/CUE track-at-once (exit 0)" $rc
grep -q "Writing track 2 of 2" /root/out.txt; check "it said track 2 of 2" $?
"$CLI" info /dev/sr0 >/root/out.txt 2>&1
cat /root/out.txt
cwc_reinsert
sleep 1
dd if=/dev/sr0 of=/root/back2.bin bs=2048 count=1000 2>/dev/null
cmp /root/back2.bin data.bin; check "dd reads the BIN/CUE's data track back equal" $?

echo "################ figures"
echo "korvanel-cli burn of the mixed BIN/CUE (1000 data blocks, 150 pause, 400 audio): $cliSecs s"
echo "SAO burn of one Mode 1 track (1000 blocks): $burnSao s, $cmdsSao MMC commands"
echo "READ CD of 1000 whole sectors: $rawSecs s, $rawCmds MMC commands"
echo "SAO burn of two audio tracks (800 blocks, pauses 150 and 75): $audioSecs s, $audioCmds MMC commands"
echo "===== failures: $fails (uptime $(up))"
exit $fails
