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

# mean brightness of the screen, 0..1
brightness() { import -window root -colorspace gray -format '%[fx:mean]' info:; }
cover_window() { lock_screen_up; }

make_settings_key
write_settings "$store" 0
LD_PRELOAD=$WORK/holds.so "$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1 & pid=$!
expect "the tray icon is up" wait_for 10 icon_present
double_click_icon
import -window root "$SHOTS/hint.png"
hint=$(xwininfo -root -tree | grep -E '"Bumblepad": \("Bumblepad" "Bumblepad"\)  [0-9]+x[0-9]+\+0\+0' | grep -v '1024x768')
expect "pictures off: a hint box at the top-left corner" test -n "$hint"
expect "and no lock window" bash -c "! lock_screen_up"
kill $pid; wait $pid 2>/dev/null

write_settings "$store" 1
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
