# A panel that hosts StatusNotifierItems (the tray of Wayland desktops and of
# some X ones) knows no double click: the item's activation (its left click)
# locks as the double click does, and its context menu request opens the tray
# menu. A stand-in watcher and host on a private session bus
# (python3-dbusmock) takes the item; the lock is the real X one.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
private_bus
export DBUS_SESSION_BUS_ADDRESS=$bus_address
"${DBUSMOCK[@]}" -l "$WORK/watcher.log" org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
  org.kde.StatusNotifierWatcher >/dev/null 2>&1 & mock=$!
watcher="gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher -m org.freedesktop.DBus.Mock"
wait_for 20 $watcher.AddProperty org.kde.StatusNotifierWatcher IsStatusNotifierHostRegistered "<true>"
$watcher.AddMethod org.kde.StatusNotifierWatcher RegisterStatusNotifierItem s "" "" >/dev/null

start_keywatch
make_settings_key
"$BIN/Bumblepad" >"$WORK/bumblepad.log" 2>&1 & pid=$!
expect "the icon is handed to the watcher as a StatusNotifierItem" \
  wait_for 10 grep -q RegisterStatusNotifierItem "$WORK/watcher.log"
expect "and not put into the X tray" bash -c "! icon_present"
item=$(sed -n 's/.*RegisterStatusNotifierItem "\(.*\)"/\1/p' "$WORK/watcher.log" | head -n 1)
call_item() { gdbus call --session -d "$item" -o /StatusNotifierItem -m "org.kde.StatusNotifierItem.$1" "${@:2}"; }

call_item Activate 0 0 >/dev/null
expect "its activation starts the full lock: the lock screen is up" wait_for 10 lock_screen_up
xdotool search --name '^keywatch$' windowfocus 2>/dev/null   # where keys would go but for the lock
xdotool type --delay 30 "ab"
xdotool type --delay 80 "wren"
expect "the word ends it" wait_for 10 unlocked
keys_reach_keywatch cd
# Keys come in order: "cd" arrived, so any key of the lock would be there.
expect "keys after the lock reach another program, none typed during it did" \
  bash -c "grep -q 'keysym 0x64, d' '$WORK/xev.log' && ! grep -qE 'keysym 0x(61|62|77), ' '$WORK/xev.log'"

xdotool mousemove 900 15   # the menu opens at the pointer, below the tray host
call_item ContextMenu 900 15 >/dev/null
expect "its context menu request opens the tray menu" wait_for 10 menu_up
xdotool key Escape
wait_for 5 bash -c "! menu_up"
kill $xevpid $pid 2>/dev/null
wait $pid 2>/dev/null
kill $mock $bus 2>/dev/null
finish
