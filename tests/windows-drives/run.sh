#!/bin/bash
# The Windows build of libburn (scripts/windows/build-libburn.sh) against a writer we
# did not write: lbprobe.exe lists the drive, reads its disc and burns an ISO under
# Wine inside the emulated-writer guest, through SCSI pass-through on \\.\D:; Linux
# in the guest reads the disc back and compares (guest.sh). Not part of ctest: the
# guest takes minutes. Host side: stages lbprobe.exe and the DLLs, a trimmed Wine
# prefix (as the rig's wine/run.sh does) and a small ISO outside the checkout.
#   tests/windows-drives/run.sh [extra emulated-writer options...]
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
STAGE=${KORVANEL_WINDOWS_DRIVES_STAGE:-/var/tmp/korvanel-windows-drives}
EW=${EMULATED_WRITER:-$(cd "$HERE/../../.." && pwd)/shared/emulated-writer/emulated-writer}
P=${LIBBURN_PREFIX:-$HOME/.cache/korvanel/libburn-1.5.4-mingw64}
WINELIB=/usr/lib/x86_64-linux-gnu/wine
mkdir -p "$STAGE"
# 1. probe
nice -n 10 x86_64-w64-mingw32-gcc-posix -O2 -Wall -D_FILE_OFFSET_BITS=64 -I"$P/include" \
  -o "$STAGE/lbprobe.exe" "$HERE/lbprobe.c" "$P/lib/libburn.dll.a" -static-libgcc
# 2. prefix
if [ ! -f "$STAGE/wp/system.reg" ]; then
  rm -rf "$STAGE/wp.full" "$STAGE/wp"
  export WINEPREFIX=$STAGE/wp.full WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY
  nice -n 10 /usr/lib/wine/wine64 wineboot -i
  nice -n 10 /usr/lib/wine/wine64 reg add 'HKLM\Software\Wine\Drives' /v d: /d cdrom /f
  /usr/lib/wine/wineserver64 -w
  unset WINEPREFIX
  mkdir -p "$STAGE/wp/drive_c/windows/system32/drivers"
  cp -a "$STAGE/wp.full"/{system.reg,user.reg,userdef.reg,.update-timestamp} "$STAGE/wp/"
  cp -a "$STAGE/wp.full"/drive_c/windows/system32/*.nls "$STAGE/wp/drive_c/windows/system32/"
  (cd "$STAGE/wp.full/drive_c" && find . -type d ! -path './windows/winsxs*' -print0 \
     | (cd "$STAGE/wp/drive_c" && xargs -0 mkdir -p))
  rm -rf "$STAGE/wp.full"
fi
# 3. the ISO (about 2 MB)
if [ ! -f "$STAGE/disc.iso" ]; then
  rm -rf "$STAGE/disc" && mkdir -p "$STAGE/disc"
  echo "hello from korvanel's libburn probe" >"$STAGE/disc/README.TXT"
  head -c 2097152 /dev/urandom >"$STAGE/disc/random.bin"
  xorriso -as mkisofs -quiet -V LBPROBE -o "$STAGE/disc.iso" "$STAGE/disc"
fi
mkdir -p "$STAGE/wp/drive_c/lbprobe"
cp "$STAGE/lbprobe.exe" "$P/bin/libburn-4.dll" /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll \
   "$STAGE/disc.iso" "$STAGE/wp/drive_c/lbprobe/"
# 4. builtins subset (list from the rig's wine/run.sh)
DLLS="actxprxy.dll advapi32.dll combase.dll dnsapi.dll explorer.exe gdi32.dll
hidclass.sys hidparse.sys imm32.dll iphlpapi.dll kernel32.dll kernelbase.dll
mountmgr.sys msvcrt.dll ndis.sys nsi.dll nsiproxy.sys ntoskrnl.exe ole32.dll
oleaut32.dll plugplay.exe propsys.dll rpcrt4.dll rpcss.exe sechost.dll
services.exe setupapi.dll shcore.dll shell32.dll shlwapi.dll svchost.exe
ucrtbase.dll user32.dll userenv.dll uxtheme.dll version.dll wevtsvc.dll
win32u.dll windowscodecs.dll wineboot.exe winebus.sys winedevice.exe
winehid.sys wineusb.sys winex11.drv ws2_32.dll zlib1.dll ntdll.dll
conhost.exe cmd.exe start.exe tzres.dll bcrypt.dll cfgmgr32.dll comctl32.dll
winspool.drv msacm32.dll winmm.dll netapi32.dll secur32.dll sspicli.dll
crypt32.dll wintrust.dll imagehlp.dll dbghelp.dll hid.dll apisetschema.dll"
rm -rf "$STAGE/winpe" && mkdir -p "$STAGE/winpe"
for d in $DLLS; do
  [ -f "$WINELIB/x86_64-windows/$d" ] && cp -a "$WINELIB/x86_64-windows/$d" "$STAGE/winpe/"
done
# 5. guest
L=/usr/lib/x86_64-linux-gnu
set +e
nice -n 10 "$EW" --mem 1536M --timeout 900 "$@" \
  --bin /usr/lib/wine/wine64 --bin /usr/lib/wine/wineserver64 \
  --file "$WINELIB/x86_64-unix:$WINELIB/x86_64-unix" \
  --file "$STAGE/winpe:$WINELIB/x86_64-windows" \
  --file "$L/libunwind.so.8:$L/libunwind.so.8" \
  --file "$L/liblzma.so.5:$L/liblzma.so.5" \
  --file "$L/libm.so.6:$L/libm.so.6" \
  --file "$L/libgcc_s.so.1:$L/libgcc_s.so.1" \
  --file "/usr/share/wine/nls:/usr/share/wine/nls" \
  --file "/usr/share/wine/wine.inf:/usr/share/wine/wine.inf" \
  --file "$STAGE/wp:/root/wp" \
  --file "$STAGE/disc.iso:/root/disc.iso" \
  --file "$HERE/guest.sh:/root/guest.sh" \
  -- "${GUEST_CMD:-. /root/guest.sh}"
rc=$?
echo "== rig exit status: $rc"
exit $rc
