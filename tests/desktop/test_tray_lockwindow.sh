# The Linux lock windows themselves, apart from the hook library: a small
# preloaded library answers that the keyboard grab holds, so the windows a
# lock shows can be checked whatever the grab does. Tray lock with pictures
# off and the hint on: only the hint box at the top-left corner. With
# pictures on: the black lock window over the whole screen, the tray panel
# included, and still on top after another window is raised.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
SHOTS=${BUMBLEPAD_SHOTS:-$WORK}
store=$STORE

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
# The hint box: a mapped window of the controller whose place on the screen
# is the corner, not the whole screen (the hidden main window keeps its
# first 640x480 there too; the tray icon is at the corner of its panel).
hint_box() {
  local line
  xwininfo -root -tree | grep -E '"Bumblepad": \("Bumblepad" "Bumblepad"\)  [0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+  \+0\+0$' |
    grep -v '1024x768' | while read -r line; do
      xwininfo -id "${line%% *}" 2>/dev/null | grep -q IsViewable && echo "$line"
    done | grep .
}
expect "pictures off: a hint box at the top-left corner" wait_for 5 hint_box
hint=$(hint_box)
# drawn: white with dark letters
hint_drawn() {
  import -window root "$SHOTS/hint.png"
  local crop; crop=$(grep -oE '[0-9]+x[0-9]+\+0\+0' <<<"$hint" | head -1)
  [ "$(convert "$SHOTS/hint.png" -crop "$crop" -colorspace gray -format '%[fx:maxima > 0.9 && minima < 0.3]' info:)" = 1 ]
}
wait_for 5 hint_drawn
# Both lines show whole: the ring of pixels just inside the box's border is
# background only, so no letter (and no descender) runs into the edge.
read -r w h _ < <(grep -oE '[0-9]+x[0-9]+\+0\+0' <<<"$hint" | head -1 | tr 'x+' '  ')
inner_ring_blank() {
  local shot=$1 w=$2 h=$3 crop
  for crop in "$((w - 2))x1+1+1" "$((w - 2))x1+1+$((h - 2))" "1x$((h - 2))+1+1" "1x$((h - 2))+$((w - 2))+1"; do
    [ "$(convert "$shot" -crop "$crop" -colorspace gray -format '%[fx:minima]' info:)" = 1 ] || return 1
  done
}
expect "the hint's two lines fit its box (${w}x${h})" inner_ring_blank "$SHOTS/hint.png" "$w" "$h"
expect "and no lock window" bash -c "! lock_screen_up"
kill $pid; wait $pid 2>/dev/null

write_settings "$store" 1
LD_PRELOAD=$WORK/holds.so "$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1 & pid=$!
wait_for 10 icon_present
xmessage -name other "another window" & other=$!
wait_for 5 window_named other
double_click_icon
expect "pictures on: the lock window covers the whole screen" wait_for 5 cover_window
expect "the screen is black, tray panel included" wait_for 5 bash -c '[ "$(import -window root -colorspace gray -format "%[fx:mean]" info:)" = 0 ]'
other_window=$(xdotool search --class Xmessage | head -1)
xdotool windowactivate "$other_window" 2>/dev/null; xdotool windowraise "$other_window" 2>/dev/null
# The window manager has handled the activation once the window is active.
active_is_other() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$other_window" ]; }
expect "the other window is activated and raised" wait_for 10 active_is_other
expect "an activated and raised window stays below the lock" test "$(brightness)" = 0
import -window root "$SHOTS/lock-window.png"
kill $other $pid 2>/dev/null; wait $pid 2>/dev/null

# The automatic lock, with the real hook library. A preloaded stand-in for
# GetLastInput answers an hour of idle time while $WORK/idle exists; it
# also logs each idle check (each opens the foreign program's mutex file
# first) to $WORK/idle-checks. While
# another client holds the keyboard (the probe, like a menu left open) the
# automatic lock is refused without a box, noted once in the log, and taken
# at the first idle check after the keyboard is free.
cat >"$WORK/idle.cpp" <<'CPP'
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>
#include <string>
static int Open(const char* name, const char* path, int flags, va_list args) {
    mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    if (strstr(path, "ChildProofMutex.lock")) {
        static const std::string log = std::string(getenv("BUMBLEPAD_DESKTOP_WORK")) + "/idle-checks";
        FILE* out = fopen(log.c_str(), "a");
        if (out) fputs("check\n", out), fclose(out);
    }
    using Real = int (*)(const char*, int, ...);
    return reinterpret_cast<Real>(dlsym(RTLD_NEXT, name))(path, flags, mode);
}
extern "C" int open(const char* path, int flags, ...) {
    va_list args; va_start(args, flags); int fd = Open("open", path, flags, args); va_end(args); return fd;
}
extern "C" int open64(const char* path, int flags, ...) {
    va_list args; va_start(args, flags); int fd = Open("open64", path, flags, args); va_end(args); return fd;
}
unsigned long GetLastInput() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned ms = static_cast<unsigned>(now.tv_sec * 1000ull + now.tv_nsec / 1000000);
    static const std::string flag = std::string(getenv("BUMBLEPAD_DESKTOP_WORK")) + "/idle";
    return access(flag.c_str(), F_OK) == 0 ? ms - 3600000u : ms;
}
CPP
g++ -shared -fPIC -o "$WORK/idle.so" "$WORK/idle.cpp" || { fail "could not build the idle stand-in"; finish; }
write_settings "$store" 1 1
mkfifo "$WORK/grab.in"
exec 4<>"$WORK/grab.in"  # the probe lets go when the test closes this (no other process keeps it)
"$BIN/hook_probe" grab <"$WORK/grab.in" 4>&- >"$WORK/grab.out" 2>&1 & grabber=$!
wait_for 10 grep -q '^grabbed' "$WORK/grab.out" || fail "the probe holds the keyboard"
touch "$WORK/idle"
LD_PRELOAD=$WORK/idle.so "$BIN/Bumblepad" 4>&- >"$WORK/bumblepad.log" 2>&1 & pid=$!
expect "a held keyboard: the refused automatic lock is noted in the log" \
  wait_for 20 grep -q 'could not take hold of the keyboard' "$WORK/bumblepad.log"
expect "no message box waits for someone to close it" bash -c "! window_named Error"
expect "nothing is shown" bash -c "! lock_screen_up"
exec 4>&-
wait $grabber 2>/dev/null
expect "the keyboard free: locked within one idle check" wait_for 15 lock_screen_up
expect "the log says the automatic lock has taken hold" grep -q 'has taken hold' "$WORK/bumblepad.log"
expect "the refusal was noted once" test "$(grep -c 'could not take hold' "$WORK/bumblepad.log")" = 1
rm -f "$WORK/idle"
xdotool type --delay 80 wren
expect "the word ends the automatic lock" wait_for 5 bash -c "! lock_screen_up"

# The options dialog would lie above a lock window, in a child's reach: no
# automatic lock starts while it is open; once it is closed, one does.
open_menu
choose 2
wait_for 5 window_named "Bumblepad Options" || fail "the options dialog opens"
touch "$WORK/idle"
# Two idle checks since: the first, which found an hour of idle time with the
# dialog open, has ended when the second begins.
checks() { lines "$WORK/idle-checks" check; }
seen=$(checks)
expect "the idle checks go on while the dialog is open" wait_for 15 now_equals_or_more $((seen + 2)) checks
expect "no automatic lock while the options dialog is open" unlocked
xdotool search --name '^Bumblepad Options$' windowactivate --sync 2>/dev/null; xdotool key Escape
expect "the dialog closed, the automatic lock comes" wait_for 15 lock_screen_up
rm -f "$WORK/idle"
xdotool type --delay 80 wren
wait_for 5 bash -c "! lock_screen_up"
kill $pid 2>/dev/null; wait $pid 2>/dev/null
finish
