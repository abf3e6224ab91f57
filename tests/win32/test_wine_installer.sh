# The Windows installer under 32-bit Wine: a silent install (/S) puts the
# programs, FreeImage.dll, the starter media and the licence texts into
# Program Files, creates the settings key with full access for the Users
# group, a Run entry using the hand-over, Start-menu entries and starts the
# controller from the install folder, whose lock screen then draws the
# starter pictures; a silent uninstall ends the controller, has Hookwell
# release every drive door and leaves nothing behind. The portable zip holds the same files.
source "$(dirname "$0")/wine_lib.sh"
setup=${BUMBLEPAD_SETUP:?} portable=${BUMBLEPAD_PORTABLE:?}
folder='C:\Program Files\Bumblepad'
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Bumblepad'
unix() { "$run" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
dir=$(unix "$folder")
menu=$(unix "$("$run" cmd /c echo %ProgramData% 2>/dev/null | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs\\Bumblepad")
expect "the install folder maps to this machine" test -n "$dir" -a -n "$menu"
gone() { [ ! -e "$dir" ]; }
# What an earlier, interrupted run may have left.
[ -f "$dir/Uninstall.exe" ] && { "$run" "$dir/Uninstall.exe" /S; wait_for 120 gone; }
rm -rf "$dir" "$menu"
no_settings_key
work=$(mktemp -d /tmp/bumblepad-setup-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"  # no pictures here: the controller must find those of the install folder

"$run" "$setup" /S
expect "the installer ended with 0" test $? = 0
for f in Bumblepad.exe Hookwell.dll Trovebox.exe FreeImage.dll Uninstall.exe licences/README.txt licences/FreeImage-license-fi.txt; do
  expect "$f is installed" test -s "$dir/$f"
done
expect "the installed FreeImage.dll is the one built here" cmp -s "$dir/FreeImage.dll" "$bin/FreeImage.dll"
expect "the starter pictures are installed" same "$(ls "$dir/pictures")" "$(ls "$bin/pictures")"
expect "the starter sounds are installed" same "$(ls "$dir/sounds")" "$(ls "$bin/sounds")"
access=$(probe key-access)
expect "the settings key exists" test -n "$access"
expect "the Users group has full access to the key and its sub-keys" grep -q '(A;CI;KA;;;BU)' <<<"$access"
runline=$("$run" reg query "$run_key" /v Bumblepad 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
expect "a Run entry starts the controller through the hand-over" same "$runline" "\"$folder\\Bumblepad.exe\" install $folder"
expect "Start-menu entries for Bumblepad and Trovebox" test -s "$menu/Bumblepad.lnk" -a -s "$menu/Trovebox.lnk"
expect "the installer started the controller" wait_for 60 probe lock-screen
expect "the controller runs from the install folder" same "$(probe controller-path)" "$folder\Bumblepad.exe"

# Its lock screen draws the starter pictures of the install folder, with
# the FreeImage.dll installed beside it.
probe tray 0x203
expect "a full lock shows the lock screen" wait_for 30 screen_is visible 0 5
expect "keys draw the starter pictures" draws_pictures 100 || echo "     last: $last_screen"
probe keys WREN
expect "the unlock word ends the lock" wait_for 30 screen_is hidden 0 0
installed=$(cd "$dir" && find . -type f ! -name Uninstall.exe | sed 's|^\./||' | sort)

# Wine's relay trace shows which drives the uninstaller has Hookwell
# release (ForceUnlock asks each selected drive's type first).
"$run" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d 'kernel32.GetDriveTypeA' /f >/dev/null 2>&1
WINEDEBUG=+relay "$run" "$dir/Uninstall.exe" /S 2>"$work/relay.log"
expect "the silent uninstall removes the install folder" wait_for 120 gone
"$run" reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f >/dev/null 2>&1
drives=$(grep -o 'Call KERNEL32.GetDriveTypeA([0-9a-f]* "[A-Z]:' "$work/relay.log" | sed 's/.*"//; s/://' | sort -u | tr -d '\n')
expect "the uninstaller released all 26 drives through Hookwell" same "$drives" ABCDEFGHIJKLMNOPQRSTUVWXYZ
absent() { ! "$@" >/dev/null 2>&1; }
expect "no controller runs" absent probe lock-screen
expect "the settings key is gone" absent "$run" reg query 'HKLM\Software\Bumblepad'
expect "the Run entry is gone" absent "$run" reg query "$run_key" /v Bumblepad
expect "the uninstall entry is gone" absent "$run" reg query "$uninstall_key"
expect "the Start-menu entries are gone" test ! -e "$menu"

zipped=$(cmake -E tar tf "$portable" | grep -v '/$' | sed 's|^Bumblepad/||' | sort)
expect "the portable zip holds the installed files" same "$zipped" "$installed"
finish
