#!/usr/bin/env bash
# Runs a 64-bit Windows program under Wine with the project's own prefix.
# A persistent wineserver is started first; without it every run waits about
# three seconds for the server to go away. `wine-run.sh --end-server` ends the
# prefix's server and waits for it.
set -u
export WINEPREFIX="${WINEPREFIX:-${BUMBLEPAD_WINEPREFIX:-/tmp/bumblepad-wine}}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
if [ "${1:-}" = --end-server ]; then
  wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1
  exit 0
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$WINE64" wineboot --init >/dev/null 2>&1
fi
wineserver -p >/dev/null 2>&1
exec "$WINE64" "$@"
