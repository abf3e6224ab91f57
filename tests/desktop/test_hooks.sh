# The hook library locks the real X display: keys typed while the lock is on
# reach no other client and arrive as reports in order; the mouse is blocked,
# reported or left alone by mode; a keyboard grab held by another client makes
# the lock report that it does not hold.
source "$BUMBLEPAD_SOURCE/tests/desktop/lib.sh"
PROBE=$BIN/hook_probe

reports() { grep -E '^(key|move) ' "$WORK/lock.out" | tail -n +"$1"; }
# All reports are in: a marker key (F12, 0x7B) pressed last has been reported.
reports_settled() {
  local marks; marks=$(lines "$WORK/lock.out" '^key 0x7B$')
  xdotool key F12
  wait_for 20 now_equals $((marks + 1)) lines "$WORK/lock.out" '^key 0x7B$'
}

# A second X client that records the keys and clicks it receives.
start_recorder
xdotool mousemove --window "$rec" 50 50
xdotool type --delay 20 ab
wait_for 20 has_line "$WORK/rec.out" "key b"
expect "without a lock the recorder gets the keys" has_line "$WORK/rec.out" "key a"

# The lock, fed commands through a fifo.
start_lock_probe lock 0 0
expect "the lock holds the keyboard and the pointer" has_line "$WORK/lock.out" "holds 1"

before=$(wc -l <"$WORK/rec.out")
xdotool key --delay 30 x y z 1 BackSpace F5 Left Shift_L super alt+Tab F10 Return
xdotool mousemove 120 120 click 1
wait_for 20 has_line "$WORK/lock.out" "key 0xD"
expected=$'key 0x58\nkey 0x59\nkey 0x5A\nkey 0x31\nkey 0x8\nkey 0x74\nkey 0x25\nkey 0xA0\nkey 0x5B\nkey 0xD'
got=$(reports 1)
expect "keys arrive as reports in order, Alt+Tab and F10 unreported" [ "$got" = "$expected" ]
[ "$got" = "$expected" ] || { echo "got:"; echo "$got"; }
expect "a blocked mouse posts nothing" [ "$(lines "$WORK/lock.out" '^move\|^key 0x201')" = 0 ]

# Held key: auto-repeat reported only when repeats are on.
echo "repeat 0" >&3
wait_for 20 has_line "$WORK/lock.out" "repeat 0"
n=$(reports 1 | wc -l)
xdotool keydown q; sleep 1.2; xdotool keyup q  # held past the server's repeat delay
reports_settled
expect "repeat off: a held key is reported once" [ "$(reports $((n + 1)) | grep -c 'key 0x51')" = 1 ]
echo "repeat 1" >&3
wait_for 20 has_line "$WORK/lock.out" "repeat 1"
n=$(reports 1 | wc -l)
q_reports() { reports $((n + 1)) | grep -c 'key 0x51'; }
q_repeated() { [ "$(q_reports)" -gt 3 ]; }
xdotool keydown q
expect "repeat on: every auto-repeat is reported" wait_for 20 q_repeated
xdotool keyup q
reports_settled

# Num Lock: the child's press is reported, and so is the synthetic key-down
# that answers its release; the two presses leave Num Lock as it was.
n=$(reports 1 | wc -l)
numlock() { xset q 2>/dev/null | grep -o 'Num Lock: *[a-z]*'; }
numlock_before=$(numlock)
xdotool key Num_Lock
reports_settled
expect "Num Lock: press and synthetic key-down reported" [ "$(reports $((n + 1)) | grep -c 'key 0x90')" = 2 ]
expect "Num Lock keeps its state" [ "$(numlock)" = "$numlock_before" ]

echo remove >&3
wait_for 20 grep -q '^removed' "$WORK/lock.out"
expect "after the remove the lock no longer holds" has_line "$WORK/lock.out" "removed holds 0"
xdotool windowactivate --sync "$rec" 2>/dev/null || xdotool windowfocus --sync "$rec"
xdotool key c
xdotool mousemove --window "$rec" 60 60 click 1
wait_for 20 has_line "$WORK/rec.out" "button 1"
expect "after the remove keys reach the recorder again" has_line "$WORK/rec.out" "key c"
expect "after the remove clicks reach the recorder again" has_line "$WORK/rec.out" "button 1"
# The recorder gets its events in order: "key c" is the first since the lock.
expect "the recorder saw no key and no click during the lock" \
  [ "$(tail -n +$((before + 1)) "$WORK/rec.out" | head -n 1)" = "key c" ]

# Mouse reported: clicks still reach the window under the cursor and are
# reported; wheel notches count 0, 1, 2; moves carry root coordinates.
echo "lock 1 1" >&3
wait_for 20 now_equals 2 lines "$WORK/lock.out" '^holds'
clicks=$(lines "$WORK/rec.out" "^button 1$")
n=$(reports 1 | wc -l)
xdotool mousemove --window "$rec" 70 70 click 1 click 3 click 5 click 5 click 4
# A device motion (xdotool's absolute move is a warp, which no device makes).
xdotool mousemove --sync 300 200 mousemove_relative 21 34
wait_for 20 has_line "$WORK/lock.out" "move 321 234"
got=$(reports $((n + 1)) | grep '^key')
expect "clicks and wheel notches are reported" [ "$got" = $'key 0x201\nkey 0x204\nkey 0x0\nkey 0x1\nkey 0x2' ]
[ "$got" = $'key 0x201\nkey 0x204\nkey 0x0\nkey 0x1\nkey 0x2' ] || { echo "got:"; echo "$got"; }
expect "moves are reported in root coordinates" has_line "$WORK/lock.out" "move 321 234"
expect "a reported click still reaches the window" [ "$(lines "$WORK/rec.out" "^button 1$")" -gt "$clicks" ]
echo remove >&3
wait_for 20 now_equals 2 lines "$WORK/lock.out" '^removed'

# Mouse left alone: clicks pass, nothing about the mouse is reported.
echo "lock 1 0" >&3
wait_for 20 now_equals 3 lines "$WORK/lock.out" '^holds'
n=$(reports 1 | wc -l)
clicks=$(lines "$WORK/rec.out" "^button 3$")
xdotool mousemove --window "$rec" 80 80 click 3
expect "mouse left alone: the click passes" wait_for 20 bash -c "[ \$(grep -c '^button 3$' '$WORK/rec.out') -gt $clicks ]"
reports_settled
expect "mouse left alone: nothing is reported" [ "$(reports $((n + 1)) | grep -vc '^key 0x7B$')" = 0 ]
echo remove >&3
wait_for 20 now_equals 3 lines "$WORK/lock.out" '^removed'

# Another client holds the keyboard (an open menu): the lock tries for about
# a second, then says it does not hold.
exec 4> >("$PROBE" grab >"$WORK/grab.out" 2>&1)
wait_for 20 has_line "$WORK/grab.out" "grabbed"
start=$SECONDS
echo "lock 1 0" >&3
wait_for 20 now_equals 4 lines "$WORK/lock.out" '^holds'
expect "a keyboard held by another client is a failed lock" [ "$(grep '^holds' "$WORK/lock.out" | tail -1)" = "holds 0" ]
exec 4>&-
echo remove >&3
wait_for 20 now_equals 4 lines "$WORK/lock.out" '^removed'
echo "lock 1 0" >&3
wait_for 20 now_equals 5 lines "$WORK/lock.out" '^holds'
expect "once the other grab is gone the lock holds again" [ "$(grep '^holds' "$WORK/lock.out" | tail -1)" = "holds 1" ]

# Idle time: the screen-saver extension's idle milliseconds on the monotonic
# millisecond clock; input resets it, also input the lock swallows.
last_idle() { grep '^idle' "$WORK/lock.out" | tail -1 | cut -d' ' -f2; }
idle_reaches() {  # asks for the idle time; true once it is $1 ms or more
  local asked; asked=$(lines "$WORK/lock.out" '^idle')
  echo idle >&3
  wait_for 20 now_equals $((asked + 1)) lines "$WORK/lock.out" '^idle' && [ "$(last_idle)" -ge "$1" ]
}
expect "idle time grows while no input comes" wait_for 20 idle_reaches 1400
quiet=$(last_idle)
xdotool key a
idle_reaches 0
fresh=$(last_idle)
expect "a key, also one the lock swallows, resets it ($quiet ms, then $fresh ms)" [ "$fresh" -lt "$quiet" ]

stop_lock_probe
kill $recorder 2>/dev/null
finish
