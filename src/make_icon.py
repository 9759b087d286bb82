#!/usr/bin/env python3
"""Draws the program's icon, a package with a downward arrow, as cabbatch.ico.

The device's shell shows only BMP images, so every image is a plain DIB: 16 and 32 px
at 4 bpp, and 16, 32 and 48 px at 8 and at 32 bpp. Usage: make_icon.py [output.ico]
"""
import struct
import sys
from pathlib import Path

SIZES = [(16, 4), (32, 4), (16, 8), (32, 8), (48, 8), (16, 32), (32, 32), (48, 32)]

# The 16 colours every 4 bpp display offers; 4 bpp images map onto the nearest of them.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def head(x, y):
    return 0.30 <= y <= 0.66 and abs(x - 0.5) <= 0.30 * (0.66 - y) / 0.36


# Layers from back to front: (shape over unit coordinates, fill, outline).
LAYERS = [
    (lambda x, y: 0.09 <= x <= 0.91 and 0.44 <= y <= 0.94, (190, 135, 70), (96, 60, 24)),
    (lambda x, y: 0.05 <= x <= 0.95 and 0.36 <= y <= 0.50, (222, 176, 112), (96, 60, 24)),
    (lambda x, y: 0.43 <= x <= 0.57 and 0.37 <= y <= 0.93, (240, 220, 170), (240, 220, 170)),
    (lambda x, y: (0.39 <= x <= 0.61 and 0.02 <= y <= 0.34) or head(x, y),
     (46, 170, 70), (16, 96, 36)),
]


def draw(size):
    """Rows of RGB tuples, None where the icon is transparent."""
    def inside(shape, col, row):
        return 0 <= col < size and 0 <= row < size and shape((col + 0.5) / size, (row + 0.5) / size)

    pixels = [[None] * size for _ in range(size)]
    for shape, fill, outline in LAYERS:
        for row in range(size):
            for col in range(size):
                if not inside(shape, col, row):
                    continue
                edge = any(not inside(shape, col + dc, row + dr)
                           for dc, dr in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                pixels[row][col] = outline if edge else fill
    return pixels


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def padded_rows(rows):
    return b"".join(row + b"\0" * (-len(row) % 4) for row in rows)


def pack_bits(values, bits):
    out, acc, used = bytearray(), 0, 0
    for value in values:
        acc, used = acc << bits | value, used + bits
        if used == 8:
            out.append(acc)
            acc, used = 0, 0
    if used:
        out.append(acc << (8 - used))
    return bytes(out)


def dib(size, bpp):
    pixels = draw(size)[::-1]  # DIB rows run bottom-up
    if bpp == 32:
        palette, xor = [], padded_rows(
            b"".join(bytes((c[2], c[1], c[0], 255)) if c else b"\0\0\0\0" for c in row)
            for row in pixels)
    else:
        palette = VGA if bpp == 4 else VGA + sorted({c for l in LAYERS for c in l[1:]})
        xor = padded_rows(pack_bits([nearest(palette, c) if c else 0 for c in row], bpp)
                          for row in pixels)
    mask = padded_rows(pack_bits([0 if c else 1 for c in row], 1) for row in pixels)
    colours = len(palette) if bpp == 8 else 0
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bpp, 0, len(xor) + len(mask),
                         0, 0, colours, 0)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + table + xor + mask


def icon():
    images = [(size, bpp, dib(size, bpp)) for size, bpp in SIZES]
    offset = 6 + 16 * len(images)
    out = struct.pack("<HHH", 0, 1, len(images))
    for size, bpp, data in images:
        out += struct.pack("<BBBBHHII", size, size, 16 if bpp == 4 else 0, 0, 1, bpp,
                           len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


if __name__ == "__main__":
    target = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).with_name("cabbatch.ico"))
    target.write_bytes(icon())
