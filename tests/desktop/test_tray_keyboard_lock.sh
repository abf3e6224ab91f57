# The tray menu during a keyboard-only lock: the hook library holds the
# keyboard, yet the menu opens, closes on an outside click, and works as
# usual once the word has ended the lock.
source "$(dirname "$0")/lib.sh"
cd "$WORK"

xev -name keywatch >"$WORK/xev.log" 2>&1 & xevpid=$!
wait_for 5 window_named keywatch
keys() { grep -c 'KeyPress' "$WORK/xev.log"; }

make_settings_key
"$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1 & pid=$!
expect "the tray icon is in the tray host" wait_for 10 icon_present
open_menu
for _ in 1 2 3 4 5; do xdotool key Down; sleep 0.05; done; xdotool key Return   # "Lock Keyboard"
wait_for 5 bash -c '! xwininfo -root -tree | grep -qE "\"Bumblepad\": \(\"Bumblepad\" \"Bumblepad\"\)  [0-9]+x[0-9]+\+[0-9]+\+1[0-9] "'
xdotool search --name '^keywatch$' windowactivate --sync 2>/dev/null
before=$(keys)
xdotool type --delay 30 "ab"
sleep 0.3
expect "the keyboard-only lock holds: keys reach no window" [ "$(keys)" = "$before" ]

open_menu
expect "a right click during the lock opens the menu" menu_up
xdotool mousemove 500 500 click 1
expect "an outside click closes it" wait_for 5 bash -c '! xwininfo -root -tree | grep -qE "\"Bumblepad\": \(\"Bumblepad\" \"Bumblepad\"\)  [0-9]+x[0-9]+\+[0-9]+\+1[0-9] "'
expect "the lock is still on" bash -c "xdotool type x; sleep 0.3; [ \$(grep -c KeyPress '$WORK/xev.log') = $before ]"

xdotool type --delay 80 "wren"
xdotool search --name '^keywatch$' windowactivate --sync 2>/dev/null
expect "the word ends the lock" wait_for 5 bash -c "xdotool type c; [ \$(grep -c KeyPress '$WORK/xev.log') -gt $before ]"
open_menu
expect "after the lock the menu opens again" menu_up
xdotool key Escape
expect "and Escape closes it" wait_for 5 bash -c '! xwininfo -root -tree | grep -qE "\"Bumblepad\": \(\"Bumblepad\" \"Bumblepad\"\)  [0-9]+x[0-9]+\+[0-9]+\+1[0-9] "'
kill $xevpid 2>/dev/null
kill -TERM $pid; wait $pid
finish
