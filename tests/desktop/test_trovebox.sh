# The Linux media manager run for real in a temporary media root: pictures
# and sounds imported through the open-file dialog, the stored files checked
# (JPEG, 800 pixels on the longer side), the lists checked through the
# preview and through deletion, and Enter in a list ending the program.
source "$(dirname "$0")/lib.sh"
# The files to import lie in the media root itself, where the first
# open-file dialog starts (the current directory).
root="$WORK/media" src="$WORK/media"
mkdir -p "$root/pictures" "$root/sounds"
convert -size 300x200 xc:'#ff0000' "$root/pictures/apple.jpg"
: >"$root/sounds/Thumbs.db"
convert -size 1600x1200 xc:'#00ff00' -type truecolor BMP3:"$src/Big.bmp"
convert -size 97x50 xc:'#0000ff' "$src/wide.png"
echo "not a picture" >"$src/notes.txt"
python3 - "$src/moo.wav" <<'PY'
import math, struct, sys, wave
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(1); w.setsampwidth(2); w.setframerate(8000)
    w.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(i / 5))) for i in range(4000)))
PY
# Names that are legal on Linux but not plain: a backslash, and bytes that
# are not UTF-8 (the locale's encoding here). Temporary files of imports cut
# short by an earlier run, among the pictures and (older runs) in the root.
cp "$src/moo.wav" "$root/sounds/a\b.wav"
cp "$src/moo.wav" "$root/sounds/m"$'\xf6\xf6'".wav"
convert -size 300x200 xc:'#ffff00' "$root/pictures/caf"$'\xe9'".jpg"
: >"$root/~import12345678.tmp"
: >"$root/pictures/~import42.tmp"
cd "$root"

visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
count_visible() { visible "$1" | wc -l; }
active_is() { [ "$(xdotool getactivewindow getwindowname 2>/dev/null)" = "$1" ]; }
# click X Y: a click at a point of the main dialog's client area.
# (input reaches the program in order: what follows needs no pause)
click() { xdotool mousemove $((X + $1)) $((Y + $2)) click "${3:-1}"; }
# pixel X Y: "r g b" of a point of the client area, 0..255.
pixel() {
  import -window root -crop 1x1+$((X + $1))+$((Y + $2)) -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3/p' | awk '{printf "%d %d %d", $1, $2, $3}'
}
# dominant COLOUR X Y: the point is mostly red, green or blue.
dominant() {
  read -r r g b <<<"$(pixel "$2" "$3")"
  case $1 in red) [ "${r:-0}" -gt 180 ] && [ "${g:-0}" -lt 90 ] && [ "${b:-0}" -lt 90 ] ;;
             green) [ "${g:-0}" -gt 180 ] && [ "${r:-0}" -lt 90 ] && [ "${b:-0}" -lt 90 ] ;;
             blue) [ "${b:-0}" -gt 180 ] && [ "${r:-0}" -lt 90 ] && [ "${g:-0}" -lt 90 ] ;; esac
}
windows() { xdotool search --onlyvisible --name '' 2>/dev/null | wc -l; }
# choose TEXT: types TEXT into the open-file dialog's name field and
# accepts it; a completion list that opened meanwhile is closed first.
open_gone() { ! active_is Open; }
choose() {
  wait_for 10 active_is Open || return 1
  sleep 0.5  # the name field takes the keys once the dialog has settled
  local before; before=$(windows)
  xdotool type --delay 30 "$1"; sleep 0.7  # time for a completion list to open, if one does
  if [ "$(windows)" -gt "$before" ]; then xdotool key Escape; wait_for 5 now_equals "$before" windows; fi
  xdotool key Return
  wait_for 5 open_gone
}
jpeg_size() { identify -format '%m %wx%h' "$1" 2>/dev/null; }

"$BIN/Trovebox" & pid=$!
expect "the dialog 'Trovebox' comes up" trovebox_window
expect "the dialog's client area is 431 x 193 dialog units" test "$WIDTH" = 646 -a "$HEIGHT" = 313
expect "the import leftovers of an earlier run are removed" \
  bash -c "[ ! -e '$root/~import12345678.tmp' ] && [ ! -e '$root/pictures/~import42.tmp' ]"

# Add Picture: three files from another folder, one of them no picture.
click 265 253
expect "Add Picture opens the open-file dialog" wait_for 10 active_is Open
choose "\"Big.bmp\" \"wide.png\" \"notes.txt\""
expect "the unrecognised file is reported in a second 'Trovebox' box" \
  wait_for 20 bash -c "[ \$(xdotool search --onlyvisible --name '^Trovebox\$' | wc -l) -ge 2 ]"
expect "the progress window is up while the box is open" test -n "$(visible 'Import progress')"
xdotool key Return
expect "the progress window is gone" wait_for 10 bash -c "[ -z \"\$(xdotool search --onlyvisible --name '^Import progress\$')\" ]"
expect "Big.bmp is stored as an 800 x 600 JPEG under its own name" test "$(jpeg_size pictures/Big.bmp)" = "JPEG 800x600"
expect "wide.png is stored as a 799 x 412 JPEG" test "$(jpeg_size pictures/wide.png)" = "JPEG 799x412"
expect "notes.txt is not stored" test ! -e pictures/notes.txt
expect "no temporary file is left" test "$(ls -A pictures | wc -l)" = 4
expect "nor in the media root" test -z "$(ls "$root" | grep '^~import')"
expect "the source files are untouched" test "$(identify -format '%m %wx%h' "$src/Big.bmp")" = "BMP3 1600x1200"

# The picture list, sorted without regard to case: apple.jpg, Big.bmp,
# caf\xe9.jpg, wide.png; each previewed in the square's top left corner.
click 260 46
expect "the first item previews red apple.jpg" wait_for 5 dominant red 440 50
xdotool key Down
expect "the second previews green Big.bmp" wait_for 5 dominant green 440 50
if dominant green 440 200; then fail "Big.bmp (4:3) is drawn 150 pixels high"
else pass "Big.bmp (4:3) is drawn 150 pixels high"; fi
xdotool key Down
expect "the third previews yellow caf\xe9.jpg (a name not valid UTF-8)" \
  wait_for 5 bash -c "$(declare -f pixel); X=$X Y=$Y; read -r r g b <<<\"\$(pixel 440 50)\"; [ \$r -gt 180 ] && [ \$g -gt 180 ] && [ \$b -lt 90 ]"
xdotool key Down
expect "the fourth previews blue wide.png" wait_for 5 dominant blue 620 50
if dominant green 440 170 || dominant blue 440 170; then fail "the square is erased before wide.png (2:1) is drawn"
else pass "the square is erased before wide.png (2:1) is drawn"; fi

# Add Sound: one file; it is copied byte for byte, and plays.
click 67 253
choose "moo.wav"
expect "the sound is copied" wait_for 5 cmp -s "$src/moo.wav" sounds/moo.wav
click 60 46
click 157 253   # Play Sound; Trovebox must live on (checked after the next steps)

# Delete Picture with every picture selected; Delete Sound the same.
click 260 46
xdotool key ctrl+a
click 267 282
expect "Delete Picture deletes the four stored pictures, caf\xe9.jpg too" wait_for 5 bash -c "[ -z \"\$(ls -A '$root/pictures')\" ]"
click 60 46
xdotool key ctrl+a
click 67 282
expect "Delete Sound deletes moo.wav, a\\b.wav and m\xf6\xf6.wav" wait_for 5 bash -c "[ \"\$(ls -A '$root/sounds')\" = Thumbs.db ]"
expect "Thumbs.db, never listed, stays" test -e sounds/Thumbs.db
expect "Trovebox still runs after Play Sound" kill -0 $pid

# Enter while a list has the focus ends the program.
click 60 46
xdotool key Return
expect "Enter in a list ends Trovebox" wait_for 10 bash -c "! kill -0 $pid"
kill $pid 2>/dev/null

# An import cut short between writing and renaming (a stand-in for rename
# ends the process there): no picture lands under the chosen name, the
# temporary file waits in the pictures folder (the one folder users may
# write on an installed Windows system), and the next start removes it.
cat >"$WORK/cut.c" <<'C'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <string.h>
#include <unistd.h>
int rename(const char* from, const char* to) {
    if (strstr(from, "~import")) _exit(9);
    return ((int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename"))(from, to);
}
C
gcc -shared -fPIC -o "$WORK/cut.so" "$WORK/cut.c" -ldl || { fail "could not build the rename stand-in"; finish; }
LD_PRELOAD=$WORK/cut.so "$BIN/Trovebox" & pid=$!
trovebox_window
click 265 253
choose "wide.png"
expect "the import cut short ended Trovebox" wait_for 20 bash -c "! kill -0 $pid"
expect "it had written its temporary file among the pictures (which the lock screen passes over)" \
  bash -c "ls -A pictures | grep -qx '~import[0-9]*\.tmp'"
expect "and nothing else: no picture under the chosen name" test "$(ls -A pictures | wc -l)" = 1
"$BIN/Trovebox" & pid=$!
expect "the next start removes the temporary file" wait_for 10 bash -c "[ -z \"\$(ls -A pictures)\" ]"
kill $pid 2>/dev/null
finish
