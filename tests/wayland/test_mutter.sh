# A full lock on mutter 43 (GNOME's compositor), headless: a full-screen
# surface per output with the desktop's shortcuts inhibited. Keys come from
# mutter's remote-desktop interface; there is no screenshot tool here, so the
# lock is checked from the clients' side: another client receives no key
# while it holds, the word ends it, the lock's own log.
source "$(dirname "$0")/lib.sh"

# Everything runs as the compositor's user: its session bus admits no other.
user_dir "$WORK/user"
for d in "$XDG_CONFIG_HOME" "$XDG_CONFIG_HOME/Software" "$XDG_CONFIG_HOME/Software/Bumblepad" "$WORK/run"; do
  [ "$(id -u)" = 0 ] && chown nobody:nogroup "$d"
done
as_user env -i HOME="$WORK/user" XDG_RUNTIME_DIR="$WORK/run" PATH=/usr/bin:/bin \
  dbus-run-session -- bash -c "echo \$DBUS_SESSION_BUS_ADDRESS >'$WORK/user/bus'; \
  exec mutter --headless --wayland --no-x11 --virtual-monitor 1024x768" >"$WORK/mutter.log" 2>&1 &
pids+=($!)
wait_for 15 test -S "$WORK/run/wayland-0" || { cat "$WORK/mutter.log"; fail "mutter starts"; finish; }
export WAYLAND_DISPLAY=wayland-0 DBUS_SESSION_BUS_ADDRESS=$(cat "$WORK/user/bus") XDG_CURRENT_DESKTOP=GNOME
pass "mutter 43 runs headless"

mkfifo "$WORK/user/keys"; chmod 666 "$WORK/user/keys"
as_user /usr/bin/python3 "$SCRIPTS/mutter_keys.py" "$WORK/user/keys" >"$WORK/user/keys.log" 2>&1 & pids+=($!)
exec 9<>"$WORK/user/keys"
press() { echo "$*" >&9; }
expect "mutter's remote-desktop session types" wait_for 10 grep -q ready "$WORK/user/keys.log"

as_user "$TESTS/wayland_key_probe" >"$WORK/user/probe.log" 2>&1 & pids+=($!)
keys() { grep -c '^key' "$WORK/user/probe.log"; }
wait_for 10 grep -q focus "$WORK/user/probe.log"
press type xab
expect "keys reach the other client before the lock" wait_for 5 bash -c "[ \$(grep -c '^key' $WORK/user/probe.log) -ge 4 ]"

# The automatic lock after 2 s without input (mutter's idle monitor).
write_options 2000 1
[ "$(id -u)" = 0 ] && chown nobody:nogroup "$XDG_CONFIG_HOME/Software/Bumblepad/Options"
(cd "$BIN" && exec setpriv --reuid=nobody --regid=nogroup --clear-groups "$BIN/Bumblepad") \
  >"$WORK/user/bumblepad.log" 2>&1 & bp=$!; pids+=($bp)
log="$WORK/user/bumblepad.log"
holds() { [ "$(grep -c 'Wayland lock .*: holds' "$log")" -ge "$1" ]; }
probe_focused() { tail -n1 "$WORK/user/probe.log" | grep -q '^focus'; }
# Without a tray host the parent is told so in a box, which takes the
# keyboard; Return closes it and the other client has the keyboard again.
if wait_for 10 bash -c "tail -n1 '$WORK/user/probe.log' | grep -q unfocus"; then press key 0xff0d; fi
wait_for 10 probe_focused
expect "the automatic lock comes and holds (full-screen + shortcuts inhibit)" wait_for 25 holds 1
expect "it takes the keyboard from the other client" bash -c "tail -n1 '$WORK/user/probe.log' | grep -q unfocus"
before=$(keys)
press type xyz
press key 0xffeb   # Super
focused=$(grep -c '^focus' "$WORK/user/probe.log")
press type wren
expect "the word ends the lock" wait_for 10 grep -q 'Wayland lock ended' "$log"
expect "and the other client has the keyboard again" \
  wait_for 10 bash -c "[ \$(grep -c '^focus' $WORK/user/probe.log) -gt $focused ]"
press type ab
keys_since() { grep '^key' "$WORK/user/probe.log" | tail -n +$((before + 1)) | tr '\n' ' '; }
b_arrived() { keys_since | grep -q 'key 48 0'; }
expect "after the word, keys reach the other client again" wait_for 5 b_arrived
# Keys come in order: "ab" is in, so any key pressed during the lock would be
# too. (The release of the word's last key may follow the lock's end there.)
presses_since() { keys_since | grep -o 'key [0-9]* 1' | tr '\n' ' '; }
expect "keys pressed during the lock reached no other client" test "$(presses_since)" = "key 30 1 key 48 1 " ||
  echo "     arrived since: $(keys_since)"

expect "the automatic lock comes again" wait_for 25 holds 2
kill -9 $bp
expect "killed -9 during a lock, the other client gets the keyboard back" wait_for 10 probe_focused
before=$(keys)
press type cd
expect "and keys reach it again" wait_for 5 bash -c "[ \$(grep -c '^key' $WORK/user/probe.log) -ge $((before + 4)) ]"

# The parent's own lock, from a panel that hosts StatusNotifierItems (GNOME's
# AppIndicator extension; a stand-in watcher here), pictures off so that the
# mouse is blocked. The first time the parent is told which keys GNOME keeps
# (a box, which takes the keyboard) and the lock comes once it is closed; the
# pointer is confined to the lock, also one that appears during it (the
# remote-desktop session's pointer appears with its first move); the next
# time the lock comes at once.
as_user /usr/bin/python3 -m dbusmock -l "$WORK/user/watcher.log" org.kde.StatusNotifierWatcher \
  /StatusNotifierWatcher org.kde.StatusNotifierWatcher >/dev/null 2>&1 & pids+=($!)
watcher="as_user gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher -m org.freedesktop.DBus.Mock"
wait_for 20 $watcher.AddProperty org.kde.StatusNotifierWatcher IsStatusNotifierHostRegistered "<true>"
$watcher.AddMethod org.kde.StatusNotifierWatcher RegisterStatusNotifierItem s "" "" >/dev/null
write_options 0 0
user_dir "$XDG_STATE_HOME"
log="$WORK/user/bumblepad2.log"
(cd "$BIN" && exec setpriv --reuid=nobody --regid=nogroup --clear-groups "$BIN/Bumblepad") >"$log" 2>&1 & sni=$!; pids+=($sni)
expect "the icon is handed to the watcher as a StatusNotifierItem" \
  wait_for 10 grep -q RegisterStatusNotifierItem "$WORK/user/watcher.log"
item=$(sed -n 's/.*RegisterStatusNotifierItem "\(.*\)"/\1/p' "$WORK/user/watcher.log" | head -n 1)
# The item's activation (its left click); answered once the box is closed.
activate() { as_user gdbus call --session -d "$item" -o /StatusNotifierItem -m org.kde.StatusNotifierItem.Activate 0 0 >/dev/null & }
wait_for 10 probe_focused
activate
# The box takes the keyboard; Return closes it.
wait_for 10 bash -c "tail -n1 '$WORK/user/probe.log' | grep -q unfocus" && press key 0xff0d
told_first() { holds 1 && grep -m1 -e 'told the parent' -e ': holds' "$log" | grep -q 'told the parent'; }
expect "the first time the parent is told which keys GNOME keeps, then the lock holds" wait_for 25 told_first
expect "that is remembered for this desktop" grep -q Super+Escape "$XDG_STATE_HOME/bumblepad/told-kept-keys-GNOME"
# The compositor applies a confinement at the pointer's next motion, so the
# pointer goes on moving as a hand would until it is confined.
moved_and_confined() { press move 1 1; sleep 0.2; grep -q 'pointer confined' "$log"; }
expect "the pointer that appears during the lock is confined to it" wait_for 10 moved_and_confined
press type wren
expect "the word ends the lock" wait_for 10 grep -q 'Wayland lock ended' "$log"
wait_for 10 probe_focused
activate
next_at_once() { holds 2 && [ "$(grep -c 'told the parent' "$log")" = 1 ]; }
expect "the next activation locks at once, without a box" wait_for 25 next_at_once
press type wren
expect "the word ends it" wait_for 10 bash -c "[ \$(grep -c 'Wayland lock ended' '$log') -ge 2 ]"

# Something takes the keyboard from the lock: a window that opens by itself
# during the lock, and the person's own Super+Escape (GNOME gives the
# desktop its shortcuts back) followed by Alt+Tab. The lock takes it back, or
# ends as lost within a second; it never says it holds while another client
# gets keys; after a lost lock the next automatic lock comes.
case_keyboard_taken_during_a_lock() {
  local what=$1 log=$WORK/user/bumblepad-taken-$2.log
  write_options 2000 1
  (cd "$BIN" && exec setpriv --reuid=nobody --regid=nogroup --clear-groups "$BIN/Bumblepad") >"$log" 2>&1 & local pid=$!
  pids+=($pid)
  if ! wait_for 25 bash -c "grep -q ': holds' '$log'"; then fail "$what: the automatic lock holds"; sed "s/^/     /" "$log"; kill_tree $pid; return; fi
  # Each line of the lock's log with the time it came, to the millisecond.
  tail -n +1 -F "$log" 2>/dev/null | while IFS= read -r line; do echo "$(date +%s%3N) $line"; done >"$log.timed" &
  local timer=$!
  local probe=$WORK/user/probe-$2.log
  if [ "$2" = window ]; then
    as_user "$TESTS/wayland_key_probe" >"$probe" 2>&1 & pids+=($!)
    wait_for 5 grep -q started "$probe"
  else
    probe=$WORK/user/probe.log
    cp "$probe" "$probe.before"
    press combo 0xffeb 0xff1b   # Super+Escape
    press combo 0xffe9 0xff09   # Alt+Tab
  fi
  decided() { grep -q -e 'lock taken back' -e 'lock lost' "$log"; }
  wait_for 5 decided
  sleep 1
  kill_tree $timer
  # The longest time from a "shaken" to its "taken back" or "lost" (none
  # left open), in milliseconds.
  local took; took=$(awk '/lock shaken/ { if (!open) start = $1; open = 1 }
    /lock taken back|lock lost/ { if (open && $1 - start > max) max = $1 - start; open = 0 }
    END { print open ? "open" : max + 0 }' "$log.timed")
  press type xyz
  sleep 1
  if grep -q 'lock lost' "$log"; then
    expect "$what: the lock is reported lost within a second (${took} ms from the first sign)" test "$took" != open -a "$took" -le 1000
    expect "$what: the controller was told (the lock has ended)" grep -q 'Wayland lock ended' "$log"
    expect "$what: after the lost lock the next automatic lock comes" wait_for 25 bash -c "[ \$(grep -c ': holds' '$log') -ge 2 ]"
    press type wren
    wait_for 10 bash -c "[ \$(grep -c 'Wayland lock ended' '$log') -ge 2 ]"
  else
    # Plain mutter (no GNOME Shell) may keep the keyboard with the lock: then
    # nothing was taken, and nothing may reach the other client either.
    if grep -q 'lock shaken' "$log"; then
      expect "$what: the lock takes the keyboard back within a second (${took} ms)" \
        bash -c "grep -q 'lock taken back' '$log' && [ '$took' != open ] && [ '$took' -le 1000 ]"
    else
      echo "     $what: the desktop left the keyboard with the lock"
    fi
    local got; got=$(grep -c '^key [0-9]* 1' "$probe")
    [ "$2" = window ] || got=$((got - $(grep -c '^key [0-9]* 1' "$probe.before")))
    expect "$what: no key reached the other client while the lock held ($got)" test "$got" = 0
    press type wren
    expect "$what: the word ends the lock" wait_for 10 grep -q 'Wayland lock ended' "$log"
  fi
  kill_tree $pid; wait $pid 2>/dev/null   # one controller at a time
}
kill_tree $sni; wait $sni 2>/dev/null   # one controller at a time
case_keyboard_taken_during_a_lock "a window opening during the lock" window
case_keyboard_taken_during_a_lock "Super+Escape, Alt+Tab" switch

exec 9>&-
finish
