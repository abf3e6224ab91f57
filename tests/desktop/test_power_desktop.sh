# "Disable Power Button" where the desktop's power manager handles the key:
# GNOME's setting (GSettings, here its keyfile store) and KDE's PowerDevil
# profiles are set to "nothing", put back exactly, and put back at the next
# start after a killed run. Mock daemons own their names on a private bus.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
PY=$([ -x /usr/bin/python3 ] && echo /usr/bin/python3 || echo python3)
make_settings_key
export GSETTINGS_BACKEND=keyfile
dbus-daemon --session --nofork --print-address=1 >"$WORK/bus.address" 2>/dev/null & bus=$!
wait_for 10 test -s "$WORK/bus.address"
export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$WORK/bus.address")
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/bumblepad-no-logind
key() { gsettings get org.gnome.settings-daemon.plugins.power power-button-action; }
choose_power_item() { open_menu && choose 3; }

# GNOME.
gsettings set org.gnome.settings-daemon.plugins.power power-button-action 'suspend'
$PY -m dbusmock org.gnome.SettingsDaemon.MediaKeys /org/gnome/SettingsDaemon/MediaKeys \
  org.gnome.SettingsDaemon.MediaKeys >/dev/null 2>&1 & gnome=$!
wait_for 20 gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
  -m org.freedesktop.DBus.GetNameOwner org.gnome.SettingsDaemon.MediaKeys
"$BIN/Bumblepad" >"$WORK/b1.log" 2>&1 & wait_for 15 icon_present
expect "GNOME: the start sets the power key to do nothing" wait_for 10 now_equals "'nothing'" key
choose_power_item
expect "switched off from the menu, the user's value is back" wait_for 10 now_equals "'suspend'" key
choose_power_item
wait_for 10 now_equals "'nothing'" key
kill -KILL "$(controllers)"
wait_for 10 no_controllers
expect "a killed controller leaves it at nothing" [ "$(key)" = "'nothing'" ]
kill $gnome; wait $gnome 2>/dev/null
"$BIN/Bumblepad" >"$WORK/b2.log" 2>&1 & pid=$!
wait_for 15 icon_present
expect "the next start puts the user's value back" wait_for 10 now_equals "'suspend'" key
kill -TERM $pid; wait $pid

# KDE: PowerDevil's three profiles; the file comes back byte for byte.
conf=$XDG_CONFIG_HOME/powermanagementprofilesrc
printf '[AC]\nicon=battery-charging\n\n[AC][HandleButtonEvents]\nlidAction=1\npowerButtonAction=16\n\n[Battery][DPMSControl]\nidleTime=300\n' >"$conf"
cp "$conf" "$WORK/conf.before"
$PY -m dbusmock org.kde.Solid.PowerManagement /org/kde/Solid/PowerManagement \
  org.kde.Solid.PowerManagement >/dev/null 2>&1 & kde=$!
wait_for 20 gdbus call --session -d org.kde.Solid.PowerManagement -o /org/kde/Solid/PowerManagement \
  -m org.freedesktop.DBus.Mock.AddMethod org.kde.Solid.PowerManagement reparseConfiguration '' '' ''
gdbus call --session -d org.kde.Solid.PowerManagement -o /org/kde/Solid/PowerManagement \
  -m org.freedesktop.DBus.Mock.AddMethod org.kde.Solid.PowerManagement refreshStatus '' '' '' >/dev/null
"$BIN/Bumblepad" >"$WORK/b3.log" 2>&1 & pid=$!
wait_for 15 icon_present
zeros() { grep -c '^powerButtonAction=0$' "$conf"; }
expect "KDE: each profile's power key does nothing" wait_for 10 now_equals 3 zeros
expect "and PowerDevil was asked to read it again" bash -c "gdbus call --session -d org.kde.Solid.PowerManagement \
  -o /org/kde/Solid/PowerManagement -m org.freedesktop.DBus.Mock.GetCalls | grep -q reparseConfiguration"
kill -TERM $pid; wait $pid
expect "at exit the profiles file is back byte for byte" cmp -s "$conf" "$WORK/conf.before"
kill $kde $bus 2>/dev/null
finish
