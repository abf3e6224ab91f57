# Helpers that drive Bumblepad on an X display with xdotool (sourced by the
# desktop tests, scripts/screenshots.sh and scripts/run.sh). DISPLAY must be
# set; a tray host (trayer) holds the icon.

# wait_for, now_equals and the check lines come from the tests' shared checks.
desktop_lib_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$desktop_lib_dir/../tests/lib/checks.sh"

# A window whose title is exactly $1 exists.
window_named() { xdotool search --name "^$1\$" >/dev/null 2>&1; }

# The controller's lock screen is mapped and covers the whole screen.
# (xwininfo -tree lists hidden windows too, so the map state is asked.)
lock_screen_up() {
  local w size
  size=$(xdpyinfo 2>/dev/null | awk '/dimensions:/ {print $2; exit}')
  for w in $(xdotool search --onlyvisible --name '^Bumblepad$' 2>/dev/null); do
    xwininfo -id "$w" 2>/dev/null | grep -q -- "-geometry ${size}+0+0" && return 0
  done
  return 1
}

# The controller's tray icon: its window embedded in the tray host's panel.
tray_icon() { xwininfo -root -tree | awk '/"panel"/{p=1} p && /"Bumblepad"/{print $1; exit}'; }
icon_present() { [ -n "$(tray_icon)" ]; }
# A popup menu of the controller is up: at the top of the screen, under the
# tray host, and mapped (once shown, a menu stays in the tree hidden).
menu_window() {
  local w
  for w in $(xwininfo -root -tree | grep -E '"Bumblepad": \("Bumblepad" "Bumblepad"\)  [0-9]+x[0-9]+\+[0-9]+\+1[0-9] ' | awk '{print $1}'); do
    xwininfo -id "$w" 2>/dev/null | grep -q 'IsViewable' && { echo "$w"; return 0; }
  done
  return 1
}
menu_up() { menu_window >/dev/null; }
# click_icon BUTTON [COUNT]: clicks the middle of the tray icon.
click_icon() {
  eval "$(xdotool getwindowgeometry --shell "$(tray_icon)")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat "${2:-1}" --delay 80 "$1"
}
# A right click on the icon, repeated while no menu comes (Qt lets a click
# that follows the close of a popup too closely go by).
open_menu() {
  for _ in 1 2 3 4 5; do
    click_icon 3
    wait_for 2 menu_up && { sleep 0.2; return 0; }
  done
  return 1
}
double_click_icon() { click_icon 1 2; }
# close_error_box: the message box "Error" answered with Return, once it
# has the focus; true when it has gone.
close_error_box() {
  local w; w=$(xdotool search --name '^Error$' 2>/dev/null | head -n 1)
  [ -n "$w" ] || return 1
  xdotool windowactivate "$w" 2>/dev/null
  wait_for 5 now_equals "$w" xdotool getactivewindow
  xdotool key --clearmodifiers Return
  wait_for 10 bash -c '! window_named Error'
}
# full_lock: a double click on the icon, and the lock screen covers the screen.
full_lock() { double_click_icon; wait_for 10 lock_screen_up; }
# unlocked: the lock screen is gone (for wait_for).
unlocked() { ! lock_screen_up; }
# Chooses the n-th item of the open menu from the keyboard (separators skipped).
choose() { for _ in $(seq "$1"); do xdotool key Down; sleep 0.05; done; xdotool key Return; }

# settings_block FILE [NAME=VALUE...]: a 60-byte settings block, the fields
# not named as a fresh installation has them (scripts/settings_block.py).
settings_block() { python3 "$desktop_lib_dir/settings_block.py" "$@"; }
# write_settings FILE SHOW_PICTURES [IDLE_MINUTES]: the default block with
# showPictures and the automatic lock's minutes as given.
write_settings() { settings_block "$1" pictures="$2" auto_lock_minutes="${3:-0}"; }
# unlock_word FILE: the word stored in a settings block (bytes 38 to 57,
# up to the first NUL), or the default when there is no valid block.
unlock_word() {
  local word=""
  if [ "$(od -An -tx1 -N1 "$1" 2>/dev/null | tr -d ' ')" = 7a ]; then
    word=$(dd if="$1" bs=1 skip=38 count=20 2>/dev/null | tr '\0' '\n' | head -n 1)
  fi
  echo "${word:-wren}"
}
export -f wait_for now_equals window_named lock_screen_up unlocked tray_icon icon_present menu_window menu_up
