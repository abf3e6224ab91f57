#!/usr/bin/env bash
# Builds Bumblepad for Linux and starts it with its starter pictures and
# sounds, the way the installation does: the settings key is created if it is
# missing, and the program is handed over to a new instance working in the
# programs' folder. Without an X display a virtual one (Xvfb, with openbox
# and trayer) is started and left running.
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

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 20 99); do [ -e /tmp/.X11-unix/X$n ] || { export DISPLAY=:$n; break; }; done
  echo "No X display: starting a virtual one on $DISPLAY (Xvfb, openbox, trayer). It stays running."
  setsid Xvfb "$DISPLAY" -noreset -screen 0 1280x800x24 >/tmp/bumblepad-xvfb.log 2>&1 < /dev/null &
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  setsid openbox >/tmp/bumblepad-openbox.log 2>&1 < /dev/null &
  sleep 0.5
  setsid trayer --edge top --align right --widthtype pixel --width 120 --height 24 \
    >/tmp/bumblepad-trayer.log 2>&1 < /dev/null &
  sleep 0.5
fi

"$bin/Bumblepad" install "$bin"
echo "Bumblepad runs on display $DISPLAY from $bin (tray icon: right click for the menu)."
