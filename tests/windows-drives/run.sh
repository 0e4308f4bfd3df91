#!/bin/bash
# Korvanel's Windows build against a writer we did not write: korvanel-cli.exe under
# Wine inside the emulated-writer guest reaches the drive through SCSI pass-through on
# \\.\D: (cli.sh: listing, speeds, burns in every mode with verify, refusals, Ctrl+C,
# figures beside the Linux build); GUEST=probe runs the bare libburn probe instead
# (lbprobe.c, guest.sh). Linux in the guest reads each disc back and compares. Not
# part of ctest: the guest takes minutes. Host side: stages the programs and DLLs
# (build-win/ and build/ from scripts/windows/build.sh and the README's build), a
# trimmed Wine prefix (as the rig's wine/run.sh does) and ISOs made by xorriso, all
# outside the checkout.
#   tests/windows-drives/run.sh [extra emulated-writer options, e.g. --debug 2...]
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
# 3. the ISOs: a small one for the cases (about 2 MB), a larger one for the figures
if [ ! -f "$STAGE/perf.iso" ]; then
  rm -rf "$STAGE/perf" && mkdir -p "$STAGE/perf"
  head -c "${PERF_MB:-48}M" /dev/urandom >"$STAGE/perf/data.bin"
  xorriso -as mkisofs -quiet -V PERF -o "$STAGE/perf.iso" "$STAGE/perf"
fi
if [ ! -f "$STAGE/disc.iso" ]; then
  rm -rf "$STAGE/disc" && mkdir -p "$STAGE/disc"
  echo "hello from korvanel's libburn probe" >"$STAGE/disc/README.TXT"
  head -c 2097152 /dev/urandom >"$STAGE/disc/random.bin"
  xorriso -as mkisofs -quiet -V LBPROBE -o "$STAGE/disc.iso" "$STAGE/disc"
fi
TOP=$(cd "$HERE/../.." && pwd)
WINBUILD=${KORVANEL_WIN_BUILD:-$TOP/build-win}
LINCLI=${KORVANEL_LINUX_CLI:-$TOP/build/cli/korvanel-cli}
rm -rf "$STAGE/wp/drive_c/korvanel" && mkdir -p "$STAGE/wp/drive_c/korvanel"
cp "$WINBUILD"/cli/{korvanel-cli.exe,Qt6Core.dll,libburn-4.dll,libstdc++-6.dll,libgcc_s_seh-1.dll,libwinpthread-1.dll} \
   "$STAGE/disc.iso" "$STAGE/perf.iso" \
   "$STAGE/wp/drive_c/korvanel/"
echo "$LINCLI" >"$STAGE/linux-cli-path"
# The wizard for GUEST=gui: the program folder as the installer lays it out (only
# then: the guest holds every file in its memory).
rm -rf "$STAGE/wp/drive_c/korvanel-app"
if [ "${GUEST:-cli}" = gui ]; then
  mkdir -p "$STAGE/wp/drive_c/korvanel-app"
  (cd "$WINBUILD/app" && cp -r korvanel.exe ./*.dll platforms styles sounds translations "$STAGE/wp/drive_c/korvanel-app/")
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
crypt32.dll wintrust.dll imagehlp.dll dbghelp.dll hid.dll apisetschema.dll
authz.dll mpr.dll api-ms-win-core-synch-l1-2-0.dll
d3d11.dll d3d9.dll dxgi.dll dwrite.dll dwmapi.dll comdlg32.dll wtsapi32.dll wined3d.dll
opengl32.dll msimg32.dll usp10.dll gdiplus.dll oleacc.dll riched20.dll dxcore.dll
winemenubuilder.exe compstui.dll"
rm -rf "$STAGE/winpe" && mkdir -p "$STAGE/winpe"
for d in $DLLS; do
  [ -f "$WINELIB/x86_64-windows/$d" ] && cp -a "$WINELIB/x86_64-windows/$d" "$STAGE/winpe/"
done
# 5. guest
L=/usr/lib/x86_64-linux-gnu
GUEST=${GUEST:-cli}
extra=()
if [ "$GUEST" = gui ]; then
  # An X server, the keyboard and the window dumps, and what Wine's X11 driver loads.
  for b in Xvfb xdotool xwd xkbcomp; do extra+=(--bin "$(command -v $b)"); done
  for l in libXrender.so.1 libXext.so.6 libXi.so.6 libXrandr.so.2 libXcursor.so.1 libXfixes.so.3 \
           libXcomposite.so.1 libXinerama.so.1 libXxf86vm.so.1 libfreetype.so.6 libfontconfig.so.1; do
    for f in "$L/$l" $(ldd "$L/$l" | awk '/=>/ {print $3}'); do extra+=(--file "$f:$f"); done
  done
  extra+=(--file /usr/share/X11/xkb:/usr/share/X11/xkb --file /usr/share/wine/fonts:/usr/share/wine/fonts
          --file /etc/fonts:/etc/fonts --file /usr/share/fonts/truetype/dejavu:/usr/share/fonts/truetype/dejavu
          --file "$HERE/gui.sh:/root/gui.sh")
fi
set +e
nice -n 10 "$EW" --mem 2560M --timeout 900 "$@" \
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
  --file "$STAGE/perf.iso:/root/perf.iso" \
  --file "$STAGE/linux-cli-path:/root/linux-cli-path" \
  --bin "$LINCLI" \
  --file "$HERE/wine-guest.sh:/root/wine-guest.sh" \
  --file "$HERE/guest.sh:/root/guest.sh" \
  --file "$HERE/cli.sh:/root/cli.sh" "${extra[@]}" \
  -- "${GUEST_CMD:-. /root/$([ "$GUEST" = probe ] && echo guest || echo "$GUEST").sh}" | tee "$STAGE/guest.log"
rc=${PIPESTATUS[0]}
echo "== rig exit status: $rc"
# The wizard's windows, out of the console dump.
if [ "$GUEST" = gui ]; then
  shots=${KORVANEL_SHOTS:-$TOP/docs/images/windows}
  mkdir -p "$shots"
  awk -v dir="$STAGE" '/^=== SHOT / {name = $3; file = dir "/" name ".b64"; printf "" > file; next}
       /^=== END ===/ {close(file); name = ""; next}
       name != "" {gsub(/\r/, ""); print >> file}' "$STAGE/guest.log"
  for b in "$STAGE"/*.b64; do
    [ -e "$b" ] || continue
    n=$(basename "$b" .b64)
    base64 -d "$b" | gunzip > "$STAGE/$n.xwd" && convert "xwd:$STAGE/$n.xwd" -trim +repage "$shots/real-drive-$n.png" \
      && echo "saved $shots/real-drive-$n.png"
    rm -f "$b" "$STAGE/$n.xwd"
  done
fi
exit $rc
