#!/usr/bin/env bash
# Pictures of erasing a rewritable disc and reading a disc into an image, in
# English and German, for the user guide: walks the wizard (app/korvanel of the
# build folder) on virtual recorders of its own with the keyboard and a few
# clicks, on an X server of its own, and saves
#   device-used-rw-<language>.png  the device page: a used CD-RW chosen, a drive that cannot be opened greyed
#   erase-choice-<language>.png    the question after "Erase disc...": quick or full
#   erase-progress-<language>.png  the progress window of a full erase, partly done
#   disc-erased-<language>.png     the device page after the erase
#   read-progress-<language>.png   the progress window of "Read from a disc..." on the image page, partly done
# into docs/images (or into the folder given).
# Usage: scripts/guide-shots.sh [BUILD-FOLDER [OUTPUT-FOLDER]]   (about a minute)
# Needs Xvfb, xdotool, ImageMagick (import) and genisoimage. The display is a
# free one from :90 up, or $GUIDE_SHOTS_DISPLAY (for example :63).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$top/build}")
out=$(realpath -m "${2:-$top/docs/images}")
[ -x "$build/app/korvanel" ] || { echo "no $build/app/korvanel: build the program first" >&2; exit 1; }
mkdir -p "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/guide.XXXXXX")  # short: the read window shows the path
xvfb_pid='' korvanel_pid=''
stop_korvanel() {
  if [ -n "$korvanel_pid" ]; then
    kill -CONT "$korvanel_pid" 2> /dev/null || true
    kill "$korvanel_pid" 2> /dev/null || true
    wait "$korvanel_pid" 2> /dev/null || true
  fi
  korvanel_pid=
}
cleanup() {
  local status=$?
  stop_korvanel
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2> /dev/null || true; fi
  if [ "$status" != 0 ]; then
    for log in "$work"/korvanel-*.log; do
      [ -e "$log" ] && { echo "== ${log##*/}"; tail -n 20 "$log"; } >&2
    done
  fi
  rm -rf "$work"
}
trap cleanup EXIT

display=${GUIDE_SHOTS_DISPLAY:-}
if [ -z "$display" ]; then
  for n in $(seq 90 189); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=:$n; break; }
  done
fi
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 1 50); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.1; done

# The program's settings, documents and media stay in the work folder, the home of the run.
export HOME=$work XDG_CONFIG_HOME=$work/.config XDG_STATE_HOME=$work/.local/state \
  XDG_CACHE_HOME=$work/.cache XDG_DATA_HOME=$work/.local/share XDG_RUNTIME_DIR=$work/.runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# The written CD to read: an ISO image of a few MB.
mkdir -p "$work/tree"
head -c 6000000 /dev/urandom > "$work/tree/photos.bin"
genisoimage -quiet -J -R -V HOLIDAY_2025 -o "$work/holiday.iso" "$work/tree"

# CdRom0 holds a used 20 MB CD-RW; its full erase takes 20 MB at 706 KB/s times
# 0.3, about 9 s. CdRom1 cannot be opened (another program holds it): its row
# is greyed. CdRom2 holds the written CD to read; its time_scale would make the
# read take seconds if reads were paced (they are not yet: see below). Every
# medium is fresh at each start, so both languages begin with the used CD-RW.
cat > "$work/recorders.json" << 'EOF'
{
  "state_folder": "media",
  "fresh_media_at_start": true,
  "recorders": [
    {
      "name": "CdRom0", "address": "1:0:0:0",
      "vendor": "KORVANEL", "product": "Guide CD-RW Rewriter", "revision": "1.20",
      "media_formats": ["read_cdr", "read_cdrw", "test_write", "write", "write_cdrw"],
      "write_modes": ["tao", "sao", "dao_pq", "dao_raw"],
      "read_modes": ["cdda", "mode2_form1"],
      "buffer_underrun_protection": true,
      "write_speeds": { "cd": [706, 1411, 2822, 5645] },
      "time_scale": 0.3,
      "medium": { "type": "CD-RW", "state": "complete", "capacity_bytes": 20971520,
                  "used_bytes": 13107200, "label": "OLD_BACKUP" }
    },
    {
      "name": "CdRom1", "address": "1:0:1:0",
      "vendor": "KORVANEL", "product": "Guide Busy Recorder", "revision": "1.00",
      "media_formats": ["read_cdr", "read_cdrw", "write", "write_cdrw"],
      "write_modes": ["tao", "sao"],
      "medium": null,
      "faults": { "operations": { "CreateEx": { "exception": 13, "text": "held by another program" } } }
    },
    {
      "name": "CdRom2", "address": "2:0:0:0",
      "vendor": "KORVANEL", "product": "Guide CD Recorder", "revision": "2.00",
      "media_formats": ["read_cdr", "read_cdrw", "test_write", "write", "write_cdrw"],
      "write_modes": ["tao", "sao", "dao_pq", "dao_raw"],
      "read_modes": ["cdda", "mode2_form1"],
      "read_speeds": { "cd": 706 },
      "time_scale": 2,
      "medium": { "type": "CD-R", "state": "complete", "content_file": "holiday.iso" }
    }
  ]
}
EOF

# Visible windows of the program, newest last (matched by class: xdotool does
# not match a title with a dash such as "Erasing disc — Korvanel").
windows() { xdotool search --onlyvisible --class korvanel 2> /dev/null || true; }
# A visible window of the program other than the given ones, the newest.
other_window() {
  local window
  window=$(windows)
  for known in "$@"; do window=$(grep -vx "$known" <<< "$window" || true); done
  tail -n 1 <<< "$window"
}
# Waits until one window of the program alone is shown, the same for half a
# second, and prints it.
wait_alone() {
  local window last=
  for _ in $(seq 1 120); do
    window=$(windows)
    if [ -n "$window" ] && [ "$(wc -l <<< "$window")" = 1 ]; then
      [ "$window" = "$last" ] && { echo "$window"; return; }
      last=$window
    else
      last=
    fi
    sleep 0.5
  done
  echo "the wizard's window does not show alone ($language)" >&2
  exit 1
}
# Waits until a window other than the wizard's is there and prints it.
wait_dialog() {
  local window
  for _ in $(seq 1 150); do
    window=$(other_window "$main")
    [ -n "$window" ] && { echo "$window"; return; }
    sleep 0.1
  done
  echo "no window after the wizard's for $1-$language" >&2
  exit 1
}
wait_gone() {
  for _ in $(seq 1 600); do
    windows | grep -qx "$1" || return 0
    sleep 0.1
  done
  echo "window $1 did not close" >&2
  exit 1
}
# Saves window as name-language.png (import can hang on a window that closes meanwhile).
shoot() {
  timeout 20 import -window "$2" "$out/$1-$language.png"
  echo "$out/$1-$language.png"
}
key() {
  xdotool windowfocus "$1"
  sleep 0.2
  shift
  xdotool key --clearmodifiers "$@"
}
# The library reads a virtual disc as fast as the disk allows, whatever its
# time_scale: a few MB take a blink. To see the read's bar on its way, the
# program runs in slices of about a millisecond (stopped and continued by
# signals); while it is stopped, each state of the progress window is saved.
# Prints how many were saved.
mkfifo "$work/never"
exec {never}<> "$work/never"
pause() { read -r -t "$1" -u "$never" _ || true; }  # a wait without starting a process
frames_of_slowed_read() {
  local seen=0 frames=0 window
  for _ in $(seq 1 3000); do
    kill -STOP "$korvanel_pid"
    window=$(other_window "$main" "$1")
    if [ -n "$window" ]; then
      seen=1
      if timeout 20 import -window "$window" "$work/frame-$frames.png" 2> /dev/null; then
        frames=$((frames + 1))
      fi
    elif [ $seen = 1 ]; then
      break
    fi
    pause 0.02
    kill -CONT "$korvanel_pid"
    pause 0.001
  done
  kill -CONT "$korvanel_pid"
  echo "$frames"
}
# "Read from a disc...": the only written disc, saved as proposed; the middle
# picture of the read is kept. A read that went by in too few pictures (the
# slices are longer on a busy machine) is made again.
read_disc() {
  local chooser saver frames
  for attempt in 1 2 3 4; do
    rm -f "$work"/frame-*.png "$HOME/$documents/HOLIDAY_2025.iso"
    key "$main" "alt+$read_key"
    chooser=$(wait_dialog read-choice)
    sleep 1
    key "$chooser" Return
    wait_gone "$chooser"
    saver=$(wait_dialog read-file)
    sleep 1.5
    key "$saver" Return
    frames=$(frames_of_slowed_read "$saver")
    [ -s "$HOME/$documents/HOLIDAY_2025.iso" ] || { echo "the read did not save HOLIDAY_2025.iso" >&2; exit 1; }
    if [ "$frames" -ge 8 ] || { [ "$frames" -ge 3 ] && [ "$attempt" = 4 ]; }; then
      cp "$work/frame-$((frames / 2)).png" "$out/read-progress-$language.png"
      echo "$out/read-progress-$language.png (the middle of $frames)"
      rm -f "$work"/frame-*.png "$HOME/$documents/HOLIDAY_2025.iso"
      return
    fi
    sleep 1
  done
  echo "the read went too fast to be seen ($language)" >&2
  exit 1
}

for language in en de; do
  case $language in
    en) env_language=en locale=C.UTF-8 next_key=n read_key=r documents=Documents ;;
    de) env_language=de locale=de_DE.UTF-8 next_key=w read_key=l documents=Dokumente ;;
  esac
  # The documents folder, where the read image is proposed, is named as on a system in that language.
  mkdir -p "$HOME/$documents"
  echo "XDG_DOCUMENTS_DIR=\"\$HOME/$documents\"" > "$XDG_CONFIG_HOME/user-dirs.dirs"
  # Without the splash: a key pressed while it fades in would end the program.
  (exec {never}<&- && cd "$build/app" && exec env LANGUAGE="$env_language" LC_ALL="$locale" KORVANEL_NO_SPLASH=1 \
    ./korvanel --virtual-drives "$work/recorders.json" --no-real-drives > "$work/korvanel-$language.log" 2>&1) &
  korvanel_pid=$!
  # The welcome; the wizard's window is another one from the second page on.
  main=$(wait_alone)
  key "$main" "alt+$next_key"
  sleep 1
  main=$(wait_alone)
  key "$main" "alt+$next_key"
  sleep 3
  main=$(wait_alone)
  shoot device-used-rw "$main"

  # The first row (the CD-RW, at 300,188 in the window) is chosen; a click
  # there puts the focus in the list, from which Tab goes to Refresh, then to
  # "Erase disc..." (it has no key of its own).
  xdotool mousemove --window "$main" 300 188 click 1
  xdotool mousemove 0 0
  key "$main" Tab Tab space
  choice=$(wait_dialog erase-choice)
  sleep 1
  shoot erase-choice "$choice"
  key "$choice" Tab space  # from "Quick erase" to "Full erase"
  progress=$(wait_dialog erase-progress)
  sleep 4
  shoot erase-progress "$progress"
  wait_gone "$progress"
  sleep 2
  shoot disc-erased "$main"

  # The image page, and the read.
  key "$main" "alt+$next_key"
  sleep 2
  read_disc
  stop_korvanel
done
