#!/bin/sh
# Shared by the guest scripts (sourced): the trimmed Wine prefix set up like the
# rig's wine/guest.sh with the drive as D: (/dev/sr0), and helpers that read the
# disc back with Linux and count the MMC commands the drive received.
PFX=/root/wp
export WINEPREFIX=$PFX
export WINESERVER=/usr/lib/wine/wineserver64
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export WINEDEBUG=${WINEDEBUG:--all}
unset DISPLAY
W=/usr/lib/wine/wine64
lib=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
s32=$PFX/drive_c/windows/system32
mkdir -p "$s32/drivers"
for f in "$lib"/*; do
  b=${f##*/}
  case $b in *.sys) t=$s32/drivers/$b ;; *) t=$s32/$b ;; esac
  [ -e "$t" ] || ln -s "$f" "$t"
done
mkdir -p /mnt/cd
dd=$PFX/dosdevices
mkdir -p "$dd"
ln -sfn ../drive_c "$dd/c:"
ln -sfn / "$dd/z:"
ln -sfn /mnt/cd "$dd/d:"
ln -sfn /dev/sr0 "$dd/d::"

up() { cut -d' ' -f1 /proc/uptime; }
readback() {  # readback LABEL [ISO]: the disc read by Linux equals the image
  iso=${2:-/root/disc.iso}
  echo "== read back ($1) with Linux (uptime $(up))"
  cwc_reinsert
  sleep 1
  size=$(wc -c <"$iso")
  blocks=$((size / 2048))
  echo "iso: $size bytes, $blocks blocks; /dev/sr0 size: $(cat /sys/block/sr0/size 2>/dev/null) x512"
  dd if=/dev/sr0 of=/root/readback.bin bs=2048 count=$blocks 2>&1 | tail -1
  echo "sha256 iso      : $(sha256sum <"$iso" | cut -d' ' -f1)"
  echo "sha256 read back: $(sha256sum </root/readback.bin | cut -d' ' -f1)"
  if cmp -s "$iso" /root/readback.bin; then
    echo "RESULT ($1): sha256 MATCH"
  else
    echo "RESULT ($1): MISMATCH"; cmp "$iso" /root/readback.bin | head -3; fails=$((fails + 1))
  fi
  rm -f /root/readback.bin
}
cmdsummary() {  # MMC commands the drive received since the last call
  n=$(wc -l </tmp/cdemu-daemon.log)
  echo "-- MMC commands received ($1):"
  tail -n +$((${logpos:-0} + 1)) /tmp/cdemu-daemon.log | grep 'MMC-3: command:' | sed 's/.*command: //' | sort | uniq -c | sort -rn
  tail -n +$((${logpos:-0} + 1)) /tmp/cdemu-daemon.log | grep -B1 'command: WRITE (10)' | grep 'MMC-3: 2A ' | awk '{print "   WRITE(10) blocks per command (CDB bytes 7-8): " $10 " " $11}' | sort | uniq -c
  tail -n +$((${logpos:-0} + 1)) /tmp/cdemu-daemon.log | grep -B1 'command: START/STOP UNIT' | grep 'MMC-3: 1B ' | sed 's/.*MMC-3: /   START STOP UNIT CDB: /' | sort | uniq -c
  logpos=$n
}
