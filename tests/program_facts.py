#!/usr/bin/env python3
"""What a shipped program must hold, and what it must not. A Windows program: a PE time stamp
of 0 and a version resource with CMake's version, the product's name and LICENSE's copyright
line, which the card check's reader finds too, in two reads (each READER is a build of
tests/check/program_version_probe.cpp; one ending in .exe runs under Wine). A Linux program:
no shared library but the C and C++ runtimes (and the sanitizers' where a build has them).
Any program: none of the given build paths, as bytes or as UTF-16.
Usage: program_facts.py PROGRAM VERSION PRODUCT LICENSE [--reader READER]... [BUILD_PATH...]
Needs pefile (Debian's python3-pefile) for a Windows program."""
import argparse
import re
import subprocess
import sys
from pathlib import Path

WINE_RUN = Path(__file__).resolve().parents[1] / "scripts" / "wine-run"

RUNTIMES = ("libc.so.", "libm.so.", "libstdc++.so.", "libgcc_s.so.", "ld-linux", "libasan.so.", "libubsan.so.")


def version_resource(pe):
    """(fixed file version, fixed product version, {string: value}) of the first string table."""
    fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
    split = lambda high, low: (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)
    strings = {}
    for info in getattr(pe, "FileInfo", [[]])[0]:
        for table in getattr(info, "StringTable", [])[:1]:
            strings = {key.decode(): value.decode() for key, value in table.entries.items()}
    if not fixed:
        return None, None, strings
    return (split(fixed.FileVersionMS, fixed.FileVersionLS),
            split(fixed.ProductVersionMS, fixed.ProductVersionLS), strings)


def read_by(reader, program):
    """What the check's reader finds in PROGRAM, as the probe prints it, without the path."""
    command = [str(WINE_RUN), reader, "Z:" + str(Path(program).resolve())] if reader.endswith(".exe") \
        else [reader, program]
    run = subprocess.run(command, capture_output=True, text=True)
    return run.stdout.strip().partition(": ")[2] or run.stderr.strip()


def windows_checks(program, version, product, copyright_line, readers):
    import pefile
    pe = pefile.PE(program)
    parts = tuple(int(part) for part in version.split(".")) + (0,)
    file_version, product_version, strings = version_resource(pe)
    return [
        ("PE time stamp 0", pe.FILE_HEADER.TimeDateStamp == 0, hex(pe.FILE_HEADER.TimeDateStamp)),
        (f"fixed file version {parts}", file_version == parts, file_version),
        (f"fixed product version {parts}", product_version == parts, product_version),
        *[(f"{key} {version}", strings.get(key) == version, strings.get(key))
          for key in ("FileVersion", "ProductVersion")],
        (f"ProductName {product}", strings.get("ProductName") == product, strings.get("ProductName")),
        ("OriginalFilename the file's name", strings.get("OriginalFilename") == Path(program).name,
         strings.get("OriginalFilename")),
        ("a FileDescription", bool(strings.get("FileDescription")), strings.get("FileDescription")),
        (f"LegalCopyright from {copyright_line!r}", strings.get("LegalCopyright", "").startswith(copyright_line),
         strings.get("LegalCopyright")),
        *[(f"{reader} reads {version}.0 {product}", re.fullmatch(rf"{re.escape(version)}\.0 {re.escape(product)} \([12] reads\)",
                                                                read_by(reader, program)), read_by(reader, program))
          for reader in readers],
    ]


def linux_checks(program):
    dynamic = subprocess.run(["readelf", "--dynamic", "--wide", program], capture_output=True, text=True)
    needed = re.findall(r"\(NEEDED\)\s+Shared library: \[(.*)\]", dynamic.stdout)
    others = [name for name in needed if not name.startswith(RUNTIMES)]
    return [("readelf reads it", dynamic.returncode == 0, dynamic.stderr.strip()),
            ("no shared library but the C and C++ runtimes", needed and not others, others or needed)]


def main():
    parser = argparse.ArgumentParser()
    for name in ("program", "version", "product", "license"):
        parser.add_argument(name)
    parser.add_argument("--reader", action="append", default=[])
    parser.add_argument("build_paths", nargs="*")
    options = parser.parse_intermixed_args()
    program, version = options.program, options.version
    data = Path(program).read_bytes()
    copyright_line = next(line for line in Path(options.license).read_text().splitlines()
                          if line.startswith("Copyright "))
    checks = [(f"no {path!r} in it", path.encode() not in data and path.encode("utf-16-le") not in data,
               "found") for path in options.build_paths]
    if data[:2] == b"MZ":
        checks += windows_checks(program, version, options.product, copyright_line, options.reader)
    elif data[:4] == b"\x7fELF":
        checks += linux_checks(program)
    failures = [f"{what}: found {value}" for what, ok, value in checks if not ok]
    print("\n".join(failures) or f"{program}: {len(checks)} facts hold")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
