#!/usr/bin/env python3
"""Writes the programs' 32 x 32, 16-colour icons (.ico) and matching PNGs.

Usage: make_icon.py bumblepad|trovebox OUT.ico [OUT.png]
"""
import struct
import sys
import zlib

# The 16-colour VGA palette (R, G, B).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, YELLOW, WHITE, BROWN, OLIVE, GREY, RED, BLUE = 0, 11, 15, 1, 3, 8, 9, 12


def bumblepad(x, y):
    """A round bee: yellow and black stripes, white wings."""
    cx, cy = 16, 17
    if (x - 9) ** 2 + (y - 8) ** 2 < 22 or (x - 23) ** 2 + (y - 8) ** 2 < 22:
        return WHITE
    d = ((x - cx) / 13.0) ** 2 + ((y - cy) / 11.0) ** 2
    if d <= 1.0:
        if d > 0.8:
            return BLACK
        return BLACK if (x // 4) % 2 == 1 else YELLOW
    return None


def trovebox(x, y):
    """A treasure chest: brown box, olive bands, a yellow lock."""
    if 4 <= x <= 27 and 8 <= y <= 27:
        if y in (8, 27) or x in (4, 27) or y == 15:
            return BLACK
        if 14 <= x <= 17 and 13 <= y <= 18:
            return YELLOW
        if x in (8, 23):
            return OLIVE
        return BROWN if y > 15 else RED
    return None


def pixels(kind):
    draw = {"bumblepad": bumblepad, "trovebox": trovebox}[kind]
    return [[draw(x, y) for x in range(32)] for y in range(32)]


def ico(px):
    xor = bytearray()
    for row in reversed(px):
        for x in range(0, 32, 2):
            a, b = row[x] or 0, row[x + 1] or 0
            xor.append((a << 4) | b)
    mask = bytearray()
    for row in reversed(px):
        bits = 0
        for x in range(32):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        mask += struct.pack(">I", bits)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    image = header + pal + bytes(xor) + bytes(mask)
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 22) + image


def png(px):
    raw = b""
    for row in px:
        raw += b"\0" + b"".join(
            bytes(PALETTE[c]) + b"\xff" if c is not None else b"\0\0\0\0" for c in row)
    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 32, 32, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    px = pixels(sys.argv[1])
    with open(sys.argv[2], "wb") as f:
        f.write(ico(px))
    if len(sys.argv) > 3:
        with open(sys.argv[3], "wb") as f:
            f.write(png(px))
