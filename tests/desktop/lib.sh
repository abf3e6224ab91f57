# Helpers for the desktop tests (sourced). They run inside with-desktop.sh.
# The checks (pass, fail, expect, skip, finish, wait_for, now_equals) come
# from tests/lib/checks.sh, the X helpers from scripts/desktop-lib.sh.
set -u
BIN=${BUMBLEPAD_BIN:?}
SRC=${BUMBLEPAD_SOURCE:?}
WORK=${BUMBLEPAD_DESKTOP_WORK:?}
failures=0
source "$SRC/scripts/desktop-lib.sh"
source "$SRC/tests/lib/session.sh"

# The settings key, as the installation creates it.
make_settings_key() { mkdir -p "$XDG_CONFIG_HOME/Software/Bumblepad"; }
# The settings block of this desktop's controller.
STORE=$XDG_CONFIG_HOME/Software/Bumblepad/Options

# lines FILE PATTERN: how many lines of FILE match (0 when there is none).
lines() { grep -c "$2" "$1" 2>/dev/null || true; }
# has_line FILE LINE: FILE has exactly that line.
has_line() { grep -qx "$2" "$1"; }

# start_keywatch: another program's window ("keywatch", xev) that logs the
# keys it receives; keywatch_presses counts them, keywatch_saw KEYSYM-HEX
# tells whether that key reached it, keywatch_focus gives it the focus.
start_keywatch() {
  xev -name keywatch >"$WORK/xev.log" 2>&1 &
  xevpid=$!
  wait_for 5 window_named keywatch || fail "the keywatch window appears"
}
keywatch_presses() { grep -c KeyPress "$WORK/xev.log"; }
keywatch_saw() { grep -q "keysym 0x$1," "$WORK/xev.log"; }
keywatch_focus() { xdotool search --name '^keywatch$' windowactivate --sync 2>/dev/null; }
# keys_reach_keywatch KEYS: typed into keywatch, they arrive there.
keys_reach_keywatch() {
  local before; before=$(keywatch_presses)
  keywatch_focus
  xdotool type --delay 30 "$1"
  wait_for 5 now_equals_or_more $((before + ${#1})) keywatch_presses
}
# keywatch_gets CHARACTER KEYSYM-HEX: typed into keywatch (activated without
# waiting, as a lock may still hold the keyboard), it is there: for wait_for,
# which types it again on every try.
keywatch_gets() {
  xdotool search --name '^keywatch$' windowactivate 2>/dev/null
  xdotool type "$1"
  keywatch_saw "$2"
}
# now_equals_or_more N COMMAND...: COMMAND prints a number of at least N.
now_equals_or_more() { local want=$1; shift; [ "$("$@")" -ge "$want" ]; }

# start_recorder: the hook probe's window "hook recorder", which logs the
# keys and clicks it receives to $WORK/rec.out, up and focused ($rec, its
# window; $recorder, its process).
start_recorder() {
  "$BIN/hook_probe" record >"$WORK/rec.out" 2>&1 &
  recorder=$!
  wait_for 10 window_named "hook recorder" || fail "recorder window appears"
  rec=$(xdotool search --name '^hook recorder$' | head -1)
  xdotool windowactivate --sync "$rec" 2>/dev/null || xdotool windowfocus --sync "$rec"
  # The window manager gives the input focus a moment after the activation.
  wait_for 10 now_equals "$rec" xdotool getwindowfocus || xdotool windowfocus --sync "$rec"
}

# start_lock_probe NAME ALLOW REPORT: the hook library's lock in the probe,
# fed commands on descriptor 3 (a fifo $WORK/NAME.in), its reports in
# $WORK/NAME.out ($locker, its process). Extra environment may precede it:
# VAR=value start_lock_probe ...
start_lock_probe() {
  mkfifo "$WORK/$1.in"
  exec 3<>"$WORK/$1.in"
  "$BIN/hook_probe" lock "$2" "$3" <"$WORK/$1.in" >"$WORK/$1.out" 2>&1 &
  locker=$!
  wait_for 20 grep -q '^holds' "$WORK/$1.out"
}
# stop_lock_probe: "quit", and the probe is gone.
stop_lock_probe() { echo quit >&3; exec 3>&-; wait "$locker" 2>/dev/null; }

# trovebox_window: waits for the media manager's main dialog and activates
# it; $window, and its client area's place and size on the screen in X, Y,
# WIDTH and HEIGHT (xdotool's geometry would count the frame).
trovebox_window() {
  wait_for 10 bash -c "[ -n \"\$(xdotool search --onlyvisible --name '^Trovebox\$')\" ]" || return 1
  window=$(xdotool search --onlyvisible --name '^Trovebox$' | head -1)
  xdotool windowactivate --sync "$window" 2>/dev/null
  local info; info=$(xwininfo -id "$window")
  X=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
  Y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
  WIDTH=$(awk '/^ *Width/ {print $NF}' <<<"$info")
  HEIGHT=$(awk '/^ *Height/ {print $NF}' <<<"$info")
}
export -f lines has_line keywatch_presses now_equals_or_more mine controllers
