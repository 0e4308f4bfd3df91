#!/bin/sh
# Guest side for korvanel-cli.exe (busybox sh, root, sourced by the rig's shell so
# cwc_* exist): on a blank CD-R, DVD+R and BD-R the drive is listed with its disc,
# its speeds are read, the ISO (made by xorriso) is burned in every mode the drive
# offers with --verify and read back by Linux; a second burn and an oversized image
# are refused; Ctrl+C ends a burn with exit 3. Then the same burn and a full read by
# the Linux build and by dd, side by side, for the figures.
. /root/wine-guest.sh

WINCLI='C:\korvanel\korvanel-cli.exe'
LINCLI=$(cat /root/linux-cli-path)
fails=0
secs() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
check() {  # check WHAT CONDITION-RESULT
  if [ "$2" = 0 ]; then echo "PASS: $1"; else echo "FAIL: $1"; fails=$((fails + 1)); fi
}
win() {  # win ARGS...: korvanel-cli.exe; output in /root/out.txt, time in $took
  echo "----- korvanel-cli.exe $*"
  t0=$(up)
  $W "$WINCLI" "$@" >/root/out.txt 2>&1
  rc=$?
  took=$(secs "$t0" "$(up)")
  # Windows ends its lines with CR LF.
  tr -d '\r' </root/out.txt | grep -v -e 'FreeType' -e 'TrueType' -e 'or equal to 2.0.5' -e 'freetype.org' -e '^[0-9]*%$'
  echo "----- exit $rc in $took s"
  return $rc
}
lin() {  # lin ARGS...: the Linux build of the same program
  echo "----- korvanel-cli (Linux) $*"
  t0=$(up)
  "$LINCLI" "$@" >/root/out.txt 2>&1
  rc=$?
  took=$(secs "$t0" "$(up)")
  grep -v '^[0-9]*%$' /root/out.txt
  echo "----- exit $rc in $took s"
  return $rc
}
commands() { wc -l </tmp/cdemu-daemon.log; }
# A fresh blank disc; the one taken out is deleted (the guest keeps files in memory).
fresh() {
  cwc_insert "$1"
  rm -f "$CWC_DISCS/disc$((CWC_N - 1))-"* 2>/dev/null
}
counted() { tail -n +$(($1 + 1)) /tmp/cdemu-daemon.log | grep -c 'MMC-3: command:'; }
# The modes `info` says yes to, as the burn command names them.
offered_modes() {
  line=$(grep '^Write modes:' /root/out.txt)
  modes=""
  echo "$line" | grep -qi 'TAO yes' && modes="$modes tao"
  echo "$line" | grep -qi 'SAO yes' && modes="$modes sao"
  echo "$line" | grep -qi 'DAO PQ yes' && modes="$modes dao"
  echo "$line" | grep -qi 'DAO raw P-W yes' && modes="$modes dao-raw"
  echo "$modes"
}

echo "== guest: $(uname -r)"
win --version
startup=$took
echo "program start under Wine: $startup s"

# ONLY=figures skips the cases.
[ "${ONLY:-}" = figures ] && MEDIA=none
for media in ${MEDIA:-cdr74 dvd+r bdr}; do
  [ "$media" = none ] && continue
  echo "################ $media"
  fresh "$media"
  win devices; check "$media: devices exits 0" $?
  grep -q '^CdRom0 .*Blank' /root/out.txt; check "$media: CdRom0 listed with a blank disc" $?
  win speeds CdRom0; check "$media: speeds exits 0" $?
  grep -q 'x' /root/out.txt; check "$media: speeds listed" $?
  win info CdRom0; check "$media: info exits 0" $?
  modes=$(offered_modes)
  echo "the drive's write modes for this disc type (info): $modes"
  [ -n "$modes" ]; check "$media: write modes offered" $?
  second=""
  for mode in $modes; do
    fresh "$media"
    win burn 'C:\korvanel\disc.iso' --device CdRom0 --mode "$mode" --verify
    # The drive's modes (info) are more than a disc takes: a DVD or BD is burned one way.
    if [ $rc = 1 ] && grep -q 'is not offered for this device and disc' /root/out.txt; then
      echo "SKIP: $media $mode: not a mode for this disc ($(grep -o 'offered: [a-z, -]*' /root/out.txt))"
      continue
    fi
    [ $rc = 0 ]; check "$media $mode: burn --verify exits 0" $?
    grep -q 'Verification passed' /root/out.txt; check "$media $mode: the disc was verified" $?
    $WINESERVER -k 2>/dev/null
    readback "$media $mode" /root/disc.iso
    [ -n "$second" ] && continue
    second=done
    win burn 'C:\korvanel\disc.iso' --device CdRom0
    [ $rc = 1 ]; check "$media: a second burn is refused (exit 1)" $?
    win devices
    grep -q '^CdRom0 .*Blank' /root/out.txt; [ $? != 0 ]; check "$media: the written disc is not shown as blank" $?
  done
done

if [ "${ONLY:-}" != figures ]; then
echo "################ an image larger than the disc"
fresh cdr74
dd if=/dev/zero of=/root/big.iso bs=1 count=0 seek=900M 2>/dev/null
win burn 'Z:\root\big.iso' --device CdRom0
[ $rc = 1 ]; check "oversized: refused with exit 1" $?
lin devices
grep -q '^CdRom0 .*Blank' /root/out.txt; check "oversized: the disc is left blank" $?
rm -f /root/big.iso
# The drive has no rewritable media: erasing can only be shown as a refusal.
win erase CdRom0
[ $rc = 1 ]; check "erase of a CD-R: refused with exit 1" $?

copies() {  # copies LABEL IMAGE PROGRAM...: two copies, the second disc inserted while it waits
  label=$1 image=$2
  shift 2
  echo "################ two copies ($label), the second disc inserted while Korvanel waits"
  fresh cdr74
  "$@" burn "$image" --device CdRom0 --copies 2 --verify >/root/copies.txt 2>&1 &
  copier=$!
  i=0
  while [ $i -lt 900 ] && ! grep -q 'Insert a blank disc for copy 2' /root/copies.txt; do sleep 0.2; i=$((i + 1)); done
  grep -q 'Insert a blank disc for copy 2' /root/copies.txt; check "copies ($label): the wait for copy 2 is announced" $?
  sleep 3
  fresh cdr74
  i=0
  while [ $i -lt 600 ] && kill -0 $copier 2>/dev/null; do sleep 0.2; i=$((i + 1)); done
  if kill -0 $copier 2>/dev/null; then
    echo "still running 120 s after the second disc went in; its last lines:"
    tail -n 5 /root/copies.txt
    kill -INT $copier; sleep 5; kill -KILL $copier 2>/dev/null
  fi
  wait $copier
  rc=$?
  tr -d '\r' </root/copies.txt | grep -v -e '^[0-9]*%$' -e FreeType -e TrueType | grep -i -e copy -e copies -e verif -e blank -e eject | tail -n 8
  [ $rc = 0 ]; check "copies ($label): both burned and verified, exit 0" $?
  $WINESERVER -k 2>/dev/null
  readback "copy 2 of 2 ($label)" /root/disc.iso
}
copies Linux /root/disc.iso "$LINCLI"
copies Windows 'C:\korvanel\disc.iso' $W "$WINCLI"

echo "################ Ctrl+C during a burn"
fresh cdr80
$W "$WINCLI" burn 'C:\korvanel\perf.iso' --device CdRom0 --speed max >/root/cancel.txt 2>&1 &
burner=$!
# Into the writing: the first percent line.
i=0
while [ $i -lt 600 ] && ! grep -q '[1-9][0-9]*%' /root/cancel.txt; do sleep 0.1; i=$((i + 1)); done
# wine64 becomes the Windows process itself: the signal reaches its console handler.
t0=$(up)
kill -INT "$burner"
wait $burner
rc=$?
echo "exit $rc, $(secs "$t0" "$(up)") s after the interrupt"
tr -d '\r' </root/cancel.txt | grep -v -e '^[0-9]*%$' -e FreeType -e TrueType | tail -n 5
[ $rc = 3 ]; check "Ctrl+C: exit 3" $?
$WINESERVER -k 2>/dev/null
win devices
grep -q '^CdRom0 .*Blank' /root/out.txt; [ $? != 0 ]; check "Ctrl+C: the disc is not shown as blank" $?

fi

echo "################ the same jobs on Linux and on Windows, side by side"
# Each job on a small and a large image: the difference between the two times is the
# work on the difference in bytes, free of program start, drive scan and spin-up
# (seconds under Wine in this software-emulated guest), and is what the ratios compare.
dd_disc() {  # dd_disc BLOCKS: seconds to read the disc through the page cache
  echo 3 >/proc/sys/vm/drop_caches
  t0=$(up)
  dd if=/dev/sr0 of=/dev/null bs=2048 count=$1 2>/dev/null
  secs "$t0" "$(up)"
}
figures() {  # figures TAG ISO WIN-PATH: sets <job>_<TAG> for every job (readback sets size, iso, blocks)
  tag=$1 img=$2 nblocks=$(($(wc -c <"$2") / 2048))
  fresh cdr80
  at=$(commands)
  lin burn "$img" --device CdRom0 --mode tao
  check "Linux: burn of the $tag image exits 0" $?
  eval "linburn_$tag=$took linburncmds_$tag=$(counted "$at")"
  [ "$tag" = large ] && logpos=$at && cmdsummary "Linux burn of the $tag image"
  readback "Linux tao, $tag image" "$img"
  fresh cdr80
  at=$(commands)
  win burn "$3" --device CdRom0 --mode tao
  check "Windows: burn of the $tag image exits 0" $?
  eval "winburn_$tag=$took winburncmds_$tag=$(counted "$at")"
  [ "$tag" = large ] && logpos=$at && cmdsummary "Windows burn of the $tag image"
  $WINESERVER -k 2>/dev/null
  readback "Windows tao, $tag image" "$img"
  cwc_reinsert
  sleep 1
  eval "dd_$tag=$(dd_disc "$nblocks")"
  sum=$(sha256sum <"$img" | cut -d' ' -f1)
  lin checksum CdRom0
  grep -q "$sum" /root/out.txt; check "Linux: checksum of the $tag disc equals the image's" $?
  eval "linsum_$tag=$took"
  lin read CdRom0 /root/read.iso
  cmp -s "$img" /root/read.iso; check "Linux: read of the $tag disc gives the image" $?
  eval "linread_$tag=$took"
  rm -f /root/read.iso
  at=$(commands)
  win checksum CdRom0
  grep -q "$sum" /root/out.txt; check "Windows: checksum of the $tag disc equals the image's" $?
  eval "winsum_$tag=$took winsumcmds_$tag=$(counted "$at")"
  win read CdRom0 'Z:\root\read.iso'
  cmp -s "$img" /root/read.iso; check "Windows: read of the $tag disc gives the image" $?
  eval "winread_$tag=$took"
  rm -f /root/read.iso
  $WINESERVER -k 2>/dev/null
}
figures small /root/disc.iso 'C:\korvanel\disc.iso'
figures large /root/perf.iso 'C:\korvanel\perf.iso'
minus() { secs "$2" "$1"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
bytes=$(($(wc -c </root/perf.iso) - $(wc -c </root/disc.iso)))
echo "################ figures (seconds; small image $(wc -c </root/disc.iso) bytes, large $(wc -c </root/perf.iso) bytes)"
echo "job             Linux small/large   Windows small/large   dd small/large"
echo "burn tao        $linburn_small / $linburn_large       $winburn_small / $winburn_large"
echo "checksum        $linsum_small / $linsum_large       $winsum_small / $winsum_large       $dd_small / $dd_large"
echo "read            $linread_small / $linread_large       $winread_small / $winread_large"
echo "MMC commands: burn Linux $linburncmds_small / $linburncmds_large, Windows $winburncmds_small / $winburncmds_large;" \
     "checksum Windows $winsumcmds_small / $winsumcmds_large (counted with --debug 2, else 0)"
echo "program start under Wine (--version): $startup s"
dd_d=$(minus "$dd_large" "$dd_small")
echo "on the $bytes bytes between the two images:"
echo "burn ratio Windows/Linux: $(ratio "$(minus "$winburn_large" "$winburn_small")" "$(minus "$linburn_large" "$linburn_small")")"
echo "read ratio checksum/dd: Windows $(ratio "$(minus "$winsum_large" "$winsum_small")" "$dd_d"), Linux $(ratio "$(minus "$linsum_large" "$linsum_small")" "$dd_d")"
echo "read ratio read/dd: Windows $(ratio "$(minus "$winread_large" "$winread_small")" "$dd_d"), Linux $(ratio "$(minus "$linread_large" "$linread_small")" "$dd_d")"
$WINESERVER -k 2>/dev/null
echo "===== failures: $fails (uptime $(up))"
exit $fails
