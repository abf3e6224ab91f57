#!/usr/bin/env python3
"""Types into a headless mutter through its remote-desktop D-Bus interface
(no screen-cast stream is needed for keys). One persistent session: each line
read from the file named on the command line is "type TEXT", "key KEYSYM"
"combo HELD KEYSYM" (one key held over another) or "move DX DY" (a relative pointer motion);
"ready" is printed once the session runs."""
import sys
import time
from gi.repository import Gio, GLib

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
def call(path, iface, method, args=None, reply="()"):
    return bus.call_sync("org.gnome.Mutter.RemoteDesktop", path, iface, method, args,
                         GLib.VariantType(reply), Gio.DBusCallFlags.NONE, 5000, None)

for _ in range(100):
    try:
        session = call("/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop",
                       "CreateSession", None, "(o)").unpack()[0]
        break
    except GLib.Error:
        time.sleep(0.1)
else:
    sys.exit("no remote-desktop interface")
IFACE = "org.gnome.Mutter.RemoteDesktop.Session"
call(session, IFACE, "Start")
print("ready", flush=True)

def key(keysym, pressed):
    call(session, IFACE, "NotifyKeyboardKeysym", GLib.Variant("(ub)", (keysym, pressed)))

with open(sys.argv[1]) as commands:
    for line in commands:
        verb, _, arg = line.rstrip("\n").partition(" ")
        if verb == "type":
            for ch in arg:
                key(ord(ch), True)
                key(ord(ch), False)
                time.sleep(0.05)
        elif verb == "key":
            key(int(arg, 0), True)
            key(int(arg, 0), False)
        elif verb == "combo":
            held, other = (int(k, 0) for k in arg.split())
            key(held, True); key(other, True); key(other, False); key(held, False)
        elif verb == "move":
            dx, dy = (float(n) for n in arg.split())
            call(session, IFACE, "NotifyPointerMotionRelative", GLib.Variant("(dd)", (dx, dy)))
        print("done", flush=True)
