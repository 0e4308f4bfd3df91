#!/bin/sh
# Guest side of run.sh (busybox sh, root, sourced by the rig's shell so cwc_* exist).
LINCLI=$(cat /root/linux-cli-path)
fails=0
up() { cut -d' ' -f1 /proc/uptime; }
secs() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
check() {  # check WHAT CONDITION-RESULT
  if [ "$2" = 0 ]; then echo "PASS: $1"; else echo "FAIL: $1"; fails=$((fails + 1)); fi
}
cli() {  # cli ARGS...: output in /root/out.txt (percent lines left out), time in $took
  echo "----- korvanel-cli $*"
  t0=$(up)
  "$LINCLI" "$@" >/root/out.txt 2>&1
  rc=$?
  took=$(secs "$t0" "$(up)")
  grep -v '^[0-9]*%$' /root/out.txt
  echo "----- exit $rc in $took s"
  return $rc
}
# MMC commands the drive received since log line $1 (counted only with --debug 2)
commands() { wc -l </tmp/cdemu-daemon.log; }
counted() { tail -n +$(($1 + 1)) /tmp/cdemu-daemon.log | grep -c 'MMC-3: command:'; }
# sums DIR: "md5  relative-path" of every file under DIR, sorted
sums() { (cd "$1" && find . -type f | sort | while read -r f; do md5sum "$f"; done); }

echo "== guest: $(uname -r)"
cli --version
cd /root
echo "################ 1. first session, left open"
at=$(commands)
cli burn-files A/readme.txt A/alpha.bin A/beta.bin A/docs --device /dev/sr0 --multisession --verify
check "session 1: burn-files --multisession --verify exits 0" $rc
grep -q 'Verification passed' /root/out.txt; check "session 1: verified" $?
burn1=$took cmds1=$(counted "$at")
echo "################ 2. info"
cli info /dev/sr0; check "info after session 1 exits 0" $rc
grep -A4 -i '^Sessions' /root/out.txt >/dev/null; check "info: a Sessions block" $?
echo "################ 3. second session"
cli burn-files B new/readme.txt --device /dev/sr0 --append --verify
[ $rc = 1 ]; check "session 2 without --replace: refused (exit 1)" $?
grep -q 'readme.txt' /root/out.txt; check "the refusal names readme.txt" $?
at=$(commands)
cli burn-files B new/readme.txt --device /dev/sr0 --append --replace --verify
check "session 2: burn-files --append --replace --verify exits 0" $rc
grep -q 'Verification passed' /root/out.txt; check "session 2: verified" $?
grep -q 'Adding session 2' /root/out.txt; check "session 2: said as the disc's second" $?
burn2=$took cmds2=$(counted "$at")
echo "################ 4. info"
cli info /dev/sr0; check "info after session 2 exits 0" $rc
echo "################ 5. mounted by the guest kernel"
cwc_reinsert
sleep 1
mkdir -p /mnt/cd
mount -t iso9660 -o ro /dev/sr0 /mnt/cd; check "mount /dev/sr0" $?
dmesg | grep 'ISOFS' | tail -n 2
echo "-- every file on the disc:"
(cd /mnt/cd && find . | sort | while read -r f; do
   if [ -f "$f" ]; then printf '%10s %s\n' "$(wc -c <"$f")" "$f"; else printf '%10s %s\n' dir "$f"; fi
 done)
# What the disc must hold: A's entries at the top (readme.txt the new one), B as /B.
mkdir -p /root/want && cp -a A/alpha.bin A/beta.bin A/docs new/readme.txt B /root/want/
sums /root/want >/root/want.md5
sums /mnt/cd >/root/disc.md5
echo "-- md5sums on the disc:"
cat /root/disc.md5
diff /root/want.md5 /root/disc.md5; check "every file of A and B (readme.txt replaced) reads back with its md5sum" $?
echo "-- the first session alone (mount -o session=0):"
umount /mnt/cd
mount -t iso9660 -o ro,session=0 /dev/sr0 /mnt/cd && {
  sums /mnt/cd >/root/s1.md5
  mkdir -p /root/want1 && cp -a A/. /root/want1/ && sums /root/want1 >/root/want1.md5
  diff /root/want1.md5 /root/s1.md5; check "session 1's own directory still gives A (old readme.txt)" $?
  umount /mnt/cd
}
echo "################ figures"
echo "burn session 1 (about 4 MB, with verify): $burn1 s, $cmds1 MMC commands"
echo "burn session 2 (about 3 MB, reading the disc's directory, with verify): $burn2 s, $cmds2 MMC commands"
echo "(MMC commands are counted with run.sh --debug 2, else 0)"
echo "===== failures: $fails (uptime $(up))"
exit $fails
