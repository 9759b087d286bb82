#!/usr/bin/env python3
"""Checks a sample card with cabbatch-check, then runs the program on it in a throwaway Wine
prefix and tells what it did. Usage: demo.py PROGRAM STANDIN CHECKER CARD_FOLDER"""
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

from wine_card import Card, INSTALL_DIR, WINE_RUN


def main(program, standin, checker, sample):
    files = {path.relative_to(sample).as_posix(): path.read_bytes()
             for path in sorted(Path(sample).rglob("*")) if path.is_file()}
    work = Path(tempfile.mkdtemp(prefix="cabbatch-demo-"))
    card = Card(work / "prefix", program, standin)
    try:
        print("Making a throwaway Wine prefix; its drive C: plays the device's root.")
        card.lay_out(files)
        print(f"The card, {INSTALL_DIR}:")
        for name in ["cabbatch.exe", *files]:
            print(f"  {name}".replace("/", "\\"))
        for name in (name for name in files if name.startswith("SetupFile.CE")):
            print(f"{name} reads:")
            for line in files[name].decode("utf-8", "replace").splitlines():
                print(f"  | {line}")
        print(f"\nFirst the card check, on the desktop: cabbatch-check --device-dir \"{INSTALL_DIR}\" ...")
        print("(It flags cabbatch.exe: this demo's program is the x86-64 build that runs under Wine; a device")
        print("needs the ARM build that the device SDK makes. It also reads each package through.)\n")
        sys.stdout.flush()
        subprocess.run([str(WINE_RUN), checker, "--device-dir", INSTALL_DIR, INSTALL_DIR],
                       env=card.env())
        print("\nWine reports major version 6, so the program looks for SetupFile.CE6.txt. The stand-in")
        print("installer at C:\\windows\\wceload.exe installs nothing; like the device's own, it deletes each")
        print("package it is given, and it takes every package, so all three start.")
        print(f"\nRunning {INSTALL_DIR}\\cabbatch.exe ...")
        status = card.run()
        for number, (_, arguments) in enumerate(card.starts(), 1):
            print(f"  start {number}: \\windows\\wceload.exe with arguments [{arguments}]")
        print(f"Exit code: {status} (always 1, by design: whoever starts the program learns nothing from it)")
        left = sorted(path.relative_to(card.install).as_posix().replace("/", "\\")
                      for path in card.install.rglob("*") if path.is_file())
        print("SetupFile.CE6.txt is", "still there" if "SetupFile.CE6.txt" in left
              else "gone: the batch will not run again")
        print(f"The card now holds: {', '.join(left)}")
        print("The packages the installer ran are used up. SetupFile.CE7.txt stays for a version-7 device, but")
        print("its tools.cab went with this run: the card needs it again before it serves such a device.")
        return 0 if status == 1 else 1
    finally:
        card.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:5]))
