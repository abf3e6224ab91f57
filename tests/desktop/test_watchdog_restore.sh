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
fake_drive
mock_gnome
key() { gnome_power_key; }
start() {
  BUMBLEPAD_FAKE_DRIVES=$drives LD_PRELOAD=$BIN/libfake_drive_shim.so "$1/Bumblepad" >>"$WORK/bumblepad.log" 2>&1 &
}
lock() { double_click_icon; wait_for 10 lock_screen_up; }
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
  # Once the watchdog has ended, nothing is left that could start one.
  expect "its watchdog has ended too" wait_for 5 now_equals "" watchdogs
  expect "without a new start" [ -z "$(controllers)" ]
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
start_keywatch
expect "a full lock comes up once more" lock
python3 -c "import ctypes, sys; ctypes.CDLL(None).syscall(234, int(sys.argv[1]), int(sys.argv[1]), 10)" "$third"  # tgkill SIGUSR1
main_gone() { grep -q '^State:.*Z' "/proc/$third/task/$third/status" 2>/dev/null && [ -d "/proc/$third/task" ]; }
expect "its main thread has ended, the process lives on" wait_for 5 main_gone
expect "keys reach other windows again" wait_for 40 keywatch_gets y 79
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
