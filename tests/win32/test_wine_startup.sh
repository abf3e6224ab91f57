# The Windows controller under Wine, in a virtual desktop: refuses to run
# without its settings key and refuses a second instance, each with its
# message box; a WM_CLOSE ends it and its 60-byte block is in the registry.
set -u
bin=${BUMBLEPAD_BIN:?}
run=${BUMBLEPAD_WINE_RUN:-${BUMBLEPAD_SOURCE:?}/scripts/wine-run.sh}
failures=0
expect() { local what=$1; shift; if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi; }
same() { [ "$1" = "$2" ] || { echo "     got: '$1'"; return 1; }; }

"$run" --end-server  # a fresh server for this display
"$run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
"$run" reg delete 'HKLM\Software\Bumblepad' /f >/dev/null 2>&1
cd "$bin"

"$run" Bumblepad.exe & pid=$!
text=$("$run" win32_probe.exe message 30 | tr -d '\r')
expect "no key: the registry error" same "$text" "Registry error. Please reinstall Bumblepad."
wait $pid
expect "no key: the program ended" test $? = 0

"$run" reg add 'HKLM\Software\Bumblepad' /f >/dev/null 2>&1
"$run" Bumblepad.exe & first=$!
sleep 3
"$run" Bumblepad.exe & second=$!
text=$("$run" win32_probe.exe message 30 | tr -d '\r')
expect "second start: already started" same "$text" "Bumblepad is already started"
wait $second
expect "the second start ended" test $? = 0
expect "the first still runs" kill -0 $first
"$run" win32_probe.exe close
wait $first
expect "WM_CLOSE ended the first" test $? = 0
stored=$("$run" reg query 'HKLM\Software\Bumblepad' /v Options 2>/dev/null | tr -d '\r' | grep -i REG_BINARY | awk '{print $NF}')
expect "the settings were saved as 60 bytes" same "${#stored}" 120
"$run" reg delete 'HKLM\Software\Bumblepad' /f >/dev/null 2>&1
[ $failures = 0 ] && echo "all passed"
exit $((failures > 0))
