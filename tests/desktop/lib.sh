# Helpers for the desktop tests (sourced). They run inside with-desktop.sh.
set -u
BIN=${BUMBLEPAD_BIN:?}
SRC=${BUMBLEPAD_SOURCE:?}
WORK=${BUMBLEPAD_DESKTOP_WORK:?}
failures=0

pass() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
expect() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

# wait_for SECONDS COMMAND...: polls until COMMAND succeeds.
wait_for() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  while [ $SECONDS -lt $end ]; do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

# The settings key, as the installation creates it.
make_settings_key() { mkdir -p "$XDG_CONFIG_HOME/Software/Bumblepad"; }

# A window whose title is exactly $1 exists.
window_named() { xdotool search --name "^$1\$" >/dev/null 2>&1; }

finish() {
  [ "$failures" = 0 ] && echo "all passed" || echo "$failures failed"
  exit $((failures > 0))
}

# The controller's lock screen is mapped and covers the 1024x768 screen.
# (xwininfo -tree lists hidden windows too, so the map state is asked.)
lock_screen_up() {
  local w
  for w in $(xdotool search --onlyvisible --name '^Bumblepad$' 2>/dev/null); do
    xwininfo -id "$w" 2>/dev/null | grep -q -- '-geometry 1024x768+0+0' && return 0
  done
  return 1
}
export -f lock_screen_up window_named
