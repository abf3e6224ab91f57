# The shipped 32-bit controller and media manager under 32-bit Wine, with the
# FreeImage.dll built from third_party/, over the hostile picture set
# (tests/pictures, written here by make_hostile_pictures on this machine).
#  - A full lock over that folder: every picture's key is pressed; the
#    process's peak RSS stays within 64 MB of its idle figure (the emulator's
#    own memory included), the four V5 BMPs are drawn in their colours, and
#    the word ends the lock.
#  - Trovebox imports the whole set in one choice: what it must refuse is
#    named in its message, the rest is stored.
source "$(dirname "$0")/wine_lib.sh"
MAKE=${BUMBLEPAD_HOSTILE:?the make_hostile_pictures program of this machine}
root=$(mktemp -d /tmp/bumblepad-hostile-XXXXXX)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/lock/pictures" "$root/lock/sounds" "$root/import/pictures" "$root/import/sounds"
"$MAKE" "$root/import" > "$root/set.txt" || { fail "the hostile set is made"; finish; }
cp "$root"/import/*.* "$root/lock/pictures/"
for f in Bumblepad.exe Hookwell.dll FreeImage.dll Trovebox.exe; do cp "$bin/$f" "$root/lock/"; done
cp "$root"/lock/*.exe "$root"/lock/*.dll "$root/import/"

# The Linux process that runs the controller in this test's prefix.
controller_pid() {
  local p prefix=${BUMBLEPAD_WINE32PREFIX:-${BUMBLEPAD_WINEPREFIX:+$BUMBLEPAD_WINEPREFIX-32}}
  for p in $(grep -l 'Bumblepad.exe' /proc/[0-9]*/cmdline 2>/dev/null | cut -d/ -f3); do
    [ -z "$prefix" ] || tr '\0' '\n' < /proc/$p/environ 2>/dev/null | grep -qx "WINEPREFIX=$prefix" || continue
    echo "$p"; return 0
  done
  return 1
}
kb() { awk -v key="$2:" '$1 == key {print $2}' /proc/$1/status; }
share() {
  convert "$1" -fuzz 6% -fill black +opaque "$2" -fill white -opaque "$2" -colorspace gray \
    -format '%[fx:int(mean*1000)]' info:
}

fresh_settings_key
cd "$root/lock"
"$run" Bumblepad.exe & pid=$!
expect "the controller runs" wait_for 60 probe lock-screen
linux_pid=$(controller_pid)
expect "its process is found" test -n "$linux_pid"
sleep 5  # settled: its idle figure
idle=$(kb "$linux_pid" VmRSS)
probe tray 0x203  # a double click on the icon: a full lock
expect "the lock screen is up" wait_for 30 screen_is visible 0 5
declare -A seen=()
for key in A B C D F G H I J K O; do  # codes 65 to 79: every entry mod 10
  probe keys $key
  sleep 4
  import -window root "$root/shot.png"
  for colour in '#ff00ff' '#00ffff' '#ffff00' '#ff8000'; do
    [ "$(share "$root/shot.png" "$colour")" -ge 5 ] && seen[$colour]=1
  done
done
peak=$(kb "$linux_pid" VmHWM)
echo "     RSS idle ${idle} kB, peak ${peak} kB: $(((peak - idle) / 1024)) MB over idle"
expect "the peak RSS stays within 64 MB of the idle figure" test $((peak - idle)) -le $((64 * 1024))
for colour in '#ff00ff' '#00ffff' '#ffff00' '#ff8000'; do
  expect "the V5 BMP of colour $colour is drawn" test -n "${seen[$colour]:-}"
done
word_ms=$(probe word-time WREN)
expect "the unlock word hides the lock screen" test -n "$word_ms"
echo "     the word's last key to the lock screen hidden: ${word_ms} ms (measured in the probe, 1 ms polls)"
probe close
wait $pid
expect "the controller ended" test $? = 0

cd "$root/import"
"$run" Trovebox.exe & pid=$!
probe click Trovebox 1002  # Add Picture
grep -v '^decoy.jp2 ' "$root/set.txt" > "$root/chosen.txt"
names=$(awk '{printf "\"%s\" ", $1}' "$root/chosen.txt")
expect "Add Picture opens the open-file dialog" probe open 60 "$names"
start=$(date +%s%N)
message=$(probe message 600 Trovebox)
echo "     the import of the set took $((($(date +%s%N) - start) / 1000000)) ms (to the message)"
printf '%s\n' "$message" | sed 's/^/     | /'
while read -r name drawn imported; do
  if [ "$imported" = imported ]; then
    expect "$name is imported" test -s "pictures/$name"
  else
    expect "$name is refused by name" grep -q "File: $name - " <<< "$message"
    expect "$name is not stored" test ! -e "pictures/$name"
  fi
done < "$root/chosen.txt"
probe wait-gone "Import progress" 60
probe click Trovebox 2
wait $pid
no_settings_key
finish
