#!/usr/bin/env bash
# Builds Bumblepad for Linux and starts it with its starter pictures and
# sounds, the way the installation does: the settings key is created if it is
# missing, and the program is handed over to a new instance working in the
# programs' folder. Without an X display a virtual one (Xvfb, with openbox
# and trayer) is started and left running; as nobody can see it, a short
# demonstration follows: a lock, a few keys, a screenshot of the lock screen,
# and the lock ended by its word.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "${BUMBLEPAD_JOBS:-2}" --target Bumblepad Trovebox Hookwell starter_media
bin=$PWD/build/linux/bin

# The installation's job: the settings key (a folder; the 60-byte block is
# written by the controller itself).
config=${XDG_CONFIG_HOME:-$HOME/.config}
mkdir -p "$config/Software/Bumblepad"

source scripts/desktop-lib.sh
virtual=
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 20 99); do [ -e /tmp/.X11-unix/X$n ] || { export DISPLAY=:$n; break; }; done
  virtual=$DISPLAY
  echo "There is no X display here, so Bumblepad runs on a virtual display ($DISPLAY: Xvfb with"
  echo "openbox and the trayer tray) that nobody can see. It stays running after this script."
  setsid Xvfb "$DISPLAY" -noreset -screen 0 1280x800x24 >/tmp/bumblepad-xvfb.log 2>&1 < /dev/null &
  wait_for 10 xdpyinfo || { echo "The virtual display did not start (see /tmp/bumblepad-xvfb.log)."; exit 1; }
  setsid openbox >/tmp/bumblepad-openbox.log 2>&1 < /dev/null &
  wait_for 10 bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window" || true
  setsid trayer --edge top --align right --widthtype pixel --width 120 --height 24 \
    >/tmp/bumblepad-trayer.log 2>&1 < /dev/null &
  wait_for 10 bash -c "xprop -root | grep -q _NET_SYSTEM_TRAY || xdotool search --class trayer" || true
fi

if [ -z "$virtual" ]; then
  "$bin/Bumblepad" install "$bin"
  echo "Bumblepad runs on display $DISPLAY from $bin (tray icon: right click for the menu)."
  exit 0
fi
"$bin/Bumblepad" install "$bin" >/tmp/bumblepad-controller.log 2>&1 < /dev/null
echo "Bumblepad runs on display $DISPLAY from $bin (its messages go to /tmp/bumblepad-controller.log)."

# Something to look at: a lock from the tray icon, a few keys, a screenshot
# of the lock screen, then the lock ended by its word.
echo
echo "To show what it does, it is now locked from its tray icon, a few keys are typed, a"
echo "screenshot of the lock screen is saved, and the lock is ended by typing its word."
shot=$PWD/build/linux/run-lock-screen.png
word=$(unlock_word "$config/Software/Bumblepad/Options")
if ! wait_for 20 icon_present; then
  if window_named Error; then
    echo "Bumblepad reported an error instead (is it already started for this user?)."
    xdotool search --name '^Error$' windowactivate --sync 2>/dev/null; xdotool key Return
  else
    echo "The tray icon did not appear; nothing was locked."
  fi
  exit 1
fi
double_click_icon
if wait_for 10 lock_screen_up; then
  xdotool type --delay 250 "bee"
  sleep 1.5
  echo "Locked; the keys b, e, e were typed."
else
  echo "No full-screen lock screen came up (with pictures off in the options only a hint shows)."
fi
import -window root "$shot"
xdotool type --delay 150 "$word"
if wait_for 10 bash -c '! lock_screen_up'; then
  echo "The lock was ended by typing its word \"$word\"."
else
  echo "The lock is still on: type \"$word\" on display $DISPLAY, or end Bumblepad from its tray menu."
fi
echo
echo "Screenshot of the lock screen: $shot"
if command -v x11vnc >/dev/null; then
  echo "To watch the display live: x11vnc -display $DISPLAY -localhost -forever -nopw"
  echo "and point a VNC viewer at localhost:5900 (a tunnel, ssh -L 5900:localhost:5900, from afar)."
else
  echo "To watch the display live, install x11vnc (apt-get install x11vnc), run"
  echo "x11vnc -display $DISPLAY -localhost -forever -nopw and point a VNC viewer at localhost:5900."
fi
