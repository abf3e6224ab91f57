# Helpers for the desktop tests (sourced). They run inside with-desktop.sh.
set -u
BIN=${BUMBLEPAD_BIN:?}
SRC=${BUMBLEPAD_SOURCE:?}
WORK=${BUMBLEPAD_DESKTOP_WORK:?}
failures=0

pass() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
expect() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

# wait_for SECONDS COMMAND...: polls until COMMAND succeeds.
wait_for() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  while [ $SECONDS -lt $end ]; do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

# now_equals VALUE COMMAND...: COMMAND prints VALUE. For wait_for, whose
# arguments are expanded once: wait_for 10 [ "$(count)" = 2 ] would test the
# count of the first moment again and again; wait_for 10 now_equals 2 count
# runs count afresh on every try.
now_equals() { local want=$1; shift; [ "$("$@")" = "$want" ]; }

# The settings key, as the installation creates it.
make_settings_key() { mkdir -p "$XDG_CONFIG_HOME/Software/Bumblepad"; }

# A window whose title is exactly $1 exists.
window_named() { xdotool search --name "^$1\$" >/dev/null 2>&1; }

finish() {
  [ "$failures" = 0 ] && echo "all passed" || echo "$failures failed"
  exit $((failures > 0))
}

# The controller's lock screen is mapped and covers the 1024x768 screen.
# (xwininfo -tree lists hidden windows too, so the map state is asked.)
lock_screen_up() {
  local w
  for w in $(xdotool search --onlyvisible --name '^Bumblepad$' 2>/dev/null); do
    xwininfo -id "$w" 2>/dev/null | grep -q -- '-geometry 1024x768+0+0' && return 0
  done
  return 1
}

# ---- the controller's tray icon and menu (tray host: trayer) ----
# The icon is the controller's window embedded in the tray host's panel.
tray_icon() { xwininfo -root -tree | awk '/"panel"/{p=1} p && /"Bumblepad"/{print $1; exit}'; }
icon_present() { [ -n "$(tray_icon)" ]; }
# A popup menu of the controller is up (mapped: once shown, a menu stays in the tree hidden).
menu_up() {
  local w
  for w in $(xwininfo -root -tree | grep -E '"Bumblepad": \("Bumblepad" "Bumblepad"\)  [0-9]+x[0-9]+\+[0-9]+\+1[0-9] ' | awk '{print $1}'); do
    xwininfo -id "$w" 2>/dev/null | grep -q 'IsViewable' && return 0
  done
  return 1
}
# A right click on the icon, repeated while no menu comes (Qt lets a click
# that follows the close of a popup too closely go by).
open_menu() {
  eval "$(xdotool getwindowgeometry --shell "$(tray_icon)")"
  for _ in 1 2 3 4 5; do
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
    wait_for 2 menu_up && return 0
  done
  return 1
}
double_click_icon() {
  eval "$(xdotool getwindowgeometry --shell "$(tray_icon)")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1
}
# Chooses the n-th item of the open menu from the keyboard (separators skipped).
choose() { for _ in $(seq "$1"); do xdotool key Down; sleep 0.05; done; xdotool key Return; }
export -f lock_screen_up window_named menu_up
