# The Windows controller's lock screen under Wine with the real FreeImage.dll:
# a full lock from the tray shows the black lock screen, each key draws one
# of the starter JPEG pictures beside the program, and the unlock word ends
# the lock and hides the screen.
source "$(dirname "$0")/wine_lib.sh"
"$run" reg delete 'HKLM\Software\Bumblepad' /f >/dev/null 2>&1
"$run" reg add 'HKLM\Software\Bumblepad' /f >/dev/null 2>&1
cd "$bin"
expect "the starter pictures lie beside the program" test "$(ls pictures/*.jpg | wc -l)" -ge 26

"$run" Bumblepad.exe & pid=$!
expect "the controller runs" wait_for 30 probe lock-screen
probe tray 0x203  # a double click on the icon: a full lock
expect "the lock screen is up and black" wait_for 30 screen_is visible 0 5
expect "keys draw pictures over a tenth of the screen" draws_pictures 100 || echo "     last: $last_screen"
probe keys WREN
expect "the unlock word hides the lock screen" wait_for 30 screen_is hidden 0 0
probe close
wait $pid
expect "the controller ended" test $? = 0
"$run" reg delete 'HKLM\Software\Bumblepad' /f >/dev/null 2>&1
finish
