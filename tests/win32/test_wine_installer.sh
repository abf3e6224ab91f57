# The Windows installer under 32-bit Wine. A folder that holds other files is
# refused. A silent install (/S) into a folder of its own puts the programs,
# FreeImage.dll, the starter media and the licence texts there, creates the
# settings key (users may query and set values, nothing else), lets the users
# change the two media folders and nothing else, adds a Run entry using the
# hand-over and Start-menu entries, and starts the controller through the
# desktop's shell (so not elevated on Windows) from the install folder, whose
# lock screen then draws the starter pictures. An upgrade finds that folder by
# itself, ends the running controller (also one on another desktop, which
# FindWindow cannot see) and keeps the parent's pictures. A silent uninstall
# ends the controller, has Hookwell release every drive door, reads the power
# record, and removes what the installer put there and nothing else. The
# portable zip holds the installed files.
#
# Wine enforces no access lists and runs every program elevated: the access
# list of the key is read back (Wine keeps it), the grants on the folders and
# the key's creation are read from Wine's trace of the calls, and the start
# through the shell shows as the controller's parent (docs/windows.md).
source "$(dirname "$0")/wine_lib.sh"
source "$(dirname "$0")/wine_uninstall.sh"
setup=${BUMBLEPAD_SETUP:?} portable=${BUMBLEPAD_PORTABLE:?}
# Not the default: the upgrade must find it. (No blank in it: Wine quotes an
# argument with one, and the installer takes /D= only unquoted.)
folder='C:\KidsApps\Bumblepad'
default='C:\Program Files\Bumblepad'
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Bumblepad'
unix() { "$run" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
dir=$(unix "$folder")
menu=$(unix "$("$run" cmd /c echo %ProgramData% 2>/dev/null | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs\\Bumblepad")
expect "the install folder maps to this machine" test -n "$dir" -a -n "$menu"
gone() { [ ! -e "$dir" ]; }
absent() { ! "$@" >/dev/null 2>&1; }
# What an earlier, interrupted run may have left.
for old in "$dir" "$(unix "$default")"; do
  [ -f "$old/Uninstall.exe" ] && { "$run" "$old/Uninstall.exe" /S; wait_for 120 test ! -e "$old/Uninstall.exe"; }
  rm -rf "$old"
done
rm -rf "$menu" "$(dirname "$dir")/Mine"
"$run" reg delete 'HKLM\Software\Bumblepad' /f >/dev/null 2>&1
"$run" reg delete "$uninstall_key" /f >/dev/null 2>&1
"$run" reg delete "$pending_key" /v PendingFileRenameOperations /f >/dev/null 2>&1
work=$(mktemp -d /tmp/bumblepad-setup-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"  # no pictures here: the controller must find those of the install folder
# install ARGS...: a silent install with Wine's trace of the security calls;
# its status in $status, the trace in $work/install.log.
install() {
  "$run" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /f \
    /d 'advapi32.ConvertStringSecurityDescriptorToSecurityDescriptorA;advapi32.SetNamedSecurityInfoA' >/dev/null 2>&1
  WINEDEBUG=+relay "$run" "$setup" /S "$@" 2>"$work/install.log"
  status=$?
  "$run" reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f >/dev/null 2>&1
}
controllers() { probe processes Bumblepad.exe | sort | paste -sd' '; }

# The desktop's shell runs, as it always does on Windows: the hand-over hands
# the controller's start to it.
"$run" notepad.exe & notepad=$!
expect "a desktop with its shell is up" wait_for 60 eval '[ "$(probe count "Untitled - Notepad")" = 1 ]'

# A folder that already holds other files is never used.
mine="$(dirname "$dir")/Mine"
mkdir -p "$mine" && echo "my notes" >"$mine/notes.txt"
install "/D=C:\\KidsApps\\Mine"
expect "a folder holding other files is refused (exit code $status)" test "$status" = 2
expect "nothing was put into it" same "$(ls "$mine")" notes.txt
expect "no settings key was made" absent "$run" reg query 'HKLM\Software\Bumblepad'
rm -rf "$mine"

install "/D=$folder"
expect "the installer ended with 0" test "$status" = 0
for f in Bumblepad.exe Hookwell.dll Trovebox.exe FreeImage.dll Uninstall.exe licences/README.txt \
         licences/Bumblepad-LICENSE.txt licences/FreeImage-license-fi.txt; do
  expect "$f is installed" test -s "$dir/$f"
done
expect "the installed FreeImage.dll is the one built here" cmp -s "$dir/FreeImage.dll" "$bin/FreeImage.dll"
expect "the starter pictures are installed" same "$(ls "$dir/pictures")" "$(ls "$bin/pictures")"
expect "the starter sounds are installed" same "$(ls "$dir/sounds")" "$(ls "$bin/sounds")"
access=$(probe key-access)
# 0x3 (query and set-value) reads CCDC in SDDL's letters.
expect "the key: full access for SYSTEM and the administrators, query and set-value for the users, nothing inherited" \
  grep -qxE 'D:P\(A;;KA;;;SY\)\(A;;KA;;;BA\)\(A;;(0x3|CCDC);;;BU\)' <<<"$access" || echo "     got: $access"
# (The trace doubles each backslash.)
grants=$(grep -a 'Call advapi32.SetNamedSecurityInfoA' "$work/install.log" | grep -o '"[^"]*"' | tr -d '"' |
  sed 's/\\\\/\\/g' | sort | paste -sd'|')
expect "the users may change the two media folders, and nothing else" \
  same "$grants" "$folder\\pictures|$folder\\sounds"
expect "that is modify rights, for files and sub-folders" \
  grep -aqF '"D:(A;OICI;0x1301bf;;;BU)"' <<<"$(grep -a 'Call advapi32.ConvertStringSecurityDescriptorToSecurityDescriptorA' "$work/install.log")"
runline=$("$run" reg query "$run_key" /v Bumblepad 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
expect "a Run entry starts the controller through the hand-over" same "$runline" "\"$folder\\Bumblepad.exe\" install $folder"
expect "Start-menu entries for Bumblepad and Trovebox" test -s "$menu/Bumblepad.lnk" -a -s "$menu/Trovebox.lnk"
expect "the installer started the controller" wait_for 60 probe lock-screen
expect "the controller runs from the install folder" same "$(probe controller-path)" "$folder\Bumblepad.exe"
expect "the desktop's shell started it (so it is not elevated on Windows)" same "$(probe controller-parent)" explorer.exe

# Its lock screen draws the starter pictures of the install folder, with
# the FreeImage.dll installed beside it.
probe tray 0x203
expect "a full lock shows the lock screen" wait_for 30 screen_is visible 0 5
expect "keys draw the starter pictures" draws_pictures 100 || echo "     last: $last_screen"
probe keys WREN
expect "the unlock word ends the lock" wait_for 30 screen_is hidden 0 0

# An upgrade over the running controller: the folder is found without /D,
# the controller is ended and started anew, the parent's pictures stay as
# they are (an added one kept, a deleted starter picture not brought back).
first=$(controllers)
starter=$(ls "$dir/pictures" | head -n 1)
rm "$dir/pictures/$starter"
cp "$bin/pictures/$(ls "$bin/pictures" | tail -n 1)" "$dir/pictures/added by mum.jpg"
pictures=$(ls "$dir/pictures")
install
expect "the upgrade ended with 0" test "$status" = 0
expect "the upgrade went into the folder of the first installation" test ! -e "$(unix "$default")"
expect "the upgrade kept the parent's pictures as they were" same "$(ls "$dir/pictures")" "$pictures"
expect "the controller runs again" wait_for 60 probe lock-screen
now=$(controllers)
expect "one controller, a new one ($first -> $now)" test -n "$now" -a "$now" != "$first" -a "${now// /}" = "$now"

# A controller the installer's FindWindow cannot see (another user's session
# on Windows; another desktop here) is ended as well.
probe close
wait_for 30 absent probe lock-screen
"$run" explorer "/desktop=Other,640x480" "$folder\\Bumblepad.exe" >/dev/null 2>&1 &
expect "a controller runs on another desktop" wait_for 60 eval '[ -n "$(controllers)" ]'
expect "... out of FindWindow's sight" absent probe lock-screen
other=$(controllers)
install
expect "the install over it ended with 0" test "$status" = 0
expect "the controller of the other desktop was ended ($other)" wait_for 30 eval '! grep -qw "$other" <<<"$(controllers)"'
expect "and one runs here" wait_for 60 probe lock-screen
installed=$(cd "$dir" && find . -type f ! -name Uninstall.exe ! -path './pictures/*' | sed 's|^\./||' | sort)

# Uninstall. A file the parent put into the folder, a sub-key someone made
# under the settings key and a power record of a controller that has ended
# (its process id 1 is no process) stay or are read as they must.
echo "keep me" >"$dir/notes.txt"
"$run" reg add 'HKLM\Software\Bumblepad\Added' /f >/dev/null 2>&1
"$run" reg add 'HKLM\Software\Bumblepad' /v PowerButtons /t REG_BINARY /d "01000000$(printf '%0384d' 0)" /f >/dev/null 2>&1
# Wine's trace shows which drives the uninstaller has Hookwell release
# (ForceUnlock asks each selected drive's type first) and the power record
# being put back.
"$run" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /f \
  /d 'kernel32.GetDriveTypeA;powrprof.ReadGlobalPwrPolicy;powrprof.WriteGlobalPwrPolicy' >/dev/null 2>&1
WINEDEBUG=+relay "$run" "$dir/Uninstall.exe" /S 2>"$work/relay.log"
expect "the silent uninstall removes what the installer put there (or has it removed at the restart)" \
  wait_for 180 uninstalled "$folder" notes.txt || ls -A "$dir"
[ -n "$left_for_restart" ] && echo "     removed at the next restart:$left_for_restart"
"$run" reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f >/dev/null 2>&1
expect "the parent's own file stays" same "$(cat "$dir/notes.txt" 2>/dev/null)" "keep me"
drives=$(grep -ao 'Call KERNEL32.GetDriveTypeA([0-9a-f]* "[A-Z]:' "$work/relay.log" | sed 's/.*"//; s/://' | sort -u | tr -d '\n')
expect "the uninstaller released all 26 drives through Hookwell" same "$drives" ABCDEFGHIJKLMNOPQRSTUVWXYZ
expect "it put the power buttons of the record back" grep -aq 'Call powrprof.WriteGlobalPwrPolicy' "$work/relay.log"
expect "no controller runs" same "$(controllers)" ""
expect "the settings key's values are gone" absent "$run" reg query 'HKLM\Software\Bumblepad' /v Options
expect "... the power record too" absent "$run" reg query 'HKLM\Software\Bumblepad' /v PowerButtons
expect "the key that holds another's sub-key stays, with it" "$run" reg query 'HKLM\Software\Bumblepad\Added'
expect "the Run entry is gone" absent "$run" reg query "$run_key" /v Bumblepad
expect "the uninstall entry is gone" absent "$run" reg query "$uninstall_key"
expect "the Start-menu entries are gone" test ! -e "$menu"
"$run" reg delete 'HKLM\Software\Bumblepad' /f >/dev/null 2>&1
"$run" reg delete "$pending_key" /v PendingFileRenameOperations /f >/dev/null 2>&1
rm -rf "$dir"

zipped=$(cmake -E tar tf "$portable" | grep -v '/$' | sed 's|^Bumblepad/||' | grep -v '^pictures/' | sort)
expect "the portable zip holds the installed files" same "$zipped" "$installed"
kill $notepad 2>/dev/null
finish
