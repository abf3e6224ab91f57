# The checks every test script shares (sourced by tests/desktop/lib.sh,
# tests/win32/wine_lib.sh, tests/wayland/lib.sh and scripts/desktop-lib.sh):
# one line per check ("ok   - ...", "FAIL - ..."), the verdict at the end,
# and a way to say that a test could not run at all.
failures=${failures:-0}

pass() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); return 1; }
# expect WHAT COMMAND...: one check; returns COMMAND's verdict, so that
# details can follow with ||.
expect() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

# wait_for SECONDS COMMAND...: polls until COMMAND succeeds (every
# WAIT_INTERVAL seconds, 0.1 unless the caller sets it).
wait_for() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  while [ $SECONDS -lt $end ]; do "$@" >/dev/null 2>&1 && return 0; sleep "${WAIT_INTERVAL:-0.1}"; done
  return 1
}

# same GOT WANTED: equal, or what was got is shown.
same() { [ "$1" = "$2" ] || { echo "     got: '$1'"; return 1; }; }

# now_equals VALUE COMMAND...: COMMAND prints VALUE. For wait_for, whose
# arguments are expanded once: wait_for 10 [ "$(count)" = 2 ] would test the
# count of the first moment again and again; wait_for 10 now_equals 2 count
# runs count afresh on every try.
now_equals() { local want=$1; shift; [ "$("$@")" = "$want" ]; }

# finish and skip run the caller's at_end first, when it has one.

# skip REASON: the test cannot run here at all (not a failure of the
# product, not a pass): says why on a line of its own and ends with 77,
# which ctest reports as "Skipped" (SKIP_RETURN_CODE). scripts/test.sh counts
# every skip apart and fails the run on any skip not listed, with its
# reason, in tests/expected_skips.txt. Checks already made are shown first.
skip() {
  [ "$failures" = 0 ] || { fail "$* (and $failures checks failed before)"; finish; }
  declare -F at_end >/dev/null && at_end
  echo "SKIP: $*"
  exit 77
}

# mirror_failed LOG: the log of apt-get or mmdebstrap shows that the package
# mirror could not be reached. A test that needs a Debian root then says
#   skip "the package mirror cannot be reached: <what could not be made>"
# which tests/expected_skips.txt accepts while test.sh finds the same.
mirror_failed() {
  grep -qE 'Failed to fetch|Could not resolve|Temporary failure (resolving|in name resolution)|Could not connect|Unable to connect|Network is unreachable' "$1"
}

finish() {
  declare -F at_end >/dev/null && at_end
  [ "$failures" = 0 ] && echo "all passed" || echo "$failures failed"
  exit $((failures > 0))
}
