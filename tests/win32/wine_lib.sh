# Helpers for the whole-program runs under Wine (sourced; inside
# with-desktop.sh). BUMBLEPAD_WINE_RUN is the runner of this build's bitness.
set -u
bin=${BUMBLEPAD_BIN:?}
SRC=${BUMBLEPAD_SOURCE:?}
run=${BUMBLEPAD_WINE_RUN:-$SRC/scripts/wine-run.sh}
failures=0
# pass, fail, expect, wait_for, skip; each probe is a Wine start, so
# wait_for asks less often than on the desktop.
source "$SRC/tests/lib/checks.sh"
WAIT_INTERVAL=0.2
# At the end (finish, skip): the prefix's server and every Wine process with
# it (Wine's services would keep the test's output open).
at_end() { "$run" --end-server; }
# probe ARGS...: runs the test helper program; prints what it printed
# without CRs and ends with its status.
probe() {
  local out status
  out=$("$run" "$bin/win32_probe.exe" "$@" </dev/null)
  status=$?
  [ -n "$out" ] && printf '%s\n' "${out//$'\r'/}"
  return $status
}
# screen_is STATE LOW HIGH: the controller's window is visible or hidden and
# between LOW and HIGH per mille of it shows pictures (neither black nor
# white); the last reading stays in $last_screen.
last_screen=
screen_is() {
  last_screen=$(probe lock-screen) || return 1
  [ "${last_screen%% *}" = "$1" ] && [ "${last_screen##* }" -ge "$2" ] && [ "${last_screen##* }" -le "$3" ]
}
# draws_pictures SHARE: presses keys one at a time, each after the picture
# of the one before has changed the screen (pictures of keys pressed faster
# than they are drawn may be dropped), until SHARE per mille of the lock
# screen shows pictures; at most twelve keys, none of the word's.
draws_pictures() {
  local key before
  for key in A B C D F G H I J K L M; do
    screen_is visible "$1" 1000 && return 0
    before=$last_screen
    probe keys $key
    wait_for 30 eval '[ "$(probe lock-screen)" != "$before" ]'
  done
  screen_is visible "$1" 1000
}
# fresh_settings_key: the settings key as the installer makes it, empty;
# no_settings_key: none at all.
no_settings_key() { "$run" reg delete 'HKLM\Software\Bumblepad' /f >/dev/null 2>&1; }
fresh_settings_key() { no_settings_key; "$run" reg add 'HKLM\Software\Bumblepad' /f >/dev/null 2>&1; }
# start_controller [LOG]: the controller beside the test (the working
# folder, where its pictures are), up once its window answers; $pid.
start_controller() {
  "$run" Bumblepad.exe >"${1:-/dev/null}" 2>&1 &
  pid=$!
  wait_for 30 probe lock-screen
}
# The length in hex digits of the stored settings block (120 for 60 bytes).
stored_length() {
  local v
  v=$("$run" reg query 'HKLM\Software\Bumblepad' /v Options 2>/dev/null | tr -d '\r' | grep -i REG_BINARY | awk '{print $NF}')
  echo ${#v}
}
# Wine's windows in one 800x600 virtual desktop, and a fresh server for this
# display. The server is ended once more after the setting: the first run in
# a new prefix has started a desktop without it.
"$run" --end-server
"$run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
"$run" --end-server
