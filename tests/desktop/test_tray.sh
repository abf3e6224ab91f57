# The Linux controller's tray icon, menu, options dialog, double-click lock
# and exit, driven for real through the tray host (trayer) with xdotool.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
SHOTS=${BUMBLEPAD_SHOTS:-$WORK}
store="$XDG_CONFIG_HOME/Software/Bumblepad/Options"

byte_at() { od -An -tu1 -j "$1" -N1 "$store" | tr -d ' '; }
u32_at() { od -An -tu4 -j "$1" -N4 "$store" | tr -d ' '; }

make_settings_key
"$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1 & pid=$!
expect "the tray icon is in the tray host" wait_for 10 icon_present

# Right click: menu 102, its items in order (screenshot kept for a look).
open_menu
expect "a right click opens the menu" menu_up
import -window root "$SHOTS/tray-menu.png"
menu_geometry=$(xwininfo -root -tree | grep -E '"Bumblepad": \("Bumblepad" "Bumblepad"\)  [0-9]+x[0-9]+\+[0-9]+\+1[0-9] ')
echo "     menu: $menu_geometry (screenshot $SHOTS/tray-menu.png)"
xdotool key Escape
sleep 0.3
expect "Escape dismisses it and the controller runs on" kill -0 $pid

# Item 2 is "Options": the dialog opens with its caption.
open_menu
choose 2
expect "menu item 2 opens \"Bumblepad Options\"" wait_for 5 window_named "Bumblepad Options"
import -window root "$SHOTS/options.png"
# Focus starts on "A": Space clears it; 28 tabs reach the minutes field.
xdotool key space
for _ in $(seq 28); do xdotool key Tab; done
xdotool key ctrl+a
xdotool type --delay 50 "1000x"   # the x is refused: digits only
xdotool key Return
sleep 0.5
expect "Enter does not close the dialog" window_named "Bumblepad Options"
xdotool key Escape
expect "Escape closes the dialog" wait_for 5 bash -c '! xdotool search --name "^Bumblepad Options$" >/dev/null 2>&1'
expect "the dialog saved the block at once (60 bytes)" test "$(stat -c %s "$store" 2>/dev/null)" = 60
expect "drive A is no longer locked (byte 1 = 0)" test "$(byte_at 1)" = 0
expect "drive B still is (byte 2 = 1)" test "$(byte_at 2)" = 1
expect "1000 minutes were stored as 999 (59940000 ms)" test "$(u32_at 32)" = 59940000

# Reopened and closed with the close box untouched, the block is written
# again from what the dialog shows: still 999 minutes and drive A off.
rm -f "$store"
open_menu
choose 2
expect "the dialog opens again" wait_for 5 window_named "Bumblepad Options"
xdotool search --name '^Bumblepad Options$' windowactivate --sync 2>/dev/null; xdotool key alt+F4  # the window manager's close
expect "the close box closes it" wait_for 5 bash -c '! xdotool search --name "^Bumblepad Options$" >/dev/null 2>&1'
expect "and it saved what it showed: 999 minutes, A off" \
  bash -c "[ \"\$(od -An -tu4 -j32 -N4 '$store' | tr -d ' ')\" = 59940000 ] && [ \"\$(od -An -tu1 -j1 -N1 '$store' | tr -d ' ')\" = 0 ]"

# A double click locks: keys no longer reach another window. While the hook
# library cannot take hold of the keyboard the lock is refused and the parent
# is told; that is checked instead.
xev -name keywatch >"$WORK/xev.log" 2>&1 & xevpid=$!
wait_for 5 window_named keywatch
xdotool search --name '^keywatch$' windowactivate --sync 2>/dev/null
xdotool type --delay 30 "ab"
sleep 0.3
before=$(grep -c 'KeyPress' "$WORK/xev.log")
expect "keys reach the other window before the lock" test "$before" -ge 2
eval "$(xdotool getwindowgeometry --shell "$(tray_icon)")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1
sleep 1
if window_named Error; then
  import -window root "$SHOTS/lock-refused.png"
  pass "the lock could not take the keyboard: refused and reported, nothing shown (hook library)"
  xdotool key Return
  sleep 0.3
  expect "no lock screen is left up" bash -c "! lock_screen_up"
else
  import -window root "$SHOTS/locked.png"
  expect "the lock screen covers the screen" lock_screen_up
  xdotool type --delay 30 "xyz"
  sleep 0.5
  after=$(grep -c 'KeyPress' "$WORK/xev.log")
  expect "keys typed during the lock do not reach the other window" test "$after" = "$before"
  xdotool type --delay 80 "wren"
  expect "typing the word ends the lock" wait_for 5 bash -c "! lock_screen_up"
  xdotool search --name '^keywatch$' windowactivate --sync 2>/dev/null
  xdotool type --delay 30 "cd"
  sleep 0.5
  expect "after the word, keys reach the other window again" test "$(grep -c 'KeyPress' "$WORK/xev.log")" -ge $((after + 2))
fi
kill $xevpid 2>/dev/null

# "Exit" (item 7) ends the program, which writes the block.
if ! window_named Error && ! lock_screen_up; then
  rm -f "$store"
  open_menu
  choose 7
  expect "\"Exit\" ends the controller" wait_for 10 bash -c "! kill -0 $pid"
  expect "the block was written at exit" test "$(stat -c %s "$store" 2>/dev/null)" = 60
  expect "with the options chosen before (999 minutes)" test "$(u32_at 32)" = 59940000
  expect "and no sanitizer report (when built with one)" bash -c "! grep -q 'Sanitizer' '$WORK/bumblepad.log'"
else
  fail "the controller is still locked; Exit cannot be reached"
  kill $pid
fi
finish
