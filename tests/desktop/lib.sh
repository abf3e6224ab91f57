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

# The settings key, as the installation creates it.
make_settings_key() { mkdir -p "$XDG_CONFIG_HOME/Software/Bumblepad"; }

finish() {
  [ "$failures" = 0 ] && echo "all passed" || echo "$failures failed"
  exit $((failures > 0))
}

