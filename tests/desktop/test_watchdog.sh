# A controller that stops answering during a lock does not strand the
# family: its watchdog ends it (the X server drops its grabs) and starts a
# fresh, unlocked controller that tells the parent why. A controller that is
# slow but at work (a huge picture decoding on a busy CPU) is left alone.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
mkdir -p pictures sounds
convert -size 7900x7900 gradient:red-blue pictures/huge.png   # 62 Mpx, under the decode limit
make_settings_key

# The controllers this test started: those working in its folder.
controllers() { for p in $(pgrep -x Bumblepad); do [ "$(readlink /proc/$p/cwd)" = "$WORK" ] && echo $p; done; }
main_state() { awk '{print $3}' /proc/$1/task/$1/stat 2>/dev/null; }
main_cpu() { awk '{print $14 + $15}' /proc/$1/task/$1/stat 2>/dev/null; }
lock() {
  eval "$(xdotool getwindowgeometry --shell "$(tray_icon)")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1
  wait_for 10 lock_screen_up
}
xev -name keywatch >"$WORK/xev.log" 2>&1 & xevpid=$!
wait_for 5 window_named keywatch
keys() { grep -c 'KeyPress' "$WORK/xev.log"; }

# Pinned to one CPU, niced, beside a busy loop: the decode takes long.
taskset -c 0 nice -n 5 "$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1 &
first=$!
expect "the controller runs with its tray icon" wait_for 15 icon_present
expect "a full lock comes up" lock
taskset -c 0 bash -c 'while :; do :; done' & hog=$!
cpu_before=$(main_cpu $first)
start=$(date +%s%N)
xdotool key a
# Busy until the main thread's CPU time stops growing for a second.
last=$cpu_before; still=0
while [ $still -lt 10 ] && [ $(( ($(date +%s%N) - start) / 1000000000 )) -lt 60 ]; do
  sleep 0.1; now=$(main_cpu $first); [ "$now" = "$last" ] && still=$((still + 1)) || still=0; last=$now
done
kill $hog
busy_ms=$(( ($(date +%s%N) - start) / 1000000 - 1000 ))
echo "     the decode kept the main thread at work for about $busy_ms ms (CPU $(( (last - cpu_before) * 10 )) ms)"
expect "a slow but live controller is not killed" kill -0 $first
expect "and it still holds the lock" lock_screen_up
expect "no other controller was started" [ "$(controllers)" = "$first" ]

# Stopped dead during the lock.
xdotool search --name '^keywatch$' windowactivate --sync 2>/dev/null
before=$(keys)
xdotool type x
sleep 0.3
expect "while locked, keys reach no other window" [ "$(keys)" = "$before" ]
kill -STOP $first
stopped=$(date +%s%N)
keys_arrive() { xdotool search --name '^keywatch$' windowactivate 2>/dev/null; xdotool type y; [ "$(keys)" -gt "$before" ]; }
expect "after the controller stops answering, keys reach other windows again" wait_for 40 keys_arrive
echo "     keys arrived again $(( ($(date +%s%N) - stopped) / 1000000 )) ms after the stop (timeout 5000 ms)"
fresh() { c=$(controllers); [ -n "$c" ] && [ "$c" != "$first" ]; }
expect "a fresh controller runs" wait_for 20 fresh
expect "with its tray icon" wait_for 20 icon_present
expect "and tells the parent why" wait_for 20 window_named Error
expect "it is not locked" bash -c "! lock_screen_up"
kill -CONT $first 2>/dev/null
kill $xevpid 2>/dev/null
kill -TERM $(controllers) 2>/dev/null
finish
