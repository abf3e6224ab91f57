# A virtual audio device for the desktop tests (sourced after lib.sh): a
# private PulseAudio server whose only, default sink is a null sink, reached
# through its own socket (PULSE_SERVER, exported for the programs the test
# starts); what plays into the sink is recorded from its monitor with parec.
# As root it starts without system mode (it warns and runs).
AUDIO=$WORK/audio
RATE=22050

start_audio() {
  mkdir -p "$AUDIO/runtime" "$AUDIO/state"
  chmod 700 "$AUDIO/runtime"
  PULSE_RUNTIME_PATH=$AUDIO/runtime PULSE_STATE_PATH=$AUDIO/state HOME=$AUDIO \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --system=no --disallow-exit \
    -L "module-native-protocol-unix socket=$AUDIO/native auth-anonymous=1" \
    -L "module-null-sink sink_name=test_sink rate=$RATE channels=1" \
    --log-target=file:"$AUDIO/server.log" >/dev/null 2>&1 &
  audio_pid=$!
  export PULSE_SERVER=unix:$AUDIO/native PULSE_COOKIE=$AUDIO/cookie
  wait_for 20 pactl info || { fail "the audio server did not start"; cat "$AUDIO/server.log"; return 1; }
}

stop_audio() {
  [ -n "${recorder:-}" ] && kill "$recorder" 2>/dev/null
  kill "$audio_pid" 2>/dev/null
  wait "$audio_pid" 2>/dev/null
}

# record FILE: records the sink's monitor (signed 16-bit mono) until stop_recording.
record() {
  parec -d test_sink.monitor --raw --format=s16le --rate=$RATE --channels=1 --latency-msec=10 >"$1" &
  recorder=$!
  wait_for 10 test -s "$1"  # the monitor delivers silence from the start
}
stop_recording() { kill "$recorder" 2>/dev/null; wait "$recorder" 2>/dev/null; recorder=; }

# sound_spans FILE: the stretches of sound in the recording, one a line:
# start and end in ms from the start of the recording, and peak (0..1).
sound_spans() { python3 "$SRC/tests/desktop/sound_spans.py" "$1" "$RATE"; }

# quiet_after FILE MS: the recording holds sound and ends with MS ms of silence.
quiet_after() { python3 "$SRC/tests/desktop/sound_spans.py" "$1" "$RATE" --quiet-after "$2"; }

# tone FILE SECONDS: a 440 Hz tone at 0.4 of full scale, 16-bit mono.
tone() {
  python3 - "$1" "$2" "$RATE" <<'PY'
import math, struct, sys, wave
path, seconds, rate = sys.argv[1], float(sys.argv[2]), int(sys.argv[3])
with wave.open(path, "wb") as w:
    w.setnchannels(1); w.setsampwidth(2); w.setframerate(rate)
    n = int(seconds * rate)
    w.writeframes(b"".join(struct.pack("<h", int(0.4 * 32767 * math.sin(2 * math.pi * 440 * i / rate))) for i in range(n)))
PY
}
