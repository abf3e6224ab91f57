# The Linux controller's tray icon, menu, options dialog, double-click lock
# and exit, driven for real through the tray host (trayer) with xdotool.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
SHOTS=${BUMBLEPAD_SHOTS:-$WORK}
store=$STORE

byte_at() { od -An -tu1 -j "$1" -N1 "$store" | tr -d ' '; }
u32_at() { od -An -tu4 -j "$1" -N4 "$store" | tr -d ' '; }

make_settings_key
"$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1 & pid=$!
expect "the tray icon is in the tray host" wait_for 10 icon_present

# Right click: menu 102, its items in order (screenshot kept for a look).
click_icon 3
expect "a right click opens the menu" wait_for 5 menu_up
import -window root "$SHOTS/tray-menu.png"
menu_geometry=$(xwininfo -root -tree | grep -E '"Bumblepad": \("Bumblepad" "Bumblepad"\)  [0-9]+x[0-9]+\+[0-9]+\+1[0-9] ')
echo "     menu: $menu_geometry (screenshot $SHOTS/tray-menu.png)"
xdotool key Escape
wait_for 5 bash -c "! menu_up"
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
# Keys after Enter still reach the dialog: the autorepeat box, one Tab back,
# toggled after it, is stored when Escape closes the dialog.
xdotool key shift+Tab space
xdotool key Escape
expect "Escape closes the dialog" wait_for 5 bash -c '! xdotool search --name "^Bumblepad Options$" >/dev/null 2>&1'
expect "the dialog saved the block at once (60 bytes)" test "$(stat -c %s "$store" 2>/dev/null)" = 60
expect "Enter did not close the dialog: the box toggled after it is stored (byte 29 = 1)" test "$(byte_at 29)" = 1
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

# A double click locks: keys no longer reach another window. This desktop
# has nothing holding the keyboard, so the lock must hold.
start_keywatch
expect "keys reach the other window before the lock" keys_reach_keywatch ab
before=$(keywatch_presses)
expect "the lock screen covers the screen" full_lock
import -window root "$SHOTS/locked.png"
xdotool type --delay 30 "xyz"
xdotool type --delay 80 "wren"
expect "typing the word ends the lock" wait_for 5 unlocked
expect "after the word, keys reach the other window again" keys_reach_keywatch cd
# Keys come in order: "cd" is in, so any key typed during the lock would be too.
expect "keys typed during the lock did not reach the other window" test "$(keywatch_presses)" = $((before + 2))
kill $xevpid 2>/dev/null

# Unlock words: each one the dialog accepts ends a full lock when typed as
# a parent would; one that cannot be typed is refused, and the stored word
# kept. word_field_type KEYS...: the word field (31 tabs from "A") replaced
# by the keys pressed, then the dialog closed with Escape.
open_options() {
  open_menu
  choose 2
  wait_for 5 window_named "Bumblepad Options"
  xdotool search --name '^Bumblepad Options$' windowactivate --sync 2>/dev/null
}
word_field_type() {
  open_options
  for _ in $(seq 31); do xdotool key Tab; done
  xdotool key ctrl+a BackSpace
  xdotool key --delay 50 "$@"
  xdotool key Escape
}
options_closed() { ! window_named "Bumblepad Options"; }
# The dialog has closed and the stored word's first bytes are HEX.
word_stored() { options_closed && [ "$(od -An -tx1 -j38 -N$((${#1} / 2)) "$store" | tr -d ' \n')" = "$1" ]; }
locks_and_ends_by() {
  full_lock || return 1
  xdotool key --delay 80 "$@"
  wait_for 5 unlocked
}

word_field_type a shift+comma b
expect "\"a<b\" is stored" wait_for 5 word_stored 613c6200
expect "a lock ends by a, Shift+comma, b (no extra key needed)" locks_and_ends_by a shift+comma b

setxkbmap de
word_field_type b adiaeresis r
expect "German layout: \"b\xe4r\" is stored in Latin-1" wait_for 5 word_stored 62e47200
expect "a lock ends by b, \xe4, r" locks_and_ends_by b adiaeresis r
word_field_type x ISO_Level3_Shift+q
expect "\"x@\" (AltGr after the first letter) is refused with a message" wait_for 5 window_named Error
import -window root "$SHOTS/word-refused.png"
xdotool key Return
wait_for 5 bash -c "! window_named Error"
xdotool key Escape
expect "the dialog stayed open, showing and keeping \"b\xe4r\"" wait_for 5 word_stored 62e47200
word_field_type ISO_Level3_Shift+q x
expect "\"@x\" (AltGr for the first letter) is stored" wait_for 5 word_stored 407800
expect "a lock ends by AltGr+q, x" locks_and_ends_by ISO_Level3_Shift+q x
long=$(for _ in 1 2 3 4 5 6; do printf 'b adiaeresis r '; done; printf 'b adiaeresis')  # 20 characters
word_field_type $long
expect "a 20-character word is cut to 19 whole characters" wait_for 5 word_stored "$(printf '62e472%.0s' 1 2 3 4 5 6)6200"
expect "a lock ends by the 19 characters" locks_and_ends_by ${long% adiaeresis}

setxkbmap us
double_click_icon
expect "US layout: a stored word with \xe4 starts no lock and the parent is told" wait_for 5 window_named Error
expect "nothing is locked" bash -c "! lock_screen_up"
xdotool key Return
word_field_type w r e n
wait_for 5 options_closed

# "Exit" (item 7) ends the program, which writes the block.
if ! window_named Error && ! lock_screen_up; then
  rm -f "$store"
  open_menu
  choose 7
  expect "\"Exit\" ends the controller" wait_for 10 bash -c "! kill -0 $pid"
  expect "the block was written at exit" test "$(stat -c %s "$store" 2>/dev/null)" = 60
  expect "with the options chosen before (999 minutes)" test "$(u32_at 32)" = 59940000
else
  fail "the controller is still locked; Exit cannot be reached"
  kill $pid
fi
finish
