# The compositor goes away under a locked controller (sway 1.7, headless):
# Qt's Wayland plugin ends the controller with _exit(1), so no orderly close
# runs. Its watchdog puts back what it changed: the desktop's power key (a
# mock GNOME settings daemon on a private session bus, GSettings' keyfile
# store) and the drive door (a fake sr0 through the preloaded shim), within
# a second and without a new start.
source "$(dirname "$0")/lib.sh"

compositor_end_puts_back() {
  local drives=$WORK/drives bus gnome bp sway
  mkdir -p "$drives/dev" "$drives/sys/block/sr0"
  : >"$drives/dev/sr0"
  export GSETTINGS_BACKEND=keyfile DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/bumblepad-no-logind
  dbus-daemon --session --nofork --print-address=1 >"$WORK/bus.address" 2>/dev/null & bus=$!; pids+=($bus)
  wait_for 10 test -s "$WORK/bus.address"
  export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$WORK/bus.address")
  local py
  py=$([ -x /usr/bin/python3 ] && echo /usr/bin/python3 || echo python3)  # Debian's, with python3-dbusmock
  $py -m dbusmock org.gnome.SettingsDaemon.MediaKeys /org/gnome/SettingsDaemon/MediaKeys \
    org.gnome.SettingsDaemon.MediaKeys >/dev/null 2>&1 & gnome=$!; pids+=($gnome)
  expect "a mock GNOME settings daemon owns its name" wait_for 20 gdbus call --session -d org.freedesktop.DBus \
    -o /org/freedesktop/DBus -m org.freedesktop.DBus.GetNameOwner org.gnome.SettingsDaemon.MediaKeys || return
  gsettings set org.gnome.settings-daemon.plugins.power power-button-action 'suspend'
  key() { gsettings get org.gnome.settings-daemon.plugins.power power-button-action; }
  doors() { tr '\n' ' ' <"$drives/doors.log" 2>/dev/null; }

  user_dir "$WORK/sway"
  echo "output HEADLESS-1 resolution 1024x768 background #336699 solid_color" >"$WORK/sway.conf"
  chmod 644 "$WORK/sway.conf"
  as_user env -i HOME="$WORK/sway" XDG_RUNTIME_DIR="$WORK/sway" PATH=/usr/bin:/bin WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$WORK/sway.conf" >"$WORK/sway.log" 2>&1 &
  sway=$!; pids+=($sway)
  wait_for 10 test -S "$WORK/sway/wayland-1" || { cat "$WORK/sway.log"; fail "sway starts"; return; }
  export WAYLAND_DISPLAY=$WORK/sway/wayland-1

  # All drives and the power key held, the automatic lock after 2 s.
  python3 - "$XDG_CONFIG_HOME/Software/Bumblepad/Options" <<'PY'
import struct, sys
block = bytes([0x7A]) + bytes([1] * 26) + bytes([1, 1, 0, 1, 0]) + struct.pack('<I', 2000) \
    + bytes([0, 1]) + b'wren'.ljust(20, b'\0') + bytes(2)
assert len(block) == 60
open(sys.argv[1], 'wb').write(block)
PY
  # A sanitizer build wants its runtime first among the preloaded libraries.
  local preload
  preload=$(ldd "$BIN/Bumblepad" | awk '/libasan/ {print $3}')
  preload="${preload:+$preload }$BIN/libfake_drive_shim.so"
  (cd "$BIN" && BUMBLEPAD_FAKE_DRIVES=$drives LD_PRELOAD=$preload exec "$BIN/Bumblepad") \
    >"$WORK/bumblepad.log" 2>&1 & bp=$!; pids+=($bp)
  changed() { [ "$(key)" = "'nothing'" ] && [ "$(doors)" = "sr0 1 " ]; }
  expect "the controller sets the power key to do nothing and holds the door" wait_for 20 changed
  covered() {  # the lock screen is over sway's background
    local c
    c=$(grim -g "10,10 1x1" -t ppm - 2>/dev/null | tail -c 3 | od -An -tu1 | xargs)
    [ -n "$c" ] && [ "$c" != "51 102 153" ]
  }
  expect "the automatic lock comes" wait_for 20 covered
  local began=$(($(date +%s%N) / 1000000))
  kill_tree "$sway"
  put_back() { [ "$(key)" = "'suspend'" ] && [ "$(doors)" = "sr0 1 sr0 0 " ]; }
  wait_for 5 put_back
  local took=$(($(date +%s%N) / 1000000 - began))
  in_time() { put_back && [ "$took" -lt 1000 ]; }
  expect "the compositor's end: the power key and the door are back within a second ($took ms)" in_time
  local code=0
  wait "$bp" || code=$?
  expect "the controller ended by Qt's exit, code 1, not in order" [ "$code" = 1 ]
  sleep 1
  # Its processes, by their environment: none is left, none was started anew.
  mine() {
    local p
    for p in $(pgrep -x Bumblepad) $(pgrep -x Bumblepad-watch); do
      tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "BUMBLEPAD_FAKE_DRIVES=$drives" && echo $p
    done
  }
  expect "no new controller was started and the watchdog has ended" [ -z "$(mine)" ]
}

compositor_end_puts_back
finish
