# Helpers for the lock tests on real headless Wayland compositors (sourced).
set -u
BIN=${BUMBLEPAD_BIN:?}
TESTS=${BUMBLEPAD_TESTS_BIN:?}
SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
failures=0
# pass, fail, expect, wait_for, finish; skip REASON when the whole run cannot
# be made here (a compositor or the Debian 13 root is missing): exit 77,
# counted apart by scripts/test.sh.
source "$SOURCE/tests/lib/checks.sh"
# not_here REASON: one case this compositor cannot make (it lacks what the
# case needs): said on a "skip - " line, and the run goes on.
# scripts/test.sh lists each such line with the skips, expected or not.
not_here() { echo "skip - $*"; }

WORK=$(mktemp -d /tmp/bumblepad-wayland-XXXXXX)
chmod 755 "$WORK"
export XDG_CONFIG_HOME=$WORK/config XDG_STATE_HOME=$WORK/state
RUN=$WORK/run
mkdir -p "$XDG_CONFIG_HOME/Software/Bumblepad" "$RUN"
chmod 700 "$RUN"
export XDG_RUNTIME_DIR=$RUN
unset DISPLAY
export XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland

# Runs a compositor as an ordinary user (they refuse root): nobody when run
# as root. The compositor, its session bus and every client share one user,
# as on a desktop: the bus admits no other.
AS_USER=()
[ "$(id -u)" = 0 ] && AS_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
as_user() { "${AS_USER[@]}" "$@"; }
user_dir() {  # folders the compositor's user owns
  local d
  for d in "$@"; do
    mkdir -p "$d"; chmod 700 "$d"
    [ "$(id -u)" = 0 ] && chown nobody:nogroup "$d"
  done
  return 0
}
user_dir "$RUN" "$XDG_CONFIG_HOME" "$XDG_CONFIG_HOME/Software" "$XDG_CONFIG_HOME/Software/Bumblepad" "$XDG_STATE_HOME"

# The settings block: no drives, autoLockMs $1, pictures $2, hint on, word $3
# (default "wren", Latin-1).
write_options() {
  python3 "$SOURCE/scripts/settings_block.py" "$XDG_CONFIG_HOME/Software/Bumblepad/Options" \
    drives=0 doors=0 power=0 auto_lock_ms="$1" pictures="$2" word="${3:-wren}"
  [ "$(id -u)" = 0 ] && chown nobody:nogroup "$XDG_CONFIG_HOME/Software/Bumblepad/Options"
  return 0
}

# Programs the compositor's user runs must be reachable for it: a build in a
# folder it cannot enter (under /root) is copied into the test's folder.
SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
user_can_run() {
  local bin
  for bin in "$BIN/Bumblepad" "$TESTS/wayland_key_probe" "$TESTS/wayland_key_inject" "$SCRIPTS/mutter_remote.py"; do
    as_user test -r "$bin" || return 1
  done
}
if [ "$(id -u)" = 0 ] && ! user_can_run; then
  mkdir -p "$WORK/copy/tests" "$WORK/copy/scripts"
  cp -r "$BIN" "$WORK/copy/bin"
  cp "$TESTS/wayland_key_probe" "$TESTS/wayland_key_inject" "$TESTS/libwayland_xkb_layout_shim.so" "$WORK/copy/tests/"
  cp "$SCRIPTS"/*.py "$SCRIPTS"/*.sh "$SCRIPTS/compositors.list" "$WORK/copy/scripts/"
  chmod -R a+rX "$WORK/copy"
  BIN=$WORK/copy/bin TESTS=$WORK/copy/tests SCRIPTS=$WORK/copy/scripts
fi

pids=()
# A background "as_user ..." is a subshell with the program as its child, and
# bwrap has the compositor as its child: end each whole tree, children first,
# so nothing outlives the test.
kill_tree() {
  local c
  for c in $(pgrep -P "$1"); do kill_tree "$c"; done
  kill "$1" 2>/dev/null
}
cleanup() {
  local p
  for p in "${pids[@]}"; do kill_tree "$p"; done
  wait 2>/dev/null
  # BUMBLEPAD_KEEP=1 keeps the logs (compositor, controller, clients).
  if [ -n "${BUMBLEPAD_KEEP:-}" ]; then echo "     logs kept in $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT

# Starts "$@" as the compositor's user in the background, its output in the
# file $1 (the rest the command); its process tree ends with the test.
spawn() {
  local log=$1; shift
  as_user "$@" >"$log" 2>&1 &
  pids+=($!)
}

# The session bus of the compositor's user, in the runtime folder (so that a
# compositor inside the Debian 13 root reaches it too).
start_bus() {
  spawn "$WORK/bus.log" dbus-daemon --session --nofork --address="unix:path=$RUN/bus"
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$RUN/bus
  wait_for 10 test -S "$RUN/bus"
}
