# A controller that stops answering during a lock does not strand the
# family: its watchdog ends it (the X server drops its grabs) and starts a
# fresh, unlocked controller that tells the parent why. A controller that is
# only slow (its main thread held up for less than the watchdog's limit) is
# left alone.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
mkdir -p pictures sounds
make_settings_key

start_keywatch

"$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1 &
first=$!
expect "the controller runs with its tray icon" wait_for 15 icon_present
expect "a full lock comes up" full_lock
# Held up for 2 s (the watchdog's limit is 5 s), then going on.
kill -STOP $first; held=$(now_ms); sleep 2; kill -CONT $first
xdotool key a
# The watchdog had its chance: once the limit, counted from the hold-up, has
# passed, it has looked twice more (each look ends in a wait of its own, a
# voluntary context switch), so one whole look came after the limit.
looks() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$(watchdogs)/status"; }
past_limit() { [ $(($(now_ms) - held)) -ge 5000 ]; }
wait_for 10 past_limit
seen=$(looks)
expect "the watchdog looked again after the limit" wait_for 5 now_equals_or_more $((seen + 2)) looks
expect "a slow but live controller is not killed" kill -0 $first
expect "and it still holds the lock" lock_screen_up
expect "no other controller was started" [ "$(controllers)" = "$first" ]

# Stopped dead during the lock.
xdotool search --name '^keywatch$' windowactivate --sync 2>/dev/null
xdotool type x
kill -STOP $first
stopped=$(date +%s%N)
expect "after the controller stops answering, keys reach other windows again" wait_for 40 keywatch_gets y 79
echo "     keys arrived again $(( ($(date +%s%N) - stopped) / 1000000 )) ms after the stop (timeout 5000 ms)"
# Keys come in order: the "x" typed while the lock held came before the "y"s.
expect "while locked, keys reached no other window" bash -c "! grep -q 'keysym 0x78, x' '$WORK/xev.log'"
fresh() { c=$(controllers); [ -n "$c" ] && [ "$c" != "$first" ]; }
expect "a fresh controller runs" wait_for 20 fresh
expect "with its tray icon" wait_for 20 icon_present
expect "and tells the parent why" wait_for 20 window_named Error
expect "it is not locked" bash -c "! lock_screen_up"
kill -CONT $first 2>/dev/null
kill $xevpid 2>/dev/null
kill -TERM $(controllers) 2>/dev/null
finish
