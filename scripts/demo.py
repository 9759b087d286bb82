#!/usr/bin/env python3
"""Checks a sample card with cabbatch-check, the device program copied onto it, then runs
that program's batch install on it with scripts/device-run, on an emulated ARMv4T core, which
ends with what the card then holds. Usage: demo.py PROGRAM CHECKER CARD_FOLDER"""
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
DEVICE_DIR = "\\Storage Card\\Install"


def main(program, checker, sample):
    with tempfile.TemporaryDirectory(prefix="cabbatch-demo-") as work:
        card = Path(work) / "Install"
        shutil.copytree(sample, card)
        shutil.copy(program, card / "cabbatch.exe")
        names = sorted(p.relative_to(card).as_posix() for p in card.rglob("*") if p.is_file())
        print(f"The card's folder, {DEVICE_DIR} on the device, with the ARM program copied in:")
        for name in names:
            print(f"  {name}".replace("/", "\\"))
        for name in (name for name in names if name.startswith("SetupFile.CE")):
            print(f"{name} reads:")
            for line in (card / name).read_bytes().decode("utf-8", "replace").splitlines():
                print(f"  | {line}")
        print(f"\nFirst the card check, on the desktop: cabbatch-check --device-dir '{DEVICE_DIR}' ...")
        print("(It reads each package through and says whether the device's installer will take it.)\n")
        sys.stdout.flush()
        subprocess.run([checker, "--device-dir", DEVICE_DIR, str(card)])
        print("\nThen the device program itself: scripts/device-run runs the ARM code of the cabbatch.exe")
        print("on the card on an emulated ARMv4T core, over a copy of the folder, on a device that reports")
        print("OS version 6, so it reads SetupFile.CE6.txt. The installer it starts is a stand-in that")
        print("installs nothing; like the device's own, it deletes each package it has run. Exit code 1 is")
        print("the program's only answer, by design: whoever starts it learns nothing from it. Last comes")
        print("what the card holds afterwards: SetupFile.CE7.txt stays for a version-7 device, but the")
        print("packages it names were used up by this run, so such a card needs them again.\n")
        sys.stdout.flush()
        status = subprocess.run([str(HERE / "device-run"), "--device-dir", DEVICE_DIR, str(card)]).returncode
        return status


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
