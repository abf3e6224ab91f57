# A Wayland session whose compositor cannot be reached (only its X server
# is): the X grab would hold the X programs alone, so the double click's
# lock is refused with a message and nothing is locked; the keyboard-only
# lock cannot hold on any Wayland desktop, so its menu item is greyed out,
# says why in its tooltip and does nothing when clicked.
source "$(dirname "$0")/lib.sh"
cd "$WORK"

# text_rows WINDOW: the lines of text in a window's picture, top to bottom,
# as "first last darkest": its pixel rows in the window and the darkest grey
# in them (about 0 for ordinary text, far lighter for a greyed-out item).
# Separators and borders, a pixel row or two, are no lines.
text_rows() {
  [ -n "$1" ] && import -window "$1" -colorspace gray -depth 8 pgm:- 2>/dev/null | python3 -c '
import re, sys
data = sys.stdin.buffer.read()
head = re.match(rb"P5\s+(\d+)\s+(\d+)\s+\d+\s", data)
width, height, pixels = int(head[1]), int(head[2]), data[head.end():]
run = None
for y in range(height + 1):
    darkest = min(pixels[y * width + 3:(y + 1) * width - 4]) if y < height else 255
    if darkest < 230:
        run = [y, y, darkest] if run is None else [run[0], y, min(run[2], darkest)]
        continue
    if run and run[1] - run[0] >= 4:
        print(*run)
    run = None'
}
# The controller's tooltip on the screen.
tooltip_window() {
  local w
  for w in $(xwininfo -root -tree | awk '/"Bumblepad": \("Bumblepad" "Bumblepad"\)/ {print $1}'); do
    xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_TOOLTIP &&
      xwininfo -id "$w" 2>/dev/null | grep -q IsViewable && { echo "$w"; return 0; }
  done
  return 1
}
export -f text_rows tooltip_window

make_settings_key
XDG_SESSION_TYPE=wayland "$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1 & pid=$!
expect "the tray icon is in the tray host" wait_for 10 icon_present
start_keywatch
double_click_icon
expect "the double click's lock is refused with a message" wait_for 10 window_named Error
expect "no lock screen is up" bash -c "! lock_screen_up"
xdotool search --name '^Error$' windowactivate --sync key Return 2>/dev/null
wait_for 5 bash -c "! window_named Error"
# (the keys also take the focus from the controller's windows: a menu opened
# while one of them had it would close itself once the tray host takes it)
expect "keys reach another program: nothing is locked" keys_reach_keywatch ab

open_menu
menu=$(menu_window)
xdotool mousemove 500 500   # no item under the pointer: none is highlighted
eval "$(xdotool getwindowgeometry --shell "$menu")"
rows=$(text_rows "$menu")
row_middle() { echo "$rows" | sed -n "$1p" | awk -v top="$Y" '{print top + int(($1 + $2) / 2)}'; }
expect "the menu shows its seven items" [ "$(echo "$rows" | wc -l)" = 7 ]
expect "\"Lock Keyboard\" (item 5), and only it, is greyed out" \
  [ "$(echo "$rows" | awk '$3 > 120 {print NR}')" = 5 ]
[ "$(echo "$rows" | wc -l)" = 7 ] || echo "     menu text rows: $(echo $rows)"
xdotool mousemove $((X + WIDTH / 2)) "$(row_middle 5)"
expect "its tooltip says why, in several lines" \
  wait_for 10 bash -c 'tip=$(tooltip_window) && [ "$(text_rows "$tip" | wc -l)" -ge 3 ]'
xdotool click 1
# Had the click chosen the item, the menu would be gone and the click on
# "Options" would open nothing.
xdotool mousemove $((X + WIDTH / 2)) "$(row_middle 2)" click 1
expect "a click on it does nothing: the menu stays open (\"Options\" chosen next)" \
  wait_for 10 window_named "Bumblepad Options"
expect "no box, no lock screen" bash -c "! window_named Error && ! lock_screen_up"
xdotool search --name '^Bumblepad Options$' windowactivate --sync key Escape 2>/dev/null
wait_for 5 bash -c '! window_named "Bumblepad Options"'
expect "keys still reach another program: nothing is grabbed" keys_reach_keywatch ab
kill $xevpid $pid 2>/dev/null
wait $pid 2>/dev/null
finish
