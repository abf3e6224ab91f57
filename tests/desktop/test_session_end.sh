# The session ends under a running controller: logind removes the session
# (log-out) or the X server goes away. Either way the orderly close runs:
# the held drive door (a fake sr0) is released, the power switch restored
# and the block saved with the last tray change; the exit code is 0.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
store="$XDG_CONFIG_HOME/Software/Bumblepad/Options"
fake_drive
make_settings_key

# A private bus with a mock logind stands in for the system bus.
private_bus
export DBUS_SYSTEM_BUS_ADDRESS=$bus_address
"${DBUSMOCK[@]}" --template logind >/dev/null 2>&1 & mock=$!
wait_for 20 gdbus call --system -d org.freedesktop.login1 -o /org/freedesktop/login1 \
  -m org.freedesktop.login1.Manager.ListInhibitors
run() {
  XDG_SESSION_ID=c7 BUMBLEPAD_FAKE_DRIVES=$drives LD_PRELOAD=$BIN/libfake_drive_shim.so \
    "$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1
  echo $? >"$WORK/exit.code"
}
byte_at() { od -An -tu1 -j "$1" -N1 "$store" | tr -d ' '; }

# 1. logind removes this session.
run & wait_for 15 icon_present
expect "the door is held at start" wait_for 10 now_equals "sr0 1 " doors
gdbus call --system -d org.freedesktop.login1 -o /org/freedesktop/login1 -m org.freedesktop.DBus.Mock.EmitSignal \
  org.freedesktop.login1.Manager SessionRemoved so "[<'c7'>, <objectpath '/org/freedesktop/login1/session/c7'>]" >/dev/null
expect "the removal of its session ends the controller" wait_for 15 test -s "$WORK/exit.code"
expect "with exit code 0" [ "$(cat "$WORK/exit.code" 2>/dev/null)" = 0 ]
expect "after releasing the door" [ "$(doors)" = "sr0 1 sr0 0 " ]
expect "and saving the block" [ "$(stat -c %s "$store" 2>/dev/null)" = 60 ]

# 2. The X server goes away after a tray change ("Disable Power Button" off).
rm -f "$store" "$drives/doors.log" "$WORK/exit.code"
run & wait_for 15 icon_present
wait_for 10 now_equals "sr0 1 " doors
open_menu && choose 3
wait_for 5 bash -c "! menu_up"   # the menu closes once the choice is handled
kill "$BUMBLEPAD_DESKTOP_XVFB"   # this desktop's own server
expect "the X server's end ends the controller" wait_for 15 test -s "$WORK/exit.code"
expect "with exit code 0" [ "$(cat "$WORK/exit.code" 2>/dev/null)" = 0 ]
expect "after releasing the door" [ "$(doors)" = "sr0 1 sr0 0 " ]
expect "and saving the block" [ "$(stat -c %s "$store" 2>/dev/null)" = 60 ]
expect "with the tray change in it (power switch off)" [ "$(byte_at 28)" = 0 ]
kill $mock $bus 2>/dev/null
finish
