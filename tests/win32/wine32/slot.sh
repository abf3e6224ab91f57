#!/usr/bin/env bash
# slot.sh COMMAND...: runs one test's COMMAND in the 32-bit Wine prefix of
# the slot ctest gave it. The mingw32 test preset names
# tests/win32/wine32/slots.json, whose two "wine" resources let two Wine
# tests run at once, each in a prefix of its own (its own Wine server):
# slot "a" runs in BUMBLEPAD_WINE32PREFIX-a (that variable's default as in
# run.sh). Without the file (ctest without the preset) there is no slot and
# one prefix, and a lock on it makes the tests take turns.
set -u
base=${BUMBLEPAD_WINE32PREFIX:-${BUMBLEPAD_WINEPREFIX:+$BUMBLEPAD_WINEPREFIX-32}}
base=${base:-/tmp/bumblepad-wine32}
# CTEST_RESOURCE_GROUP_0_WINE: "id:a,slots:1"
slot=$(sed -n 's/^id:\([a-z0-9]*\),.*/\1/p' <<<"${CTEST_RESOURCE_GROUP_0_WINE:-}")
export BUMBLEPAD_WINE32PREFIX=$base${slot:+-$slot}
mkdir -p "$(dirname "$BUMBLEPAD_WINE32PREFIX")"
exec 7>"$BUMBLEPAD_WINE32PREFIX.test.lock"
flock 7
# (not inherited: a Wine server left running must not hold the lock)
"$@" 7>&-
