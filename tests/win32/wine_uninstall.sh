# Helpers for the runs that end with an uninstall (sourced after wine_lib.sh).
pending_key='HKLM\System\CurrentControlSet\Control\Session Manager'
# scheduled PATH: PATH (Windows) waits in PendingFileRenameOperations to be
# removed at the next restart.
scheduled() {
  "$run" reg query "$pending_key" /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' | grep -qiF "$1"
}
# uninstalled FOLDER KEEP...: the uninstaller has ended and FOLDER (Windows
# path) holds nothing but the entries KEEP and what waits for the next
# restart (then named in $left_for_restart).
left_for_restart=
uninstalled() {
  local folder=$1 dir entry; shift
  [ -z "$(probe processes Au_.exe)" ] && [ -z "$(probe processes Uninstall.exe)" ] || return 1
  dir=$("$run" winepath -u "$folder" 2>/dev/null | tr -d '\r')
  left_for_restart=
  [ -e "$dir" ] || return 0
  while IFS= read -r entry; do
    [ -n "$entry" ] || continue
    [[ " $* " == *" $entry "* ]] && continue
    scheduled "$folder\\$entry" || return 1
    left_for_restart="$left_for_restart $entry"
  done < <(ls -A "$dir")
  [ -z "$left_for_restart" ] || scheduled "$folder"
}
