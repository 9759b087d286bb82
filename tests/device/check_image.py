#!/usr/bin/env python3
"""Reads the device program's image and checks each field the Windows CE loader looks at,
against what Microsoft's tools write into CE programs for ARM.
Usage: check_image.py PROGRAM"""
import sys
from pathlib import Path

import pefile


def resources(pe):
    """Resource type -> the IDs under it."""
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    return {kind.id: [entry.id for entry in kind.directory.entries]
            for kind in (root.entries if root else [])}


def imports(pe):
    """(DLL, [names, or None for an import by ordinal])."""
    return [(dll.dll.decode(), [s.name.decode() if s.name else None for s in dll.imports])
            for dll in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]


def main(program):
    pe = pefile.PE(program)
    header, optional = pe.FILE_HEADER, pe.OPTIONAL_HEADER
    subsystem = (optional.MajorSubsystemVersion, optional.MinorSubsystemVersion)
    dlls = imports(pe)
    found = resources(pe)
    checks = [
        ("machine ARM (0x01C0) or ARMV4I (0x01C2)", header.Machine in (0x1C0, 0x1C2), hex(header.Machine)),
        ("subsystem 9, Windows CE GUI", optional.Subsystem == 9, optional.Subsystem),
        ("subsystem version 6.0 or lower", subsystem <= (6, 0), subsystem),
        ("image base 0x10000", optional.ImageBase == 0x10000, hex(optional.ImageBase)),
        ("section alignment 0x1000", optional.SectionAlignment == 0x1000, hex(optional.SectionAlignment)),
        ("file alignment 0x200", optional.FileAlignment == 0x200, hex(optional.FileAlignment)),
        ("DllCharacteristics 0 (no DYNAMIC_BASE, no NX_COMPAT)", optional.DllCharacteristics == 0,
         hex(optional.DllCharacteristics)),
        ("stack reserve 64 KiB or less", optional.SizeOfStackReserve <= 0x10000, optional.SizeOfStackReserve),
        ("no TLS directory", not hasattr(pe, "DIRECTORY_ENTRY_TLS"), "a TLS directory"),
        ("COREDLL.dll the only DLL", [dll.upper() for dll, _ in dlls] == ["COREDLL.DLL"],
         [dll for dll, _ in dlls]),
        ("every import by name", all(None not in names for _, names in dlls), dlls),
        ("icon group 101 over eight icons", found.get(14) == [101] and len(found.get(3, [])) == 8, found),
        ("at most 72 KiB", Path(program).stat().st_size <= 72 * 1024, Path(program).stat().st_size),
    ]
    failures = [f"{what}: found {value}" for what, ok, value in checks if not ok]
    print("\n".join(failures) or f"{program}: {len(checks)} fields as the CE loader takes them")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
