# Helpers for the desktop tests (sourced). They run inside with-desktop.sh.
set -u
BIN=${BUMBLEPAD_BIN:?}
SRC=${BUMBLEPAD_SOURCE:?}
WORK=${BUMBLEPAD_DESKTOP_WORK:?}
failures=0
source "$SRC/scripts/desktop-lib.sh"

pass() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
expect() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

# now_equals VALUE COMMAND...: COMMAND prints VALUE. For wait_for, whose
# arguments are expanded once: wait_for 10 [ "$(count)" = 2 ] would test the
# count of the first moment again and again; wait_for 10 now_equals 2 count
# runs count afresh on every try.
now_equals() { local want=$1; shift; [ "$("$@")" = "$want" ]; }

# The settings key, as the installation creates it.
make_settings_key() { mkdir -p "$XDG_CONFIG_HOME/Software/Bumblepad"; }

finish() {
  [ "$failures" = 0 ] && echo "all passed" || echo "$failures failed"
  exit $((failures > 0))
}

