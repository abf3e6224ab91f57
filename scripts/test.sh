#!/usr/bin/env bash
# The whole test run: installs what is missing, builds every build (Linux,
# Linux with sanitizers, 32-bit Windows with its installer, 64-bit Windows)
# and runs every test,
# makes the README's screenshots (into a temporary folder) and builds the
# Debian package and checks it with lintian. With --package it also installs
# the package into a fresh Debian 12 root and runs it there (a few minutes
# more, and Debian's mirror must be reachable).
# Ends with the summary of all of them; exits non-zero when anything failed.
set -u
fresh_root=
for arg in "$@"; do
  case $arg in
    --package) fresh_root=1 ;;
    *) echo "usage: scripts/test.sh [--package]" >&2; exit 2 ;;
  esac
done
cd "$(dirname "$0")/.."
scripts/deps.sh || exit 1
export CTEST_OUTPUT_ON_FAILURE=1
jobs=${BUMBLEPAD_JOBS:-2}
passed=0 failed=0 broken=()

run_preset() {
  local preset=$1; shift
  local start=$SECONDS
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >"build-$preset.log" 2>&1 || ! cmake --build --preset "$preset" -j "$jobs" >>"build-$preset.log" 2>&1; then
    tail -n 60 "build-$preset.log"
    broken+=("$preset (build)")
    failed=$((failed + 1))
    return
  fi
  echo "=== $preset: tests (built in $((SECONDS - start)) s)"
  start=$SECONDS
  local out
  out=$(ctest --preset "$preset" -j "$jobs" --timeout 600 "$@" 2>&1)
  local status=$?
  echo "$out" | grep -v -E '^ +Start |Test +#[0-9]+: .* Passed' | tail -n 80
  echo "=== $preset: tests ran $((SECONDS - start)) s"
  local line
  line=$(echo "$out" | grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' | tail -n 1)
  if [ -n "$line" ]; then
    local f t
    f=$(sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.*failed out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + t - f)); failed=$((failed + f))
  fi
  if [ $status -ne 0 ]; then broken+=("$preset"); [ -z "$line" ] && failed=$((failed + 1)); fi
}

# run_step NAME LOG COMMAND...: one more check in the summary; its log's
# tail is shown when it fails.
run_step() {
  local name=$1 log=$2 start=$SECONDS; shift 2
  echo "=== $name"
  if "$@" >"$log" 2>&1; then
    passed=$((passed + 1)); echo "$name passed in $((SECONDS - start)) s"
  else
    tail -n 40 "$log"; failed=$((failed + 1)); broken+=("$name")
  fi
}

rm -f build-*.log
run_preset linux
shots=$(mktemp -d /tmp/bumblepad-screenshots-XXXXXX)
run_step screenshots build-screenshots.log env BUMBLEPAD_BIN="$PWD/build/linux/bin" scripts/screenshots.sh "$shots"
rm -rf "$shots"
run_step "Debian package" build-package.log scripts/package.sh
deb=$(tail -n 1 build-package.log)
if [ -n "$fresh_root" ] && [ -f "$deb" ]; then
  run_step "package in a fresh Debian 12 root" build-package-root.log env BUMBLEPAD_DEB="$deb" \
    scripts/with-desktop.sh bash tests/package/test_package.sh
elif [ -n "$fresh_root" ]; then
  failed=$((failed + 1)); broken+=("package in a fresh Debian 12 root (no package)")
fi
# Leak checking is off: Qt and fontconfig keep caches until exit by design.
ASAN_OPTIONS=detect_leaks=0 run_preset linux-asan -E '^desktop_'
run_preset mingw32
run_preset mingw64

echo
if [ ${#broken[@]} -gt 0 ]; then echo "Failed: ${broken[*]}"; fi
echo "total: $passed passed, $failed failed"
[ $failed -eq 0 ] && [ ${#broken[@]} -eq 0 ]
