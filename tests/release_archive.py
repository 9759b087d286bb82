#!/usr/bin/python3
"""scripts/release, then its archive as a colleague takes it, unpacked into a fresh folder:
it holds what a release holds and the sums of it, which sha256sum verifies; each program
holds the archive's version and no path of this checkout (program_facts.py); the Linux check
and the Windows one, under Wine, give the same report of the sample card, "folder" apart; and
the device program, put on a copy of the sample card, is the check's program for the device
and runs there with scripts/device-run.
Usage: tests/release_archive.py (scripts/test runs it, after the presets' tests)"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
PROGRAMS = ["device/cabbatch.exe", "windows/cabbatch-check.exe", "linux/cabbatch-check"]
CONTENTS = [*PROGRAMS, "README.md", "LICENSE", "CHANGELOG.md", "SHA256SUMS"]
CARD = ROOT / "samples" / "card"
DEVICE_DIR = "\\Storage Card\\Install"


def release():
    """The archive scripts/release writes, or None with its output."""
    done = subprocess.run([str(ROOT / "scripts" / "release")], capture_output=True, text=True)
    written = re.search(r"^Wrote (dist/\S+\.zip)$", done.stdout, re.M)
    if done.returncode != 0 or not written:
        print(f"scripts/release failed:\n{done.stdout}{done.stderr}")
        return None
    return ROOT / written.group(1)


def unpack(archive, folder):
    """As unzip does it: each entry with its mode. The names, in the archive's order."""
    with zipfile.ZipFile(archive) as opened:
        for info in opened.infolist():
            opened.extract(info, folder)
            (folder / info.filename).chmod(info.external_attr >> 16 & 0o777)
        return opened.namelist()


def sums(folder):
    listed = re.findall(r"^[0-9a-f]{64}  (.+)$", (folder / "SHA256SUMS").read_text(), re.M)
    verified = subprocess.run(["sha256sum", "--check", "--strict", "SHA256SUMS"], cwd=folder,
                              capture_output=True, text=True)
    return [f"SHA256SUMS leaves out {name}" for name in PROGRAMS if name not in listed] + \
        ([] if verified.returncode == 0 else [f"sha256sum --check:\n{verified.stdout}{verified.stderr}"])


def facts(folder, version):
    failures = []
    for name in PROGRAMS:
        done = subprocess.run([sys.executable, str(ROOT / "tests" / "program_facts.py"), str(folder / name),
                               version, "cabbatch", str(folder / "LICENSE"), str(ROOT)], capture_output=True, text=True)
        failures += [] if done.returncode == 0 else [f"{name}: {done.stdout}{done.stderr}"]
    return failures


def report(command):
    done = subprocess.run(command, capture_output=True, text=True)
    try:
        return done.returncode, {key: value for key, value in json.loads(done.stdout).items() if key != "folder"}
    except json.JSONDecodeError:
        return done.returncode, f"no JSON: {done.stdout}{done.stderr}"


def both_checks(folder):
    options = ["--json", "--device-dir", DEVICE_DIR]
    linux = report([str(folder / "linux" / "cabbatch-check"), *options, str(CARD)])
    windows = report([str(ROOT / "scripts" / "wine-run"), str(folder / "windows" / "cabbatch-check.exe"),
                      *options, f"Z:{CARD}"])
    return [] if linux == windows and isinstance(linux[1], dict) else \
        [f"the two checks differ on the sample card:\nLinux {linux}\nWindows {windows}"]


def on_a_card(folder, scratch, version):
    card = scratch / "Install"
    shutil.copytree(CARD, card)
    shutil.copy(folder / "device" / "cabbatch.exe", card / "cabbatch.exe")
    _, checked = report([str(folder / "linux" / "cabbatch-check"), "--json", str(card)])
    programs = checked.get("programs") if isinstance(checked, dict) else checked
    run = subprocess.run([str(ROOT / "scripts" / "device-run"), "--device-dir", DEVICE_DIR, str(card)],
                         capture_output=True, text=True)
    failures = [] if programs and programs[0].get("device") is True and programs[0].get("version", version) == version \
        else [f"the check does not take it for the device's program: {programs}"]
    if run.returncode != 0 or "Exit code: 1" not in run.stdout or not re.search(r"^ *start 1: ", run.stdout, re.M):
        failures.append(f"scripts/device-run on the card:\n{run.stdout}{run.stderr}")
    return failures


def main():
    archive = release()
    if not archive:
        return 1
    version = re.fullmatch(r"cabbatch-(.+)\.zip", archive.name).group(1)
    with tempfile.TemporaryDirectory(prefix="cabbatch-release-") as scratch:
        folder = Path(scratch) / "unpacked"
        names = unpack(archive, folder)
        failures = [] if sorted(names) == sorted(CONTENTS) else [f"the archive holds {names}, not {CONTENTS}"]
        failures += [f"{name} is not executable once unpacked" for name in PROGRAMS
                     if name in names and not os.access(folder / name, os.X_OK)]
        if not failures:
            failures += sums(folder) + facts(folder, version) + both_checks(folder) + \
                on_a_card(folder, Path(scratch), version)
    print("\n".join(failures) or f"{archive.relative_to(ROOT)}: {len(names)} files, sums verified; "
          "the programs' facts hold, the two checks agree, the device program runs on the card")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
