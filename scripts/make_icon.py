#!/usr/bin/env python3
"""Writes the programs' 32 x 32, 16-colour icons (.ico) and matching PNGs,
and smooth PNGs of any size for the desktop's icon theme.

Usage: make_icon.py bumblepad|trovebox OUT.ico [OUT.png]
       make_icon.py bumblepad|trovebox --size N OUT.png

The drawings are shapes on a 32 x 32 grid. Read at whole grid points they
give the 16-colour pixel art of the .ico; read at many points per pixel they
give an anti-aliased picture of any size.
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
        return BLACK if ((x + 0.5) // 4) % 2 == 1 else YELLOW
    return None


def trovebox(x, y):
    """A treasure chest: brown box, olive bands, a yellow lock."""
    def on(v, line):
        return abs(v - line) < 0.5
    if 3.5 <= x < 27.5 and 7.5 <= y < 27.5:
        if on(y, 8) or on(y, 27) or on(x, 4) or on(x, 27) or on(y, 15):
            return BLACK
        if 13.5 <= x < 17.5 and 12.5 <= y < 18.5:
            return YELLOW
        if on(x, 8) or on(x, 23):
            return OLIVE
        return BROWN if y >= 15.5 else RED
    return None


DRAWINGS = {"bumblepad": bumblepad, "trovebox": trovebox}


def pixels(kind):
    draw = DRAWINGS[kind]
    return [[draw(x, y) for x in range(32)] for y in range(32)]


def smooth_rgba(kind, size, samples=4):
    """size x size RGBA rows: each pixel the mean of samples x samples points
    of the drawing, its alpha the share of points that hit a shape."""
    draw = DRAWINGS[kind]
    step = 32.0 / size
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = hits = 0
            for sy in range(samples):
                y = (py + (sy + 0.5) / samples) * step - 0.5
                for sx in range(samples):
                    c = draw((px + (sx + 0.5) / samples) * step - 0.5, y)
                    if c is not None:
                        cr, cg, cb = PALETTE[c]
                        r, g, b, hits = r + cr, g + cg, b + cb, hits + 1
            if hits:
                row += bytes((r // hits, g // hits, b // hits, 255 * hits // (samples * samples)))
            else:
                row += b"\0\0\0\0"
        rows.append(bytes(row))
    return rows


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
    return png_rgba([b"".join(bytes(PALETTE[c]) + b"\xff" if c is not None else b"\0\0\0\0" for c in row)
                     for row in px])


def png_rgba(rows):
    raw = b"".join(b"\0" + row for row in rows)
    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", len(rows[0]) // 4, len(rows), 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[2] == "--size":
        with open(sys.argv[4], "wb") as f:
            f.write(png_rgba(smooth_rgba(sys.argv[1], int(sys.argv[3]))))
        sys.exit(0)
    px = pixels(sys.argv[1])
    with open(sys.argv[2], "wb") as f:
        f.write(ico(px))
    if len(sys.argv) > 3:
        with open(sys.argv[3], "wb") as f:
            f.write(png(px))
