# "Disable Power Button" where the desktop's power manager handles the key:
# GNOME's setting (GSettings, here its keyfile store) and KDE's PowerDevil
# profiles (Plasma 5's powermanagementprofilesrc, Plasma 6's powerdevilrc)
# are set to "nothing" and put back where they still hold it, through a
# link when the file is one; put back at the next start after a killed run
# whose watchdog could not. Mock daemons own their names on a private bus.
source "$(dirname "$0")/lib.sh"
cd "$WORK"
make_settings_key
key() { gnome_power_key; }
choose_power_item() { open_menu && choose 3; }

# GNOME.
mock_gnome
"$BIN/Bumblepad" >"$WORK/b1.log" 2>&1 & wait_for 15 icon_present
expect "GNOME: the start sets the power key to do nothing" wait_for 10 now_equals "'nothing'" key
choose_power_item
expect "switched off from the menu, the user's value is back" wait_for 10 now_equals "'suspend'" key
choose_power_item
wait_for 10 now_equals "'nothing'" key
# Killed together with its watchdog (which would put it back at once):
# nothing is left to put it back before the next start.
kill -KILL $(watchdogs) $(controllers)
wait_for 10 no_controllers
expect "a controller killed with its watchdog leaves it at nothing" [ "$(key)" = "'nothing'" ]
kill $gnome; wait $gnome 2>/dev/null
"$BIN/Bumblepad" >"$WORK/b2.log" 2>&1 & pid=$!
wait_for 15 icon_present
expect "the next start puts the user's value back" wait_for 10 now_equals "'suspend'" key
kill -TERM $pid; wait $pid

# KDE: PowerDevil's three profiles; the file comes back byte for byte.
conf=$XDG_CONFIG_HOME/powermanagementprofilesrc
printf '[AC]\nicon=battery-charging\n\n[AC][HandleButtonEvents]\nlidAction=1\npowerButtonAction=16\n\n[Battery][DPMSControl]\nidleTime=300\n' >"$conf"
cp "$conf" "$WORK/conf.before"
"${DBUSMOCK[@]}" org.kde.Solid.PowerManagement /org/kde/Solid/PowerManagement \
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

# The parent changes their settings while it runs: what they changed stays
# theirs, only the power key that still holds "nothing" is put back.
"$BIN/Bumblepad" >"$WORK/b4.log" 2>&1 & pid=$!
wait_for 15 icon_present
wait_for 10 now_equals 3 zeros
sed -i 's/^idleTime=300$/idleTime=900/' "$conf"
python3 - "$conf" <<'PY2'
import sys
path = sys.argv[1]
text = open(path).read().replace('[Battery][HandleButtonEvents]\npowerButtonAction=0', '[Battery][HandleButtonEvents]\npowerButtonAction=1')
open(path, 'w').write(text)
PY2
kill -TERM $pid; wait $pid
printf '[AC]\nicon=battery-charging\n\n[AC][HandleButtonEvents]\nlidAction=1\npowerButtonAction=16\n\n[Battery][DPMSControl]\nidleTime=900\n\n[Battery][HandleButtonEvents]\npowerButtonAction=1\n' >"$WORK/conf.expected"
expect "a setting changed during the run (idleTime 300 -> 900, the battery's power key) is kept at exit" \
  cmp -s "$conf" "$WORK/conf.expected"

# A profiles file that is a link into the user's dotfiles: read and written
# through the link, which stays; a controller killed -9 has it put back by
# its watchdog.
mkdir -p "$WORK/dotfiles"
cp "$WORK/conf.before" "$WORK/dotfiles/powermanagementprofilesrc"
rm -f "$conf"; ln -s "$WORK/dotfiles/powermanagementprofilesrc" "$conf"
"$BIN/Bumblepad" >"$WORK/b5.log" 2>&1 & pid=$!
wait_for 15 icon_present
expect "a linked profiles file is changed through its link" wait_for 10 now_equals 3 zeros
expect "and stays a link" test -L "$conf"
kill -KILL $pid; wait $pid 2>/dev/null
back_through_link() { test -L "$conf" && cmp -s "$WORK/dotfiles/powermanagementprofilesrc" "$WORK/conf.before"; }
expect "killed -9, its watchdog puts the linked file back byte for byte, still a link" wait_for 5 back_through_link

# Plasma 6 keeps the power key in powerdevilrc.
rm -f "$conf"
conf6=$XDG_CONFIG_HOME/powerdevilrc
printf '[AC][SuspendAndShutdown]\nAutoSuspendAction=0\nPowerButtonAction=16\n\n[Battery][Display]\nTurnOffDisplayIdleTimeoutSec=300\n' >"$conf6"
cp "$conf6" "$WORK/conf6.before"
KDE_SESSION_VERSION=6 "$BIN/Bumblepad" >"$WORK/b6.log" 2>&1 & pid=$!
wait_for 15 icon_present
zeros6() { grep -c '^PowerButtonAction=0$' "$conf6"; }
expect "Plasma 6: each profile's power key in powerdevilrc does nothing" wait_for 10 now_equals 3 zeros6
expect "and no Plasma 5 file is made" test ! -e "$conf"
kill -TERM $pid; wait $pid
expect "at exit powerdevilrc is back byte for byte" cmp -s "$conf6" "$WORK/conf6.before"
kill $kde $bus 2>/dev/null
finish
