# The compositors the lock runs on, started headless (sourced after lib.sh).
# start_KIND starts one, as the compositor's user, on this system or, with
# ROOT set, inside the Debian 13 root (the runtime folder bound at the same
# path, so our programs, built here, connect from outside), and defines what
# the cases need of it:
#   KIND_keyboard       a command that reads tap/down/up lines (key codes)
#   KIND_add_output / KIND_remove_output   a monitor plugged in / unplugged
#                       (2: the compositor cannot do it headless)
#   KIND_focus NAME     the window titled NAME given the focus, as a person
#                       would (keys, the window manager's command)
#   KIND_shot X Y       the colour at X,Y as "r g b" (only where a screenshot
#                       tool works)
# The seat's keymap: LAYOUTS, Russian first; Scroll Lock (LAYOUT_KEY) makes
# the next layout current, as a person's layout switch does (XKB_OPTIONS).
LAYOUTS=ru,us,de
XKB_OPTIONS=grp:sclk_toggle
LAYOUT_KEY=70
ROOT=${ROOT:-}
SOCKET=wayland-bp

# Runs "$@" as the compositor's user, inside the root when there is one.
in_place() {
  if [ -n "$ROOT" ]; then
    as_user bwrap --ro-bind "$ROOT" / --proc /proc --dev /dev --ro-bind /sys /sys --tmpfs /tmp \
      --bind "$WORK" "$WORK" --die-with-parent "$@"
  else
    as_user "$@"
  fi
}
# The compositor: in_place with a clean environment, its log in compositor.log.
start_compositor() {
  user_dir "$WORK/home"
  in_place env -i HOME="$WORK/home" XDG_RUNTIME_DIR="$RUN" PATH=/usr/bin:/bin \
    DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" "$@" >"$WORK/compositor.log" 2>&1 &
  pids+=($!)
  wait_for 20 socket || { tail -n 30 "$WORK/compositor.log"; return 1; }
  export WAYLAND_DISPLAY
  WAYLAND_DISPLAY=$(socket)
}
socket() {  # the compositor's socket (sway chooses its name itself)
  local s
  for s in "$RUN"/wayland-*; do [ -S "$s" ] && echo "$s" && return 0; done
  return 1
}
# The version a compositor program reports (its first number with a dot).
version_of() { in_place "$@" 2>&1 | grep -o -m1 '[0-9]\+\.[0-9]\+[.0-9]*' | head -n 1; }

# ---- sway: headless outputs, keys from a virtual keyboard, grim ----
# Monitors: HEADLESS-1 and HEADLESS-2 from the start; a third comes during
# the lock, and then the second, which the lock covered, goes.
start_sway() {
  COMPOSITOR_VERSION=$(version_of sway --version)
  cat >"$WORK/sway.conf" <<CONF
xwayland disable
output * background #336699 solid_color
output HEADLESS-1 resolution 1024x768 position 0 0
bindcode Mod4+28 exec touch $RUN/shortcut-fired
CONF
  chmod 644 "$WORK/sway.conf"
  start_compositor env WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$WORK/sway.conf" || return 1
  wait_for 10 bash -c "ls $RUN/sway-ipc.*.sock" || return 1
  export SWAYSOCK
  SWAYSOCK=$(ls "$RUN"/sway-ipc.*.sock)
  XDG_CURRENT_DESKTOP=sway
}
sway_keyboard() { echo "$TESTS/wayland_key_inject $LAYOUTS $XKB_OPTIONS"; }
sway_new_output() {  # a headless output of 800x600 at x $1
  local n
  n=$(swaymsg -t get_outputs | grep -c '"name"')
  swaymsg create_output >/dev/null
  wait_for 5 eval "[ \$(swaymsg -t get_outputs | grep -c '\"name\"') -gt $n ]" &&
    swaymsg output "HEADLESS-$((n + 1))" resolution 800x600 position "$1" 0 >/dev/null
}
sway_prepare() { sway_new_output 1024; sway_focus keyprobe; }
sway_add_output() { sway_new_output 1824; }
# Unplugged where sway can (1.8 and later); sway 1.7 can neither unplug a
# headless output nor switch one off (it stays active): 2, not run.
sway_remove_output() {
  swaymsg output HEADLESS-2 unplug >/dev/null 2>&1 || return 2
  wait_for 5 eval "! swaymsg -t get_outputs | grep -q '\"HEADLESS-2\"'"
}
sway_focus() { swaymsg "[title=\"$1\"] focus" >/dev/null; }
sway_shot() { grim -g "$1,$2 1x1" -t ppm - 2>/dev/null | tail -c 3 | od -An -tu1 | xargs; }
# Super+T (by its key, whatever the layout) leaves a file behind.
sway_shortcut_fired() { test -f "$RUN/shortcut-fired"; }

# ---- mutter: virtual monitors, keys and monitors over D-Bus ----
start_mutter() {
  COMPOSITOR_VERSION=$(version_of mutter --version)
  # Three virtual monitors: two on from the start; the third comes during
  # the lock, and then the second, which the lock covered, goes. The keymap gets the test's layouts as GNOME Shell
  # would give it the person's input sources.
  cp "$TESTS/libwayland_xkb_layout_shim.so" "$WORK/xkb_layout_shim.so"
  chmod 755 "$WORK/xkb_layout_shim.so"
  start_compositor env LD_PRELOAD="$WORK/xkb_layout_shim.so" BUMBLEPAD_XKB_LAYOUTS=$LAYOUTS \
    BUMBLEPAD_XKB_OPTIONS=$XKB_OPTIONS \
    mutter --headless --wayland --no-x11 --wayland-display $SOCKET \
    --virtual-monitor 1024x768 --virtual-monitor 800x600 --virtual-monitor 800x600 || return 1
  XDG_CURRENT_DESKTOP=GNOME
}
mutter_keyboard() { echo "/usr/bin/python3 $SCRIPTS/mutter_remote.py"; }
mutter_add_output() { press monitors 0 1 2; }
mutter_remove_output() { press monitors 0 2; }
# Super+Escape gives GNOME's shortcuts back, then Alt+Tab switches windows.
mutter_focus() { press tap 125 1; press down 56; press tap 15; press up 56; }
mutter_prepare() { press monitors 0 1; }

# ---- KWin: virtual outputs, keys through its fake input ----
start_kwin() {
  # A copy of the program: the installed one carries a file capability,
  # which the user namespace of the root does not honour.
  in_place cat /usr/bin/kwin_wayland >"$WORK/kwin_wayland"
  chmod 755 "$WORK/kwin_wayland"
  COMPOSITOR_VERSION=$(version_of "$WORK/kwin_wayland" --version)
  user_dir "$WORK/kwin-config"
  printf '[Layout]\nLayoutList=%s\nOptions=%s\nResetOldOptions=true\nUse=true\n' "$LAYOUTS" "$XKB_OPTIONS" \
    >"$WORK/kwin-config/kxkbrc"
  chmod 644 "$WORK/kwin-config/kxkbrc"
  start_compositor env XDG_CONFIG_HOME="$WORK/kwin-config" KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 \
    XKB_DEFAULT_LAYOUT=$LAYOUTS XKB_DEFAULT_OPTIONS=$XKB_OPTIONS "$WORK/kwin_wayland" --virtual --width 1024 --height 768 --output-count 3 \
    --socket $SOCKET || return 1
  XDG_CURRENT_DESKTOP=KDE
  wait_for 10 eval "kwin_doctor --outputs | grep -q '^Output: 3 '"
}
kwin_keyboard() { echo "$TESTS/wayland_key_inject"; }
# kscreen-doctor of this system, which drives KWin 6's output management too.
kwin_doctor() { as_user env QT_QPA_PLATFORM=wayland kscreen-doctor "$@" 2>&1 | sed 's/\x1b\[[0-9;]*m//g'; }
kwin_output() {  # the name of the $1-th output
  kwin_doctor --outputs | sed -n 's/^Output: [0-9]* \([^ ]*\) .*/\1/p' | sed -n "$1p"
}
kwin_switch() {  # output number $1 enable/disable, as kscreen-doctor then reports it
  local name
  name=$(kwin_output "$1")
  kwin_doctor "output.$name.$2" >/dev/null
  wait_for 5 eval "kwin_doctor --outputs | grep -q '^Output: [0-9]* $name ${2}d '"
}
# Three outputs: the third off until the lock; then the second goes.
kwin_prepare() { kwin_switch 3 disable; }
kwin_add_output() { kwin_switch 3 enable; }
kwin_remove_output() { kwin_switch 2 disable; }
# A KWin script activates the window, as a click on it in the task bar would.
kwin_focus() {
  cat >"$WORK/focus.js" <<JS
const list = workspace.windowList ? workspace.windowList() : workspace.clientList();
for (const w of list)
  if (w.caption === "$1") { if ("activeWindow" in workspace) workspace.activeWindow = w; else workspace.activeClient = w; }
JS
  chmod 644 "$WORK/focus.js"
  local id
  id=$(as_user gdbus call --session -d org.kde.KWin -o /Scripting -m org.kde.kwin.Scripting.loadScript \
    "$WORK/focus.js" "focus$RANDOM" | grep -o '[0-9]\+' | head -n 1)
  as_user gdbus call --session -d org.kde.KWin -o "/Scripting/Script$id" -m org.kde.kwin.Script.run >/dev/null 2>&1 ||
    as_user gdbus call --session -d org.kde.KWin -o "/$id" -m org.kde.kwin.Script.run >/dev/null
}
