#!/usr/bin/env python3
"""Checks the program's icon: group 101 in the executable with eight icon images, and the
committed .ico holding exactly the eight BMP images the device's shell needs, as the
generator draws them. Usage: check_icon.py OBJDUMP EXE ICO GENERATOR"""
import re
import struct
import subprocess
import sys
from pathlib import Path

WANTED = sorted([(16, 4), (32, 4), (16, 8), (32, 8), (48, 8), (16, 32), (32, 32), (48, 32)])


def resources(objdump, exe):
    """Resource type -> the names (IDs) under it, from objdump's resource directory."""
    found, kind = {}, None
    for line in subprocess.run([objdump, "-p", exe], capture_output=True, text=True,
                               check=True).stdout.splitlines():
        entry = re.match(r"^\w+( +)Entry: ID: 0x(\w+)", line)
        if entry and len(entry[1]) == 3:
            kind = int(entry[2], 16)
        elif entry and len(entry[1]) == 5:
            found.setdefault(kind, []).append(int(entry[2], 16))
    return found


def ico_images(data):
    _, kind, count = struct.unpack_from("<HHH", data)
    images = []
    for i in range(count):
        width, height, _, _, _, bpp, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        header_size, = struct.unpack_from("<I", data, offset)  # 40: a BMP (DIB), not a PNG
        images.append((width, bpp, height == width, header_size == 40))
    return kind, images


def main(objdump, exe, ico, generator):
    found = resources(objdump, exe)
    failures = []
    if found.get(14) != [101] or len(found.get(3, [])) != 8:
        failures.append(f"executable resources {found}: want icon group 101 over 8 icons")
    data = Path(ico).read_bytes()
    kind, images = ico_images(data)
    if kind != 1 or sorted((w, bpp) for w, bpp, _, _ in images) != WANTED \
            or not all(square and bmp for _, _, square, bmp in images):
        failures.append(f"icon file images {images}: want square BMP images {WANTED}")
    drawn = subprocess.run([sys.executable, generator, "/dev/stdout"], capture_output=True,
                           check=True).stdout
    if drawn != data:
        failures.append("the committed icon is not what the generator draws")
    print("\n".join(failures) or f"icon group 101, {len(images)} BMP images: ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:5]))
