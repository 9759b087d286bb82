#!/usr/bin/env python3
"""The card check takes the device build for the device's program: copied into a card
folder beside a list, it is reported as one a device runs, and no-device-program stays
silent. Usage: card_check_knows.py CHECKER PROGRAM"""
import json
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path


def main(checker, program):
    with tempfile.TemporaryDirectory(prefix="cabbatch-card-") as folder:
        shutil.copy(program, Path(folder) / "cabbatch.exe")
        (Path(folder) / "SetupFile.CE6.txt").write_bytes(b"a.cab\r\n")
        report = json.loads(subprocess.run([checker, "--json", folder], capture_output=True).stdout)
    programs = report["programs"]
    failures = []
    if [(p["file"], p["device"]) for p in programs] != [("cabbatch.exe", True)]:
        failures.append(f"programs {programs}: want cabbatch.exe for the device")
    if "no-device-program" in report["warnings"]:
        failures.append("no-device-program was given for the device's own program")
    print("\n".join(failures) or f"cabbatch.exe: machine {programs[0]['machine']}, for the device")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
