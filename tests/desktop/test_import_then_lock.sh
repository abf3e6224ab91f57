# From the media manager to the lock screen: a picture imported with
# Trovebox is the one the controller draws when a key is pressed during a
# full lock, and typing the word ends that lock. The controller loads the
# image library only for the lock's first picture, and keeps no picture of
# the screen's size once the lock has ended.
source "$(dirname "$0")/lib.sh"
root="$WORK/media"
mkdir -p "$root/pictures" "$root/sounds"
convert -size 640x480 xc:'#ff00ff' -type truecolor BMP3:"$root/magenta.bmp"
cd "$root"

active_is() { [ "$(xdotool getactivewindow getwindowname 2>/dev/null)" = "$1" ]; }
# magenta_share FILE: per mille of the screenshot's pixels that are magenta.
magenta_share() {
  convert "$1" -fuzz 12% -fill black +opaque '#ff00ff' -fill white -opaque '#ff00ff' -colorspace gray \
    -format '%[fx:int(mean*1000)]' info:
}

# Import with the media manager: "Add Picture", the file's name, Enter.
"$BIN/Trovebox" & trove=$!
trovebox_window || fail "the media manager's window comes up"
xdotool mousemove $((X + 265)) $((Y + 253)) click 1
expect "Add Picture opens the open-file dialog" wait_for 10 active_is Open
sleep 0.5  # the name field takes the keys once the dialog has settled
xdotool type --delay 30 "magenta.bmp"
xdotool key Return
expect "the picture is stored as an 800 x 600 JPEG" \
  wait_for 20 bash -c "[ \"\$(identify -format '%m %wx%h' pictures/magenta.bmp 2>/dev/null)\" = 'JPEG 800x600' ]"
kill $trove 2>/dev/null; wait $trove 2>/dev/null

# Lock the controller from its tray icon and press keys.
make_settings_key
"$BIN/Bumblepad" & pid=$!
wait_for 10 icon_present
# kB of the X server's shared images the controller holds (Qt's picture of a
# window painted through it: 3 MB for a 1024 x 768 window).
shared_images_kb() {
  awk '/^[0-9a-f]+-[0-9a-f]+ / {image = /memfd:xorg/} image && /^Rss:/ {kb += $2} END {print kb + 0}' /proc/$pid/smaps
}
image_library_loaded() { grep -q libfreeimage /proc/$pid/maps; }
expect "no image library before the first lock" bash -c "! grep -q libfreeimage /proc/$pid/maps"
expect "a double click on the icon shows the lock screen" full_lock
import -window root "$WORK/before.png"
xdotool type --delay 150 "qqq"
magenta_drawn() { import -window root "$WORK/after.png"; [ "$(magenta_share "$WORK/after.png")" -ge 40 ]; }
wait_for 20 magenta_drawn
before=$(magenta_share "$WORK/before.png") after=$(magenta_share "$WORK/after.png")
echo "     magenta: ${before} per mille before the keys, ${after} after"
expect "the imported picture is drawn on the lock screen" test "$after" -ge 40
expect "the image library was loaded for it" image_library_loaded
xdotool type --delay 80 "wren"
expect "typing the word ends the lock" wait_for 5 unlocked
kb=$(shared_images_kb)
expect "no picture of the screen is kept after the lock (${kb} kB of shared images)" test "$kb" -lt 1024
kill -TERM $pid; wait $pid 2>/dev/null
finish
