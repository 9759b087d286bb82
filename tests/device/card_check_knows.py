#!/usr/bin/env python3
"""The card check takes the device build for the device's program: copied into a card
folder beside a list, it is reported as one a device runs, with its version, and
no-device-program stays silent. The same program with its version resource changed byte by
byte is an older cabbatch (program-older), a newer one, or another product, which no version
makes older. Usage: card_check_knows.py CHECKER PROGRAM"""
import json
import shutil
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

FIXED_FILE_INFO = struct.pack("<I", 0xFEEF04BD)


def patched(image, version=None, product=None):
    """The image with its fixed file version and its ProductName's value changed in place."""
    image = bytearray(image)
    if version:
        at = image.index(FIXED_FILE_INFO) + 8
        major, minor, patch = version
        image[at:at + 8] = struct.pack("<II", major << 16 | minor, patch << 16)
    if product:
        at = image.index("cabbatch".encode("utf-16-le"), image.index("ProductName".encode("utf-16-le")) + 22)
        image[at:at + 16] = product.encode("utf-16-le")
    return bytes(image)


def check(checker, image, form):
    with tempfile.TemporaryDirectory(prefix="cabbatch-card-") as folder:
        (Path(folder) / "cabbatch.exe").write_bytes(image)
        (Path(folder) / "SetupFile.CE6.txt").write_bytes(b"a.cab\r\n")
        return subprocess.run([checker, *form, folder], capture_output=True).stdout.decode()


def main(checker, program):
    image = Path(program).read_bytes()
    ours = json.loads(check(checker, image, ["--json"]))["version"]
    older = f"\"cabbatch.exe\" is version 1.1.0; this check is {ours}"
    # (what the resource is made to say, the version reported, whether it is older)
    cases = [({}, ours, False), ({"version": (1, 1, 0)}, "1.1.0", True),
             ({"version": (99, 0, 0)}, "99.0.0", False), ({"version": (1, 1, 0), "product": "cabbatcX"}, "1.1.0", False)]
    failures = []
    for change, version, is_older in cases:
        report = json.loads(check(checker, patched(image, **change), ["--json"]))
        plain = check(checker, patched(image, **change), [])
        programs = [(p["file"], p["device"], p["version"]) for p in report["programs"]]
        if programs != [("cabbatch.exe", True, version)]:
            failures.append(f"{change}: programs {programs}: want cabbatch.exe {version} for the device")
        if "no-device-program" in report["warnings"]:
            failures.append(f"{change}: no-device-program was given for the device's own program")
        if ("program-older" in report["warnings"]) != is_older or (older in plain) != is_older:
            failures.append(f"{change}: program-older {'not ' if is_older else ''}given: {report['warnings']}")
        if f"\"cabbatch.exe\" {version}: for the device" not in plain:
            failures.append(f"{change}: the plain report does not name the program's version {version}")
    print("\n".join(failures) or f"cabbatch.exe {ours}: for the device; older, newer and another product told apart")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
