#!/usr/bin/env bash
# Runs a 64-bit Windows program under Wine on the current X display (inside
# with-desktop.sh): the Wine server is started afresh for this display and
# ended again afterwards, so no later run talks to a display that is gone.
set -u
export WINEPREFIX="${WINEPREFIX:-${BUMBLEPAD_WINEPREFIX:-/tmp/bumblepad-wine}}"
here=$(dirname "$0")
wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1
"$here/wine-run.sh" "$@"
status=$?
wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1
exit $status
