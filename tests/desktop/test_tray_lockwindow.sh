# The Linux lock windows themselves, apart from the hook library: a small
# preloaded library answers that the keyboard grab holds, so the windows a
# lock shows can be checked whatever the grab does. Tray lock with pictures
# off and the hint on: only the hint box at the top-left corner. With
# pictures on: the black lock window over the whole screen, the tray panel
# included, and still on top after another window is raised.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
SHOTS=${BUMBLEPAD_SHOTS:-$WORK}
store="$XDG_CONFIG_HOME/Software/Bumblepad/Options"

printf 'bool KeyboardHookHolds() { return true; }\n' >"$WORK/holds.cpp"
if ! g++ -shared -fPIC -o "$WORK/holds.so" "$WORK/holds.cpp"; then
  fail "could not build the preloaded answer"; finish
fi

tray_icon() { xwininfo -root -tree | awk '/"panel"/{p=1} p && /"Bumblepad"/{print $1; exit}'; }
icon_present() { [ -n "$(tray_icon)" ]; }
double_click_icon() {
  eval "$(xdotool getwindowgeometry --shell "$(tray_icon)")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1
  sleep 1
}
# settings: the defaults with showPictures (byte 37) as given
write_settings() {
  python3 - "$store" "$1" <<'PY'
import sys
b = bytearray(60); b[0] = 0x7A
for i in range(26): b[1 + i] = 1
b[27] = 1; b[28] = 1; b[29] = 0; b[30] = 1; b[37] = int(sys.argv[2]); b[38:42] = b"wren"
open(sys.argv[1], "wb").write(b)
PY
}
# mean brightness of the screen, 0..1
brightness() { import -window root -colorspace gray -format '%[fx:mean]' info:; }
cover_window() { lock_screen_up; }

make_settings_key
write_settings 0
LD_PRELOAD=$WORK/holds.so "$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1 & pid=$!
expect "the tray icon is up" wait_for 10 icon_present
double_click_icon
import -window root "$SHOTS/hint.png"
hint=$(xwininfo -root -tree | grep -E '"Bumblepad": \("Bumblepad" "Bumblepad"\)  [0-9]+x[0-9]+\+0\+0' | grep -v '1024x768')
expect "pictures off: a hint box at the top-left corner" test -n "$hint"
expect "and no lock window" bash -c "! lock_screen_up"
kill $pid; wait $pid 2>/dev/null

write_settings 1
LD_PRELOAD=$WORK/holds.so "$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1 & pid=$!
wait_for 10 icon_present
xmessage -name other "another window" & other=$!
wait_for 5 window_named other
double_click_icon
expect "pictures on: the lock window covers the whole screen" cover_window
expect "the screen is black, tray panel included" test "$(brightness)" = 0
xdotool search --class Xmessage windowactivate 2>/dev/null; xdotool search --class Xmessage windowraise 2>/dev/null
sleep 1.5
expect "an activated and raised window stays below the lock" test "$(brightness)" = 0
import -window root "$SHOTS/lock-window.png"
kill $other $pid 2>/dev/null; wait $pid 2>/dev/null
finish
