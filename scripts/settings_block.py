#!/usr/bin/env python3
"""settings_block.py FILE [NAME=VALUE ...]: writes the controller's 60-byte
settings block (the value the registry or the settings file holds) to FILE.

Unnamed fields keep the defaults a fresh installation has: every drive (A..Z)
taking part, drive doors locked, power button disabled, key repeat off, the
hint shown, no automatic lock, pictures shown, the word "wren".
Names: drives (0/1 for all 26), doors, power, repeat, hint, ctrl_alt_del,
pictures (0/1), auto_lock_ms, auto_lock_minutes, word (text, Latin-1).
"""
import struct
import sys

FLAGS = {"doors": 27, "power": 28, "repeat": 29, "hint": 30, "ctrl_alt_del": 36, "pictures": 37}


def block(fields):
    b = bytearray(60)
    b[0] = 0x7A
    values = {"drives": 1, "doors": 1, "power": 1, "repeat": 0, "hint": 1, "ctrl_alt_del": 0,
              "pictures": 1, "auto_lock_ms": 0, "word": "wren"}
    for name, value in fields.items():
        if name == "auto_lock_minutes":
            name, value = "auto_lock_ms", int(value) * 60000
        if name not in values:
            sys.exit("settings_block.py: no field " + name)
        values[name] = value
    for i in range(26):
        b[1 + i] = int(values["drives"])
    for name, at in FLAGS.items():
        b[at] = int(values[name])
    b[32:36] = struct.pack("<I", int(values["auto_lock_ms"]))
    word = values["word"].encode("latin-1")
    if len(word) > 19:
        sys.exit("settings_block.py: a word has at most 19 characters")
    b[38:38 + len(word)] = word
    return bytes(b)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as out:
        out.write(block(dict(arg.split("=", 1) for arg in sys.argv[2:])))
