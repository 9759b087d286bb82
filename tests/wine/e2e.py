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


# name: (card files, expected command lines, list left behind, extra settings)
CASES = {
    "road_of_one": ({LIST: b"tools.cab\r\n"}, [args("tools.cab")], False, {}),
    "arguments_change_nothing": ({LIST: b"tools.cab\r\n"}, [args("tools.cab")], False,
                                 {"arguments": ["/noui", "x y", "SetupFile.CE7.txt"]}),
    "several_in_order_without_overlap": (
        {LIST: b"one.cab\r\ntwo words.cab\r\n three.cab \r\n"},
        [args("one.cab"), args("two words.cab"), args(" three.cab ")], False,
        {"env": {"CABBATCH_STANDIN_MS": "300"}}),
    "list_for_another_version_untouched": ({"SetupFile.CE5.txt": b"old.cab\r\n"}, [],
                                           True, {"list": "SetupFile.CE5.txt"}),
    "empty_list_deleted": ({LIST: b""}, [], False, {}),
    "installer_missing": ({LIST: b"a.cab\r\nb.cab\r\n"}, [], False, {"installer": False}),
    "lf_and_crlf_and_no_last_break": ({LIST: b"lf.cab\ncrlf.cab\r\n\r\nlast.cab"},
                                      [args("lf.cab"), args("crlf.cab"), args("last.cab")],
                                      False, {}),
    "utf16_list": ({LIST: utf16("caf\u00e9.cab\r\n\u65e5\u672c.cab\r\n")},
                   [args("caf\u00e9.cab"), args("\u65e5\u672c.cab")], False, {}),
    "utf8_list_with_mark": ({LIST: "\ufeffcaf\u00e9.cab\n\u20ac.cab\n".encode("utf-8")},
                            [args("caf\u00e9.cab"), args("\u20ac.cab")], False, {}),
    "ansi_list": ({LIST: "caf\u00e9.cab\n".encode("cp1252")}, [args("caf\u00e9.cab")],
                  False, {}),
    "too_long_entry_skipped": ({LIST: b"x" * 127 + b"\r\n" + b"y" * 100 + b"\r\nok.cab\r\n"},
                               [args("ok.cab")], False, {}),
}


def run_case(card, name):
    files, expected, list_left, extra = CASES[name]
    card.lay_out(files, installer=extra.get("installer", True))
    status = card.run(*extra.get("arguments", []), env=extra.get("env"))
    starts = card.starts()
    list_path = card.install / extra.get("list", LIST)
    failures = []
    if status != 1:
        failures.append(f"exit code {status}, not 1")
    if [line for _, line in starts] != expected:
        failures.append(f"installer starts {starts}, expected {expected}")
    if any(overlapped for overlapped, _ in starts):
        failures.append("an installer started while another was running")
    if list_path.exists() != list_left:
        failures.append(f"list {'gone' if list_left else 'still there'}")
    elif list_left and list_path.read_bytes() != files[extra.get("list", LIST)]:
        failures.append("list changed")
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
