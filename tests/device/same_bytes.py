#!/usr/bin/env python3
"""The same bytes from every build: the device program, built again into another build folder
from this checkout and once more from a copy of it elsewhere, is byte for byte the program
under test. The builds happen seconds apart, so a time stamp shows too.
Usage: same_bytes.py SOURCE_DIR PROGRAM"""
import filecmp
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

LEFT_OUT = shutil.ignore_patterns(".git", "build", "dist", "__pycache__")


def build(source, binary):
    """The device preset's program, from SOURCE into BINARY; its path, or None with the log."""
    for command in (["cmake", "--preset", "device", "-B", str(binary), "-DBUILD_TESTING=OFF"],
                    ["cmake", "--build", str(binary), "-j2", "--target", "cabbatch"]):
        run = subprocess.run(command, cwd=source, capture_output=True, text=True)
        if run.returncode != 0:
            print(f"{' '.join(command)} in {source} failed:\n{run.stdout}{run.stderr}")
            return None
    return binary / "cabbatch.exe"


def main(source, program):
    with tempfile.TemporaryDirectory(prefix="cabbatch-same-bytes-") as scratch:
        copy = Path(scratch) / "elsewhere" / "cabbatch"
        shutil.copytree(source, copy, ignore=LEFT_OUT)
        builds = [build(Path(source), Path(scratch) / "another-build"), build(copy, copy / "build" / "device")]
        if None in builds:
            return 1
        differing = [str(path) for path in builds if not filecmp.cmp(program, path, shallow=False)]
    print("\n".join(f"{path} differs from {program}" for path in differing)
          or f"{program}: the same bytes from two more builds, in other folders")
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
