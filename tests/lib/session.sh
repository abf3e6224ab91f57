# What the tests of whole programs on a desktop share (sourced by
# tests/desktop/lib.sh and the Wayland runs that need it): this test's
# processes, a private bus with mock daemons, a fake optical drive. WORK is
# the test's folder, and wait_for comes from tests/lib/checks.sh.
export BUMBLEPAD_TEST_WORK=$WORK

# now_ms: the clock in milliseconds.
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# mine NAME [FOLDER]: this test's processes of the program NAME, one pid a
# line: those working in FOLDER, or, without FOLDER, those whose environment
# names this test's folder, BUMBLEPAD_TEST_WORK (a process whose main thread
# has ended shows no working folder, but its environment still; a zombie is
# gone).
mine() {
  local p
  for p in $(pgrep -x "$1"); do
    if [ $# -gt 1 ]; then
      [ "$(readlink "/proc/$p/cwd")" = "$2" ] && echo "$p"
    else
      [ -n "$(readlink "/proc/$p/exe")" ] &&
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "BUMBLEPAD_TEST_WORK=$BUMBLEPAD_TEST_WORK" && echo "$p"
    fi
  done
  return 0
}
# controllers [FOLDER], watchdogs: this test's controllers (those working in
# FOLDER) and their watchdogs.
controllers() { mine Bumblepad "$@"; }
watchdogs() { mine Bumblepad-watch; }
# no_controllers [FOLDER]: none of them is left (for wait_for).
no_controllers() { [ -z "$(controllers "$@")" ]; }
# fake_drive: a fake optical drive sr0 for the controller started with
# BUMBLEPAD_FAKE_DRIVES=$drives LD_PRELOAD=$BIN/libfake_drive_shim.so; doors
# prints what the shim's door log holds ("sr0 1 sr0 0 ": held, let go).
fake_drive() {
  drives=$WORK/drives
  mkdir -p "$drives/dev" "$drives/sys/block/sr0"
  : >"$drives/dev/sr0"
}
doors() { tr '\n' ' ' <"$WORK/drives/doors.log" 2>/dev/null; }

# private_bus: a bus of this test's own ($bus, its pid; $bus_address); the
# caller points the session or the system bus at it.
private_bus() {
  dbus-daemon --session --nofork --print-address=1 >"$WORK/bus.address" 2>/dev/null &
  bus=$!
  wait_for 10 test -s "$WORK/bus.address"
  bus_address=$(head -n 1 "$WORK/bus.address")
}
# The system's python, which has python3-dbusmock.
DBUSMOCK=($([ -x /usr/bin/python3 ] && echo /usr/bin/python3 || echo python3) -m dbusmock)
# mock_gnome: a private session bus on which a mock GNOME settings daemon
# handles the power key ($gnome, its pid), GSettings in its keyfile store
# ("suspend" for the power key), no logind; gnome_power_key prints the value.
mock_gnome() {
  private_bus
  export DBUS_SESSION_BUS_ADDRESS=$bus_address GSETTINGS_BACKEND=keyfile
  export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/bumblepad-no-logind
  gsettings set org.gnome.settings-daemon.plugins.power power-button-action 'suspend'
  "${DBUSMOCK[@]}" org.gnome.SettingsDaemon.MediaKeys /org/gnome/SettingsDaemon/MediaKeys \
    org.gnome.SettingsDaemon.MediaKeys >/dev/null 2>&1 &
  gnome=$!
  wait_for 20 gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
    -m org.freedesktop.DBus.GetNameOwner org.gnome.SettingsDaemon.MediaKeys
}
gnome_power_key() { gsettings get org.gnome.settings-daemon.plugins.power power-button-action; }

