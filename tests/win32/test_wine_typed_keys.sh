# The installed controller under 32-bit Wine, with real keys and clicks at
# its low-level hook (XTEST through xdotool, as a keyboard would): Notepad
# has the focus; a full lock, then 200 random keys, Alt+Tab, Ctrl+Esc,
# Alt+F4 and clicks; nothing reaches Notepad, the lock screen draws pictures,
# the word ends the lock and keys reach Notepad again. The same for the
# keyboard-only lock (whose mouse stays free: the clicks give Notepad the
# focus). Then the uninstall leaves nothing behind, or has what another
# program still holds (Hookwell.dll, where a hook brought it into Notepad)
# removed at the next restart.
#
# The window manager's own key bindings (openbox: Alt+Tab, Alt+F4, ...) are
# switched off first: on Windows no program sees a key before the low-level
# hook, and here openbox would take those keys from the X server before Wine.
# BUMBLEPAD_TYPED_SEED repeats a run's random keys.
source "$(dirname "$0")/wine_lib.sh"
source "$(dirname "$0")/wine_uninstall.sh"
setup=${BUMBLEPAD_SETUP:?}
folder='C:\Program Files\Bumblepad'
dir=$("$run" winepath -u "$folder" 2>/dev/null | tr -d '\r')
expect "the install folder maps to this machine" test -n "$dir"
[ -f "$dir/Uninstall.exe" ] && { "$run" "$dir/Uninstall.exe" /S; wait_for 120 test ! -e "$dir/Uninstall.exe"; }
rm -rf "$dir"
"$run" reg delete 'HKLM\Software\Bumblepad' /f >/dev/null 2>&1
"$run" reg delete "$pending_key" /v PendingFileRenameOperations /f >/dev/null 2>&1

mkdir -p "$XDG_CONFIG_HOME/openbox"
sed '/<keyboard>/,/<\/keyboard>/c\<keyboard/>' /etc/xdg/openbox/rc.xml >"$XDG_CONFIG_HOME/openbox/rc.xml"
openbox --reconfigure

seed=${BUMBLEPAD_TYPED_SEED:-$$}
RANDOM=$seed
echo "     seed $seed"
# Keys that would show in Notepad or act there (menus, help, closing),
# without w, r, e and n, so that the random keys never spell the word.
pool=(a b c d f g h i j k l m o p q s t u v x y z 0 1 2 3 4 5 6 7 8 9 space Return BackSpace Tab Escape
      Left Right Up Down Home End Delete comma period slash semicolon minus equal bracketleft apostrophe
      F1 F2 F3 F5 F10 shift+a shift+9 ctrl+a ctrl+v ctrl+z alt+f alt+v alt+space shift+F10 Menu)

notepad_text() { probe notepad-text; }
desktop=
# click_at X Y [BUTTON]: a click at X, Y of the Wine desktop (the X screen
# position of its window's inside, as xwininfo gives it, plus X, Y).
click_at() {
  local x0 y0
  x0=$(xwininfo -id "$desktop" | sed -n 's/.*Absolute upper-left X: *//p')
  y0=$(xwininfo -id "$desktop" | sed -n 's/.*Absolute upper-left Y: *//p')
  xdotool mousemove $((x0 + $1)) $((y0 + $2)) click "${3:-1}"
}
# click_notepad [BUTTON]: a click in the middle of Notepad's edit field.
click_notepad() {
  local rect
  rect=$(probe window-rect "Untitled - Notepad") || return 1
  read -r left top right bottom <<<"$rect"
  click_at $(((left + right) / 2)) $(((top + bottom) / 2 + 10)) "${1:-1}"
}
# type_randomly BUTTONS...: the 200 random keys, then Alt+Tab, Ctrl+Esc,
# Alt+F4 and clicks with these buttons on Notepad's edit field, and Alt+Tab
# and Alt+F4 once more.
type_randomly() {
  local keys=() i button
  for i in $(seq 200); do keys+=("${pool[RANDOM % ${#pool[@]}]}"); done
  xdotool key --delay 40 "${keys[@]}"
  xdotool key --delay 150 alt+Tab ctrl+Escape alt+F4
  for button in "$@"; do click_notepad "$button"; done
  xdotool key --delay 150 alt+Tab alt+F4
  sleep 2
}
notepad_is() { [ "$(notepad_text)" = "[$1]" ]; }
notepad_open() { [ "$(probe count 'Untitled - Notepad')" = 1 ]; }

"$run" notepad.exe & notepad=$!
expect "Notepad is up" wait_for 60 notepad_open
"$run" "$setup" /S
expect "the installer ended with 0" test $? = 0
expect "the installed controller runs" wait_for 60 probe lock-screen
desktop=$(xdotool search --name 'Wine desktop' | head -n 1)
expect "the Wine desktop's X window is found" test -n "$desktop"
xdotool windowactivate --sync "$desktop" 2>/dev/null
click_notepad
expect "Notepad has the focus" wait_for 20 eval '[ "$(probe foreground)" = "Untitled - Notepad" ]'
xdotool type --delay 100 a
expect "before the lock, keys reach Notepad" wait_for 20 notepad_is a

# The full lock.
probe tray 0x203
expect "a full lock shows the lock screen" wait_for 30 screen_is visible 0 5
type_randomly 1 3 1 1
expect "full lock: no key reached Notepad" notepad_is a || echo "     Notepad: $(notepad_text)"
expect "full lock: Notepad is still open (Alt+F4 did not reach it)" notepad_open
expect "full lock: the lock screen is still up and drew pictures" wait_for 60 screen_is visible 100 1000 ||
  echo "     last: $last_screen"
xdotool type --delay 150 wren
expect "full lock: the word ends it" wait_for 30 screen_is hidden 0 0
expect "the controller still runs" probe lock-screen
click_notepad
xdotool type --delay 100 b
expect "after the full lock, keys reach Notepad again" wait_for 20 notepad_is ab || echo "     Notepad: $(notepad_text)"

# The keyboard-only lock, chosen in the tray menu with a click (Wine's
# popup menus take no keys while the window that owns them is hidden).
# "Lock Keyboard" is the third item from the bottom in both menus: below its
# middle come half an item, "Lock Keyboard/Mouse", a separator, "Exit" and
# the frame (8 + 16 + 9 + 16 + 3 pixels with Wine's menu font).
probe tray 0x205
expect "the tray menu opens" wait_for 30 probe window-rect '#menu'
read -r left top right bottom <<<"$(probe window-rect '#menu')"
click_at $((left + 30)) $((bottom - 52))
sleep 2
# The mouse stays free in this lock: a click gives Notepad the focus, and
# the clicks are left ones (a right one would open Notepad's own menu, by
# design, and leave it to take the clicks that follow).
click_notepad
expect "keyboard-only lock: Notepad has the focus" wait_for 20 eval '[ "$(probe foreground)" = "Untitled - Notepad" ]'
type_randomly 1 1 1
expect "keyboard-only lock: no key reached Notepad" notepad_is ab || echo "     Notepad: $(notepad_text)"
expect "keyboard-only lock: Notepad is still open" notepad_open
expect "keyboard-only lock: nothing is shown, the controller still runs" screen_is hidden 0 0
click_notepad
xdotool type --delay 150 wren
sleep 1
xdotool type --delay 100 c
expect "keyboard-only lock: the word ends it, and keys reach Notepad again" wait_for 20 notepad_is abc ||
  echo "     Notepad: $(notepad_text)"

# The uninstall, with Notepad (which the hooks reached) still open.
"$run" "$dir/Uninstall.exe" /S
expect "the uninstall leaves nothing, or has the rest removed at the next restart" \
  wait_for 180 uninstalled "$folder" || ls -A "$dir"
[ -n "$left_for_restart" ] && echo "     removed at the next restart:$left_for_restart"
expect "no controller runs" same "$(probe processes Bumblepad.exe)" ""
"$run" reg delete "$pending_key" /v PendingFileRenameOperations /f >/dev/null 2>&1
rm -rf "$dir"
kill $notepad 2>/dev/null
finish
