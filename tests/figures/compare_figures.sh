#!/usr/bin/env bash
# compare_figures.sh PROGRAM32 PROGRAM64: runs the 32-bit Windows figures
# program under 32-bit Wine and the 64-bit one on this machine; the figures
# must be the same, line by line.
set -u
run=${BUMBLEPAD_WINE_RUN:?}
work=$(mktemp -d /tmp/bumblepad-figures-XXXXXX)
trap 'rm -rf "$work"' EXIT
"$run" "$1" </dev/null >"$work/32.txt" 2>"$work/32.err"
status=$?
"$2" >"$work/64.txt"
tr -d '\r' <"$work/32.txt" >"$work/32.lf"
lines=$(wc -l <"$work/64.txt")
if [ $status != 0 ] || [ "$lines" -lt 20000 ]; then
  echo "FAIL - the programs ran (32-bit status $status, 64-bit lines $lines)"; cat "$work/32.err"; exit 1
fi
differ=$(diff "$work/32.lf" "$work/64.txt" | grep -c '^<')
for kind in import preview confetti; do
  echo "$kind: $(grep -c "^$kind" "$work/64.txt") lines, $(diff "$work/32.lf" "$work/64.txt" | grep -c "^< $kind") differ"
done
if [ "$differ" != 0 ]; then
  echo "FAIL - $differ lines differ; the first:"
  diff "$work/32.lf" "$work/64.txt" | head -n 8
  exit 1
fi
echo "ok   - the 32-bit figures equal the 64-bit ones"
