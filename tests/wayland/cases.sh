# The cases every compositor runs, each a function (sourced after lib.sh and
# compositors.sh). They share one compositor, one other client (the key
# probe, "keyprobe") and one controller, whose automatic lock (2 s of quiet)
# comes again after each end; a case that needs a lock waits for it.
#
# What is read from the controller's log, each line stamped with the time it
# came: "Wayland lock (METHOD) on N outputs: holds" when a lock takes hold,
# "Wayland lock ended" at its end, "Wayland lock shaken" when something took
# part of it, then "Wayland lock taken back" or "Wayland lock lost" (ended as
# lost, the parent told).
LOG=$WORK/bumblepad.log
PROBE=$WORK/probe.log
WORD_KEYS="17 19 18 49"   # w r e n, on the keys that give them on a US keyboard
AB_KEYS="30 48"
# Every letter key of the Russian layout (the US letters' places and ; ' [ ] , . `).
LETTER_KEYS=(16 17 18 19 20 21 22 23 24 25 26 27 30 31 32 33 34 35 36 37 38 39 40 41 44 45 46 47 48 49 50 51 52)

# ---- the keyboard: one line to the compositor's key injector, answered "done" ----
start_keyboard() {
  mkfifo "$RUN/keys"
  # shellcheck disable=SC2046
  as_user $("${KIND}_keyboard") <"$RUN/keys" >"$WORK/keys.log" 2>&1 &
  pids+=($!)
  exec 9>"$RUN/keys"
  wait_for 20 grep -q ready "$WORK/keys.log"
}
press() {  # fails when the injector says it failed
  local n
  n=$(grep -c '^done\|^failed' "$WORK/keys.log")
  echo "$*" >&9
  wait_for 60 eval "[ \$(grep -c '^done\|^failed' '$WORK/keys.log') -gt $n ]" && tail -n 1 "$WORK/keys.log" | grep -q '^done'
}

# ---- the other client ----
mark() { wc -l <"${1:-$PROBE}"; }
# Only the keys of "ab", typed after the lock's end (a press may be lost
# while the compositor moves the keyboard back, so "ab" is typed again).
only_ab() { [[ "$1" =~ ^((${AB_KEYS// /|}) ?)+$ ]]; }
presses_since() { tail -n +$(($1 + 1)) "${2:-$PROBE}" | sed -n 's/^key \([0-9]*\) 1$/\1/p' | xargs; }
got_presses() { [ "$(presses_since "$1" "${3:-$PROBE}" | wc -w)" -ge "$2" ]; }
# The desktop is usable: keys typed now reach the other client, given the
# focus as a person would give it where the compositor gave it to nobody
# (KWin 6 after a full-screen window closes).
keys_reach_probe() {
  local m
  m=$(mark)
  press tap $AB_KEYS
  wait_for 2 got_presses "$m" 2 && return 0
  grep '^focus\|^unfocus' "$PROBE" | tail -n 1 | grep -q '^focus' && return 1
  "${KIND}_focus" keyprobe
  m=$(mark)
  press tap $AB_KEYS
  wait_for 2 got_presses "$m" 2
}

# ---- the controller and its lock ----
bp=
# Each line with the time it came, in seconds to the microsecond.
stamp() {
  local line
  while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done
}
start_controller() {
  echo "---- controller started" >>"$LOG"
  (cd "$BIN" && exec "${AS_USER[@]}" "$BIN/Bumblepad") > >(stamp >>"$LOG") 2>&1 &
  bp=$!
  pids+=($bp)
}
kill_controller() {
  kill -9 "$bp" 2>/dev/null
  wait "$bp" 2>/dev/null
  echo "---- controller killed" >>"$LOG"
}
lock_lines() { grep -E 'Wayland lock .*: (holds|refused)$|Wayland lock ended|Wayland lock lost|^---- controller' "$LOG"; }
holding() { lock_lines | tail -n 1 | grep -q ': holds$'; }
count() { grep -c -- "$1" "$LOG"; }
count_above() { [ "$(count "$1")" -gt "$2" ]; }
lock_method() { sed -n 's/.*Wayland lock (\(.*\)) on .*: holds$/\1/p' "$LOG" | tail -n 1; }
need_lock() {
  { [ -n "$bp" ] && kill -0 "$bp" 2>/dev/null; } || start_controller
  holding && return 0
  expect "the automatic lock comes and holds" wait_for 30 holding && return 0
  echo "     the controller's last lines:"
  tail -n 8 "$LOG" | sed 's/^/       /'
  return 1
}
# log_since LINE: what the controller said from line LINE of its log on (the
# last 12 lines), for a failure's report.
log_since() {
  echo "     the controller said:"
  tail -n +"$1" "$LOG" | tail -n 12 | sed 's/^/       /'
}
# The word typed on the keys that give it ends the lock; then "ab" reaches the
# other client. Keys come in order, so any key typed since mark $1 that went
# elsewhere than to the lock is among the presses the client saw.
word_ends_lock_and_nothing_escaped() {
  local m=$1 what=${2:-no key typed during the lock reached the other client} ended
  ended=$(count 'Wayland lock ended')
  press tap $WORD_KEYS
  expect "the word ends the lock" wait_for 10 count_above 'Wayland lock ended' "$ended"
  expect "then keys reach the other client again" wait_for 10 keys_reach_probe
  local seen
  seen=$(presses_since "$m")
  expect "$what" only_ab "$seen" ||
    echo "     the other client received $(wc -w <<<"$seen") key presses: $(cut -d' ' -f1-12 <<<"$seen") ..."
}

# After each case no lock is on, so that a case that failed leaves nothing
# for the next: one still holding is ended by its word, or with its
# controller when the word no longer reaches it.
settle() {
  holding || return 0
  local ended
  ended=$(count 'Wayland lock ended')
  press tap $WORD_KEYS
  wait_for 5 count_above 'Wayland lock ended' "$ended" && return 0
  echo "     a lock left on that its word does not end: the controller is restarted"
  kill_controller
}

# ---- the cases ----

# Before any lock: the seat has the non-Latin keymap, keys reach the other
# client, the compositor's own shortcut fires (where one is set up).
case_keys_before() {
  press tap $AB_KEYS   # the seat gains its keyboard with the first key
  expect "the other client has the keyboard" wait_for 10 bash -c "grep '^focus\|^unfocus' '$PROBE' | tail -n 1 | grep -q '^focus'"
  expect "the seat's keymap is $LAYOUTS (Russian first)" bash -c "grep '^keymap' '$PROBE' | tail -n 1 | grep -q '^keymap Russian'"
  expect "keys reach the other client before the lock" wait_for 10 keys_reach_probe
  if type -t "${KIND}_shortcut_fired" >/dev/null; then
    press down 125; press tap 20; press up 125
    expect "the compositor's shortcut fires before the lock" wait_for 5 "${KIND}_shortcut_fired"
    rm -f "$RUN/shortcut-fired"
  fi
  # Without a lock, what the focus case tries does move the keyboard here
  # (else that case would prove nothing): a window that opens takes it, the
  # switch gives it back.
  : >"$WORK/other.log"
  spawn "$WORK/other.log" "$TESTS/wayland_key_probe" other
  OPENED_TAKES=no SWITCH_MOVES=no
  wait_for 5 grep -q '^focus' "$WORK/other.log" && OPENED_TAKES=yes
  "${KIND}_focus" keyprobe
  wait_for 5 eval "tail -n 1 '$PROBE' | grep -q '^focus'" && SWITCH_MOVES=yes
  kill_tree "${pids[-1]}"
  echo "     without a lock: a window that opens takes the keyboard: $OPENED_TAKES; the switch moves it: $SWITCH_MOVES"
  wait_for 5 eval "tail -n 1 '$PROBE' | grep -q '^focus'"
  write_options 2000 1
  start_controller
}

# 200 random letters of the Russian layout never end the lock (the word is
# never among them by chance); the word then does, and nothing escaped.
case_random_keys() {
  need_lock || return
  local m seed=$RANDOM keys=() i=0
  m=$(mark)
  RANDOM=$seed
  while [ ${#keys[@]} -lt 200 ]; do
    keys+=("${LETTER_KEYS[RANDOM % ${#LETTER_KEYS[@]}]}")
    [ ${#keys[@]} -ge 4 ] && [ "${keys[*]: -4}" = "$WORD_KEYS" ] && unset 'keys[-1]'
  done
  echo "     200 random letters (seed $seed), lock by $(lock_method)"
  local ended
  ended=$(count 'Wayland lock ended')
  press tap "${keys[@]}"
  # A lock they end says so at once (where the keys then go depends on the
  # compositor: KWin 6 gives them to nobody). Else the word's end, after the
  # letters in the same order, is the sign that the lock has seen them all.
  if wait_for 3 count_above 'Wayland lock ended' "$ended"; then
    fail "200 random letters of the $LAYOUTS layout ended the lock ($(presses_since "$m" | wc -w) then reached the other client)"
    return
  fi
  word_ends_lock_and_nothing_escaped "$m" "200 random letters of the $LAYOUTS layout neither ended the lock nor reached the other client"
}

# The compositor's shortcuts and window switching reach nothing during the
# lock; the lock screen shows the pictures (where a screenshot can be made).
case_no_key_escapes() {
  need_lock || return
  local m
  m=$(mark)
  # Digits and combinations, which no layout turns into a run of letters.
  press tap 3 4 5
  press down 125; press tap 20; press up 125   # Super+T
  press down 56; press tap 15; press up 56     # Alt+Tab
  press tap 125                                # Super alone
  if type -t "${KIND}_shot" >/dev/null; then
    # The other client fills its window with magenta: none of it shows.
    expect "the lock covers the other client" test "$("${KIND}_shot" 40 100)" != "255 0 255"
    expect "pictures show on the lock screen (many colours)" wait_for 20 pictures_show
  else
    not_here "the lock screen's pictures (no screenshot tool for $KIND)"
  fi
  if type -t "${KIND}_shortcut_fired" >/dev/null; then
    expect "the compositor's shortcut did not fire during the lock" eval "! ${KIND}_shortcut_fired"
  fi
  word_ends_lock_and_nothing_escaped "$m"
}
pictures_show() { grim "$WORK/locked.png" && [ "$(convert "$WORK/locked.png" -format %k info:)" -gt 50 ]; }

# Another client takes the focus during the lock: the lock takes it back or
# ends as lost (reported) within a second; it never holds while that client
# receives keys. Once by a window that opens by itself, once by a switch.
case_focus_stolen() {
  need_lock || return
  : >"$WORK/intruder.log"
  [ "$OPENED_TAKES" = yes ] || not_here "a window that opens: it does not take the keyboard here even without a lock"
  [ "$OPENED_TAKES" = yes ] && focus_taken "a window that opens during the lock" "$WORK/intruder.log" open_intruder &&
    kill_tree "${pids[-1]}"
  if [ "$SWITCH_MOVES" = no ]; then
    not_here "a focus switch ($KIND): it does not move the keyboard here even without a lock"
    return
  fi
  need_lock || return
  focus_taken "a focus switch ($KIND)" "$PROBE" "${KIND}_focus" keyprobe
}
# The other client's window opens; it is up once it says so (a start can
# take seconds on a loaded machine, and the keys typed before it is up would
# prove nothing).
open_intruder() {
  spawn "$WORK/intruder.log" "$TESTS/wayland_key_probe" intruder
  wait_for 20 grep -qx started "$WORK/intruder.log"
}
focus_taken() {
  local what=$1 client=$2 m from lost ended told; shift 2
  m=$(mark "$client") from=$(($(wc -l <"$LOG") + 1)) lost=$(count 'Wayland lock lost') ended=$(count 'Wayland lock ended')
  told=$(count 'lost hold of the keyboard')
  "$@"
  # Taken back or lost, or (where the compositor leaves the keys with the
  # lock) nothing at all.
  decided() { tail -n +"$from" "$LOG" | grep -q 'Wayland lock taken back\|Wayland lock lost'; }
  wait_for 4 decided
  local took focused=no
  took=$(longest_between "$from" 'Wayland lock shaken' 'Wayland lock (taken back|lost)')
  tail -n +$((m + 1)) "$client" | grep '^focus\|^unfocus' | tail -n 1 | grep -q '^focus' && focused=yes
  if count_above 'Wayland lock lost' "$lost"; then
    expect "$what: the lock is reported lost within a second of the first sign ($took ms)" test "$took" != open -a "$took" -le 1000
    expect "$what: the parent is told the lock was lost" wait_for 2 count_above 'lost hold of the keyboard' "$told"
    expect "$what: after the lost lock the next automatic lock comes" wait_for 30 holding
    return
  fi
  press tap 3 4 5 $WORD_KEYS   # digits, which no layout turns into letters, then the word
  wait_for 5 count_above 'Wayland lock ended' "$ended"
  local got
  got=$(presses_since "$m" "$client" | wc -w)
  if [ "$got" = 0 ] && count_above 'Wayland lock ended' "$ended"; then
    if [ "$took" = none ]; then
      pass "$what: the compositor left the keys with the lock, the word then ended it (the other client had been given the keyboard: $focused)"
    else
      expect "$what: the lock was taken back within a second ($took ms), the word then ended it" test "$took" != open -a "$took" -le 1000
    fi
  else
    fail "$what: the lock says it holds while another client received $got key presses (it had been given the keyboard: $focused)"
    log_since "$from"
    kill_controller   # what it holds is unknown: the next case starts afresh
  fi
}
# The longest time in ms from a line of the log (from line $1 on) matching
# $2 to the next matching $3: "open" when the last is not followed by one,
# "none" when none matches $2.
longest_between() {
  tail -n +"$1" "$LOG" | awk -v a="$2" -v b="$3" '$0 ~ a { if (!open) start = $1; open = 1; seen = 1; next }
    $0 ~ b { if (open && ($1 - start) * 1000 > max) max = ($1 - start) * 1000; open = 0 }
    END { print open ? "open" : seen ? int(max + 0.5) : "none" }'
}

# During a lock over two monitors, a third is plugged in and then the second
# unplugged: the new one is covered (where a screenshot shows it), the lock
# goes on through both, and the word still ends it with nothing escaped.
case_outputs() {
  need_lock || return
  local m lost
  m=$(mark) lost=$(count 'Wayland lock lost')
  echo "     $(grep ': holds$' "$LOG" | tail -n 1 | sed 's/^[0-9.]* Bumblepad: //')"
  expect "a monitor is plugged in" "${KIND}_add_output"
  if type -t "${KIND}_shot" >/dev/null; then
    # The new monitor shows the desktop's blue where nothing covers it.
    covered() { local c; c=$("${KIND}_shot" 2224 300); [ -n "$c" ] && [ "$c" != "51 102 153" ]; }
    expect "a monitor plugged in during the lock is covered" wait_for 5 covered
  else
    not_here "the new monitor's picture (no screenshot tool for $KIND)"
  fi
  expect "a monitor plugged in: the lock goes on" holding
  "${KIND}_remove_output"
  case $? in
    0)
      pass "a monitor the lock covered is unplugged"
      sleep 1   # the compositor tells its clients; nothing is to change
      expect "a monitor unplugged: the lock goes on, not reported lost" eval "! count_above 'Wayland lock lost' $lost && holding" ;;
    2) not_here "a monitor unplugged: $KIND cannot unplug one headless" ;;
    *) fail "a monitor the lock covered is unplugged" ;;
  esac
  word_ends_lock_and_nothing_escaped "$m"
}

# The controller killed during the lock: the desktop is usable again; where
# the compositor keeps its session locked, the restarted controller ends that.
case_killed() {
  need_lock || return
  local method
  method=$(lock_method)
  kill_controller
  local start=$SECONDS
  if wait_for 5 keys_reach_probe; then
    pass "killed -9 during a lock ($method), the desktop is usable again within $((SECONDS - start)) s"
    return
  fi
  if [ "$method" != "session lock" ]; then
    fail "killed -9 during a lock ($method), the desktop stays locked"
    return
  fi
  pass "killed -9 during a session lock: the compositor keeps the session locked (keys reach nobody)"
  start_controller
  expect "the restarted controller takes the lock left behind over and ends it, and says so" \
    wait_for 15 count_above "$LEFT_OVER_ENDED" 0
  expect "then the desktop is usable again" wait_for 10 keys_reach_probe
}
LEFT_OVER_ENDED="Bumblepad had stopped while this desktop was locked; the lock it left on has been ended"

# A session lock left by a killed controller that another locker then took
# over (someone started the desktop's own locker): the restarted controller
# cannot take it, and tells the parent exactly what to do, naming this
# desktop's socket; once the other locker is unlocked the desktop is usable.
case_left_over_taken_by_another() {
  if [ "$(lock_method)" != "session lock" ]; then
    not_here "a session lock left behind, then taken by another locker: no session lock on $KIND $COMPOSITOR_VERSION"
    return
  fi
  need_lock || return
  kill_controller
  : >"$WORK/locker.log"
  spawn "$WORK/locker.log" "$TESTS/wayland_key_probe" locker sessionlock
  expect "another locker takes over the session lock the killed controller left" \
    wait_for 10 grep -q '^locked' "$WORK/locker.log" || return
  write_options 0 1   # no automatic lock while the box is open
  start_controller
  expect "the restarted controller cannot take it and says so" wait_for 15 count_above 'could not be taken over' 0
  expect "the parent is told what to do, for this desktop" \
    count_above "To end it: switch to a text console.*WAYLAND_DISPLAY=$WAYLAND_DISPLAY swaylock" 0
  press tap 1   # the other locker's password
  expect "the other locker unlocks" wait_for 5 grep -q '^unlocked' "$WORK/locker.log"
  # The box with the text takes the keyboard once the session is unlocked.
  box_closed() { press tap 28; keys_reach_probe; }
  expect "its box closed, the desktop is usable again" wait_for 15 box_closed
  kill_controller
  write_options 2000 1
  start_controller
}

# The parent's lock from the tray item (a stand-in StatusNotifierItem host),
# pictures off so the mouse is blocked. On GNOME and KDE the parent is first
# told which keys the desktop keeps (a box, which takes the keyboard; Return
# closes it), once; the pointer is confined to the lock where the compositor
# offers it, also one that appears during the lock.
case_parent_lock() {
  kill_controller
  write_options 0 0
  local calls
  calls=$(grep -c RegisterStatusNotifierItem "$RUN/watcher.log")
  start_controller
  expect "the icon is handed to the watcher as a StatusNotifierItem" \
    wait_for 15 eval "[ \$(grep -c RegisterStatusNotifierItem '$RUN/watcher.log') -gt $calls ]" || return
  local item holds told
  item=$(sed -n 's/.*RegisterStatusNotifierItem "\(.*\)"/\1/p' "$RUN/watcher.log" | tail -n 1)
  holds=$(count ': holds$') told=$(count 'told the parent')
  activate() { as_user gdbus call --session -d "$item" -o /StatusNotifierItem -m org.kde.StatusNotifierItem.Activate 0 0 >/dev/null & }
  activate
  if [ "$KIND" != sway ]; then
    # Return, until the box has taken it and closed.
    told_first_closing() { press tap 28; sleep 0.5; told_first; }
    told_first() { count_above ': holds$' "$holds" && count_above 'told the parent' "$told"; }
    expect "the first time the parent is told which keys $XDG_CURRENT_DESKTOP keeps, then the lock holds" wait_for 60 told_first_closing
    expect "that is remembered for this desktop" test -s "$XDG_STATE_HOME/Bumblepad/told-kept-keys-$XDG_CURRENT_DESKTOP"
  else
    expect "the parent's lock holds" wait_for 60 count_above ': holds$' "$holds"
  fi
  if [ "$(lock_method)" = "full-screen + shortcuts inhibit" ] && [ "$KIND" = mutter ]; then
    # The confinement takes effect at the pointer's next motion.
    moved_and_confined() { press move 1 1; grep -q 'pointer confined' "$LOG"; }
    expect "the pointer that appears during the lock is confined to it" wait_for 10 moved_and_confined
  fi
  local m
  m=$(mark)
  word_ends_lock_and_nothing_escaped "$m"
  holds=$(count ': holds$')
  activate
  expect "the next activation locks at once, without a box" \
    wait_for 60 eval "count_above ': holds$' $holds && ! count_above 'told the parent' $((told + 1))"
  m=$(mark)
  word_ends_lock_and_nothing_escaped "$m"
}

# A word that the current layout types only with AltGr after its first
# letter ("w@": "@" is AltGr+Q on a German keyboard) cannot be typed as one
# run of keys: the automatic lock is refused with the message the parent
# gets on X, said once while it stays so. A Wayland client learns which
# layout is current only when it has the keyboard, so the lock may hold for
# that moment: it is undone at once, before anything shows. It is tried
# again quietly: back on the Russian layout (where "@" is Shift+2 of the
# English one) it comes, and "w@" ends it.
# refusals_in_a_row LINE: how many times, from line LINE of the log on, the
# word's refusal was said again with nothing else said in between (the hook
# library's own lines aside).
refusals_in_a_row() {
  tail -n +"$1" "$LOG" | grep 'Bumblepad: ' | grep -v 'Bumblepad: \(Wayland lock\|pointer\|the desktop.s question\)' |
    awk '/cannot be typed/ { if (last) n++; last = 1; next } { last = 0 } END { print n + 0 }'
}
case_word_needs_altgr() {
  kill_controller
  press tap $LAYOUT_KEY $LAYOUT_KEY   # Russian, English, German
  if ! wait_for 5 eval "sed -n 's/^layout //p' '$PROBE' | tail -n 1 | grep -qx 2"; then
    fail "the German layout of the seat ($LAYOUTS) becomes current with its switch key"
    return
  fi
  local from
  from=$(($(wc -l <"$LOG") + 1))
  write_options 2000 1 'w@'
  start_controller
  refused() { count_above 'character "@" of the unlock word "w@" cannot be typed' 0; }
  expect "de: a word needing AltGr after its first letter refuses the automatic lock" wait_for 20 refused
  sleep 5.5   # one more idle check (every 5 s), which is quiet while the refusal stands
  # (It may have to wait for the keyboard to come back to it from the
  # window of the case before.)
  expect "de: the keys reach the other client" wait_for 10 keys_reach_probe
  local held
  held=$(longest_between "$from" 'Wayland lock .*: holds$' 'Wayland lock ended')
  expect "de: each lock taken to learn the layout was undone within a second (${held} ms)" \
    eval "[ $held = none ] || { [ $held != open ] && [ $held -le 1000 ]; }"
  press tap $LAYOUT_KEY   # back to Russian
  expect "back on the Russian layout the automatic lock is tried again and holds" wait_for 20 holding
  # (A learning lock that something else ended in between, such as the focus
  # given to the other client here, is told, and the refusal after it again.)
  expect "de: the refusal was said once while it stood" test "$(refusals_in_a_row "$from")" = 0 || log_since "$from"
  local ended
  ended=$(count 'Wayland lock ended')
  press tap 17; press down 42; press tap 3; press up 42   # w, Shift+2
  expect "\"w@\" typed on the keys that give it ends the lock" wait_for 10 count_above 'Wayland lock ended' "$ended"
  expect "then keys reach the other client" wait_for 10 keys_reach_probe
}
