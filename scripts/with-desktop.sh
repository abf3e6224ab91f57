#!/usr/bin/env bash
# with-desktop.sh COMMAND...: runs COMMAND on a private virtual X display
# (Xvfb -noreset, 1024x768x24, or BUMBLEPAD_DESKTOP_SCREEN) with openbox as window manager and trayer as
# tray host, then takes them down again. The command sees DISPLAY, and
# XDG_CONFIG_HOME / XDG_RUNTIME_DIR / XDG_STATE_HOME in a fresh temporary
# folder, so it never touches the user's own settings and records, nor those
# of another desktop run beside it (and BUMBLEPAD_DESKTOP_XVFB, the server's pid).
set -u
work=$(mktemp -d /tmp/bumblepad-desktop-XXXXXX)
# The server picks a free display number itself and writes it to a pipe, so
# desktops started side by side never race for the same number.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -noreset -screen 0 "${BUMBLEPAD_DESKTOP_SCREEN:-1024x768x24}" +extension XTEST +extension XInputExtension \
  >"$work/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 30 -u "$fd" number || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; kill $xvfb 2>/dev/null; rm -rf "$work"; exit 1; }
exec {fd}<&-
display=:$number
for _ in $(seq 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.05; done
export DISPLAY=$display
# An X session of its own, whatever session the caller runs in.
unset WAYLAND_DISPLAY
export XDG_SESSION_TYPE=x11
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run XDG_STATE_HOME=$work/state
export BUMBLEPAD_DESKTOP_WORK=$work BUMBLEPAD_DESKTOP_XVFB=$xvfb
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$XDG_STATE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
openbox >"$work/openbox.log" 2>&1 &
wm=$!
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.05; done
trayer --edge top --align right --widthtype pixel --width 120 --height 24 --transparent false \
  >"$work/trayer.log" 2>&1 &
tray=$!
for _ in $(seq 100); do xprop -root 2>/dev/null | grep -q '_NET_SYSTEM_TRAY' && break
  xdotool search --class trayer >/dev/null 2>&1 && break; sleep 0.05; done
"$@"
status=$?
kill $tray $wm 2>/dev/null
kill $xvfb 2>/dev/null
wait 2>/dev/null
rm -rf "$work"
exit $status
