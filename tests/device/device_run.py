#!/usr/bin/env python3
"""The ARM program on an emulated ARMv4T core (scripts/ce_device.py), case by case: every
case and every prediction of the Wine end-to-end tests, and the device's own scenarios.
Paths on the device have no drive, so the Wine cases' C:\\ becomes a folder \\C: a folder of
the same length, so that each limit falls on the same line. One case per call, named on the
command line. Usage: device_run.py PROGRAM HOST_CHECKER CASE (or --list)."""
import json
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parents[1] / "scripts"))
sys.path.insert(0, str(HERE.parent / "wine"))
import ce_device  # noqa: E402
import e2e  # noqa: E402

LIST = "SetupFile.CE6.txt"
FOLDER = "\\C\\Storage Card\\Install"
LIMIT = 127 - len(' /noui /pbar ""\\') - len(FOLDER)  # the longest entry that starts


def on_device(text):
    """A Wine path or argument string as the device spells it."""
    return text.replace("C:\\", "\\C\\")


def args(entry, folder=FOLDER):
    return f' /noui /pbar "{folder}\\{entry}"'


# The device's own scenarios: name: (files, expected arguments, list kept, settings).
SCENARIOS = {
    "line_ends": ({LIST: b"lf.cab\ncrlf.cab\r\nlast.cab"},
                  [args("lf.cab"), args("crlf.cab"), args("last.cab")], False, {}),
    "blank_lines": ({LIST: b"\n\r\n \t\r\n\r\r\na.cab\n"}, [args("a.cab")], False, {}),
    "utf8_without_mark": ({LIST: "caf\u00e9.cab\n\u65e5.cab\n".encode()},
                          [args("caf\u00e9.cab"), args("\u65e5.cab")], False, {}),
    "utf8_with_mark": ({LIST: b"\xef\xbb\xbf" + "\u00e9.cab\r\n".encode()}, [args("\u00e9.cab")], False, {}),
    "utf16": ({LIST: b"\xff\xfe" + "\u65e5.cab\r\n\U0001F4E6.cab\n".encode("utf-16-le")},
              [args("\u65e5.cab"), args("\U0001F4E6.cab")], False, {}),
    # Not UTF-8, so the system's ANSI code page (1252): 0x81 is U+0081 there.
    "ansi_through_cp_acp": ({LIST: b"na\xefve.cab\r\n\x81\x80.cab\r\n"},
                            [args("na\u00efve.cab"), args("\u0081\u20ac.cab")], False, {}),
    "line_over_the_limit": ({LIST: b"x" * 127 + b"\n" + b"y" * 126 + b"\nz.cab\n"},
                            [args("z.cab")], False, {}),
    "arguments_at_the_limit": ({LIST: b"a" * LIMIT + b"\n" + b"b" * (LIMIT + 1) + b"\n"},
                               [args("a" * LIMIT)], False, {}),
    "empty_list": ({LIST: b""}, [], False, {}),
    "read_only_list": ({LIST + "!": b"a.cab\r\n"}, [args("a.cab")], True, {}),
    "program_at_the_root": ({LIST: b"a.cab\r\n"}, [' /noui /pbar "\\a.cab"'], False, {"folder": ""}),
}


# Reads whole, then three ways of short reads, odd counts included, as a real file system
# may hand them back: a UTF-16 unit then straddles two reads.
SEEDS = (None, 1, 2, 3)


def run_each_way(program, root, folder, files, expect, major=6, installer=True, command_line=""):
    """Runs the program on a fresh card for each way of reading; files named with a trailing
    '!' are read-only. expect(card folder) gives the starts and the lists kept, before the
    run. The failures of the first way that fails."""
    for seed in SEEDS:
        card = Path(root) / str(seed)
        plain = {name.rstrip("!"): data for name, data in files.items()}
        module = ce_device.lay_out(card, folder, program, plain, installer)
        for name in (name for name in files if name.endswith("!")):
            ce_device.read_only(ce_device.host_folder(card, folder) / name.rstrip("!"))
        expected, kept = expect(ce_device.host_folder(card, folder))
        try:
            outcome = ce_device.Device(card, major=major, seed=seed).run(program, module, command_line)
            failures = check(outcome, card, folder, files, expected, kept)
        except ce_device.DeviceFault as fault:
            failures = [str(fault)]
        if failures:
            return [f"{failure} (reads: {'short, seed ' + str(seed) if seed else 'whole'})"
                    for failure in failures]
    return []


def check(outcome, root, folder, files, expected, kept):
    """The run against what was expected: starts, exit code and the list's fate."""
    failures = []
    if outcome.exit_code != 1:
        failures.append(f"exit code {outcome.exit_code}, not 1")
    if any(application != ce_device.INSTALLER for application, _ in outcome.starts):
        failures.append(f"started {outcome.starts}, not the installer")
    if [arguments for _, arguments in outcome.starts] != expected:
        failures.append(f"installer starts {outcome.starts}, expected {expected}")
    for name in (name.rstrip("!") for name in files if name.startswith("SetupFile.")):
        there = (ce_device.host_folder(root, folder) / name).exists()
        if there != (name in kept):
            failures.append(f"{name} {'still there' if there else 'gone'}")
    return failures


def scenario(program, root, name):
    files, expected, kept, settings = SCENARIOS[name]
    folder = settings.get("folder", FOLDER)
    expected = [e.replace(FOLDER + "\\", folder + "\\") for e in expected]
    return run_each_way(program, root, folder, files, lambda _: (expected, [LIST] if kept else []))


def wine_case(program, root, name):
    files, expected, kept, extra = e2e.CASES[name]
    return run_each_way(program, root, FOLDER, files, lambda _: ([on_device(e) for e in expected], kept),
                        major=5 if "windows" in extra else 6, installer=extra.get("installer", True),
                        command_line=" ".join(extra.get("arguments", [])))


def prediction(program, checker, root, name):
    """The card check's prediction for the folder against what the ARM program then does."""
    files, wine_folder = e2e.PREDICTIONS[name]
    folder = on_device(wine_folder)

    def predict(install):
        report = subprocess.run([checker, "--json", "--os-version", "6", "--device-dir", folder,
                                 str(install)], capture_output=True, check=False)
        predicted = json.loads(report.stdout)["lists"][0]
        if predicted["runs"] == name.endswith("too_long"):
            raise AssertionError(f"the check says the list {'runs' if predicted['runs'] else 'stays'}")
        if not predicted["runs"]:
            return [], [LIST]
        starts = [line["arguments"] for line in predicted["lines"] if line["outcome"] == "install"]
        return starts, [LIST] if predicted["read_only"] else []
    return run_each_way(program, root, folder, files, predict)


def main():
    if sys.argv[1:] == ["--list"]:
        print(";".join([*SCENARIOS, *e2e.CASES, *e2e.PREDICTIONS]))
        return 0
    program, checker, name = sys.argv[1:4]
    with tempfile.TemporaryDirectory(prefix="cabbatch-device-") as root:
        if name in SCENARIOS:
            failures = scenario(program, root, name)
        elif name in e2e.CASES:
            failures = wine_case(program, root, name)
        else:
            failures = prediction(program, checker, root, name)
    for failure in failures:
        print(f"{name}: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
