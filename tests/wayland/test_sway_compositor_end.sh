# The compositor goes away under a locked controller (sway 1.7, headless):
# Qt's Wayland plugin ends the controller with _exit(1), so no orderly close
# runs. Its watchdog puts back what it changed: the desktop's power key (a
# mock GNOME settings daemon on a private session bus, GSettings' keyfile
# store) and the drive door (a fake sr0 through the preloaded shim), within
# a second and without a new start.
source "$(dirname "$0")/lib.sh"
source "$SOURCE/tests/lib/session.sh"

compositor_end_puts_back() {
  local bp sway
  fake_drive
  expect "a mock GNOME settings daemon owns its name" mock_gnome || return
  pids+=("$bus" "$gnome")
  key() { gnome_power_key; }

  user_dir "$WORK/sway"
  echo "output HEADLESS-1 resolution 1024x768 background #336699 solid_color" >"$WORK/sway.conf"
  chmod 644 "$WORK/sway.conf"
  as_user env -i HOME="$WORK/sway" XDG_RUNTIME_DIR="$WORK/sway" PATH=/usr/bin:/bin WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$WORK/sway.conf" >"$WORK/sway.log" 2>&1 &
  sway=$!; pids+=($sway)
  wait_for 10 test -S "$WORK/sway/wayland-1" || { cat "$WORK/sway.log"; fail "sway starts"; return; }
  export WAYLAND_DISPLAY=$WORK/sway/wayland-1

  # All drives and the power key held, the automatic lock after 2 s.
  python3 "$SOURCE/scripts/settings_block.py" "$XDG_CONFIG_HOME/Software/Bumblepad/Options" auto_lock_ms=2000
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
  local began; began=$(now_ms)
  kill_tree "$sway"
  put_back() { [ "$(key)" = "'suspend'" ] && [ "$(doors)" = "sr0 1 sr0 0 " ]; }
  wait_for 5 put_back
  local took=$(($(now_ms) - began))
  in_time() { put_back && [ "$took" -lt 1000 ]; }
  expect "the compositor's end: the power key and the door are back within a second ($took ms)" in_time
  local code=0
  wait "$bp" || code=$?
  expect "the controller ended by Qt's exit, code 1, not in order" [ "$code" = 1 ]
  # Once the watchdog has ended, nothing is left that could start one.
  expect "the watchdog has ended" wait_for 5 now_equals "" watchdogs
  expect "and no new controller was started" [ -z "$(controllers)" ]
}

compositor_end_puts_back
finish
