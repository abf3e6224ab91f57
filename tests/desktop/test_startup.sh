# The Linux controller started for real: refuses to run without its settings
# key, refuses a second instance, writes its block at exit, and hands over to
# a new instance in the install folder.
source "$(dirname "$0")/lib.sh"
cd "$WORK"

# No settings key: the registry error, and no controller left running.
"$BIN/Bumblepad" & pid=$!
expect "missing key shows the 'Error' message box" wait_for 20 window_named Error
close_error_box
expect "the controller ends after the message" wait_for 20 bash -c "! kill -0 $pid"
expect "no settings were written" test ! -e "$XDG_CONFIG_HOME/Software/Bumblepad/Options"

# With the key: it runs, and a second start is refused. (The refused run
# above left the lock file behind: the lock being held is what counts.)
lock_held() { ! flock -n "$XDG_RUNTIME_DIR/Bumblepad_Prev_App_Instance_Mutex.lock" true; }
make_settings_key
"$BIN/Bumblepad" & first=$!
expect "the controller keeps running, holding its instance lock, its icon up" \
  wait_for 20 bash -c "$(declare -f lock_held tray_icon icon_present); lock_held && icon_present"
"$BIN/Bumblepad" & second=$!
expect "a second start shows the 'Error' message box" wait_for 20 window_named Error
close_error_box
expect "the second start ends" wait_for 20 bash -c "! kill -0 $second"
expect "the first keeps running" kill -0 $first

# The end of the session (SIGTERM): the orderly close writes the block.
store="$XDG_CONFIG_HOME/Software/Bumblepad/Options"
rm -f "$store"
kill -TERM $first; wait $first 2>/dev/null
expect "it writes its block at exit (60 bytes)" test "$(stat -c %s "$store" 2>/dev/null)" = 60

# A handover: "install" and a folder starts the controller in that folder.
mkdir -p "$WORK/installed"
"$BIN/Bumblepad" install "$WORK/installed"
expect "the handover run ended at once" test $? = 0
# Only the controller this test started: the one working in its install folder.
expect "a new controller runs in the install folder" wait_for 20 bash -c "[ -n \"\$(controllers '$WORK/installed')\" ]"
installed=$(controllers "$WORK/installed")
[ -n "$installed" ] && kill -TERM $installed 2>/dev/null
wait_for 20 no_controllers "$WORK/installed"
finish
