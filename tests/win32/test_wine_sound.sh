# The 64-bit Windows controller under Wine, heard: Wine's PulseAudio driver
# plays into the virtual audio device of the desktop tests. The tray's double
# click begins a full lock, a key report plays its sound (PlaySoundA,
# asynchronous from a file) and the word's purge stops it. The reports are
# posted to the window as the hook library posts them.
source "${BUMBLEPAD_SOURCE:?}/tests/desktop/lib.sh"
source "$SRC/tests/desktop/audio.sh"
run="$SRC/scripts/wine-run.sh"
post() { "$run" win32_probe.exe post "$@"; }
start_audio || finish

WINEPREFIX=${WINEPREFIX:-/tmp/bumblepad-wine} wineserver -k >/dev/null 2>&1  # a fresh server for this display
"$run" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d pulse /f >/dev/null 2>&1
"$run" reg add 'HKLM\Software\Bumblepad' /f >/dev/null 2>&1
cd "$BIN"
"$run" Bumblepad.exe >"$WORK/bumblepad.log" 2>&1 & pid=$!
wait_for 30 "$run" win32_probe.exe post 0 0 0
post 0x8001 1 0x203  # WM_TRAY_NOTIFY, WM_LBUTTONDBLCLK: a full lock
expect "the tray's double click shows the lock screen" "$run" win32_probe.exe visible 20 1

# A key report: its sound (a starter sound of 0.6 s or more) is heard.
record "$WORK/key.raw"
post 0x8002 0x51 0  # Q
wait_for 30 quiet_after "$WORK/key.raw" 400
stop_recording
echo "     key: $(sound_spans "$WORK/key.raw" | tr '\n' ';')"
read -r start end peak <<<"$(sound_spans "$WORK/key.raw" | head -1)"
expect "a key in a full lock is heard through Wine's driver (${start:-none}..${end:-none} ms)" \
  test -n "${end:-}" -a $(( ${end:-0} - ${start:-0} )) -ge 500

# A key, then the word: the purge at its last key silences the sound.
record "$WORK/word.raw"
"$run" win32_probe.exe keys 40 0x51 0x57 0x52 0x45 0x4E  # Q, then W R E N 40 ms apart
expect "the word ends the lock" "$run" win32_probe.exe visible 20 0
wait_for 30 quiet_after "$WORK/word.raw" 400
stop_recording
echo "     key and word: $(sound_spans "$WORK/word.raw" | tr '\n' ';')"
read -r start end peak <<<"$(sound_spans "$WORK/word.raw" | tail -1)"
expect "the word's purge stops the sound before its end (heard $(( ${end:-0} - ${start:-0} )) ms)" \
  test -n "${end:-}" -a $(( ${end:-0} - ${start:-0} )) -lt 450

"$run" win32_probe.exe close
wait $pid
"$run" reg delete 'HKLM\Software\Bumblepad' /f >/dev/null 2>&1
stop_audio
finish
