# The Windows controller under Wine, in a virtual desktop: refuses to run
# without its settings key and refuses a second instance, each with its
# message box; a WM_CLOSE ends it and its 60-byte block is in the registry;
# at log-off the block is saved although the process is ended the moment it
# has answered WM_ENDSESSION.
source "$(dirname "$0")/wine_lib.sh"
no_settings_key
cd "$bin"

"$run" Bumblepad.exe & pid=$!
text=$(probe message 30)
expect "no key: the registry error" same "$text" "Registry error. Please reinstall Bumblepad."
wait $pid
expect "no key: the program ended" test $? = 0

fresh_settings_key
start_controller; first=$pid
"$run" Bumblepad.exe & second=$!
text=$(probe message 30)
expect "second start: already started" same "$text" "Bumblepad is already started"
wait $second
expect "the second start ended" test $? = 0
expect "the first still runs" kill -0 $first
probe close
wait $first
expect "WM_CLOSE ended the first" test $? = 0
expect "the settings were saved as 60 bytes" same "$(stored_length)" 120

"$run" reg delete 'HKLM\Software\Bumblepad' /v Options /f >/dev/null 2>&1
start_controller; third=$pid
answer=$(probe end-session)
expect "log-off: the query is answered with 1" same "$answer" 1
wait $third
expect "log-off: the settings were saved before the process was ended" same "$(stored_length)" 120
no_settings_key
finish
