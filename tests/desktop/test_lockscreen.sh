# The lock screen drawn for real on the X display: confetti after mouse moves,
# pictures and the hint line after key presses, a pipe in the pictures folder
# that must not stall anything, and the unlock word ending the lock. The
# stand-in controller (lockscreen_harness) holds the full lock and passes the
# window's own input on as the hook library's reports would come.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
HARNESS=${BUMBLEPAD_HARNESS:-$BIN/../tests/lockscreen_harness}
[ -x "$HARNESS" ] || { echo "no $HARNESS"; exit 1; }

mkdir -p pictures sounds
cp "$BIN"/pictures/letter_a.jpg "$BIN"/pictures/letter_m.jpg "$BIN"/pictures/pattern_1.jpg \
   "$BIN"/pictures/pattern_2.jpg "$BIN"/pictures/letter_z.jpg pictures/
cp "$BIN"/sounds/*.wav sounds/
mkfifo pictures/pipe   # six entries: the codes of a..f reach every one of them

"$HARNESS" >harness.out 2>&1 & pid=$!
expect "the lock window is shown" wait_for 10 bash -c "xdotool search --onlyvisible --name '^Bumblepad\$'"
wid=$(xdotool search --onlyvisible --name '^Bumblepad$' | head -1)
xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid"

# fraction of the pixels of a screenshot area that are not black
non_black() { convert "$1" -crop "$2" +repage -fill white +opaque black -colorspace gray -format '%[fx:mean]' info:; }
colours() { convert "$1" -crop "$2" +repage -format '%k' info:; }
at_least() { awk -v v="$1" -v m="$2" 'BEGIN { exit !(v >= m) }'; }

# Confetti: the first move only sets the anchor (and brings the hint line),
# the second draws 600 blocks.
xdotool mousemove 100 600
hint_shown() { import -window root shot-hint.png; at_least "$(non_black shot-hint.png 200x15+0+0)" 0.3; }
wait_for 20 hint_shown   # the first move is handled: the next is one of its own
xdotool mousemove 700 600
confetti_drawn() { import -window root shot-confetti.png; at_least "$(colours shot-confetti.png 600x3+100+600)" 200; }
wait_for 20 confetti_drawn
c=$(colours shot-confetti.png 600x3+100+600)
expect "confetti of many colours along the move ($c colours)" at_least "$c" 200
expect "the hint line is shown with the first move" at_least "$(non_black shot-confetti.png 200x15+0+0)" 0.3

# Keys: pictures pile up, and the pipe among the entries stalls nothing.
xdotool key --delay 200 a b c d e f
pictures_drawn() { import -window root shot-pictures.png; at_least "$(non_black shot-pictures.png 1024x768+0+0)" 0.15; }
wait_for 20 pictures_drawn
p=$(non_black shot-pictures.png 1024x768+0+0)
expect "pictures cover part of the screen (fraction $p)" at_least "$p" 0.15
w=$(convert shot-pictures.png -crop 200x15+0+0 +repage -fill black +opaque white -colorspace gray -format '%[fx:mean]' info:)
expect "the hint band is white (fraction $w) with black letters" bash -c "at_least() { awk -v v=\$1 -v m=\$2 'BEGIN { exit !(v >= m) }'; }; at_least $w 0.4 && ! at_least $w 0.99"

# The unlock word, typed after the pipe's turn, ends the lock; the window goes.
xdotool type --delay 150 wren
expect "the word ends the lock after the pipe's turn" wait_for 20 grep -q unlocked harness.out
expect "the lock window is gone" wait_for 20 bash -c "! xdotool search --onlyvisible --name '^Bumblepad\$'"
# Every key was handled before the word's (they come in order), and nothing
# waits on the pipe: opened for writing without waiting, it finds no reader
# (one blocked in its open, or holding it, would be found).
no_reader() { python3 -c 'import os, sys
try: os.open(sys.argv[1], os.O_WRONLY | os.O_NONBLOCK)
except OSError as e: sys.exit(0 if e.errno == 6 else 1)
sys.exit(1)' "$1"; }
expect "the pipe's turn left nothing reading or waiting on it" no_reader pictures/pipe

kill $pid 2>/dev/null; wait $pid 2>/dev/null
finish
