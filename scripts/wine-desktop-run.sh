#!/usr/bin/env bash
# Runs a Windows program under Wine on the current X display (inside
# with-desktop.sh): the prefix's Wine server is started afresh for this display
# and ended again afterwards, so no later run talks to a display that is gone.
# BUMBLEPAD_WINE_RUN names the runner: scripts/wine-run.sh (64-bit, the
# default) or tests/win32/wine32/run.sh (32-bit under emulation).
set -u
here=$(dirname "$0")
run=${BUMBLEPAD_WINE_RUN:-$here/wine-run.sh}
"$run" --end-server
"$run" "$@"
status=$?
"$run" --end-server
exit $status
