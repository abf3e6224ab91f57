#!/usr/bin/env bash
# screenshots.sh [FOLDER]: runs the real programs on a virtual display (Xvfb,
# openbox, trayer) and writes the README's pictures into FOLDER (default
# docs/screenshots): tray-menu.png, options.png, lock-screen.png,
# unlock-hint.png and trovebox.png. Fails when one cannot be made.
#
# Re-running it gives the same files: the controller seeds its generator
# with the calendar time in seconds, which faketime holds at one second for
# the controller (its tick clock keeps running); the media folder lies on a
# tmpfs, so its listing order is that of the copies; and the PNG files carry
# no dates. BUMBLEPAD_BIN names built programs to use instead of building.
set -u
cd "$(dirname "$0")/.."

if [ -z "${BUMBLEPAD_SHOTS_OUT:-}" ]; then
  out=${1:-docs/screenshots}
  mkdir -p "$out" && out=$(cd "$out" && pwd) || exit 1
  if [ -z "${BUMBLEPAD_BIN:-}" ]; then
    scripts/deps.sh || exit 1
    cmake --preset linux >/dev/null || exit 1
    cmake --build --preset linux -j "${BUMBLEPAD_JOBS:-2}" --target Bumblepad Trovebox Hookwell starter_media \
      >/dev/null || exit 1
    BUMBLEPAD_BIN=$PWD/build/linux/bin
  fi
  export BUMBLEPAD_BIN BUMBLEPAD_SHOTS_OUT=$out
  exec scripts/with-desktop.sh bash "$0"
fi

source scripts/desktop-lib.sh
BIN=$BUMBLEPAD_BIN OUT=$BUMBLEPAD_SHOTS_OUT
store=$XDG_CONFIG_HOME/Software/Bumblepad/Options
started=$SECONDS

# need WHAT COMMAND...: the step's condition, or the run ends with WHAT.
need() { local what=$1; shift; "$@" || { echo "screenshots: $what did not happen" >&2; cleanup; exit 1; }; }
# shot NAME [GEOMETRY]: the screen (or a part of it) as NAME.png, without
# dates in the file, once drawing has settled (two looks alike).
screen_sum() { import -window root rgb:- | md5sum; }
shot() {
  local a b end=$((SECONDS + 20))
  a=$(screen_sum)
  while sleep 0.4; b=$(screen_sum); [ "$a" != "$b" ] && [ $SECONDS -lt $end ]; do a=$b; done
  import -window root ${2:+-crop "$2"} +repage -strip -define png:exclude-chunks=date,time "$OUT/$1.png" &&
    echo "  $OUT/$1.png"
}
# The frame of the window named $1 (title bar and borders included), as a
# geometry.
frame_of() {
  local w x y width height l r t b
  w=$(xdotool search --onlyvisible --name "^$1\$" | head -1)
  x=$(xwininfo -id "$w" | awk '/Absolute upper-left X/ {print $NF}')
  y=$(xwininfo -id "$w" | awk '/Absolute upper-left Y/ {print $NF}')
  width=$(xwininfo -id "$w" | awk '/^ *Width/ {print $NF}')
  height=$(xwininfo -id "$w" | awk '/^ *Height/ {print $NF}')
  IFS=', ' read -r l r t b <<<"$(xprop -id "$w" _NET_FRAME_EXTENTS | sed 's/.*= //')"
  echo "$((width + l + r))x$((height + t + b))+$((x - l))+$((y - t))"
}
# The controller's window of the given size pattern at the top-left corner.
window_at_origin() {
  xwininfo -root -tree | grep -E '"Bumblepad": \("Bumblepad" "Bumblepad"\)  [0-9]+x[0-9]+\+0\+0' |
    grep -v "$(xdpyinfo | awk '/dimensions:/ {print $2}')" | grep -oE '[0-9]+x[0-9]+\+0\+0' | head -1
}
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$media"; }
controller() {
  DONT_FAKE_MONOTONIC=1 faketime -f '2026-01-01 12:00:00' "$BIN/Bumblepad" >>"$BUMBLEPAD_DESKTOP_WORK/bumblepad.log" 2>&1 &
  pids+=($!)
  need "the tray icon" wait_for 20 icon_present
}
leave() { open_menu; choose 7; need "the end of the controller" wait_for 20 bash -c "! kill -0 ${pids[-1]} 2>/dev/null"; }

# The media folder: the starter set copied in name order onto a tmpfs.
media=$(mktemp -d /dev/shm/bumblepad-shots-XXXXXX)
mkdir -p "$media/pictures" "$media/sounds"
for f in $(cd "$BIN" && ls pictures/* sounds/*.wav | sort); do cp "$BIN/$f" "$media/$f"; done
cd "$media"
mkdir -p "$(dirname "$store")"
write_settings "$store" 1
echo "Writing the screenshots:"

controller
open_menu
need "the tray menu" menu_up
menu=$(xwininfo -root -tree | grep -E '"Bumblepad": \("Bumblepad" "Bumblepad"\)  [0-9]+x[0-9]+\+[0-9]+\+1[0-9] ' |
  grep -oE '[0-9]+x[0-9]+\+[0-9]+\+[0-9]+' | head -1)
IFS='x+' read -r mw mh mx my <<<"$menu"
screen_w=$(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1]}')
shot tray-menu "$((screen_w - mx + 24))x$((my + mh + 24))+$((mx - 24))+0"
xdotool key Escape

open_menu
choose 2
need "the options dialog" wait_for 10 window_named "Bumblepad Options"
sleep 0.5
shot options "$(frame_of "Bumblepad Options")"
xdotool key Escape
need "the options dialog's end" wait_for 10 bash -c '! window_named "Bumblepad Options"'

# A full lock: a dozen keys and mouse moves between them. Each step waits
# until the lock screen has answered it: a reported move is drawn to where
# the pointer is when the controller reads it. A move is a jump to beside
# the point and one device step onto it (a jump alone is no device motion).
# The first move of the first lock only sets where the trail starts; it
# draws nothing, so the key after it (read after it) is what is waited for.
double_click_icon
need "the lock screen" wait_for 10 lock_screen_up
answered() { [ "$(screen_sum)" != "$1" ]; }
step() {
  local before
  before=$(screen_sum)
  case $1 in
    key) xdotool key "$2" ;;
    move | start) xdotool mousemove $(($2 - 1)) $(($3 - 1)); xdotool mousemove_relative 1 1 ;;
  esac
  [ "$1" = start ] || need "an answer to $*" wait_for 10 answered "$before"
}
steps=(
  "key t" "start 60 130" "key o" "move 300 560" "move 520 690" "key d" "move 760 520" "key d"
  "move 960 660" "key l" "key e" "move 900 200" "key r" "move 640 120" "key p" "move 380 260"
  "key l" "key a" "move 120 160" "key y" "key s" "move 200 420" "move 500 380" "move 820 430"
)
for s in "${steps[@]}"; do step $s; done
shot lock-screen
xdotool type --delay 150 wren
need "the end of the lock by the word" wait_for 10 bash -c '! lock_screen_up'
leave

# Pictures off: a lock from the tray shows the unlock hint instead.
write_settings "$store" 0
controller
double_click_icon
need "the unlock hint" wait_for 10 window_at_origin
sleep 0.5
IFS='x+' read -r hw hh _ _ <<<"$(window_at_origin)"
shot unlock-hint "$((hw + 48))x$((hh + 32))+0+0"
xdotool type --delay 150 wren
need "the end of the hint's lock by the word" wait_for 10 bash -c '[ -z "$(window_at_origin)" ]'

# Trovebox from the tray, a picture chosen and previewed.
open_menu
choose 1
need "Trovebox" wait_for 20 bash -c '[ -n "$(xdotool search --onlyvisible --name "^Trovebox\$")" ]'
trove=$(xdotool search --onlyvisible --name '^Trovebox$' | head -1)
xdotool windowactivate --sync "$trove" 2>/dev/null
X=$(xwininfo -id "$trove" | awk '/Absolute upper-left X/ {print $NF}')
Y=$(xwininfo -id "$trove" | awk '/Absolute upper-left Y/ {print $NF}')
xdotool mousemove $((X + 260)) $((Y + 46)) click 1   # letter_a.jpg
sleep 0.3
xdotool key Down                                     # letter_b.jpg
xdotool mousemove $((X + 700)) $((Y + 300))          # the pointer out of the way
# The preview is drawn when the square holds more than the dialog's grey.
preview_drawn() {
  [ "$(import -window root -crop 200x150+$((X + 430))+$((Y + 40)) +repage -format '%k' info:)" -gt 50 ]
}
need "the preview" wait_for 10 preview_drawn
sleep 0.5
shot trovebox "$(frame_of Trovebox)"
xdotool windowactivate --sync "$trove" 2>/dev/null; xdotool key Escape
leave
cleanup
echo "Done in $((SECONDS - started)) s."
