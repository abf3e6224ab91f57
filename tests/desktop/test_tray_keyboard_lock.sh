# The tray menu during a keyboard-only lock: the hook library holds the
# keyboard, yet the menu opens, closes on an outside click, and works as
# usual once the word has ended the lock.
source "$(dirname "$0")/lib.sh"
cd "$WORK"

start_keywatch

make_settings_key
"$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1 & pid=$!
expect "the tray icon is in the tray host" wait_for 10 icon_present
open_menu
for _ in 1 2 3 4 5; do xdotool key Down; sleep 0.05; done; xdotool key Return   # "Lock Keyboard"
wait_for 5 bash -c '! xwininfo -root -tree | grep -qE "\"Bumblepad\": \(\"Bumblepad\" \"Bumblepad\"\)  [0-9]+x[0-9]+\+[0-9]+\+1[0-9] "'
keywatch_focus
before=$(keywatch_presses)
xdotool type --delay 30 "ab"

open_menu
expect "a right click during the lock opens the menu" menu_up
xdotool mousemove 500 500 click 1
expect "an outside click closes it" wait_for 5 bash -c '! xwininfo -root -tree | grep -qE "\"Bumblepad\": \(\"Bumblepad\" \"Bumblepad\"\)  [0-9]+x[0-9]+\+[0-9]+\+1[0-9] "'
xdotool search --name '^keywatch$' windowactivate --sync 2>/dev/null
xdotool type x

xdotool type --delay 80 "wren"
xdotool search --name '^keywatch$' windowactivate --sync 2>/dev/null
expect "the word ends the lock" wait_for 5 bash -c "xdotool type c; [ \$(grep -c KeyPress '$WORK/xev.log') -gt $before ]"
# Keys come in order: now that "c" is in, any key of the lock would be too.
expect "the keyboard-only lock held: \"ab\" reached no window" bash -c "! grep -qE 'keysym 0x6[12], ' '$WORK/xev.log'"
expect "it was still on after the menu: \"x\" reached no window" bash -c "! grep -q 'keysym 0x78, x' '$WORK/xev.log'"
open_menu
expect "after the lock the menu opens again" menu_up
xdotool key Escape
expect "and Escape closes it" wait_for 5 bash -c '! xwininfo -root -tree | grep -qE "\"Bumblepad\": \(\"Bumblepad\" \"Bumblepad\"\)  [0-9]+x[0-9]+\+[0-9]+\+1[0-9] "'
kill $xevpid 2>/dev/null
kill -TERM $pid; wait $pid
finish
