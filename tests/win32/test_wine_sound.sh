# The Windows controller under Wine, heard: Wine's PulseAudio driver plays
# into a virtual audio device. The tray's double click begins a full lock, a
# key report plays its sound (PlaySoundA, asynchronous from a file) and the
# word's purge stops it. The reports are posted to the window as the hook
# library posts them.
source "$(dirname "$0")/wine_lib.sh"
WORK=${BUMBLEPAD_DESKTOP_WORK:?}
source "$SRC/tests/desktop/audio.sh"
start_audio || finish

"$run" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d pulse /f >/dev/null 2>&1
fresh_settings_key
cd "$bin"
expect "the controller runs" start_controller "$WORK/bumblepad.log"
probe tray 0x203  # a double click on the icon: a full lock
expect "the tray's double click shows the lock screen" wait_for 30 screen_is visible 0 1000

# listen FILE LABEL KEYS [MS]: records the sink while the keys are pressed,
# until 400 ms of quiet; shows what was heard.
listen() {
  local file=$1 label=$2; shift 2
  record "$file"
  probe keys "$@"
  wait_for 30 quiet_after "$file" 400
  stop_recording
  echo "     $label: $(sound_spans "$file" | tr '\n' ';')"
}

# A key report: its sound (a starter sound of 0.6 s or more) is heard.
listen "$WORK/key.raw" key Q
read -r start end peak <<<"$(sound_spans "$WORK/key.raw" | head -1)"
expect "a key in a full lock is heard through Wine's driver (${start:-none}..${end:-none} ms)" \
  test -n "${end:-}" -a $(( ${end:-0} - ${start:-0} )) -ge 500

# A key, then the word: the purge at its last key silences the sound.
listen "$WORK/word.raw" "key and word" QWREN 40  # Q, then W R E N 40 ms apart
expect "the word ends the lock" wait_for 30 screen_is hidden 0 0
read -r start end peak <<<"$(sound_spans "$WORK/word.raw" | tail -1)"
expect "the word's purge stops the sound before its end (heard $(( ${end:-0} - ${start:-0} )) ms)" \
  test -n "${end:-}" -a $(( ${end:-0} - ${start:-0} )) -lt 450

probe close
wait $pid
no_settings_key
stop_audio
finish
