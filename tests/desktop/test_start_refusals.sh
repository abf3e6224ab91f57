# Start-up paths that end at once: without a display the hand-over still
# hands over and exits 0; a single-instance lock file that cannot be opened,
# or an unsafe fallback folder for it, refuses the start with a message.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
make_settings_key

mkdir -p "$WORK/installed"
env -u DISPLAY -u WAYLAND_DISPLAY "$BIN/Bumblepad" install "$WORK/installed" 2>"$WORK/handover.err"
expect "without a display the hand-over exits 0" test $? = 0
# The new instance runs in the folder and, finding no display, says so and ends.
expect "and the new instance was started" wait_for 10 grep -q 'no graphical desktop' "$WORK/handover.err"
env -u DISPLAY "$BIN/Bumblepad" /some-long-switch
expect "without a display a refused command line exits 0" test $? = 0

# The lock file cannot be opened (a folder stands in its place).
mkdir "$XDG_RUNTIME_DIR/Bumblepad_Prev_App_Instance_Mutex.lock"
"$BIN/Bumblepad" & pid=$!
expect "an unopenable lock file refuses the start with a message" wait_for 20 window_named Error
close_error_box
wait_for 20 bash -c "! kill -0 $pid"; wait $pid
expect "and the run ends with 0" test $? = 0
rmdir "$XDG_RUNTIME_DIR/Bumblepad_Prev_App_Instance_Mutex.lock"

# No XDG_RUNTIME_DIR: the fallback folder in TMPDIR is a planted link.
export TMPDIR=$WORK/tmp
mkdir -p "$TMPDIR" "$WORK/planted"
ln -s "$WORK/planted" "$TMPDIR/bumblepad-$(id -u)"
env -u XDG_RUNTIME_DIR "$BIN/Bumblepad" & pid=$!
expect "a planted link as the fallback folder refuses the start" wait_for 20 window_named Error
close_error_box
wait_for 20 bash -c "! kill -0 $pid"; wait $pid
expect "and nothing was written through it" [ -z "$(ls -A "$WORK/planted")" ]
rm "$TMPDIR/bumblepad-$(id -u)"
# A folder of another user there (or, not being root, one others may enter).
mkdir -m 0700 "$TMPDIR/bumblepad-$(id -u)"
if [ "$(id -u)" = 0 ]; then chown 65534 "$TMPDIR/bumblepad-$(id -u)"; else chmod 0777 "$TMPDIR/bumblepad-$(id -u)"; fi
env -u XDG_RUNTIME_DIR "$BIN/Bumblepad" & pid=$!
expect "a foreign fallback folder refuses the start" wait_for 20 window_named Error
close_error_box
wait_for 20 bash -c "! kill -0 $pid"; wait $pid
expect "and nothing was written into it" [ -z "$(ls -A "$TMPDIR/bumblepad-$(id -u)")" ]
finish
