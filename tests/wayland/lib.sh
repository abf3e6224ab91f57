# Helpers for the lock tests on real headless Wayland compositors (sourced).
set -u
BIN=${BUMBLEPAD_BIN:?}
TESTS=${BUMBLEPAD_TESTS_BIN:?}
SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
failures=0
# pass, fail, expect, wait_for, finish; skip REASON for a test that cannot
# run here (exit 77, counted apart by scripts/test.sh).
source "$SOURCE/tests/lib/checks.sh"

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

# The settings block: no drives, autoLockMs $1, pictures $2, hint on, word "wren".
write_options() {
  python3 "$SOURCE/scripts/settings_block.py" "$XDG_CONFIG_HOME/Software/Bumblepad/Options" \
    drives=0 doors=0 power=0 auto_lock_ms="$1" pictures="$2"
}

# Programs the compositor's user runs must be reachable for it: a build in a
# folder it cannot enter (under /root) is copied into the test's folder.
user_can_run() {
  local bin
  for bin in "$BIN/Bumblepad" "$TESTS/wayland_key_probe" "$SCRIPTS/mutter_keys.py"; do
    as_user test -r "$bin" || return 1
  done
}
SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ "$(id -u)" = 0 ] && ! user_can_run; then
  mkdir -p "$WORK/copy/tests" "$WORK/copy/scripts"
  cp -r "$BIN" "$WORK/copy/bin"
  cp "$TESTS/wayland_key_probe" "$WORK/copy/tests/"
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
