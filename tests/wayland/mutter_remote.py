#!/usr/bin/env python3
"""Drives a headless mutter through its D-Bus interfaces, for the lock tests.
Keys come from one persistent remote-desktop session (no screen-cast stream
is needed for keys) as evdev codes, through mutter's own keymap. Lines read
from standard input, the same as wayland_key_inject's:
  tap CODE...    each key pressed and released in turn
  down CODE      a key pressed (held for the next taps)
  up CODE        a key released
  move DX DY     a relative pointer motion
  monitors I...  only the monitors of these indexes (mutter's order) on,
                 side by side (DisplayConfig)
"ready" is printed once the session runs, "done" after each line ("failed"
and why when mutter refused it)."""
import sys
import time
from gi.repository import Gio, GLib

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
def call(name, path, iface, method, args=None, reply="()"):
    return bus.call_sync(name, path, iface, method, args,
                         GLib.VariantType(reply), Gio.DBusCallFlags.NONE, 5000, None)
def remote(path, iface, method, args=None, reply="()"):
    return call("org.gnome.Mutter.RemoteDesktop", path, iface, method, args, reply)

for _ in range(100):
    try:
        session = remote("/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop",
                         "CreateSession", None, "(o)").unpack()[0]
        break
    except GLib.Error:
        time.sleep(0.1)
else:
    sys.exit("no remote-desktop interface")
IFACE = "org.gnome.Mutter.RemoteDesktop.Session"
remote(session, IFACE, "Start")
print("ready", flush=True)

def key(code, pressed):
    remote(session, IFACE, "NotifyKeyboardKeycode", GLib.Variant("(ub)", (code, pressed)))

def monitors(indexes):
    """The monitors of these indexes on, at their current or preferred
    mode, left to right in that order; the others off."""
    config = "org.gnome.Mutter.DisplayConfig"
    serial, found, _, _ = call(config, "/org/gnome/Mutter/DisplayConfig", config, "GetCurrentState",
                               None, "(ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv})").unpack()
    logical, x = [], 0
    for (connector, _, _, _), modes, _ in (found[i] for i in indexes):
        mode = next((m for m in modes if m[6].get("is-current")), None) or \
            next((m for m in modes if m[6].get("is-preferred")), modes[0])
        logical.append((x, 0, 1.0, 0, not logical, [(connector, mode[0], {})]))
        x += mode[1]
    call(config, "/org/gnome/Mutter/DisplayConfig", config, "ApplyMonitorsConfig",
         GLib.Variant("(uua(iiduba(ssa{sv}))a{sv})", (serial, 1, logical, {})))

for line in sys.stdin:
    verb, *args = line.split()
    if verb == "tap":
        for code in args:
            key(int(code), True)
            key(int(code), False)
            time.sleep(0.005)
    elif verb in ("down", "up"):
        for code in args:
            key(int(code), verb == "down")
    elif verb == "move":
        remote(session, IFACE, "NotifyPointerMotionRelative",
               GLib.Variant("(dd)", tuple(float(n) for n in args)))
    elif verb == "monitors":
        try:
            monitors([int(i) for i in args])
        except GLib.Error as error:
            print("failed", error.message, flush=True)
            continue
    print("done", flush=True)
