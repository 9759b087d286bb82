#!/usr/bin/env python3
"""The card check from the outside: card folders, the options given, the exit status and
what the JSON report says, line by line. Usage: check_cli.py CHECKER [RUNNER]; with a
RUNNER (scripts/wine-run) the checker is a Windows program and gets Windows paths."""
import json
import subprocess
import sys
import tempfile
from pathlib import Path

L6 = "SetupFile.CE6.txt"
LONG_DIR = "\\" + "d" * 109   # the list's path on the device would be 128 characters


def utf16(text):
    return b"\xff\xfe" + text.encode("utf-16-le")


# name: (files, options, status, expected summary of the lists). A file name ending in "!"
# is made read-only; "->" makes a symbolic link to nowhere.
CASES = {
    "clean card": ({L6: b"a.cab\r\n\r\nsub\\b.cab\n", "a.cab": b"", "sub/b.cab": b""}, [], 0,
                   [f"{L6} v6 bytes runs", "1 a.cab found", "2 skip blank", "3 sub\\b.cab found"]),
    "names match without regard to case": (
        {"setupfile.ce7.TXT": "A.CAB\nSUB\\CAF\u00c9.cab\n".encode(), "a.cab": b"",
         "Sub/caf\u00e9.CAB": b""}, [], 0,
        ["setupfile.ce7.TXT v7 bytes runs", "1 A.CAB found", "2 SUB\\CAF\u00c9.cab found"]),
    "what the device would not tell": (
        {L6: b'gone.cab\nq.cab" /x\n\\a.cab\nA.cab\na.cab\nsub\n', "a.cab": b"", "sub/x": b""}, [], 1,
        [f"{L6} v6 bytes runs", "1 gone.cab missing", '2 q.cab" /x missing quote', "3 \\a.cab found absolute",
         "4 A.cab found", "5 a.cab found duplicate", "6 sub missing"]),
    "skipped lines": ({L6: b"x\x00y\n" + b"l" * 127 + b"\n" + b"p" * 99 + b"\n" + b"p" * 98 + b"\n",
                       "p" * 98: b""}, [], 1,
                      [f"{L6} v6 bytes runs", "1 skip nul", "2 skip too-long", "3 skip does-not-fit",
                       "4 " + "p" * 98 + " found"]),
    "encodings and code page": (
        {L6: utf16("\u65e5.cab\r\n"), "SetupFile.CE7.txt": b"\xef\xbb\xbf\xe2\x82\xac.cab\n\xc0.cab\n",
         "\u65e5.cab": b"", "\u20ac.cab": b"", "\u0410.cab": b""}, ["--codepage", "1251"], 0,
        [f"{L6} v6 utf-16le runs", "1 \u65e5.cab found",
         "SetupFile.CE7.txt v7 utf-8-bom runs", "1 \u20ac.cab found", "2 \u0410.cab found"]),
    "one version only": ({L6: b"a.cab\n", "SetupFile.CE7.txt": b"b.cab\n", "SetupFile.CE07.txt": b"",
                          "a.cab": b""}, ["--os-version", "6"], 0, [f"{L6} v6 bytes runs", "1 a.cab found"]),
    "read-only list": ({L6 + "!": b"a.cab\n", "a.cab": b""}, [], 1,
                       [f"{L6} v6 bytes runs read-only", "1 a.cab found"]),
    "device folder too long": ({L6: b"a.cab\n", "a.cab": b""}, ["--device-dir", LONG_DIR], 1,
                               [f"{L6} v6 bytes stays", "1 skip does-not-fit"]),
    "no list": ({"a.cab": b""}, [], 1, []),
    "no list for the version": ({L6: b"a.cab\n"}, ["--os-version", "7"], 1, []),
    "unknown option": ({}, ["--frobnicate"], 2, None),
    "double-byte code page": ({L6: b"\x83e\x83X\x83g.cab\n\x81\n", "\u30c6\u30b9\u30c8.cab": b""},
                              ["--codepage", "932"], 1, [f"{L6} v6 bytes runs", "1 \u30c6\u30b9\u30c8.cab found",
                                                         "2 \u30fb missing"]),
    "codepage without a table": ({}, ["--codepage", "437"], 2, None),
    "option without its value": ({}, ["--os-version"], 2, None),
    "missing folder": ({}, ["-", "missing"], 2, None),
    "unreadable list": ({L6 + "->": b""}, [], 2, None),  # host only: Wine hides a broken link
}
HOST_ONLY = {"unreadable list"}


def lay_out(folder, files):
    for name, data in files.items():
        link, read_only = name.endswith("->"), name.endswith("!")
        path = folder / name.rstrip("!->")
        path.parent.mkdir(parents=True, exist_ok=True)
        if link:
            path.symlink_to(folder / "nowhere")
            continue
        path.write_bytes(data)
        if read_only:
            path.chmod(0o444)


def summary(report):
    lines = []
    for lst in report["lists"]:
        fate = ("runs" if lst["runs"] else "stays") + (" read-only" if lst["read_only"] else "")
        lines.append(f"{lst['file']} v{lst['os_version']} {lst['encoding']} {fate}")
        for line in lst["lines"]:
            if line["outcome"] == "skip":
                lines.append(f"{line['line']} skip {line['reason']}")
            else:
                found = "found" if line["found"] else "missing"
                lines.append(" ".join([str(line["line"]), line["entry"], found, *line["warnings"]]))
    return lines


def check(checker, runner, name, work):
    files, options, status, expected = CASES[name]
    folder = work / "card"
    lay_out(folder, files)
    where = str(folder if "-" not in options else work / "missing")
    options = [o for o in options if o != "-"]
    if runner:
        where = "Z:" + where.replace("/", "\\")
    result = subprocess.run([*runner, checker, "--json", *options, where], capture_output=True)
    failures = []
    if result.returncode != status:
        failures.append(f"status {result.returncode}, expected {status}: {result.stderr!r}")
    elif status == 2:
        message = result.stderr.decode()
        if not message.startswith("cabbatch-check: ") or message.count("\n") != 1 or result.stdout:
            failures.append(f"want one line on stderr and nothing on stdout: {message!r}")
    else:
        report = json.loads(result.stdout.decode("utf-8"))
        if summary(report) != expected:
            failures.append(f"report {summary(report)}, expected {expected}")
    return [f"{name}: {failure}" for failure in failures]


def main(checker, *runner):
    failures, names = [], [name for name in CASES if not (runner and name in HOST_ONLY)]
    for name in names:
        with tempfile.TemporaryDirectory(prefix="cabbatch-check-") as work:
            failures += check(checker, list(runner), name, Path(work))
    print("\n".join(failures) or f"{len(names)} cases: ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
