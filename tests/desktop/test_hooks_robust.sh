# The X lock where the desktop works against it: a grab the server breaks is
# taken back, or the lock is reported lost; a refused grab leaves the focus
# where it was; Num Lock, the pointer map, the host's error handler and the
# programs the host starts are left as they should be.
source "$BUMBLEPAD_SOURCE/tests/desktop/lib.sh"
PROBE=$BIN/hook_probe

focus_line() { xdpyinfo 2>/dev/null | grep '^focus:'; }

start_recorder
start_lock_probe lock 1 0

# The server's grab-break key (Ctrl+Alt+KP_Divide with grab:break_actions)
# ends the grab; the library takes it back at once.
setxkbmap -option grab:break_actions
xdotool key ctrl+alt+KP_Divide
xdotool key b
wait_for 5 has_line "$WORK/lock.out" "key 0x42"
expect "a broken grab is taken back: the next key is the lock's" has_line "$WORK/lock.out" "key 0x42"
expect "and it reaches no other client" bash -c "! grep -q 'key b' '$WORK/rec.out'"

# Broken while another client wants the keyboard: that client gets it, and
# the lock says it is lost instead of staying on in name. The lock's process
# is held still from before the break until the other client has the
# keyboard, so the other client is always first.
kill -STOP "$locker"
xdotool key ctrl+alt+KP_Divide
exec 4> >("$PROBE" grab >"$WORK/grab.out" 2>&1)
wait_for 10 has_line "$WORK/grab.out" "grabbed"
kill -CONT "$locker"
expect "another client took the keyboard at the break" has_line "$WORK/grab.out" "grabbed"
expect "the lock reports it lost" wait_for 10 has_line "$WORK/lock.out" "lost"
exec 4>&-
echo remove >&3
wait_for 5 grep -q '^removed' "$WORK/lock.out"

# Only the pointer is held elsewhere: the blocking lock is refused, and the
# focus is still on the recorder afterwards.
xdotool windowfocus --sync "$rec"
exec 4> >("$PROBE" grab pointer >"$WORK/pgrab.out" 2>&1)
wait_for 5 has_line "$WORK/pgrab.out" "grabbed"
xdotool windowfocus --sync "$rec"
xdotool mousemove 900 700
focus_before=$(focus_line)
echo "lock 0 0" >&3
wait_for 10 now_equals 2 lines "$WORK/lock.out" '^holds'
expect "a pointer held elsewhere refuses the blocking lock" [ "$(grep '^holds' "$WORK/lock.out" | tail -1)" = "holds 0" ]
expect "and the focus stays as it was ($focus_before)" [ "$(focus_line)" = "$focus_before" ]
exec 4>&-
echo remove >&3
wait_for 5 now_equals 2 lines "$WORK/lock.out" '^removed'

# Num Lock released just before a remove: the next lock still answers the
# child's release with its own key-down (two reports, not one).
for i in 1 2 3 4 5; do
  echo "lock 1 0" >&3
  echo numlock-remove >&3
done
wait_for 10 now_equals 5 lines "$WORK/lock.out" '^nr done'
echo "lock 1 0" >&3
wait_for 10 now_equals 8 lines "$WORK/lock.out" '^holds'
n=$(grep -c . "$WORK/lock.out")
xdotool key Num_Lock
numlock_reports() { tail -n +$((n + 1)) "$WORK/lock.out" | grep -c 'key 0x90'; }
wait_for 5 now_equals 2 numlock_reports
expect "after a remove mid-Num Lock, the next lock reports press and key-down" \
  [ "$(tail -n +$((n + 1)) "$WORK/lock.out" | grep -c 'key 0x90')" = 2 ]

# The host program's own X error handler still sees its own errors.
echo xerror >&3
wait_for 5 grep -q '^xerrors' "$WORK/lock.out"
expect "the host's error handler is chained, not replaced" has_line "$WORK/lock.out" "xerrors 1"

# A program the host starts inherits nothing of the library's.
echo spawn >&3
wait_for 5 grep -q '^spawned' "$WORK/lock.out"
child=$(grep '^spawned' "$WORK/lock.out" | cut -d' ' -f2)
fds() { for f in /proc/$1/fd/*; do readlink "$f"; done | sort -u; }
# (what this script itself handed down is not the library's)
shared=$(comm -12 <(fds "$locker" | grep -E 'pipe|socket') <(fds "$child" | grep -E 'pipe|socket') | comm -23 - <(fds $$))
expect "no pipe or socket of the library leaks into a started program" [ -z "$shared" ]
[ -z "$shared" ] || echo "     shared: $shared"
kill "$child" 2>/dev/null
echo remove >&3
wait_for 5 now_equals 8 lines "$WORK/lock.out" '^removed'

# A left-handed pointer map: the device's button 1 acts as the right button
# and is reported as one.
xmodmap -e "pointer = 3 2 1"
echo "lock 1 1" >&3
wait_for 10 now_equals 9 lines "$WORK/lock.out" '^holds'
n=$(grep -c . "$WORK/lock.out")
xdotool mousemove --window "$rec" 40 40 click 1
wait_for 5 grep -q '^button' "$WORK/rec.out"
wait_for 5 bash -c "tail -n +$((n + 1)) '$WORK/lock.out' | grep -q '^key 0x20'"
expect "with the buttons swapped, the recorder sees button 3" grep -qx "button 3" "$WORK/rec.out"
expect "and the report says right button (0x204)" bash -c "tail -n +$((n + 1)) '$WORK/lock.out' | grep -qx 'key 0x204'"
xmodmap -e "pointer = 1 2 3"

stop_lock_probe

# A server without detectable auto-repeat (the probe refuses the library's
# request): a held key's repeats arrive as a release and a press with the
# same time, at times in separate reads. With repeats off the held key is
# still reported once, and a press of it after another key is a new press;
# a release that nothing follows (Num Lock's) still takes effect.
HOOK_PROBE_NO_DETECTABLE_REPEAT=1 start_lock_probe plain 1 0
echo "repeat 0" >&3
wait_for 5 has_line "$WORK/plain.out" "repeat 0"
xdotool keydown q; sleep 1.2; xdotool keyup q   # held past the server's repeat delay
xdotool key F12 q F12
wait_for 10 now_equals 2 lines "$WORK/plain.out" '^key 0x7B$'
expect "without detectable auto-repeat, a held key is reported once and a new press again" \
  [ "$(grep -c 'repeat undetectable' "$WORK/plain.out"):$(lines "$WORK/plain.out" '^key 0x51$')" = 1:2 ]
xdotool key Num_Lock
expect "and the child's Num Lock release is answered with the key-down" \
  wait_for 10 now_equals 2 lines "$WORK/plain.out" '^key 0x90$'
stop_lock_probe
kill $recorder 2>/dev/null
finish
