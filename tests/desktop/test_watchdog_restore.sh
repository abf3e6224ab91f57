# Whatever ends the controller, the desktop is put back. Killed -9 during a
# lock, or ended from inside with _exit(1) (as Qt's Wayland plugin ends it
# when the compositor goes away; the preloaded shim does it on SIGUSR2), its
# watchdog puts the desktop's power key (a mock GNOME on a private bus) and
# the drive door (a fake sr0) back within a second, without a new start. A
# controller that hangs during a lock after an upgrade replaced its program
# file, or after the file was removed, is still started again.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
make_settings_key
drives=$WORK/drives
mkdir -p "$drives/dev" "$drives/sys/block/sr0"
: >"$drives/dev/sr0"
export GSETTINGS_BACKEND=keyfile DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/bumblepad-no-logind
dbus-daemon --session --nofork --print-address=1 >"$WORK/bus.address" 2>/dev/null & bus=$!
wait_for 10 test -s "$WORK/bus.address"
export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$WORK/bus.address")
$([ -x /usr/bin/python3 ] && echo /usr/bin/python3 || echo python3) -m dbusmock org.gnome.SettingsDaemon.MediaKeys \
  /org/gnome/SettingsDaemon/MediaKeys org.gnome.SettingsDaemon.MediaKeys >/dev/null 2>&1 & gnome=$!
wait_for 20 gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
  -m org.freedesktop.DBus.GetNameOwner org.gnome.SettingsDaemon.MediaKeys
gsettings set org.gnome.settings-daemon.plugins.power power-button-action 'suspend'

key() { gsettings get org.gnome.settings-daemon.plugins.power power-button-action; }
doors() { tr '\n' ' ' <"$drives/doors.log" 2>/dev/null; }
# This test's processes of a name: by their environment, which names this
# desktop's folder (a process whose main thread has ended shows no folder).
mine() {
  local p
  for p in $(pgrep -x "$1"); do
    [ "$(readlink /proc/$p/exe)" = "" ] && continue  # a zombie: gone
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "BUMBLEPAD_DESKTOP_WORK=$WORK" && echo $p
  done
}
controllers() { mine Bumblepad; }
watchdogs() { mine Bumblepad-watch; }
start() {
  BUMBLEPAD_FAKE_DRIVES=$drives LD_PRELOAD=$BIN/libfake_drive_shim.so "$1/Bumblepad" >>"$WORK/bumblepad.log" 2>&1 &
}
lock() { double_click_icon; wait_for 10 lock_screen_up; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
put_back() { [ "$(key)" = "'suspend'" ] && [ "$(doors)" = "sr0 1 sr0 0 " ]; }

for ending in KILL USR2; do
  what=$([ $ending = KILL ] && echo "killed -9" || echo "ended with _exit(1)")
  rm -f "$drives/doors.log"
  start "$BIN"
  wait_for 15 icon_present
  changed() { [ "$(key)" = "'nothing'" ] && [ "$(doors)" = "sr0 1 " ]; }
  expect "the start sets the power key to do nothing and holds the door" wait_for 10 changed
  expect "a full lock comes up" lock
  pid=$(controllers)
  began=$(now_ms)
  kill -$ending "$pid"
  wait_for 5 put_back
  took=$(($(now_ms) - began))
  back_in_time() { put_back && [ "$took" -lt 1000 ]; }
  expect "$what during a lock: the power key and the door are back within a second ($took ms)" back_in_time
  sleep 1
  expect "without a new start" [ -z "$(controllers)" ]
  expect "and its watchdog has ended too" [ -z "$(watchdogs)" ]
done

# An upgrade replaces the program file while it runs ("... (deleted)"), then
# the controller hangs during a lock: the program at the same path starts.
mkdir "$WORK/programs"
cp "$BIN/Bumblepad" "$BIN/libHookwell.so" "$WORK/programs/"
start "$WORK/programs"
wait_for 15 icon_present
lock
first=$(controllers)
cp "$WORK/programs/Bumblepad" "$WORK/programs/.Bumblepad.new" && mv -f "$WORK/programs/.Bumblepad.new" "$WORK/programs/Bumblepad"
expect "the running program's file was replaced" bash -c "readlink /proc/$first/exe | grep -q '(deleted)'"
kill -STOP "$first"
fresh() { c=$(controllers); [ -n "$c" ] && [ "$c" != "$first" ]; }
expect "hung during a lock, it is started again from the new file" wait_for 30 fresh
second=$(controllers)
expect "which runs the file now at that path" [ "$(readlink /proc/$second/exe)" = "$WORK/programs/Bumblepad" ]
expect "and tells the parent why" wait_for 20 window_named Error
kill -CONT "$first" 2>/dev/null

# The file is removed, then the controller hangs: the file that ran starts.
wait_for 15 icon_present
xdotool search --name '^Error$' windowactivate --sync key Return 2>/dev/null; wait_for 5 bash -c '! window_named Error'
lock
rm "$WORK/programs/Bumblepad"
kill -STOP "$second"
fresh() { c=$(controllers); [ -n "$c" ] && [ "$c" != "$second" ]; }
expect "with its program file removed, it is still started again" wait_for 30 fresh
kill -CONT "$second" 2>/dev/null

# The main thread ends while the other threads live on, holding the X
# connection (and so the lock's grabs) and the single-instance lock: the
# watchdog ends the whole process and waits until it is gone before the new
# start, which therefore is not refused as a second instance.
third=$(controllers)
wait_for 15 icon_present
wait_for 20 window_named Error
xdotool search --name '^Error$' windowactivate --sync key Return 2>/dev/null; wait_for 5 bash -c '! window_named Error'
xev -name keywatch >"$WORK/xev.log" 2>&1 & xevpid=$!
wait_for 5 window_named keywatch
expect "a full lock comes up once more" lock
python3 -c "import ctypes, sys; ctypes.CDLL(None).syscall(234, int(sys.argv[1]), int(sys.argv[1]), 10)" "$third"  # tgkill SIGUSR1
main_gone() { grep -q '^State:.*Z' "/proc/$third/task/$third/status" 2>/dev/null && [ -d "/proc/$third/task" ]; }
expect "its main thread has ended, the process lives on" wait_for 5 main_gone
keys_arrive() { xdotool search --name '^keywatch$' windowactivate 2>/dev/null; xdotool type y; grep -q 'keysym 0x79, y' "$WORK/xev.log"; }
expect "keys reach other windows again" wait_for 40 keys_arrive
fresh() { c=$(controllers); [ -n "$c" ] && [ "$c" != "$third" ]; }
expect "a fresh controller runs" wait_for 30 fresh
expect "with its tray icon" wait_for 20 icon_present
sleep 2
still_runs() { fresh && icon_present; }
expect "it was not refused as a second instance: it runs on with its icon" still_runs
expect "the old process is gone" [ -z "$(readlink /proc/$third/exe 2>/dev/null)" ]
kill $xevpid 2>/dev/null
kill -TERM $(controllers) 2>/dev/null
none_left() { [ -z "$(controllers)$(watchdogs)" ]; }
wait_for 10 none_left
kill $gnome $bus 2>/dev/null
finish
