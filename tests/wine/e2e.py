#!/usr/bin/env python3
"""End-to-end runs of the real program under Wine, for what only the whole program shows:
real installer starts one at a time, their arguments, the exit code, the list's fate, the
list named for the running version, ANSI decoded by the system, and the card check's
prediction against what the program then does. One case per call, named on the command line.
Usage: e2e.py PREFIX PROGRAM STANDIN CHECKER HOST_CHECKER CASE (or --list)."""
import json
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
from wine_card import Card, INSTALL_DIR, WINE_RUN  # noqa: E402
import cabinet as cab  # noqa: E402

LIST, CE5 = "SetupFile.CE6.txt", "SetupFile.CE5.txt"
SKIP = 77  # the host checker has not been built


def args(entry):
    return f' /noui /pbar "{INSTALL_DIR}\\{entry}"'


# name: (card files, expected command lines, lists kept unchanged, extra settings);
# every other list on the card must be gone after the run.
CASES = {
    "several_in_order_without_overlap": (
        {LIST: b"one.cab\r\ntwo words.cab\r\n three.cab \r\n"},
        [args("one.cab"), args("two words.cab"), args(" three.cab ")], [],
        {"env": {"CABBATCH_STANDIN_MS": "300"}}),
    "arguments_change_nothing": ({LIST: b"tools.cab\r\n"}, [args("tools.cab")], [],
                                 {"arguments": ["/noui", "x y", "SetupFile.CE7.txt"]}),
    "version_5_reads_its_own_list": ({CE5: b"five.cab\r\n", LIST: b"six.cab\r\n"},
                                     [args("five.cab")], [LIST], {"windows": "winxp64"}),
    "installer_missing_list_still_deleted": ({LIST: b"a.cab\r\nb.cab\r\n"}, [], [],
                                             {"installer": False}),
}

def packages():
    """Packages each library reads its own way: both builds must judge them alike."""
    setup = [("APP.000", cab.setup_info("Acme", "Acme", 2577, (5, 0), (6, 99)))]
    data = [("DATA.001", bytes(range(256)) * 400)]
    document = [("_setup.xml", cab.setup_xml("Acme App", 2577, (5, 0), (6, 99), build_max=0xE0000000))]
    cabwiz = [("APP.000", cab.setup_info("Acme", "Acme", 586, (5, 0), build_max=0xE0000000, unsupported=["HPC"],
                                          layout="cabwiz"))]
    mszip, plain = cab.cabinet(setup + data, cab.MSZIP), cab.cabinet(setup + data)
    return {
        "plain.cab": plain,
        "mszip.cab": mszip,
        "signed.cab": cab.cabinet(setup + data, cab.MSZIP, signature=b"S" * 600),
        "cut.cab": mszip[:-500],
        "flipped.cab": mszip[:-300] + bytes([mszip[-300] ^ 0x10]) + mszip[-299:],
        "flipped-stored.cab": plain[:-300] + bytes([plain[-300] ^ 0x10]) + plain[-299:],
        "text.cab": b"not a cabinet\r\n",
        "offsets.cab": cab.cabinet([("APP.000", cab.setup_info(length=3000))] + data),
        "both.cab": cab.cabinet(setup + document + data, cab.MSZIP),
        "disagree.cab": cab.cabinet(cabwiz + document),
        "document.cab": cab.cabinet(document),
        "broken document.cab": cab.cabinet([("_setup.xml", b"<wap-provisioningdoc><parm")]),
        # What the libraries would read apart: the check's own reading of the records decides.
        **cab.faulty_records(setup[0][1]),
        "unfinished comment.cab": cab.cabinet([("_setup.xml", b"<a><!--x")]),
        "unfinished cdata.cab": cab.cabinet([("_setup.xml", b"<a><![CDATA[x")]),
        "unfinished reference.cab": cab.cabinet([("_setup.xml", b"<a>&#")]),
        "large comment.cab": cab.cabinet([("_setup.xml", b"<a><!--" + b"x" * (384 << 10) + b"--></a>")]),
        "doctype.cab": cab.cabinet([("_setup.xml", b"<!DOCTYPE wap-provisioningdoc>" + cab.setup_xml("Acme"))]),
        "deep.cab": cab.cabinet([("_setup.xml", b"<a>" * 50000)]),
        "utf-16be.cab": cab.cabinet([("_setup.xml", b"\xfe\xff" + cab.setup_xml("Acme").decode().encode("utf-16-be"))]),
        "utf-16le.cab": cab.cabinet([("_setup.xml", b"\xff\xfe" + cab.setup_xml("Acme", 2577).decode().encode("utf-16-le"))]),
        "latin-1.cab": cab.cabinet([("_setup.xml", b'<?xml version="1.0" encoding="ISO-8859-1"?>'
                                                   + cab.setup_xml("Caf\xe9").decode().encode("latin-1"))]),
        "duplicate attribute.cab": cab.cabinet([("_setup.xml", cab.setup_xml("Acme").replace(b'name="AppName"',
                                                                                             b'name="AppName" name="x"'))]),
        "nul after root.cab": cab.cabinet([("_setup.xml", cab.setup_xml("Acme") + b"\0")]),
        "tab in value.cab": cab.cabinet([("_setup.xml", cab.setup_xml("Acme&#9;App", 2577, (5, 0)))]),
        # Namespaces, which only Windows' own XmlLite enforces: each document is refused alike.
        **{f"namespaces {i}.cab": cab.cabinet([("_setup.xml", cab.setup_xml("Acme").replace(b"<wap-provisioningdoc>", root))])
           for i, root in enumerate([b"<p:wap-provisioningdoc>", b'<wap-provisioningdoc xmlns="urn:x">',
                                     b'<wap-provisioningdoc xmlns:xml="urn:other">', b'<wap-provisioningdoc xmlns:p="">',
                                     b'<wap-provisioningdoc xmlns:p="u" xmlns:q="u" p:b="1" q:b="2">'])},
        "white space first.cab": cab.cabinet([("_setup.xml", b"\r\n " + cab.setup_xml("Acme", 2577))]),
    }


# The card check's prediction against the program: name: (card files, install folder).
# The mixed list's ANSI line is decoded by the system on one side and the check's code page
# tables on the other.
PREDICTIONS = {
    "prediction_mixed_list": ({
        LIST: b"a.cab\r\n\r\n \r\r\nx\x00y\r\n" + b"l" * 127 + b"\r\n" + b"p" * 90 + b".cab\r\n"
              + b'q.cab" /x\r\n\\abs.cab\r\nA.CAB\r\nsub\\caf\xc3\xa9.cab\r\nna\xefve.cab\r\nlast\r',
        "a.cab": b"", "sub/caf\u00e9.cab": b""}, INSTALL_DIR),
    "prediction_utf16_list": ({LIST: b"\xff\xfe" + "\u65e5\u672c.cab\r\n\U0001F4E6\n".encode("utf-16-le")},
                              INSTALL_DIR),
    "prediction_read_only_list": ({LIST + "!": b"a.cab\r\n"}, INSTALL_DIR),
    "prediction_folder_too_long": ({LIST: b"a.cab\r\n"}, "C:\\" + "d" * 100 + "\\Install"),
    "prediction_packages": ({LIST: "".join(f"{name}\r\n" for name in packages()).encode(), **packages()},
                            INSTALL_DIR),
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


def check_run(card, files, expected, kept, status):
    """What the run did against what was expected of it."""
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


def run_case(card, name):
    files, expected, kept, extra = CASES[name]
    card.lay_out(files, installer=extra.get("installer", True))
    return check_run(card, files, expected, kept, run(card, extra))


# The card check's own test packages, on cards of their kind (check_cli.json_cards): both
# builds must give the same JSON for every one.
JSON_CARDS = ["packages_ours", "packages_cabwiz", "writes_ours", "writes_cabwiz", "writes_xml", "forms", "platforms",
              "member_names"]


def json_card(name):
    sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "check"))
    import check_cli  # noqa: E402  (its tables make every package: imported only here)
    return check_cli.json_cards()[name[len("json_"):]]


def predict(card, checker, host_checker, extra=()):
    """The version-6 list's report from the Windows and the host builds of the checker,
    which must agree on everything but the folder each was given."""
    options = ["--json", "--os-version", "6", "--device-dir", card.install_dir, *extra]
    windows = subprocess.run([str(WINE_RUN), checker, *options, card.install_dir],
                             capture_output=True, env=card.env())
    host = subprocess.run([host_checker, *options, str(card.install)], capture_output=True)
    reports = [json.loads(result.stdout) for result in (windows, host)]
    for report in reports:
        report.pop("folder")
    if reports[0] != reports[1]:
        return None, [f"the Windows and host checkers disagree:\n{reports[0]}\n{reports[1]}"]
    return reports[0]["lists"][0], []


def run_prediction(card, name, checker, host_checker):
    marked = PREDICTIONS[name][0]  # a name ending in "!" is made read-only
    files = {key.rstrip("!"): data for key, data in marked.items()}
    card.lay_out(files)
    for key in (key for key in marked if key.endswith("!")):
        (card.install / key.rstrip("!")).chmod(0o444)
    predicted, failures = predict(card, checker, host_checker)
    if failures:
        return failures
    starts = [line["arguments"] for line in predicted["lines"] if line["outcome"] == "install"]
    stays = not predicted["runs"] or predicted["read_only"]
    if not predicted["runs"]:
        starts = []
    return check_run(card, files, starts, [LIST] if stays else [], card.run())


def main():
    if sys.argv[1:] == ["--list"]:
        print(";".join([*CASES, *PREDICTIONS, *(f"json_{card}" for card in JSON_CARDS)]))
        return 0
    prefix, program, standin, checker, host_checker, name = sys.argv[1:7]
    card = Card(prefix, program, standin, PREDICTIONS.get(name, (None, INSTALL_DIR))[1])
    if (name in PREDICTIONS or name.startswith("json_")) and not Path(host_checker).exists():
        print(f"{name}: skipped: build the host preset first, for {host_checker}")
        return SKIP
    if name.startswith("json_"):
        files, options = json_card(name)
        card.lay_out(files)
        failures = predict(card, checker, host_checker, options)[1]
    elif name in PREDICTIONS:
        failures = run_prediction(card, name, checker, host_checker)
    else:
        failures = run_case(card, name)
    for failure in failures:
        print(f"{name}: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
