#!/usr/bin/env python3
"""End-to-end runs of the real program under Wine: one case per call, named on the
command line. Usage: e2e.py PREFIX PROGRAM STANDIN CASE (or --list)."""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
from wine_card import Card, INSTALL_DIR  # noqa: E402

LIST = "SetupFile.CE6.txt"


def args(entry):
    return f' /noui /pbar "{INSTALL_DIR}\\{entry}"'


def utf16(text):
    return b"\xff\xfe" + text.encode("utf-16-le")


CE5 = "SetupFile.CE5.txt"

# name: (card files, expected command lines, lists kept unchanged, extra settings);
# every other list on the card must be gone after the run.
CASES = {
    "road_of_one": ({LIST: b"tools.cab\r\n"}, [args("tools.cab")], [], {}),
    "arguments_change_nothing": ({LIST: b"tools.cab\r\n"}, [args("tools.cab")], [],
                                 {"arguments": ["/noui", "x y", "SetupFile.CE7.txt"]}),
    "several_in_order_without_overlap": (
        {LIST: b"one.cab\r\ntwo words.cab\r\n three.cab \r\n"},
        [args("one.cab"), args("two words.cab"), args(" three.cab ")], [],
        {"env": {"CABBATCH_STANDIN_MS": "300"}}),
    "list_for_another_version_untouched": ({CE5: b"old.cab\r\n"}, [], [CE5], {}),
    "version_5_reads_its_own_list": ({CE5: b"five.cab\r\n", LIST: b"six.cab\r\n"},
                                     [args("five.cab")], [LIST], {"windows": "winxp64"}),
    "empty_list_deleted": ({LIST: b""}, [], [], {}),
    "installer_missing": ({LIST: b"a.cab\r\nb.cab\r\n"}, [], [], {"installer": False}),
    "lf_and_crlf_and_no_last_break": ({LIST: b"lf.cab\ncrlf.cab\r\n\r\nlast.cab"},
                                      [args("lf.cab"), args("crlf.cab"), args("last.cab")],
                                      [], {}),
    "utf16_list": ({LIST: utf16("caf\u00e9.cab\r\n\u65e5\u672c.cab\r\n")},
                   [args("caf\u00e9.cab"), args("\u65e5\u672c.cab")], [], {}),
    "utf8_list_with_mark": ({LIST: "\ufeffcaf\u00e9.cab\n\u20ac.cab\n".encode("utf-8")},
                            [args("caf\u00e9.cab"), args("\u20ac.cab")], [], {}),
    "ansi_list": ({LIST: "caf\u00e9.cab\n".encode("cp1252")}, [args("caf\u00e9.cab")], [], {}),
    "too_long_entry_skipped": ({LIST: b"x" * 127 + b"\r\n" + b"y" * 100 + b"\r\nok.cab\r\n"},
                               [args("ok.cab")], [], {}),
}


def run(card, extra):
    """Runs the program; with "windows", Wine reports that Windows version meanwhile."""
    version = ["HKCU\\Software\\Wine", "/v", "Version"]
    if "windows" in extra:
        card.wine("reg", "add", *version, "/d", extra["windows"], "/f")
    try:
        return card.run(*extra.get("arguments", []), env=extra.get("env"))
    finally:
        if "windows" in extra:
            card.wine("reg", "delete", *version, "/f")


def run_case(card, name):
    files, expected, kept, extra = CASES[name]
    card.lay_out(files, installer=extra.get("installer", True))
    status = run(card, extra)
    starts = card.starts()
    failures = []
    if status != 1:
        failures.append(f"exit code {status}, not 1")
    if [line for _, line in starts] != expected:
        failures.append(f"installer starts {starts}, expected {expected}")
    if any(overlapped for overlapped, _ in starts):
        failures.append("an installer started while another was running")
    for list_name in (name for name in files if name.startswith("SetupFile.")):
        path = card.install / list_name
        if list_name not in kept and path.exists():
            failures.append(f"{list_name} still there")
        elif list_name in kept and (not path.exists() or path.read_bytes() != files[list_name]):
            failures.append(f"{list_name} gone or changed")
    return failures


def main():
    if sys.argv[1:] == ["--list"]:
        print(";".join(CASES))
        return 0
    prefix, program, standin, name = sys.argv[1:5]
    failures = run_case(Card(prefix, program, standin), name)
    for failure in failures:
        print(f"{name}: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
