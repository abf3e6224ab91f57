# The parts of the CI run that decide what a run's summary says, on made-up
# input: scripts/deps.sh with the package mirror out of reach (apt-get and
# dpkg-query stand-ins first on PATH), and scripts/ctest_results.py reading a
# JUnit file with passes, failures and skips of every kind.
set -u
SRC=$(cd "$(dirname "$0")/../.." && pwd)
source "$SRC/tests/lib/checks.sh"
WORK=$(mktemp -d /tmp/bumblepad-ci-XXXXXX)
trap 'rm -rf "$WORK"' EXIT

# --- deps.sh without the mirror ---
mkdir -p "$WORK/shims"
cat >"$WORK/shims/dpkg-query" <<'EOF'
#!/bin/bash
for p in $PRETEND_MISSING; do [ "${@: -1}" = "$p" ] && exit 1; done
echo -n 'install ok installed'
EOF
cat >"$WORK/shims/dpkg" <<'EOF'
#!/bin/bash
[ "$1" = --print-foreign-architectures ] && echo i386
EOF
cat >"$WORK/shims/apt-get" <<'EOF'
#!/bin/bash
echo "apt-get $*" >>"$APT_LOG"
case " $* " in
  *" update "*) echo "W: Failed to fetch http://deb.example/debian/dists/bookworm/InRelease  Could not connect to deb.example"
                echo "W: Some index files failed to download. They have been ignored, or old ones used instead." ;;
  *) echo "E: Unable to locate package" >&2; exit 100 ;;
esac
EOF
chmod +x "$WORK/shims"/*
deps() { PATH=$WORK/shims:$PATH APT_LOG=$WORK/apt.log BUMBLEPAD_DEPS_LEFT_OUT=$WORK/left "$SRC/scripts/deps.sh"; }

PRETEND_MISSING="sway mmdebstrap" deps >"$WORK/out" 2>&1
expect "optional packages missing, no mirror: deps.sh goes on (exit 0)" test $? = 0
expect "it says the mirror cannot be reached" grep -q "mirror cannot be reached" "$WORK/out"
expect "it names the groups left out with their packages" \
  same "$(cat "$WORK/left")" $'mirror unreachable\nwayland: sway\nroots: mmdebstrap'
PRETEND_MISSING="cmake sway" deps >"$WORK/out" 2>&1
expect "a required package missing, no mirror: deps.sh fails" test $? != 0
expect "naming it" grep -q "required packages are missing.*cmake" "$WORK/out"
: >"$WORK/apt.log"
PRETEND_MISSING="" deps >"$WORK/out" 2>&1
expect "nothing missing: deps.sh asks no mirror" test $? = 0 -a ! -s "$WORK/apt.log"

# --- ctest_results.py ---
cat >"$WORK/junit.xml" <<'EOF'
<testsuite>
<testcase name="A.Passes" status="run"><system-out>[       OK ] A.Passes</system-out></testcase>
<testcase name="A.Fails" status="fail"><failure message="Failed"/><system-out>boom</system-out></testcase>
<testcase name="B.GtestSkip" status="notrun"><skipped message="SKIP_REGULAR_EXPRESSION_MATCHED"/><system-out>x.cpp:3: Skipped
needs a thing
[  SKIPPED ] B.GtestSkip (0 ms)</system-out></testcase>
<testcase name="wayland_test_newer" status="notrun"><skipped message="Skipped"/><system-out>SKIP: the package mirror cannot be reached: no Debian 13 root</system-out></testcase>
<testcase name="wayland_test_other" status="notrun"><skipped message="Skipped"/><system-out>SKIP: kwin is not installed</system-out></testcase>
<testcase name="wayland_sway-1.7" status="run"><system-out>ok   - keys before
skip - a monitor unplugged: sway cannot unplug one headless
skip - a window that opens: it does not take the keyboard here even without a lock
all passed</system-out></testcase>
<testcase name="wayland_kwin-6.3" status="fail"><failure message="Failed"/><system-out>ok   - starts
FAIL - the automatic lock comes and holds
     the controller's last lines:
       1.5 Bumblepad: idle
ok   - later
all but 1 passed</system-out></testcase>
<testcase name="win32_tests" status="fail"><failure message="Failed"/><system-out>[  SKIPPED ] C.Inner (1 ms)
[  SKIPPED ] 1 test, listed below:
[  SKIPPED ] C.Inner</system-out></testcase>
</testsuite>
EOF
results() { python3 "$SRC/scripts/ctest_results.py" "$WORK/junit.xml" "$SRC/tests/expected_skips.txt" "$1"; }
offline=$(results unreachable) online=$(results reachable)
expect "passes and failures are counted" same "$(head -n 2 <<<"$offline")" $'passed 2\nfailed 3'
expect "a GoogleTest skip is unexpected, with its message" grep -qx "skipped unexpected B.GtestSkip: needs a thing" <<<"$offline"
expect "a listed skip is expected while the mirror cannot be reached" \
  grep -qx "skipped expected wayland_test_newer: the package mirror cannot be reached: no Debian 13 root" <<<"$offline"
expect "the same skip is unexpected while the mirror answers" grep -q "skipped unexpected wayland_test_newer" <<<"$online"
expect "a skip for another reason is unexpected" grep -q "skipped unexpected wayland_test_other: kwin" <<<"$offline"
expect "a case a compositor lacks is a skip of the run that passed, expected when listed" \
  grep -qx "skipped expected wayland_sway-1.7/case: a monitor unplugged: sway cannot unplug one headless" <<<"$online"
expect "one not listed is unexpected" grep -qx "skipped unexpected wayland_sway-1.7/case: a window that opens: .*" <<<"$online"
expect "a test skipped inside a program run as one test is named" grep -qx "skipped unexpected win32_tests/C.Inner: .*" <<<"$offline"
expect "a failed run's FAIL lines and what it printed under them come with it" same \
  "$(grep '^why wayland_kwin-6.3' <<<"$offline")" \
  $'why wayland_kwin-6.3: FAIL - the automatic lock comes and holds\nwhy wayland_kwin-6.3:      the controller\'s last lines:\nwhy wayland_kwin-6.3:        1.5 Bumblepad: idle'
expect "a failure without FAIL lines comes with its last lines" grep -qx "why A.Fails: boom" <<<"$offline"
finish
