#!/usr/bin/env bash
# run.sh PROGRAM [ARGS...]: runs a 32-bit Windows program (or one of Wine's
# own: reg, explorer, wineboot) under 32-bit Wine on qemu-i386, setting the
# emulation up first when needed (setup.sh).
#   BUMBLEPAD_WINE32PREFIX: the 32-bit prefix (default: $BUMBLEPAD_WINEPREFIX-32
#   when that is set, else /tmp/bumblepad-wine32; WINEPREFIX is not used, as
#   it names the 64-bit prefix of the other runs and a 32-bit prefix must not
#   be shared with a 64-bit one).
# A fresh prefix takes 20-30 s; each start about 0.4 s once the persistent
# wineserver runs. The wineserver and Wine's services keep inherited pipes
# open: send output to a file, not a pipe that must reach its end, when a
# program starts Wine's services. `run.sh --end-server` ends the prefix's
# wineserver and waits for it.
set -u
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh" || exit 125
shim_dir=${BUMBLEPAD_WINE32_SHIM:-/tmp/bumblepad-wine32-shim}
prefix=${BUMBLEPAD_WINEPREFIX:+$BUMBLEPAD_WINEPREFIX-32}
export WINEPREFIX="${BUMBLEPAD_WINE32PREFIX:-${prefix:-/tmp/bumblepad-wine32}}" WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
# No crash debugger: winedbg cannot attach under the emulation and waits
# for ever, holding the Wine server (and whoever waits for it) with it; a
# program that crashes just ends.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}"
export LD_PRELOAD="$shim_dir/"'$LIB'"/qemu_wine_shim.so"
if [ "${1:-}" = --end-server ]; then
  /usr/lib/wine/wineserver -k >/dev/null 2>&1; /usr/lib/wine/wineserver -w >/dev/null 2>&1
  exit 0
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 8
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      # Bounded: a boot that hangs under the emulation is ended, and the
      # prefix is made again by the next start.
      timeout 300 /usr/lib/wine/wine wineboot --init </dev/null >/dev/null 2>&1
      timeout 120 /usr/lib/wine/wineserver -w || /usr/lib/wine/wineserver -k
      [ -f "$WINEPREFIX/system.reg" ] || echo "wine32: the prefix $WINEPREFIX could not be made" >&2
    fi
  ) 8>"$WINEPREFIX.lock"
fi
/usr/lib/wine/wineserver -p >/dev/null 2>&1
exec /usr/lib/wine/wine "$@"
