#!/usr/bin/env bash
# The whole test run, as CI does it. Each thing runs once:
#   deps      scripts/deps.sh installs what is missing (once for the run)
#   linux     the Linux build, configured as the Debian package is; its
#             whole programs under Xvfb (desktop), the README's screenshots,
#             the Debian package made of those very programs (checked by
#             lintian; with --package also installed into a fresh Debian 12
#             root and run there, which needs the package mirror)
#   asan      the Linux build with AddressSanitizer and UndefinedBehavior-
#             Sanitizer: the logic tests, the Linux adapter tests, the
#             Wayland runs (six compositors, three of them from a Debian 13
#             root kept in the machine's cache) and the CI scripts' own test
#             (everything but the desktop runs, whose Qt and X stacks it
#             would slow to a crawl)
#   mingw32   the shipped 32-bit Windows build and installer (FreeImage.dll
#             built once per machine and kept in its cache): everything
#             under 32-bit Wine (logic, Windows adapters, whole programs,
#             installer, floating-point figures), two tests at a time in
#             prefixes of their own, and the built files read back
#   mingw64   the 64-bit Windows programs built as a compile check (the 64-bit
#             pointer and handle sizes of the Windows code); of its tests only
#             the built files are read back (exports, shared section, single-
#             byte calls), as its Wine runs would repeat the 32-bit ones
# These run in lanes side by side (below); the two sound runs, which measure
# what they hear in milliseconds, come when only the Wayland runs (which
# mostly wait for their compositors) go on beside them.
# When the package mirror cannot be reached and optional packages are
# missing, the parts that need them are left out, and said so.
# The summary counts passed, failed and skipped tests (expected skips, listed
# with reasons in tests/expected_skips.txt, apart from unexpected ones, which
# fail the run), and gives the time of each stage: wall clock and the CPU
# time of its processes. Exits non-zero when anything failed.
set -u
fresh_root=
for arg in "$@"; do
  case $arg in
    --package) fresh_root=1 ;;
    *) echo "usage: scripts/test.sh [--package]" >&2; exit 2 ;;
  esac
done
cd "$(dirname "$0")/.."
export CTEST_OUTPUT_ON_FAILURE=1
jobs=${BUMBLEPAD_JOBS:-2}
results=$(mktemp -d /tmp/bumblepad-test-XXXXXX)
trap 'rm -rf "$results"' EXIT
passed=0 failed=0 expected=0 unexpected=0 run_start=$SECONDS
broken=() stage_lines=() skip_lines=() left_lines=()

# A stage's time: wall clock, and the CPU time (user and system, hundredths
# of a second) of the commands it ran, with all their children; counted
# COMMAND... runs one of them and adds its CPU time to the stage's. Stages
# of lanes that run side by side overlap in wall-clock time.
stage_start() { stage_wall=$SECONDS; stage_cpu=0; }
counted() {
  local times=$results/times.$BASHPID status
  ( "$@"; status=$?; times >"$times"; exit $status )
  status=$?
  # times: the shell's own line, then its children's: "1m2.345s 0m0.678s"
  local u s
  read -r u s < <(sed -n 2p "$times" | sed -E 's/([0-9]+)m([0-9]+)\.([0-9]{2})[0-9]*s/\1 \2 \3/g' |
    awk '{print ($1 * 60 + $2) * 100 + $3, ($4 * 60 + $5) * 100 + $6}')
  stage_cpu=$((stage_cpu + ${u:-0} + ${s:-0}))
  return $status
}
# stage_end NAME [COUNTS]: one line of the summary's table.
stage_end() {
  stage_lines+=("$(printf '%-44s %5d s %6d.%d s  %s' "$1" $((SECONDS - stage_wall)) $((stage_cpu / 100)) \
    $((stage_cpu % 100 / 10)) "${2:-}")")
}

# deps.sh once for the whole run; the groups it had to leave out.
stage_start
BUMBLEPAD_DEPS_LEFT_OUT=$results/left-out counted scripts/deps.sh || { echo "the required packages are missing"; exit 1; }
stage_end deps
export BUMBLEPAD_DEPS_DONE=1
missing_group() { grep -q "^$1:" "$results/left-out" 2>/dev/null; }
# The package mirror: asked of deps.sh's attempt, or else with one request.
mirror_state() {
  grep -qx 'mirror unreachable' "$results/left-out" 2>/dev/null && { echo unreachable; return; }
  local uri
  uri=$(apt-get -qq --print-uris download apt 2>/dev/null | head -n 1 | cut -d"'" -f2)
  [ -n "$uri" ] || { echo unknown; return; }
  python3 -c 'import sys, urllib.request as u; u.urlopen(u.Request(sys.argv[1], method="HEAD"), timeout=15)' "$uri" \
    >/dev/null 2>&1 && echo reachable || echo unreachable
}
mirror=$(mirror_state)
echo "package mirror: $mirror"

# leave_out PRESET GROUP WHAT CTEST-ARGS...: the tests CTEST-ARGS select in
# PRESET are not run, as the packages of GROUP are missing (and the mirror
# cannot be reached, else deps.sh would have failed): expected skips.
leave_out() {
  local preset=$1 group=$2 what=$3; shift 3
  local n; n=$(ctest --preset "$preset" -N "$@" 2>/dev/null | sed -n 's/^Total Tests: //p')
  left_lines+=("$what: ${n:-0} tests ($(sed -n "s/^$group: //p" "$results/left-out"))")
  expected=$((expected + ${n:-0}))
}

# build PRESET [TARGETS...]: configure (with the settings in the array
# settings_PRESET, if any) and build (all, or only TARGETS); a failed build
# is one failure. nice_build=N before it: the build runs at that niceness.
build() {
  local preset=$1; shift
  local targets=(); [ $# -gt 0 ] && targets=(--target "$@")
  local -n settings=settings_${preset//-/_}
  echo "=== $preset: configure and build${targets[*]:+ (${*})}"
  stage_start
  if counted cmake --preset "$preset" "${settings[@]}" >"build-$preset.log" 2>&1 &&
     counted nice -n "${nice_build:-0}" cmake --build --preset "$preset" -j "$jobs" "${targets[@]}" \
       >>"build-$preset.log" 2>&1; then
    local note=
    grep -q 'FreeImage.dll: the one built before' "build-$preset.log" && note="FreeImage.dll from the cache"
    grep -q 'Performing keep step' "build-$preset.log" && note="FreeImage.dll built and kept in the cache"
    stage_end "$preset: build" "$note"
    echo ok >"$results/built-$preset"
    return 0
  fi
  tail -n 60 "build-$preset.log"
  echo failed >"$results/built-$preset"
  stage_end "$preset: build (failed)"
  broken+=("$preset (build)")
  failed=$((failed + 1))
  return 1
}
declare -a settings_linux_asan=() settings_mingw64=()
# await_build PRESET: waits for another lane's build of PRESET; true when it
# was built.
await_build() {
  until [ -s "$results/built-$1" ]; do sleep 1; done
  [ "$(cat "$results/built-$1")" = ok ]
}

# run_tests PRESET TAG WHAT CTEST-ARGS...: the chosen tests of a built preset
# (their log: build-PRESET-TAG.log).
run_tests() {
  local preset=$1 tag=$2 what=$3; shift 3
  echo "=== $preset: tests ($what)"
  stage_start
  local log=build-$preset-$tag.log junit=$results/$preset-$tag.xml
  counted ctest --preset "$preset" -j "$jobs" --timeout 600 --output-junit "$junit" --test-output-size-passed 200000 \
    "$@" >"$log" 2>&1
  local status=$?
  grep -v -E '^ +Start |Test +#[0-9]+: .* Passed' "$log" | tail -n 80
  local p=0 f=0 s_exp=0 s_unexp=0 line
  if [ -s "$junit" ]; then
    while IFS= read -r line; do
      case $line in
        "passed "*) p=${line#passed } ;;
        "failed "[0-9]*) f=${line#failed } ;;
        "skipped expected "*) s_exp=$((s_exp + 1)); skip_lines+=("  expected   ${line#skipped expected }") ;;
        "skipped unexpected "*) s_unexp=$((s_unexp + 1)); skip_lines+=("  UNEXPECTED ${line#skipped unexpected }") ;;
        "failed "*) broken+=("${line#failed }") ;;
        "why "*) broken+=("  ${line#why }") ;;
      esac
    done < <(python3 scripts/ctest_results.py "$junit" tests/expected_skips.txt "$mirror")
  fi
  if [ $status -ne 0 ] && [ "$f" = 0 ] && [ "$s_unexp" = 0 ]; then
    f=1; broken+=("$preset ($what): ctest ended with $status")
  fi
  passed=$((passed + p)) failed=$((failed + f)) expected=$((expected + s_exp)) unexpected=$((unexpected + s_unexp))
  stage_end "$preset: tests ($what)" "$p passed, $f failed, $((s_exp + s_unexp)) skipped"
}

# run_step NAME LOG COMMAND...: one more check counted as one test; its log's
# tail is shown when it fails; exit 77 with a "SKIP: reason" line is a skip.
run_step() {
  local name=$1 log=$2; shift 2
  echo "=== $name"
  stage_start
  counted "$@" >"$log" 2>&1
  local status=$? verdict
  case $status in
    0) passed=$((passed + 1)); verdict="passed" ;;
    77)
      local reason; reason=$(sed -n 's/^SKIP: //p' "$log" | head -n 1)
      cat >"$results/step.xml" <<XML
<testsuite><testcase name="$name" status="notrun"><skipped message="skipped"/><system-out>SKIP: ${reason:-no reason given}</system-out></testcase></testsuite>
XML
      local line; line=$(python3 scripts/ctest_results.py "$results/step.xml" tests/expected_skips.txt "$mirror" | tail -n 1)
      case $line in
        "skipped expected "*) expected=$((expected + 1)); skip_lines+=("  expected   ${line#skipped expected }") ;;
        *) unexpected=$((unexpected + 1)); skip_lines+=("  UNEXPECTED ${line#skipped unexpected }") ;;
      esac
      verdict="skipped" ;;
    *) tail -n 40 "$log"; failed=$((failed + 1)); broken+=("$name"); verdict="failed" ;;
  esac
  echo "$name: $verdict"
  stage_end "$name" "$verdict"
}

rm -f build-*.log

# The folder that keeps what outlives a clone on this machine (as
# tests/wayland/debian13_root.sh has it): the Debian 13 root, FreeImage.dll.
if [ "$(id -u)" = 0 ]; then cache=${BUMBLEPAD_CACHE:-/var/cache/bumblepad}
else cache=${BUMBLEPAD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/bumblepad}; fi
# The Linux tree is configured as the Debian package is (its programs are
# the ones packed); the 32-bit Windows tree keeps its FreeImage.dll.
settings_linux=()
missing_group package || mapfile -t settings_linux < <(scripts/package.sh --cmake-settings)
settings_mingw32=("-DBUMBLEPAD_FREEIMAGE_CACHE=$cache")
# Compiled objects are kept there too (ccache, when installed), keyed by
# all the compiler sees but the clone's own folder: a fresh clone compiles
# only what changed since the last run on this machine.
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_DIR=$cache/ccache CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1 CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-4G}
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  ccache --zero-stats >/dev/null
fi

# Three lanes run side by side, each one after the other of its own steps:
# the builds take the cores while the tests of the other lanes mostly wait
# for windows, compositors and the emulator. A lane's output is shown when
# it has ended; its counts are added then.
#   linux    the Linux build (niced: this lane has the most time to spare),
#            the desktop runs, the screenshots, the package, then the
#            sanitizer build's logic and adapter tests
#   asan     the sanitizer build, the Wayland runs (the longest lane:
#            nothing else waits in it)
#   windows  the 32-bit Windows build, its tests under Wine (two at a time,
#            each in its own prefix), the 64-bit compile check
#   sounds   once the linux and windows lanes have ended, the two sound runs,
#            which measure what they hear in milliseconds: only the Wayland
#            runs go on beside them then
# The Debian 13 root is made (or found in the cache) beside them.
lane() {
  local name=$1; shift
  ( passed=0 failed=0 expected=0 unexpected=0 broken=() stage_lines=() skip_lines=() left_lines=()
    "$@" >"$results/lane-$name.out" 2>&1
    declare -p passed failed expected unexpected broken stage_lines skip_lines left_lines |
      sed 's/^declare -/declare -g -/' >"$results/lane-$name.state"
    : >"$results/lane-$name.done"
  ) &
  lanes[$name]=$!
}
declare -A lanes=()
lane_done() {
  local name=$1 p=$passed f=$failed e=$expected u=$unexpected
  local -a b=("${broken[@]}") st=("${stage_lines[@]}") sk=("${skip_lines[@]}") le=("${left_lines[@]}")
  wait "${lanes[$name]}"
  cat "$results/lane-$name.out"
  # shellcheck disable=SC1090
  source "$results/lane-$name.state"
  passed=$((p + passed)) failed=$((f + failed)) expected=$((e + expected)) unexpected=$((u + unexpected))
  broken=("${b[@]}" "${broken[@]}") stage_lines=("${st[@]}" "${stage_lines[@]}")
  skip_lines=("${sk[@]}" "${skip_lines[@]}") left_lines=("${le[@]}" "${left_lines[@]}")
}

lane_linux() {
  # The programs as they run on a desktop (and the benchmarks, built; the
  # GoogleTest programs are built and run under the sanitizers: their runs
  # come last, when the sanitizer build is done).
  nice_build=5 build linux desktop_programs benchmarks package_files && linux_programs
  if await_build linux-asan; then
    ASAN_OPTIONS=detect_leaks=0 run_tests linux-asan logic "logic, adapters, CI scripts" -LE 'desktop|wayland'
  fi
}
linux_programs() {
  if missing_group desktop; then
    leave_out linux desktop "desktop runs and screenshots" -L desktop
  else
    # All but the sound run, which comes at the end.
    run_tests linux desktop "desktop runs" -L desktop -E '^desktop_test_sounds$'
    local shots; shots=$(mktemp -d /tmp/bumblepad-screenshots-XXXXXX)
    run_step screenshots build-screenshots.log env BUMBLEPAD_BIN="$PWD/build/linux/bin" scripts/screenshots.sh "$shots"
    rm -rf "$shots"
  fi
  if missing_group package; then
    left_lines+=("the Debian package: ($(sed -n 's/^package: //p' "$results/left-out"))")
    expected=$((expected + 1))
  else
    linux_package
  fi
}
linux_package() {
  # The package holds the programs the desktop runs tested.
  run_step "Debian package" build-package.log scripts/package.sh --tree build/linux
  local deb; deb=$(tail -n 1 build-package.log)
  if [ -n "$fresh_root" ] && missing_group roots; then
    left_lines+=("the package in a fresh Debian 12 root: ($(sed -n 's/^roots: //p' "$results/left-out"))")
    expected=$((expected + 1))
  elif [ -n "$fresh_root" ] && [ -f "$deb" ]; then
    run_step package_fresh_root build-package-root.log env BUMBLEPAD_DEB="$deb" \
      scripts/with-desktop.sh bash tests/package/test_package.sh
  elif [ -n "$fresh_root" ]; then
    failed=$((failed + 1)); broken+=("package in a fresh Debian 12 root (no package)")
  fi
}

lane_asan() {
  # Linux with the sanitizers: its build, the Wayland runs (its other tests
  # are in the linux lane). Leak checking is off in all of its tests: Qt and
  # fontconfig keep caches until exit by design.
  build linux-asan || return
  export ASAN_OPTIONS=detect_leaks=0
  if missing_group wayland; then
    leave_out linux-asan wayland "Wayland runs" -L wayland
  else
    # One at a time: they mostly wait for the compositors, but side by side,
    # beside the two Wine runs, a compositor took 18 s to start and KWin's
    # locks came late (in one run of three, with two or three at a time).
    jobs=${BUMBLEPAD_WAYLAND_JOBS:-1} run_tests linux-asan wayland "Wayland runs" -L wayland
  fi
}

lane_windows() {
  # The shipped 32-bit files: all of their tests under 32-bit Wine but the
  # sound run (at the end); the 64-bit build as a compile check and its
  # files read back.
  if build mingw32; then
    if missing_group wine; then
      leave_out mingw32 wine "the 32-bit Windows runs under Wine" -LE files
      run_tests mingw32 files "built files" -L files
    else
      run_tests mingw32 wine "all but the sound run, under 32-bit Wine" -E '^wine_test_wine_sound$'
    fi
  fi
  build mingw64 Bumblepad Trovebox Hookwell && run_tests mingw64 files "built files" -L files
}

# The Debian 13 root of the newer compositors (made once per machine, from
# the mirror; found in the cache after that).
lane_roots() {
  stage_start
  local status
  if counted tests/wayland/debian13_root.sh >"$results/root.path" 2>"$results/root.log"; then
    status="in the cache: $(cat "$results/root.path")"
    grep -q '^made in' "$results/root.log" && status="made: $(cat "$results/root.path")"
  else
    status="cannot be had: $(tail -n 1 "$results/root.log") (the Wayland runs say more)"
  fi
  stage_end "Debian 13 root" "$status"
}

# The sound runs, once the builds and the desktop and Wine runs are done.
lane_sounds() {
  until [ -e "$results/lane-linux.done" ] && { missing_group windows || [ -e "$results/lane-windows.done" ]; }; do
    sleep 1
  done
  if [ -f build/linux/bin/Bumblepad ] && ! missing_group desktop; then
    run_tests linux sounds "desktop sound run" -R '^desktop_test_sounds$'
  fi
  if [ -f build/mingw32/bin/Bumblepad.exe ] && ! missing_group windows && ! missing_group wine; then
    run_tests mingw32 sounds "sound run under 32-bit Wine" -R '^wine_test_wine_sound$'
  fi
}

missing_group wayland || lane roots lane_roots
lane linux lane_linux
missing_group windows || lane windows lane_windows
lane asan lane_asan
lane sounds lane_sounds
missing_group wayland || lane_done roots
lane_done linux
if missing_group windows; then
  left_lines+=("the Windows builds (mingw32, mingw64) and their tests: ($(sed -n 's/^windows: //p' "$results/left-out"))")
else
  lane_done windows
fi
lane_done sounds
lane_done asan

echo
echo "=== summary"
printf '%-44s %7s %8s\n' stage wall cpu
printf '%s\n' "${stage_lines[@]}"
if command -v ccache >/dev/null 2>&1; then
  echo "compiler cache: $(ccache --show-stats | sed -n 's/^ *Hits: *//p' | head -n 1) of the cacheable compilations found"
fi
if [ ${#skip_lines[@]} -gt 0 ]; then echo "skipped:"; printf '%s\n' "${skip_lines[@]}"; fi
if [ ${#left_lines[@]} -gt 0 ]; then
  echo "left out (their packages are missing and the package mirror cannot be reached):"
  printf '  %s\n' "${left_lines[@]}"
fi
if [ ${#broken[@]} -gt 0 ]; then echo "failed:"; printf '  %s\n' "${broken[@]}"; fi
echo "skipped: $expected expected, $unexpected unexpected; $((SECONDS - run_start)) s in all"
echo "total: $passed passed, $failed failed, $((expected + unexpected)) skipped"
[ $failed -eq 0 ] && [ $unexpected -eq 0 ] && [ ${#broken[@]} -eq 0 ]
