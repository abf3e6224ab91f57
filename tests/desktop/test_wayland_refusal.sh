# A Wayland session whose compositor cannot be reached (only its X server
# is): the X grab would hold the X programs alone, so the double click's
# lock is refused with a message and nothing is locked.
source "$(dirname "$0")/lib.sh"
cd "$WORK"

make_settings_key
XDG_SESSION_TYPE=wayland "$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1 & pid=$!
expect "the tray icon is in the tray host" wait_for 10 icon_present
xev -name keywatch >"$WORK/xev.log" 2>&1 & xevpid=$!
wait_for 5 window_named keywatch
eval "$(xdotool getwindowgeometry --shell "$(tray_icon)")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1
expect "the double click's lock is refused with a message" wait_for 10 window_named Error
expect "no lock screen is up" bash -c "! lock_screen_up"
xdotool search --name '^keywatch$' windowactivate --sync 2>/dev/null
xdotool type --delay 30 "ab"
expect "keys reach another program: nothing is locked" \
  wait_for 5 bash -c "[ \$(grep -c KeyPress '$WORK/xev.log') -ge 2 ]"
kill $xevpid $pid 2>/dev/null
wait $pid 2>/dev/null
finish
