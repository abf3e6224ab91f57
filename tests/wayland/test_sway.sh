# Full locks on sway (layer-shell overlay + input inhibitor; the session lock
# where sway offers it), headless. Each case starts its own controller and
# ends it, so that it can run on any wlroots compositor: another client and
# the compositor's shortcuts get no key while a lock holds, the word ends it,
# a layout whose letters are not Latin does not let any letters end it, an
# untypeable word refuses the lock, outputs come and go during a lock, and a
# killed controller gives the desktop back. Keys come from a virtual keyboard
# with a real layout's keymap (type_keys.cpp).
source "$(dirname "$0")/lib.sh"

# BUMBLEPAD_WAYLAND_SOCKET (and SWAYSOCK) name a sway already running (one
# in another root, say); else one is started here.
if [ -n "${BUMBLEPAD_WAYLAND_SOCKET:-}" ]; then
  export WAYLAND_DISPLAY=$BUMBLEPAD_WAYLAND_SOCKET SWAYSOCK=${SWAYSOCK:?}
  external=1
else
  user_dir "$WORK/sway"
  cat >"$WORK/sway.conf" <<CONF
output * background #336699 solid_color
output HEADLESS-1 resolution 1024x768 position 0 0
CONF
  chmod 644 "$WORK/sway.conf"
  as_user env -i HOME="$WORK/sway" XDG_RUNTIME_DIR="$WORK/sway" PATH=/usr/bin:/bin WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$WORK/sway.conf" >"$WORK/sway.log" 2>&1 &
  pids+=($!)
  wait_for 10 test -S "$WORK/sway/wayland-1" || { cat "$WORK/sway.log"; fail "sway starts"; finish; }
  export WAYLAND_DISPLAY=$WORK/sway/wayland-1
  export SWAYSOCK
  wait_for 10 bash -c "ls $WORK/sway/sway-ipc.*.sock" && SWAYSOCK=$(ls "$WORK"/sway/sway-ipc.*.sock)
  external=
fi
pass "sway $(swaymsg -t get_version -r | python3 -c 'import json,sys; print(json.load(sys.stdin)["human_readable"])') runs headless"

# A compositor shortcut that leaves a file behind when it fires (in a folder
# the compositor's user may write, seen from here as $fired).
if [ -n "$external" ]; then fired=${BUMBLEPAD_SHORTCUT_FILE:?} inside=${BUMBLEPAD_SHORTCUT_FILE_INSIDE:?}
else fired=$WORK/sway/shortcut-fired inside=$fired; fi
swaymsg "bindsym Mod4+t exec touch $inside" >/dev/null
"$TESTS/wayland_key_probe" >"$WORK/probe.log" 2>&1 & pids+=($!)
wait_for 10 grep -q focus "$WORK/probe.log"
keys() { grep -c '^key' "$WORK/probe.log"; }
presses() { grep -c '^key [0-9]* 1' "$WORK/probe.log"; }
focus_probe() { swaymsg '[title="keyprobe"] focus' >/dev/null; }

shot_colour() {  # the colour at x,y of a fresh screenshot, as "r g b"
  grim -g "$1,$2 1x1" -t ppm - 2>/dev/null | tail -c 3 | od -An -tu1 | xargs
}
# The other client fills HEADLESS-1 with magenta; the lock screen covers it
# (black, and pictures that never fill all three places).
probe_shows() {
  local n=0 p
  for p in "40 100" "980 400" "500 740"; do [ "$(shot_colour $p)" = "255 0 255" ] && n=$((n + 1)); done
  echo $n
}
locked() { [ "$(probe_shows)" = 0 ]; }
unlocked() { [ "$(probe_shows)" = 3 ]; }

# The controller with autoLockMs $1, pictures $2, word $3; its log is $log.
bp=
start_controller() {
  write_options "$@"
  log=$WORK/bumblepad-$((++controllers)).log
  (cd "$BIN" && exec "$BIN/Bumblepad") >"$log" 2>&1 & bp=$!; pids+=($bp)
}
stop_controller() { [ -n "$bp" ] && kill_tree "$bp"; wait "$bp" 2>/dev/null; bp=; }
holds() { [ "$(grep -c 'Wayland lock .*: holds' "$log")" -ge "${1:-1}" ]; }
ended() { grep -q 'Wayland lock ended' "$log"; }

case_keys_reach_the_desktop_before_a_lock() {
  start_keyboard us
  focus_probe
  local before; before=$(presses)
  press_keys a b
  expect "keys reach the other client before the lock" wait_for 5 bash -c "[ \$(grep -c '^key [0-9]* 1' $WORK/probe.log) -ge $((before + 2)) ]"
  kb hold ${KEY[super]}; press_keys t; kb release ${KEY[super]}
  expect "the compositor's shortcut fires before the lock" wait_for 5 test -f "$fired"
  rm -f "$fired"
  expect "the other client shows on the screen" wait_for 5 unlocked
}

case_lock_keeps_every_key_and_the_word_ends_it() {
  start_keyboard us
  start_controller 2000 1   # the automatic lock after 2 s without input (sway's idle protocol)
  expect "the automatic lock comes and covers the screen" wait_for 20 locked
  local before; before=$(presses)
  press_keys x y z
  kb hold ${KEY[super]}; press_keys t; kb release ${KEY[super]}
  kb hold ${KEY[alt]}; press_keys tab; kb release ${KEY[alt]}
  pictures_show() { grim "$WORK/locked.png" && [ "$(convert "$WORK/locked.png" -format %k info:)" -gt 50 ]; }
  expect "pictures show on the lock screen (many colours in the screenshot)" wait_for 10 pictures_show
  press_keys w r e n
  expect "the word ends the lock: the desktop shows again" wait_for 10 unlocked
  focus_probe
  press_keys a b
  expect "after the word, keys reach the other client again" wait_for 5 bash -c "[ \$(grep -c '^key [0-9]* 1' $WORK/probe.log) -ge $((before + 2)) ]"
  # Keys come in order: a and b are in, so any key pressed during the lock
  # would be too, and the shortcut, pressed seconds ago, would have fired.
  expect "keys pressed during the lock reached no other client" test "$(presses)" = $((before + 2))
  expect "the compositor's shortcut did not fire during the lock" test ! -f "$fired"
  expect "the controller runs on" kill -0 $bp
  stop_controller
}

# The first layout Cyrillic: each letter key reports the code of its place,
# so random letters are random codes, and the word is typed on the keys of
# its letters' places (the W key is 'W' on a Russian layout as on Windows).
case_non_latin_layout() {
  start_keyboard ru,us
  start_controller 2000 1
  expect "ru,us: the automatic lock comes" wait_for 20 locked
  local letters sequence
  letters=$(codes q w e r t y u i o p a s d f g h j k l z x c v b n m)
  # 200 random letter keys (seeded) in which w, r, e, n never stand in a row.
  sequence=$(python3 -c "
import random, sys
r = random.Random(19); keys = sys.argv[1].split(); word = ['17', '19', '18', '49']; out = []
while len(out) < 200:
    out.append(r.choice(keys))
    if out[-4:] == word: out.pop()
print(' '.join(out))" "$letters")
  kb keys $sequence
  sleep 1
  expect "ru,us: 200 random Cyrillic letters do not end the lock" bash -c "! grep -q 'Wayland lock ended' '$log'"
  expect "ru,us: the screen stays covered" locked
  press_keys w r e n
  expect "ru,us: the word typed on the keys of its letters' places ends the lock" wait_for 10 unlocked
  stop_controller
}

# A word with a character that needs AltGr after its first letter (on a
# German layout "@" is AltGr+Q) cannot be typed as one run of keys: the
# automatic lock is refused with the message the parent gets on X, said once
# while it stays so, and never covers the screen.
case_untypeable_word_refused() {
  start_keyboard de
  press_keys a   # the seat's keymap is now German
  start_controller 2000 1 'w@'
  refused() { grep -q 'character "@" of the unlock word "w@" cannot be typed' "$log"; }
  expect "de: a word with AltGr after its first letter refuses the automatic lock" wait_for 20 refused
  sleep 6  # one more idle check
  expect "de: it is said once, and the screen was never covered" \
    bash -c "[ \$(grep -c 'cannot be typed' '$log') = 1 ] && ! grep -q ': holds' '$log'"
  expect "de: the desktop shows" unlocked
  stop_controller
}

# An output plugged in during the lock is covered too; one that goes away
# takes only its own surface, the lock holds on.
case_outputs_come_and_go() {
  start_keyboard us
  start_controller 2000 1
  expect "outputs: the automatic lock comes" wait_for 20 locked
  local before; before=$(presses)
  swaymsg create_output >/dev/null
  second() { swaymsg -t get_outputs -r | python3 -c "import json,sys; print([o['name'] for o in json.load(sys.stdin) if o['name'] != 'HEADLESS-1'][0])"; }
  local name; name=$(second)
  swaymsg output "$name" position 1024 0 resolution 800x600 >/dev/null
  covered() { local c; c=$(grim -o "$name" -g "1100,100 1x1" -t ppm - 2>/dev/null | tail -c 3 | od -An -tu1 | xargs); [ -n "$c" ] && [ "$c" != "51 102 153" ]; }
  expect "outputs: a new output is covered by the lock (not the desktop's background)" wait_for 10 covered
  swaymsg output "$name" disable >/dev/null
  sleep 1
  press_keys x y
  still_held() { locked && ! grep -q 'lock lost' "$log"; }
  expect "outputs: the lock holds on after that output went away" still_held
  press_keys w r e n
  expect "outputs: the word ends the lock" wait_for 10 unlocked
  focus_probe
  press_keys a
  wait_for 5 bash -c "[ \$(grep -c '^key [0-9]* 1' $WORK/probe.log) -ge $((before + 1)) ]"
  expect "outputs: no key of the lock reached the other client" test "$(presses)" = $((before + 1))
  stop_controller
}

# Killed during a lock: an input inhibitor goes with its client, and the
# desktop comes back. A session lock stays (the compositor keeps the session
# locked, as the protocol asks): the controller started again takes it over
# and ends it.
case_killed_controller_gives_the_desktop_back() {
  start_keyboard us
  start_controller 2000 1
  expect "the automatic lock comes again" wait_for 20 locked
  local session; session=$(grep -c 'Wayland lock (session lock)' "$log")
  kill -9 $bp; wait $bp 2>/dev/null; bp=
  if [ "$session" -gt 0 ]; then
    sleep 2
    expect "killed -9 during a session lock, the session stays locked" locked
    start_controller 0 1
    expect "the controller started again ends the lock left behind" \
      wait_for 10 grep -q 'left by a controller that stopped was taken over and ended' "$log"
  fi
  expect "killed -9 during a lock, the desktop comes back" wait_for 10 unlocked
  local before; before=$(presses)
  focus_probe
  press_keys c d
  expect "and keys reach the other client again" wait_for 5 bash -c "[ \$(grep -c '^key [0-9]* 1' $WORK/probe.log) -ge $((before + 2)) ]"
  stop_controller
}

controllers=0
for c in ${BUMBLEPAD_WAYLAND_CASES:-case_keys_reach_the_desktop_before_a_lock case_lock_keeps_every_key_and_the_word_ends_it \
    case_non_latin_layout case_untypeable_word_refused case_outputs_come_and_go case_killed_controller_gives_the_desktop_back}; do
  $c
done
stop_keyboard
[ -n "$external" ] || echo "     sway log: $(grep -ci error "$WORK/sway.log") error lines"
finish
