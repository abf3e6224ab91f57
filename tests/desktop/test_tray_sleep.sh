# Suspend and resume reach the controller from logind's PrepareForSleep
# signal (a mock logind on a private system bus); the end of the session
# (SIGTERM) runs the orderly close. A small preloaded library
# stands in for the hook library's LockAll and prints each call, so what the
# controller asks of the drive doors can be read.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
store=$STORE
PY=/usr/bin/python3   # the system's python, which has dbusmock

cat >"$WORK/lockall.cpp" <<'CPP'
#include <cstdio>
void LockAll(bool lock, const bool*) { std::fprintf(stderr, "LockAll(%d)\n", lock ? 1 : 0); std::fflush(stderr); }
CPP
if ! g++ -shared -fPIC -o "$WORK/lockall.so" "$WORK/lockall.cpp"; then fail "could not build the stand-in"; finish; fi
if ! $PY -c 'import dbusmock' 2>/dev/null; then fail "python3-dbusmock is missing"; finish; fi

started=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
bus=$(sed -n 1p <<<"$started") buspid=$(sed -n 2p <<<"$started")
export DBUS_SYSTEM_BUS_ADDRESS=$bus
$PY -m dbusmock --system -t logind >"$WORK/mock.log" 2>&1 & mock=$!
wait_for 10 gdbus introspect --address "$bus" -d org.freedesktop.login1 -o /org/freedesktop/login1
sleep_signal() {
  gdbus call --address "$bus" -d org.freedesktop.login1 -o /org/freedesktop/login1 \
    -m org.freedesktop.DBus.Mock.EmitSignal org.freedesktop.login1.Manager PrepareForSleep b "[<$1>]" >/dev/null
}
# run_with_doors DOORS: the stored lockDriveDoors byte (27); with it set, a
# resume locks the doors again (waited for).
run_with_doors() {
  make_settings_key
  settings_block "$store" doors="$1" power=0
  LD_PRELOAD=$WORK/lockall.so "$BIN/Bumblepad" >"$WORK/out.log" 2>&1 & pid=$!
  # The icon comes after the window, which subscribes to the signal.
  wait_for 20 icon_present
  calls() { grep -c 'LockAll' "$WORK/out.log"; }
  local n; n=$(calls)
  sleep_signal true
  wait_for 20 bash -c "[ \$(grep -c LockAll '$WORK/out.log') -gt $n ]"  # every suspend releases
  n=$(calls)
  sleep_signal false
  [ "$1" = 1 ] && wait_for 20 bash -c "[ \$(grep -c LockAll '$WORK/out.log') -gt $n ]"
  rm -f "$store"
  kill -TERM $pid; wait $pid 2>/dev/null
  [ "$(stat -c %s "$store" 2>/dev/null)" = 60 ] && echo -n "saved "
  grep -o 'LockAll([01])' "$WORK/out.log" | paste -sd' '
}

got=$(run_with_doors 1)
expect "doors on: locked at start, released on suspend, locked on resume, released and saved at session end ($got)" \
  test "$got" = "saved LockAll(1) LockAll(0) LockAll(1) LockAll(0)"
got=$(run_with_doors 0)
expect "doors off: suspend still releases, resume does not lock, saved at session end ($got)" \
  test "$got" = "saved LockAll(0)"

kill $mock 2>/dev/null
kill "$buspid" 2>/dev/null
finish
