#!/usr/bin/env python3
"""scripts/device-run on cards, case by case: which program runs (FOLDER's own, the device
build, or none where FOLDER's is not for the device), what the stand-in installer met at each
start, names no device can hold left out of the copy, what the run used up and deleted, what
the card holds last, its exit status, and FOLDER left as it was; each installer start shown
exactly as the card check's plain report shows that line's package, and what it met as the
check predicts; and the demo, ending with what the sample card then holds.
Usage: dry_run.py PROGRAM CHECKER (the device build and the host card check)"""
import json
import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import pefile

HERE = Path(__file__).resolve().parent
ROOT = HERE.parents[1]
DEVICE_RUN = ROOT / "scripts" / "device-run"
sys.path.insert(0, str(HERE))
from emulator_test import at_entry, slot  # noqa: E402

LIST = "SetupFile.CE6.txt"
START = '  start {}: \\windows\\wceload.exe with arguments [ /noui /pbar "\\Storage Card\\{}]: {}'
# Names a terminal would act on or that could be read two ways: each must be spelt out.
ESCAPED = ("a.cab\r\ntab\there.cab\r\ncaf\u00e9 <1>.cab\r\nnel\u0085.cab\r\n\u202eevil.cab\r\n"
           "zw\u200bspace.cab\r\n\ufeffmark.cab\r\ntag\U000e0041.cab\r\n").encode()


def machine(value, subsystem):
    def change(program):
        pe = pefile.PE(str(program))
        pe.FILE_HEADER.Machine, pe.OPTIONAL_HEADER.Subsystem = value, subsystem
        return pe.write()
    return change


def loader_header(magic=0x10B, flip=0):
    """The device program with the optional header's magic set and the file header's flags
    in flip turned over."""
    def change(program):
        pe = pefile.PE(str(program))
        pe.OPTIONAL_HEADER.Magic, pe.FILE_HEADER.Characteristics = magic, pe.FILE_HEADER.Characteristics ^ flip
        return pe.write()
    return change


def deleting_the_installer(program):
    """DeleteFileW("\\windows\\wceload.exe"), then TerminateProcess(0x42, 1)."""
    return at_entry(program, 0xE28F0030, 0xE59FC024, 0xE59CC000, 0xE1A0E00F, 0xE12FFF1C,  # call with r0
                    0xE3A00042, 0xE3A01001, 0xE59FC010, 0xE59CC000, 0xE1A0E00F, 0xE12FFF1C,  # end
                    0xEAFFFFFE, slot(program, b"DeleteFileW"), slot(program, b"TerminateProcess"),
                    "\\windows\\wceload.exe\0".encode("utf-16-le"))


def ending_at_once(program):
    """TerminateProcess(0x42, 1), reading nothing."""
    return at_entry(program, 0xE3A00042, 0xE3A01001, 0xE59FC00C, 0xE59CC000, 0xE1A0E00F, 0xE12FFF1C,
                    0xEAFFFFFE, slot(program, b"TerminateProcess"))


def as_is(program):
    return Path(program).read_bytes()


# Names no device can hold, each listed: the copy leaves them out, so each start meets nothing.
UNHOLDABLE = ["<x>.cab", "a?.cab", "c:d.cab", "e\x01.cab", "p|q.cab", "tab\t.cab", "x*.cab"]
LEFT_OUT = '  (left out of the copy, a name that no device holds, with "{}": {})'
# Each run may write no file larger than this, so that a copy of a card's sparse gigabytes fails.
MOST_WRITTEN = 64 << 20


# name: (FOLDER's files, each bytes, a size for a sparse file of zeros, or made from the device
# program, read-only where the name ends in '!'; device-run's options;
# its exit status; lines its stdout holds in this order, the last of them last, or its
# stderr where nothing ran).
CASES = {
    "the device build where FOLDER holds no program": (
        {LIST: b"a.cab\r\n"}, [], 0,
        ["The program: build/device/cabbatch.exe, the device build, copied in as cabbatch.exe: "
         "the folder holds none.",
         "It runs on an emulated ARMv4T core as \\Storage Card\\cabbatch.exe, on a device that runs OS version 6,",
         START.format(1, 'a.cab"', "no such file"), "Used up by the installer: nothing",
         "The card now holds:", "  cabbatch.exe"]),
    "FOLDER's own program, named in another case": (
        {"CabBatch.EXE": as_is, LIST: b""}, ["--device-dir", "\\Install"], 0,
        ["The program: the folder's own CabBatch.EXE, for the device (Windows CE on ARM, machine 0x01c0, "
         "subsystem 9).",
         "It runs on an emulated ARMv4T core as \\Install\\CabBatch.EXE, on a device that runs OS version 6,",
         "Exit code: 1", "The card now holds:", "  CabBatch.EXE"]),
    "Thumb's machine taken": (
        {"cabbatch.exe": machine(0x1C2, 9), LIST: b""}, [], 0,
        ["The program: the folder's own cabbatch.exe, for the device (Windows CE on ARM, machine 0x01c2, "
         "subsystem 9).", "The card now holds:", "  cabbatch.exe"]),
    "what each start met, what was used up and deleted, what the card holds": (
        {LIST: b'a.cab" /delete 0\r\na.cab\r\nb.cab" /delete 1\r\nb.cab\r\nsub\\C.CAB\r\n',
         "a.cab": b"", "b.cab": b"", "Sub/c.cab": b"", "SetupFile.CE7.txt": b""}, [], 0,
        [START.format(1, 'a.cab" /delete 0"', "installed, kept (/delete 0)"),
         START.format(2, 'a.cab"', "installed, used up"),
         START.format(3, 'b.cab" /delete 1"', "installed, used up"),
         START.format(4, 'b.cab"', "no such file"),
         START.format(5, 'sub\\C.CAB"', "installed, used up"),
         "SetupFile.CE6.txt: deleted: the batch runs once", "Exit code: 1",
         "Used up by the installer:", "  a.cab", "  b.cab", "  Sub\\c.cab",
         "Deleted by the program:", "  SetupFile.CE6.txt",
         "The card now holds:", "  cabbatch.exe", "  SetupFile.CE7.txt"]),
    "read-only files stay": (
        {LIST + "!": b"a.cab\r\nb.cab\r\n", "a.cab!": b"", "b.cab": b""}, [], 0,
        [START.format(1, 'a.cab"', "installed, kept: the file is read-only"),
         START.format(2, 'b.cab"', "installed, used up"),
         "SetupFile.CE6.txt: still there: the batch runs again at the next start",
         "Used up by the installer:", "  b.cab", "Deleted by the program: nothing",
         "The card now holds:", "  a.cab", "  cabbatch.exe", "  SetupFile.CE6.txt"]),
    "names folded as the device folds them, not as Python does": (
        {"\u017fetupFile.CE6.txt": b"x.cab\r\n", LIST: "\ufb01le.cab\r\n\u00e9.cab\r\n".encode(),
         "FILE.cab": b"", "\u00c9.cab": b""}, [], 0,
        [START.format(1, '\ufb01le.cab"', "no such file"), START.format(2, '\u00e9.cab"', "installed, used up"),
         "The card now holds:", "  cabbatch.exe", "  FILE.cab", "  \u017fetupFile.CE6.txt"]),
    "a list only Python would take": (
        {"Setup\ufb01le.CE6.txt": b"a.cab\r\n", "a.cab": b""}, [], 0,
        ["  no installer started", "No SetupFile.CE6.txt in the folder: nothing to run.",
         "Used up by the installer: nothing", "Deleted by the program: nothing",
         "The card now holds:", "  a.cab", "  cabbatch.exe", "  Setup\ufb01le.CE6.txt"]),
    "the card at the device's root, beside the stand-in installer": (
        {LIST: b"a.cab\r\n", "a.cab": b""}, ["--device-dir", ""], 0,
        ['  start 1: \\windows\\wceload.exe with arguments [ /noui /pbar "\\a.cab"]: installed, used up',
         "The card now holds:", "  cabbatch.exe"]),
    "an x86-64 program refused": (
        {"cabbatch.exe": machine(0x8664, 2), LIST: b"a.cab\r\n"}, [], 2,
        ["device-run: cabbatch.exe in FOLDER is not for the device, which runs Windows CE programs for ARM "
         "(machine 0x8664, subsystem 2): nothing run"]),
    "an ARM program for desktop Windows refused": (
        {"cabbatch.exe": machine(0x1C0, 2), LIST: b""}, [], 2,
        ["device-run: cabbatch.exe in FOLDER is not for the device, which runs Windows CE programs for ARM "
         "(machine 0x01c0, subsystem 2): nothing run"]),
    **{f"{what} refused": ({"cabbatch.exe": change, LIST: b""}, [], 2,
                           [f"device-run: cabbatch.exe in FOLDER is not a program the device starts: {why} "
                            "(machine 0x01c0, subsystem 9): nothing run"])
       for what, change, why in [("a PE32+ header", loader_header(0x20B), "its header's magic is 0x020b, not PE32's 0x010b"),
                                 ("a DLL", loader_header(flip=0x2000), "its header marks it a DLL"),
                                 ("an image not executable", loader_header(flip=0x2), "its header does not mark it executable")]},
    "a text file refused": (
        {"CABBATCH.exe": lambda _: b"MZ is not enough", LIST: b""}, [], 2,
        ["device-run: CABBATCH.exe in FOLDER is not a Windows program: nothing run"]),
    "a folder refused": (
        {"cabbatch.exe/x": lambda _: b"", LIST: b""}, [], 2,
        ["device-run: cabbatch.exe in FOLDER is a folder: nothing run"]),
    "an unknown option escaped": (
        {}, ["--\u202ex"], 2,
        ["device-run: unrecognized arguments: --<U+202E>x"]),
    "a version escaped": (
        {}, ["--os-version", "6\x1b[2J"], 2,
        ['device-run: argument --os-version: "6<U+001B>[2J" is not a major version such as 6']),
    "a program that deletes a file outside FOLDER": (
        {"cabbatch.exe": deleting_the_installer, LIST: b"a.cab\r\n"}, [], 0,
        ["  no installer started", "SetupFile.CE6.txt: still there: the batch runs again at the next start",
         "Deleted by the program:", "  \\windows\\wceload.exe",
         "The card now holds:", "  cabbatch.exe", "  SetupFile.CE6.txt"]),
    "names no device can hold left out": (
        {LIST: "\r\n".join(UNHOLDABLE).encode(), "s?b/x.cab": b"", **{name: b"" for name in UNHOLDABLE}}, [], 0,
        [LEFT_OUT.format("<<", "<<x>.cab"), LEFT_OUT.format("?", "a?.cab"), LEFT_OUT.format(":", "c:d.cab"),
         LEFT_OUT.format("<U+0001>", "e<U+0001>.cab"), LEFT_OUT.format("|", "p|q.cab"),
         LEFT_OUT.format("?", "s?b"), LEFT_OUT.format("<TAB>", "tab<TAB>.cab"), LEFT_OUT.format("*", "x*.cab"),
         START.format(1, '<<x>.cab"', "no such file"), START.format(7, 'x*.cab"', "no such file"),
         "The card now holds:", "  cabbatch.exe"]),
    "a card's size costs nothing, its names kept": (
        {LIST: b"sub\\big.cab\r\n", "map.dat": 100 << 30, "sub/big.cab!": 1 << 30}, [], 0,
        [START.format(1, 'sub\\big.cab"', "installed, kept: the file is read-only"),
         "The card now holds:", "  cabbatch.exe", "  map.dat", "  sub\\big.cab"]),
    "the largest list run, its bound told": (
        {"cabbatch.exe": ending_at_once, LIST: 1 << 20}, [], 0,
        ["The run's bound: 2,097,252,000 emulated instructions, 100,000 for start-up and 2,000 for each of "
         "the list's 1,048,576 bytes: about 15 minutes at the emulator's 2.4 million a second.",
         "Exit code: 1", "The card now holds:", "  cabbatch.exe", "  SetupFile.CE6.txt"]),
    "a list too large refused, the card check named": (
        {"setupfile.ce6.TXT": (1 << 20) + 1}, [], 2,
        ["device-run: setupfile.ce6.TXT in FOLDER is 1,048,577 bytes, more than the 1,048,576 that a dry run "
         "emulates (a real list is a few KB; its bound would allow about 15 minutes): nothing run. The card "
         "check reads a list of any size: cabbatch-check FOLDER"]),
    "the largest program read": (
        {"cabbatch.exe": 32 << 20, LIST: b""}, [], 2,
        ["device-run: cabbatch.exe in FOLDER is not a Windows program: nothing run"]),
    "a program too large refused": (
        {"cabbatch.exe": (32 << 20) + 1, LIST: b""}, [], 2,
        ["device-run: cabbatch.exe in FOLDER is larger than 32 MiB, the most the emulated device maps for a "
         "program: nothing run"]),
    "a program that does not end, stopped by its bound": (
        {"cabbatch.exe": lambda program: at_entry(program, 0xEAFFFFFE), LIST: b"x" * 1000}, [], 1,
        ["The run failed: no end within 2,100,000 emulated instructions, the bound for a list of "
         "1,000 bytes (100,000 for start-up and 2,000 a byte)"]),
}


def snapshot(folder):
    """Each file's size and, up to 1 MiB, its bytes: a sparse file of gigabytes is not read."""
    def held(path):
        with path.open("rb") as file:
            return path.stat().st_size, file.read(1 << 20)
    return {path.relative_to(folder): held(path) for path in sorted(folder.rglob("*")) if path.is_file()}


def in_order(lines, text):
    """The lines that text does not hold in this order."""
    at, missing = 0, []
    held = text.splitlines()
    for line in lines:
        if line in held[at:]:
            at = held.index(line, at) + 1
        else:
            missing.append(line)
    return missing


def case(program, name):
    files, options, status, lines = CASES[name]
    with tempfile.TemporaryDirectory(prefix="cabbatch-dry-run-") as work:
        folder = Path(work) / "FOLDER"
        for file, data in files.items():
            path = folder / file.rstrip("!")
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(data if isinstance(data, bytes) else b"" if isinstance(data, int) else data(program))
            if isinstance(data, int):
                os.truncate(path, data)
            if file.endswith("!"):
                path.chmod(0o444)
        before = snapshot(folder)
        run = subprocess.run([str(DEVICE_RUN), *options, "FOLDER"], cwd=work, capture_output=True, text=True,
                             env={**os.environ, "TMPDIR": work},
                             preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (MOST_WRITTEN,) * 2))
        failures = [] if snapshot(folder) == before else ["FOLDER was changed"]
    said = run.stdout if status != 2 else run.stderr
    last = status != 0 or said.splitlines()[-1:] == lines[-1:]
    if run.returncode != status or (status == 2 and run.stdout) or in_order(lines, said) or not last:
        failures.append(f"exit status {run.returncode}, missing {in_order(lines, said)} in:\n"
                        f"{run.stdout}{run.stderr}")
    return [f"{name}: {failure}" for failure in failures]


def shown_as_the_check_shows(checker):
    """Each start of a list of names that must be spelt out, against the check's report."""
    with tempfile.TemporaryDirectory(prefix="cabbatch-dry-run-") as folder:
        (Path(folder) / LIST).write_bytes(ESCAPED)
        run = subprocess.run([str(DEVICE_RUN), folder], capture_output=True, text=True)
        report = subprocess.run([checker, folder], capture_output=True, text=True)
    starts = re.findall(r'start \d+: \\windows\\wceload\.exe with arguments \[ /noui /pbar "(.*)"\]', run.stdout)
    predicted = re.findall(r'^ +\d+  install "(.*)"$', report.stdout, re.M)
    if len(starts) != 8 or starts != predicted:
        return [f"starts shown {starts}, the check shows {predicted}"]
    return []


# Cards of a list and its packages: entries holding quotes, with and without /delete 0, and
# the same packages named again; names no device can hold; names ending in dots or spaces.
PREDICTED = [
    (b'a.cab" /delete 0\r\na.cab\r\nb.cab" /delete 1\r\nb.cab\r\nc.cab"\r\nc.cab\r\nnone.cab" /x\r\n',
     ["a.cab", "b.cab", "c.cab"]),
    (b'a.cab"/DELETE "0"\r\nA.CAB\r\na.cab\r\nb.cab" /delete 00\r\nb.cab\r\n', ["a.cab", "b.cab"]),
    ("\r\n".join(UNHOLDABLE + ["g.cab.", "h.cab. ", "H.cab", "k.cab ", "s?b\\x.cab"]).encode(),
     UNHOLDABLE + ["g.cab.", "h.cab", "k.cab", "s?b/x.cab"]),
]


def starts_as_the_check_predicts(checker):
    """What each start met in the dry run, against what the check said of its line: not found,
    named as no file can be, or repeated; the package kept by /delete 0; or used up."""
    failures = []
    for number, (listed, packages) in enumerate(PREDICTED):
        with tempfile.TemporaryDirectory(prefix="cabbatch-dry-run-") as folder:
            for name in [LIST, *packages]:
                (Path(folder) / name).parent.mkdir(exist_ok=True)
                (Path(folder) / name).write_bytes(listed if name == LIST else b"")
            report = json.loads(subprocess.run([checker, "--json", folder], capture_output=True).stdout)
            run = subprocess.run([str(DEVICE_RUN), folder], capture_output=True, text=True)
        lines = [line for line in report["lists"][0]["lines"] if line["outcome"] == "install"]
        predicted = ["no such file" if not line["found"] or {"duplicate", "unholdable-name"} & set(line["warnings"])
                     else "installed, kept (/delete 0)" if line.get("keeps_package") else "installed, used up"
                     for line in lines]
        met = re.findall(r"^  start \d+: .*\]: (.*)$", run.stdout, re.M)
        if met != predicted or len(met) != len(listed.splitlines()):
            failures.append(f"list {number}: the dry run met {met}, the check predicted {predicted}")
    return failures


def whole_help():
    """--help: a description whose every paragraph ends, each option with its meaning and
    default, and the exit statuses."""
    said = subprocess.run([str(DEVICE_RUN), "--help"], capture_output=True, text=True).stdout
    prose = said.split("\n\n", 1)[-1].split("positional arguments:")[0]
    unfinished = [p for p in (" ".join(p.split()) for p in prose.split("\n\n")) if p and not p.endswith(".")]
    flat = " ".join(said.split())
    options = re.findall(r" (--[a-z-]+ [A-Z]+) (.*?)(?= --|$)", flat.split("options:")[-1].split(" The run ")[0])
    undefaulted = [name for name, text in options if "(default: " not in text]
    if unfinished or len(options) != 2 or undefaulted or "exit status: 0 " not in flat:
        return [f"--help: unfinished {unfinished}, options {options}, no default for {undefaulted}"]
    return []


def demo_ending(program, checker):
    demo = subprocess.run([sys.executable, str(ROOT / "scripts" / "demo.py"), program, checker,
                           str(ROOT / "samples" / "card")], capture_output=True, text=True)
    ending = ["The card now holds:", "  cabbatch.exe", "  SetupFile.CE7.txt"]
    if demo.returncode != 0 or demo.stdout.splitlines()[-3:] != ending:
        return [f"the demo ends:\n{demo.stdout[-300:]}{demo.stderr}"]
    return []


def into_a_closed_pipe(program):
    """A reader that stops after the first line (device-run FOLDER | head -1) gets a message
    and exit status 2, not a traceback, and the run's copy is removed."""
    with tempfile.TemporaryDirectory(prefix="cabbatch-dry-run-") as folder, \
            tempfile.TemporaryDirectory(prefix="cabbatch-tmp-") as work:
        shutil.copy(program, Path(folder) / "cabbatch.exe")
        (Path(folder) / LIST).write_bytes(b"a.cab\r\n" * 50)
        run = subprocess.Popen([str(DEVICE_RUN), folder], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               env={**os.environ, "TMPDIR": work})
        run.stdout.readline()
        run.stdout.close()
        said = run.stderr.read().decode()
        left = list(Path(work).iterdir())
        if run.wait() != 2 or "Traceback" in said or "cannot write" not in said or left:
            return [f"into a closed pipe: exit status {run.returncode}, left {left}, said:\n{said}"]
    return []


def main(program, checker):
    failures = shown_as_the_check_shows(checker) + starts_as_the_check_predicts(checker) + whole_help() \
        + demo_ending(program, checker) + into_a_closed_pipe(program)
    for name in CASES:
        failures += case(program, name)
    print("\n".join(failures) or f"{len(CASES)} cards run as expected, FOLDER unchanged; "
                                   "starts shown, and what each met, as the check predicts them")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
