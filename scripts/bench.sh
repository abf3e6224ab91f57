#!/usr/bin/env bash
# Runs every benchmark of the Linux build (the ones that need an X display on
# a private virtual one, 1920 x 1080 unless BUMBLEPAD_DESKTOP_SCREEN says
# otherwise). Figures go into docs/, never into the tests.
set -eu
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build --preset linux -j "${BUMBLEPAD_JOBS:-2}"
for b in build/linux/bench/*_bench; do
  echo "=== $(basename "$b")"
  BUMBLEPAD_DESKTOP_SCREEN=${BUMBLEPAD_DESKTOP_SCREEN:-1920x1080x24} scripts/with-desktop.sh "$b" "$@"
done
