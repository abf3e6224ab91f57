# A desktop with no tray host (as GNOME without the AppIndicator extension):
# the parent reaches Bumblepad from the command line. "--lock" starts it and
# locks (two starts at once give one controller), the word ends the lock;
# "--options" opens the options; the tray's own rules hold (nothing during a
# full lock or while the options are open); "--lock-keyboard" starts and ends
# the keyboard-only lock; "--media" opens Trovebox; "--exit" ends it in order.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
mkdir -p pictures sounds
make_settings_key
store="$XDG_CONFIG_HOME/Software/Bumblepad/Options"

# This desktop's tray host goes (only the one started for this display).
for p in $(pgrep -x trayer); do
  tr '\0' '\n' <"/proc/$p/environ" | grep -qx "DISPLAY=$DISPLAY" && kill "$p"
done
wait_for 5 bash -c '! xdotool search --class trayer'

# order ARGUMENT: runs "Bumblepad ARGUMENT", its standard error to $WORK/said,
# and prints its exit status.
order() { "$BIN/Bumblepad" "$1" 2>"$WORK/said"; echo $?; }
said() { grep -qF "$1" "$WORK/said"; }
# ended PID: that process of this shell's is gone (or a zombie).
ended() { ! ps -o stat= -p "$1" | grep -qv Z; }
# keyboard_held: another client cannot take the keyboard (the probe tries for 2 s).
keyboard_held() { "$BIN/hook_probe" grab </dev/null | grep -qx "no grab"; }
start_keywatch

"$BIN/Bumblepad" --lock >"$WORK/first.log" 2>&1 & one=$!
"$BIN/Bumblepad" --lock >"$WORK/second.log" 2>&1 & other=$!
expect "\"--lock\" with none running starts Bumblepad and locks" wait_for 20 lock_screen_up
# The start that did not become the controller hands its order over and ends.
one_ended() { ended $one || ended $other; }
expect "one of two starts at once hands over and ends" wait_for 20 one_ended
expect "two starts at once give one controller" [ "$(controllers | wc -l)" = 1 ]
expect "during a full lock \"--options\" is refused" [ "$(order --options)" = 1 ]
expect "saying why" said "A full lock is on"
expect "\"--exit\" too" [ "$(order --exit)" = 1 ]
xdotool type --delay 80 wren
expect "the word ends the lock" wait_for 10 bash -c '! lock_screen_up'
expect "the controller runs on" [ "$(controllers | wc -l)" = 1 ]

expect "\"--options\" is taken" [ "$(order --options)" = 0 ]
expect "and opens the options" wait_for 10 window_named "Bumblepad Options"
expect "while they are open \"--lock\" is refused" [ "$(order --lock)" = 1 ]
expect "saying why" said "The options are open"
xdotool search --name '^Bumblepad Options$' windowactivate --sync key Escape
wait_for 10 bash -c '! window_named "Bumblepad Options"'

expect "\"--lock-keyboard\" is taken" [ "$(order --lock-keyboard)" = 0 ]
expect "the keyboard is held: another client cannot take it" wait_for 10 keyboard_held
keywatch_focus
xdotool type k
expect "the lock screen stays down" bash -c '! lock_screen_up'
expect "\"--lock-keyboard\" again ends it" [ "$(order --lock-keyboard)" = 0 ]
expect "keys reach other windows again" wait_for 5 keywatch_gets m 6d
# Keys come in order: "m" is in, so the "k" typed during the lock would be too.
expect "the key typed during the lock never arrived" bash -c "! grep -q 'keysym 0x6b,' '$WORK/xev.log'"

expect "\"--media\" is taken" [ "$(order --media)" = 0 ]
expect "and opens Trovebox" wait_for 10 window_named Trovebox
kill $(mine Trovebox) 2>/dev/null

pid=$(controllers)
expect "\"--exit\" is taken" [ "$(order --exit)" = 0 ]
expect "and ends the controller" wait_for 10 bash -c "! kill -0 $pid 2>/dev/null"
expect "which saved its settings" [ "$(stat -c %s "$store" 2>/dev/null)" = 60 ]
expect "\"--exit\" with none running changes nothing" [ "$(order --exit)" = 0 ]
expect "and says so" said "not running"
expect "it started none" [ -z "$(controllers)" ]
kill $xevpid 2>/dev/null
finish
