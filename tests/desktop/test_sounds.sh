# The sounds heard: a virtual audio device records what the controller and
# the media manager play. During a full lock a key's sound plays its whole
# length, the next key cuts it (never two at once), the word silences it;
# Trovebox's Play Sound plays the selected file; without an audio device the
# controller says so once.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/audio.sh"
root="$WORK/media"
mkdir -p "$root/pictures" "$root/sounds"
cd "$root"
start_audio || finish
tone sounds/tone.wav 1.0

# spans_of FILE: the stretches of sound, and how many.
show() { echo "     $1: $(sound_spans "$2" | tr '\n' ';')"; }

make_settings_key
"$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1 & pid=$!
wait_for 10 icon_present
expect "a double click on the tray icon locks" full_lock

# One key, then nothing: the one-second tone plays whole.
record "$WORK/lone.raw"
xdotool key q
wait_for 20 quiet_after "$WORK/lone.raw" 400
stop_recording
show "lone key" "$WORK/lone.raw"
read -r start end peak <<<"$(sound_spans "$WORK/lone.raw" | head -1)"
expect "a key in a full lock is heard" test -n "${start:-}"
expect "a lone sound plays its whole length (1000 ms, heard $(( ${end:-0} - ${start:-0} )) ms)" \
  test $(( ${end:-0} - ${start:-0} )) -ge 960 -a $(( ${end:-0} - ${start:-0} )) -le 1100

# Two keys 300 ms apart: the second cuts the first; one stretch of about
# 0.3 + 1 s, never louder than one tone.
record "$WORK/two.raw"
xdotool key q; sleep 0.3; xdotool key q
wait_for 20 quiet_after "$WORK/two.raw" 400
stop_recording
show "two keys" "$WORK/two.raw"
read -r start end peak <<<"$(sound_spans "$WORK/two.raw" | head -1)"
length=$(( ${end:-0} - ${start:-0} ))
expect "the next key cuts the sound (heard $length ms, not 2000)" test "$length" -ge 1150 -a "$length" -le 1700
expect "never two sounds at once (peak $peak)" python3 -c "import sys; sys.exit(0 if 0.3 < float('${peak:-0}') < 0.5 else 1)"

# A key, then the word: its last key purges the sound long before its end.
record "$WORK/word.raw"
xdotool key q; xdotool type --delay 40 wren
expect "the word ends the lock" wait_for 10 unlocked
wait_for 20 quiet_after "$WORK/word.raw" 400
stop_recording
show "key and word" "$WORK/word.raw"
read -r start end peak <<<"$(sound_spans "$WORK/word.raw" | tail -1)"
expect "the word silences the sound (heard until $(( ${end:-0} - ${start:-0} )) ms after its start)" \
  test -n "${end:-}" -a $(( ${end:-0} - ${start:-0} )) -lt 800
kill -TERM $pid; wait $pid 2>/dev/null

# Trovebox: the selected sound, played by a double click.
"$BIN/Trovebox" >"$WORK/trovebox.log" 2>&1 & trove=$!
trovebox_window || fail "the media manager's window comes up"
record "$WORK/trove.raw"
xdotool mousemove $((X + 40)) $((Y + 45)) click --repeat 2 --delay 80 1  # the first sound's line
wait_for 20 quiet_after "$WORK/trove.raw" 400
stop_recording
show "Trovebox" "$WORK/trove.raw"
read -r start end peak <<<"$(sound_spans "$WORK/trove.raw" | head -1)"
expect "Trovebox's Play Sound plays the selected sound whole" \
  test -n "${end:-}" -a $(( ${end:-0} - ${start:-0} )) -ge 960
kill $trove; wait $trove 2>/dev/null

# No audio device: said once, however many keys.
PULSE_SERVER=unix:$WORK/none "$BIN/Bumblepad" >"$WORK/nodevice.log" 2>&1 & pid=$!
wait_for 10 icon_present
full_lock
xdotool type --delay 30 qqqqqqqqqq
wait_for 10 grep -q "No audio device" "$WORK/nodevice.log"
xdotool type --delay 30 qqqqq wren
wait_for 10 unlocked
expect "no audio device is said once ($(grep -c 'No audio device' "$WORK/nodevice.log") times)" \
  test "$(grep -c 'No audio device' "$WORK/nodevice.log")" = 1
kill -TERM $pid; wait $pid 2>/dev/null
stop_audio
finish
