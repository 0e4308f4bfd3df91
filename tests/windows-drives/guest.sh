#!/bin/sh
# Guest side (busybox sh, root, sourced by the rig's shell so cwc_* exist).
# Sets up the trimmed Wine prefix like the rig's wine/guest.sh, runs lbprobe.exe
# (scan, then burn), and reads the disc back with Linux.
. /root/wine-guest.sh

run() {  # run LABEL ARGS...
  label=$1; shift
  echo "===== $label: lbprobe.exe $* (uptime $(up))"
  $W 'C:\lbprobe\lbprobe.exe' "$@" >/root/probe.out 2>&1
  rc=$?
  grep -v -e 'FreeType' -e 'use TrueType fonts' -e 'or equal to 2.0.5' -e 'freetype.org' /root/probe.out
  echo "===== $label: exit $rc (uptime $(up))"
  return $rc
}
burn_check() {  # burn_check MEDIA WRITETYPE
  echo "################ $1, write type $2"
  [ "$1" = cdr74 ] || cwc_insert "$1"
  cwc_status
  logpos=$(wc -l </tmp/cdemu-daemon.log)
  LBPROBE_WRITE=$2 run "burn $1 $2" 'C:\lbprobe\disc.iso' || fails=$((fails + 1))
  $WINESERVER -k 2>/dev/null
  cmdsummary "$1 $2"
  readback "$1 $2"
}
fails=0
echo "== guest: $(uname -r); max_sectors_kb=$(cat /sys/block/sr0/queue/max_sectors_kb 2>/dev/null)"
cwc_status
run scan || fails=$((fails + 1))
for job in ${LBJOBS:-cdr74:tao cdr80:sao dvd+r:auto bdr:auto}; do
  burn_check ${job%%:*} ${job#*:}
done
echo "################ written disc: status, second burn refused, eject"
mount -t iso9660 -o ro /dev/sr0 /mnt/cd && echo "mounted /dev/sr0 on /mnt/cd: $(ls /mnt/cd | tr '\n' ' ')"
logpos=$(wc -l </tmp/cdemu-daemon.log)
LBPROBE_EJECT=1 run "status+eject (mounted)" || fails=$((fails + 1))
cmdsummary "status+eject"
grep ' /mnt/cd ' /proc/mounts >/dev/null && echo "/mnt/cd still mounted" || echo "/mnt/cd no longer mounted"
run "burn on written disc" 'C:\lbprobe\disc.iso'
[ $? = 4 ] && echo "refused as expected" || fails=$((fails + 1))
logpos=$(wc -l </tmp/cdemu-daemon.log)
echo "################ no disc in the drive"
cwc_unload
run "no disc" || fails=$((fails + 1))
echo "-- the same with libburn's SCSI log: commands that got sense data"
LBPROBE_SCSI_LOG=2 $W 'C:\lbprobe\lbprobe.exe' >/root/scsilog.out 2>&1
echo "   $(grep -c '^[0-9a-f][0-9a-f] ' /root/scsilog.out) hex lines logged; sense reported for:"
grep -B4 '+++ key=' /root/scsilog.out | grep -v -e '^--' -e '^$' -e '^[0-9a-f][0-9a-f] ' | sort | uniq -c
echo "################ a fresh CD-R, the drive named by the application (burn_drive_scan_and_grab)"
cwc_insert cdr74
LBPROBE_ADDR='\\.\d:' run "scan_and_grab lower-case d:" || fails=$((fails + 1))
LBPROBE_ADDR='\\.\D:' LBPROBE_WRITE=tao run "scan_and_grab D: + burn" 'C:\lbprobe\disc.iso' || fails=$((fails + 1))
$WINESERVER -k 2>/dev/null
readback "scan_and_grab tao"
$WINESERVER -k 2>/dev/null
echo "===== failures: $fails (uptime $(up))"
exit $fails
