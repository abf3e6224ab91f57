# The real controller and media manager over the hostile picture set
# (tests/pictures, written here by make_hostile_pictures): a text-chunk PNG,
# a progressive JPEG of 8000 x 8000, a fooled MNG, JP2 and GIF, an unreadable
# IFF, and the V5 BMP files current programs write.
#  - A full lock over that folder: every picture's key is pressed; the
#    controller's peak RSS stays within 64 MB of its idle figure, the four V5
#    BMPs are drawn in their colours, the word ends the lock (the time it
#    took is printed).
#  - Trovebox imports the whole set in one choice: it refuses by name what
#    it must, stores the rest, and the message comes within seconds.
source "$(dirname "$0")/lib.sh"
MAKE=${BUMBLEPAD_HOSTILE:-$BIN/../tests/make_hostile_pictures}
root="$WORK/media"
mkdir -p "$root/pictures" "$root/sounds" "$root/source"
"$MAKE" "$root/source" > "$WORK/set.txt" || { fail "the hostile set is made"; finish; }
cp "$root"/source/* "$root/pictures/"
cd "$root"

kb() { awk -v key="$2:" '$1 == key {print $2}' /proc/$1/status; }
# share FILE COLOUR: per mille of the screenshot's pixels of that colour.
share() {
  convert "$1" -fuzz 6% -fill black +opaque "$2" -fill white -opaque "$2" -colorspace gray \
    -format '%[fx:int(mean*1000)]' info:
}

make_settings_key
"$BIN/Bumblepad" & pid=$!
wait_for 10 icon_present
sleep 2  # settled: its idle figure
idle=$(kb $pid VmRSS)
expect "a double click on the icon shows the lock screen" full_lock
# One key for each of the ten pictures (codes 65 to 79 cover every entry
# mod 10), each answered before the next: whatever order the folder lists
# them in, each one is asked for once.
declare -A seen=()
for key in a b c d f g h i j k o; do
  xdotool type "$key"
  sleep 0.6
  import -window root "$WORK/shot.png"
  for colour in '#ff00ff' '#00ffff' '#ffff00' '#ff8000'; do
    [ "$(share "$WORK/shot.png" "$colour")" -ge 5 ] && seen[$colour]=1
  done
done
peak=$(kb $pid VmHWM)
echo "     RSS idle ${idle} kB, peak ${peak} kB: $(((peak - idle) / 1024)) MB over idle"
expect "the peak RSS stays within 64 MB of the idle figure" test $((peak - idle)) -le $((64 * 1024))
for colour in '#ff00ff' '#00ffff' '#ffff00' '#ff8000'; do
  expect "the V5 BMP of colour $colour is drawn" test -n "${seen[$colour]:-}"
done
expect "the controller is still running" kill -0 $pid
xdotool type --delay 80 "wre"
start=$(now_ms)
xdotool key n
wait_for 5 unlocked
ended=$?
echo "     the word's last key to the lock screen gone: $(($(now_ms) - start)) ms (polled)"
expect "typing the word ends the lock" test $ended = 0
kill -TERM $pid; wait $pid 2>/dev/null

# The import: every file of the set chosen at once, typed in quotes.
rm -f pictures/*
"$BIN/Trovebox" 2> "$WORK/trovebox.log" & trove=$!
trovebox_window || fail "Trovebox's window appears"
xdotool mousemove $((X + 265)) $((Y + 253)) click 1
active_is() { [ "$(xdotool getactivewindow getwindowname 2>/dev/null)" = "$1" ]; }
expect "Add Picture opens the open-file dialog" wait_for 10 active_is Open
sleep 0.5
names=$(awk '{printf "\"%s\" ", $1}' "$WORK/set.txt")
xdotool type --delay 10 "$root/source/"  # into the folder first
xdotool key Return
sleep 0.5
xdotool type --delay 10 "$names"
start=$(now_ms)
xdotool key Return
message_window() { xdotool search --onlyvisible --name '^Trovebox$' | grep -v "^$window\$" | head -1; }
message_up() { [ -n "$(message_window)" ]; }
expect "the import ends with a message" wait_for 60 message_up
echo "     the import of the set took $(($(now_ms) - start)) ms (to the message)"
# The message's text, as the media manager also writes it to its log.
cp "$WORK/trovebox.log" "$WORK/message.txt"
sed 's/^/     | /' "$WORK/message.txt"
while read -r name drawn imported; do
  if [ "$imported" = imported ]; then
    expect "$name is imported" test -s "pictures/$name"
    expect "$name is not named in the message" bash -c "! grep -q 'File: $name -' '$WORK/message.txt'"
  else
    expect "$name is refused by name" grep -q "File: $name - " "$WORK/message.txt"
    expect "$name is not stored" test ! -e "pictures/$name"
  fi
done < "$WORK/set.txt"
xdotool key Return
kill $trove 2>/dev/null; wait $trove 2>/dev/null
finish
