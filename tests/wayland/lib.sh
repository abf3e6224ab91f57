# Helpers for the lock tests on real headless Wayland compositors (sourced).
set -u
BIN=${BUMBLEPAD_BIN:?}
TESTS=${BUMBLEPAD_TESTS_BIN:?}
failures=0
pass() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
expect() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; return 1; fi; }
wait_for() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  while [ $SECONDS -lt $end ]; do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
finish() {
  [ "$failures" = 0 ] && echo "all passed" || echo "$failures failed"
  exit $((failures > 0))
}

WORK=$(mktemp -d /tmp/bumblepad-wayland-XXXXXX)
chmod 755 "$WORK"
export XDG_CONFIG_HOME=$WORK/config XDG_STATE_HOME=$WORK/state
mkdir -p "$XDG_CONFIG_HOME/Software/Bumblepad" "$WORK/run"
chmod 700 "$WORK/run"
export XDG_RUNTIME_DIR=$WORK/run
unset DISPLAY
export XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland

# Runs a compositor as an ordinary user (they refuse root): nobody when run
# as root, with a private runtime folder of its own.
as_user() {
  if [ "$(id -u)" = 0 ]; then setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; else "$@"; fi
}
user_dir() {  # a folder the compositor's user owns
  mkdir -p "$1"; chmod 700 "$1"
  [ "$(id -u)" = 0 ] && chown nobody:nogroup "$1"
  return 0
}

# The settings block: no drives, autoLockMs $1, pictures $2, hint on, word $3
# (default "wren", Latin-1).
write_options() {
  python3 - "$XDG_CONFIG_HOME/Software/Bumblepad/Options" "$1" "$2" "${3:-wren}" <<'PY'
import struct, sys
block = bytes([0x7A]) + bytes(26) + bytes([0, 0, 0, 1, 0]) + struct.pack('<I', int(sys.argv[2])) \
    + bytes([0, int(sys.argv[3])]) + sys.argv[4].encode('latin-1').ljust(20, b'\0') + bytes(2)
assert len(block) == 60
open(sys.argv[1], 'wb').write(block)
PY
}

# Programs the compositor's user runs must be reachable for it: a build in a
# folder it cannot enter (under /root) is copied into the test's folder.
user_can_run() {
  local bin
  for bin in "$BIN/Bumblepad" "$TESTS/wayland_key_probe" "$TESTS/wayland_type_keys" "$SCRIPTS/mutter_keys.py"; do
    as_user test -r "$bin" || return 1
  done
}
SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ "$(id -u)" = 0 ] && ! user_can_run; then
  mkdir -p "$WORK/copy/tests" "$WORK/copy/scripts"
  cp -r "$BIN" "$WORK/copy/bin"
  cp "$TESTS/wayland_key_probe" "$TESTS/wayland_type_keys" "$WORK/copy/tests/"
  cp "$SCRIPTS/mutter_keys.py" "$WORK/copy/scripts/"
  chmod -R a+rX "$WORK/copy"
  BIN=$WORK/copy/bin TESTS=$WORK/copy/tests SCRIPTS=$WORK/copy/scripts
fi

pids=()
# A background "as_user ..." is a subshell with the program as its child, and
# dbus-run-session has the compositor as its child: end each whole tree,
# children first, so nothing outlives the test.
kill_tree() {
  local c
  for c in $(pgrep -P "$1"); do kill_tree "$c"; done
  kill "$1" 2>/dev/null
}
cleanup() {
  local p
  for p in "${pids[@]}"; do kill_tree "$p"; done
  wait 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

# Evdev key codes by the place of the key on a keyboard (what the US layout
# prints on it).
declare -A KEY=([q]=16 [w]=17 [e]=18 [r]=19 [t]=20 [y]=21 [u]=22 [i]=23 [o]=24 [p]=25 [a]=30 [s]=31 [d]=32
  [f]=33 [g]=34 [h]=35 [j]=36 [k]=37 [l]=38 [z]=44 [x]=45 [c]=46 [v]=47 [b]=48 [n]=49 [m]=50 [tab]=15
  [return]=28 [alt]=56 [altgr]=100 [super]=125 [esc]=1 [1]=2 [2]=3)
codes() { local k out=; for k in "$@"; do out+=" ${KEY[$k]}"; done; echo $out; }

# A keyboard of layout $1 (wlroots compositors: a virtual keyboard with that
# layout's whole keymap, tests/wayland/type_keys.cpp); kb sends it one line
# and waits until it has typed it.
keyboard_pid=
start_keyboard() {
  stop_keyboard
  rm -f "$WORK/kb.in"; mkfifo "$WORK/kb.in"
  "$TESTS/wayland_type_keys" "$@" <"$WORK/kb.in" >"$WORK/kb.log" 2>&1 & keyboard_pid=$!; pids+=($keyboard_pid)
  exec 8>"$WORK/kb.in"
  wait_for 10 grep -q ready "$WORK/kb.log"
}
stop_keyboard() {
  [ -n "$keyboard_pid" ] || return 0
  exec 8>&-
  wait "$keyboard_pid" 2>/dev/null
  keyboard_pid=
}
kb() {
  local before; before=$(grep -c done "$WORK/kb.log")
  echo "$*" >&8
  wait_for 30 bash -c "[ \$(grep -c done '$WORK/kb.log') -gt $before ]"
}
press_keys() { kb keys $(codes "$@"); }
