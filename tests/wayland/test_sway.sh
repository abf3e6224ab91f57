# A full lock on sway 1.7 (layer-shell overlay + input inhibitor), headless:
# another client and the compositor's shortcuts get no key while it holds,
# the lock screen shows pictures, the word ends it, and a killed controller
# gives the desktop back.
source "$(dirname "$0")/lib.sh"

user_dir "$WORK/sway"
cat >"$WORK/sway.conf" <<CONF
output HEADLESS-1 resolution 1024x768 background #336699 solid_color
CONF
chmod 644 "$WORK/sway.conf"
as_user env -i HOME="$WORK/sway" XDG_RUNTIME_DIR="$WORK/sway" PATH=/usr/bin:/bin WLR_BACKENDS=headless \
  WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$WORK/sway.conf" >"$WORK/sway.log" 2>&1 &
pids+=($!)
wait_for 10 test -S "$WORK/sway/wayland-1" || { cat "$WORK/sway.log"; fail "sway starts"; finish; }
export WAYLAND_DISPLAY=$WORK/sway/wayland-1
export SWAYSOCK
wait_for 10 bash -c "ls $WORK/sway/sway-ipc.*.sock" && SWAYSOCK=$(ls "$WORK"/sway/sway-ipc.*.sock)
pass "sway 1.7 runs headless"

# A compositor shortcut that leaves a file behind when it fires.
swaymsg "bindsym Mod4+t exec touch $WORK/sway/shortcut-fired" >/dev/null
"$TESTS/wayland_key_probe" >"$WORK/probe.log" 2>&1 & pids+=($!)
wait_for 10 grep -q focus "$WORK/probe.log"
keys() { grep -c '^key' "$WORK/probe.log"; }
wtype -s 300 ab   # the seat gains its keyboard with the injector: wait before the first key
expect "keys reach the other client before the lock" wait_for 5 bash -c "[ \$(grep -c '^key' $WORK/probe.log) -ge 4 ]"
wtype -s 300 -M logo -k t -m logo
expect "the compositor's shortcut fires before the lock" wait_for 5 test -f "$WORK/sway/shortcut-fired"
rm -f "$WORK/sway/shortcut-fired"

shot_colour() {  # the colour at x,y of a fresh screenshot, as "r g b"
  grim -g "$1,$2 1x1" -t ppm - 2>/dev/null | tail -c 3 | od -An -tu1 | xargs
}
# The other client fills the screen with magenta; the lock screen covers it
# (black, and pictures that never fill all three places).
probe_shows() {
  local n=0 p
  for p in "40 100" "980 400" "500 740"; do [ "$(shot_colour $p)" = "255 0 255" ] && n=$((n + 1)); done
  echo $n
}
locked() { [ "$(probe_shows)" = 0 ]; }
unlocked() { [ "$(probe_shows)" = 3 ]; }
expect "the other client shows on the screen" wait_for 5 unlocked

# The automatic lock after 2 s without input (sway's idle protocol).
write_options 2000 1
(cd "$BIN" && exec "$BIN/Bumblepad") >"$WORK/bumblepad.log" 2>&1 & bp=$!; pids+=($bp)
expect "the automatic lock comes and covers the screen" wait_for 20 locked
before=$(keys)
wtype -s 300 -d 30 xyz
wtype -s 300 -M logo -k t -m logo
wtype -s 300 -M alt -k Tab -m alt
pictures_show() { grim "$WORK/locked.png" && [ "$(convert "$WORK/locked.png" -format %k info:)" -gt 50 ]; }
expect "pictures show on the lock screen (many colours in the screenshot)" wait_for 10 pictures_show
wtype -s 300 -d 60 wren
expect "the word ends the lock: the desktop shows again" wait_for 10 unlocked
swaymsg '[title="keyprobe"] focus' >/dev/null
wtype -s 300 ab
expect "after the word, keys reach the other client again" wait_for 5 bash -c "[ \$(grep -c '^key' $WORK/probe.log) -ge $((before + 4)) ]"
# Keys come in order: "ab" is in (wtype's own keymap gives no fixed codes:
# they are counted), so any key typed during the lock would be too, and the
# shortcut, pressed seconds ago, would have fired.
expect "keys typed during the lock reached no other client" test "$(keys)" = $((before + 4))
expect "the compositor's shortcut did not fire during the lock" test ! -f "$WORK/sway/shortcut-fired"
expect "the controller runs on" kill -0 $bp

# Killed during a lock: the compositor drops the inhibitor with the client.
expect "the automatic lock comes again" wait_for 20 locked
kill -9 $bp
expect "killed -9 during a lock, the desktop comes back" wait_for 10 unlocked
before=$(keys)
swaymsg '[title="keyprobe"] focus' >/dev/null
wtype -s 300 cd
expect "and keys reach the other client again" wait_for 5 bash -c "[ \$(grep -c '^key' $WORK/probe.log) -ge $((before + 4)) ]"
echo "     sway log: $(grep -ci error "$WORK/sway.log") error lines"
finish
