#!/usr/bin/env python3
"""The card check from the outside: card folders, the options given, the exit status, what
the JSON report says line by line, what the plain report lets through to a terminal, and
reports that cannot be written. Usage: check_cli.py CHECKER [RUNNER...]; with a RUNNER
(scripts/wine-run) the checker is a Windows program and gets Windows paths."""
import collections
import fcntl
import json
import os
import pty
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import termios
import threading
from pathlib import Path

from cli_packages import (
    DEEP, L6, MOST_SECONDS, PLATFORMS, ROOT, WRITES, cab, contents_package, package, packages, program)
from cli_cases import CASES, FORMS, HOST_ONLY, TIMED, USAGE_ERRORS
from cli_human import COLOURS, COLOUR_CARD, FIELDS, HUMAN

HOST_ONLY |= {name for name, (_, _, columns, _) in COLOURS.items() if columns}
TERMINAL_CONTROL = re.compile("[\x00-\x09\x0b-\x1f\x7f-\x9f\u200e\u200f\u2028-\u202e\u2066-\u2069]")


def json_cards():
    """Every test package on a card of its kind, with its options, for the end-to-end test
    that both builds' JSON agree: name: (files, options)."""
    def card(table):
        return {L6: "".join(f"{name}\n" for name in table).encode(), **table}
    cards = {f"packages_{layout}": (card({name: data for name, (data, _) in packages(layout).items()}), ["--contents"])
             for layout in ("ours", "cabwiz")}
    cards.update({f"writes_{layout}": (files, []) for layout, files in WRITES.items()})
    cards["forms"] = (card({f"{layout} {name}.cab": contents_package(layout, contents, members)
                            for name, (contents, members, _) in FORMS.items() for layout in ("ours", "cabwiz", "xml")}), [])
    cards["platforms"] = (PLATFORMS, ["--platform", "HPC"])
    cards["member_names"] = (card({f"m{i}.cab": renamed(bytes_) for i, bytes_ in enumerate(MEMBER_NAMES)}), ["--contents"])
    return cards


# Member names the cabinet does not flag UTF-8, in a code page or in no encoding at all: read
# as UTF-8, alike on every build.
MEMBER_NAMES = [b"FIL\xe9~1.001", b"FI\xc3\xa9~1.001", b"FI\x81\x9d~1.001", b"FI\xff\xfe~1.001"]


def renamed(name):
    """A package whose one file, x86 code, comes from a member of that name (10 bytes)."""
    package = contents_package("ours", {"files": [("%CE2%", "x.dll", 1, [])]}, members={1: program(0x14C)})
    return package.replace(cab.member_name(1).encode() + b"\0", name + b"\0")


def lay_out(folder, files):
    for name, data in files.items():
        plain = re.split(r"!$|->|\|$", name)[0]
        path = folder / plain
        path.parent.mkdir(parents=True, exist_ok=True)
        if "->" in name:
            path.symlink_to(name.split("->")[1])
        elif name.endswith("|"):
            os.mkfifo(path)
        else:
            path.write_bytes(data)
            if name.endswith("!"):
                path.chmod(0o444)


def summary(report):
    lines = [f"program {p['file']} {p['machine']} {p['subsystem']} {'device' if p['device'] else '-'}"
             for p in report["programs"]] + [w for w in report["warnings"] if w != "program-missing"]
    lines += [f"{miss['code']} {miss['file']}" for miss in report["near_misses"]]
    lines += [f"twins {' '.join(twins)}" for twins in report["case_twins"]]
    lines += [f"unholdable {name}" for name in report["unholdable_files"]]
    lines += [f"unlisted {name}" for name in report["unlisted"]]
    for lst in report["lists"]:
        fate = ("runs" if lst["runs"] else "stays") + (" read-only" if lst["read_only"] else "")
        lines.append(" ".join([f"{lst['file']} v{lst['os_version']} {lst['encoding']} {fate}", *lst["warnings"]]))
        for line in lst["lines"]:
            if line["outcome"] == "skip":
                fit = f" {line['length']}>{line['limit']}" if "length" in line else ""
                lines.append(f"{line['line']} skip {line['reason']}{fit}")
            else:
                found = "found" if line["found"] else "missing"
                cab_ = line.get("cab", {})
                said = [f"{cab_['cabinet']}/{cab_['setup']}/{cab_['installs']}"] if cab_ else []
                said[0:] = [said[0] + f"/{cab_['setup_xml']}"] if cab_.get("setup_xml", "absent") != "absent" else said
                said = [] if said == ["ok/000/yes"] else said
                said += [file["code"] for file in cab_.get("contents", {}).get("files", [])]
                said += [f"dll:{cab_['setup_dll_code']}"] if cab_.get("setup_dll_code") else []
                said += [f"~{line['suggestion']}"] if "suggestion" in line else []
                lines.append(" ".join([str(line["line"]), line["entry"], found, *line["warnings"], *said]))
    return lines


class Runner:
    def __init__(self, checker, runner, work):
        self.checker, self.runner, self.work = checker, runner, work

    def where(self, path):
        return "Z:" + str(path).replace("/", "\\") if self.runner else str(path)

    def run(self, files, options, **io):
        """Lays the card out and runs the check on it; the folder may be named by "-" NAME."""
        folder = self.work.joinpath(*DEEP) if "@deep" in options else self.work / "card"
        shutil.rmtree(self.work / DEEP[0] if "@deep" in options else folder, ignore_errors=True)
        folder.mkdir(parents=True)
        lay_out(folder, files)
        where = self.where(folder)
        if "-" in options:
            where = self.where(self.work / "card" / options[options.index("-") + 1])
            options = options[:options.index("-")]
        options = [o for o in options if o != "@deep"]
        return subprocess.run([*self.runner, self.checker, *options, where], timeout=60, **io)


def one_sentence(result):
    message = result.stderr.decode()
    if not message.startswith("cabbatch-check: ") or message.count("\n") != 1:
        return [f"want one sentence on stderr: {message!r}"]
    return []


def counted_as_counts(report):
    """What each line is counted as adds up to its list's counts."""
    failures = []
    for lst in report["lists"]:
        counted = collections.Counter(line["counted_as"] for line in lst["lines"])
        if any(counted[kind] != lst["counts"][kind] for kind in COUNTED) or set(counted) - set(COUNTED):
            failures.append(f"{lst['file']}: lines counted as {dict(counted)}, the counts {lst['counts']}")
    return failures


def check_json(run, name):
    files, options, status, expected = CASES[name]
    result = run.run(files, ["--json", *options], capture_output=True)
    if result.returncode != status:
        return [f"status {result.returncode}, expected {status}: {result.stderr!r}"]
    failures = one_sentence(result) if status == 2 else []
    if expected is None:
        return failures + ([f"want nothing on stdout: {result.stdout!r}"] if result.stdout else [])
    text = result.stdout.decode("utf-8")  # strict: no lone surrogate gets this far
    if re.search(r"\\ud[89a-f]", text, re.IGNORECASE):
        failures.append("an unpaired surrogate escape in the JSON")
    if json.loads(text).get("format") != 1:
        failures.append("the report does not say its format, 1")
    failures += counted_as_counts(json.loads(text))
    if summary(json.loads(text)) != expected:
        failures.append(f"report {summary(json.loads(text))}, expected {expected}")
    return failures


INSTALLS = re.compile(r"skipped\. Its packages install (\d+(?:\.\d)?) (bytes?|KB|MB)\.")
COUNTED = ["install", "maybe", "not_found", "refused", "repeated", "other", "blank", "skipped"]
# On the plain report with its lines joined (flat).
COUNT_LINE = re.compile(r"(\d+) lines?: (\d+) installer starts? \((\d+) install, (\d+) may be refused, "
                        r"(\d+) fail(?:: ([^)]*))?\), (\d+) blank lines?, (\d+) lines? skipped\.")
NOTE = re.compile(r"^ *(?:\d+  skip  )?!(?: |$)", re.M)


def check_counts(run, name):
    """Every line counted once, the sums adding up, and the plain report saying the same as
    the JSON one, count by count: its count lines, its notes ("!") and its summary."""
    files, options, status, expected = CASES[name]
    if expected is None:
        return []
    report = json.loads(run.run(files, ["--json", *options], capture_output=True).stdout)
    plain = run.run(files, options, capture_output=True)
    shown = plain.stdout.decode("utf-8")
    failures = []
    for lst, line in zip(report["lists"], COUNT_LINE.findall(flat(shown))):
        c = lst["counts"]
        skips = [line["reason"] for line in lst["lines"] if line["outcome"] == "skip"]
        unrun = 0 if lst["runs"] else len(lst["lines"]) - len(skips)  # a list that does not run starts nothing
        if c["fail"] != c["not_found"] + c["refused"] + c["repeated"] + c["other"] \
                or c["starts"] != c["install"] + c["maybe"] + c["fail"] or c["lines"] != c["starts"] + c["blank"] + c["skipped"] \
                or c["lines"] != len(lst["lines"]) or c["blank"] != skips.count("blank") \
                or c["skipped"] != len(skips) - skips.count("blank") + unrun:
            failures.append(f"{lst['file']}: counts {c} do not add up, or not to its {len(lst['lines'])} lines")
        fails = dict((kind.replace(" ", "_"), int(n)) for n, kind in
                     (part.split(" ", 1) for part in line[5].split(", ") if part))
        said = [int(n) for n in line[:5]] + [int(line[6]), int(line[7])]
        if said != [c[k] for k in ("lines", "starts", "install", "maybe", "fail", "blank", "skipped")] \
                or fails != {k: c[k] for k in ("not_found", "refused", "repeated", "other") if c[k]}:
            failures.append(f"{lst['file']}: the plain report counts {line}, the JSON {c}")
    for lst, (number, unit) in zip(report["lists"], INSTALLS.findall(flat(shown))):
        scale = {"KB": 1 << 10, "MB": 1 << 20}.get(unit, 1)
        if abs(float(number) * scale - lst["counts"]["bytes"]) > scale / (20 if unit == "MB" else 2):
            failures.append(f"{lst['file']}: the plain report says {number} {unit} installed, the JSON {lst['counts']['bytes']}")
    if len(COUNT_LINE.findall(flat(shown))) != len(report["lists"]) or len(INSTALLS.findall(flat(shown))) != len(report["lists"]):
        failures.append("a list without its count line")
    failures += notes_as_shown(report, shown) + too_wide(shown, 80)
    things = re.search(r"Summary: \d+ lists?; (\d+) things? to look at", flat(shown))
    notes = len(NOTE.findall(shown))
    if notes != report["attention"] or (int(things[1]) if things else 0) != notes:
        failures.append(f"{notes} notes shown, the summary says {things and things[1]}, "
                        f"the JSON {report['attention']}")
    if report["ready"] != (plain.returncode == 0):
        failures.append(f"ready {report['ready']} with exit status {plain.returncode}")
    return failures


def check_time(run, name):
    """A package judged within its bound; under Wine after a warm start (the cases before)."""
    files, options, status, _ = CASES[name]
    start = time.perf_counter()
    result = run.run(files, ["--json", *options], capture_output=True)
    took = time.perf_counter() - start
    failures = [f"status {result.returncode}, expected {status}"] if result.returncode != status else []
    return failures + ([f"took {took:.2f} s, at most {MOST_SECONDS}"] if took > MOST_SECONDS else [])


def check_forms(run, name):
    """Each form's JSON contents, in short, against what they must read as."""
    contents, members, expected = FORMS[name]
    failures = []
    for layout in ("ours", "cabwiz", "xml"):
        card = {L6: b"funk.cab\n", "funk.cab": contents_package(layout, contents, members, processor=2577)}
        cab_ = json.loads(run.run(card, ["--json"], capture_output=True).stdout)["lists"][0]["lines"][0]["cab"]
        got = cab_["contents"]
        short = [" ".join(["file", f["path"], f["member"], str(f["bytes"]), f["code"], *f["flags"]]) for f in got["files"]]
        short += [f"value {v['key']} {v['name']} {v['type']}" for v in got["registry"]]
        short += [f"shortcut {s['path']} {s['target']}" for s in got["shortcuts"]]
        short += [f"install_dir {got['install_dir']}", f"bytes {got['bytes']}"]
        if short != expected or cab_["processor_name"] != "ARM 2577 (StrongARM)":
            failures.append(f"{layout}: {short} {cab_['processor_name']}, expected {expected}")
    return failures


def notes_as_shown(report, shown):
    """The JSON's notes are the plain report's: as many as its "!" marks, each sentence there,
    and a failure among them exactly when the card is not ready."""
    lists = report["lists"]
    notes = [n for lst in lists for line in lst["lines"] for n in line["notes"]] \
        + [n for lst in lists for n in lst["notes"]] + report["notes"]
    failures = [] if len(notes) == report["attention"] else [f"{len(notes)} notes, attention {report['attention']}"]
    if report["ready"] == any(note["severity"] == "failure" for note in notes):
        failures.append(f"ready {report['ready']} with the notes {notes}")
    # A sentence holding what the plain report spells out is held to it by FIELDS.
    return failures + [f"note {note} not in the plain report" for note in notes
                       if not TERMINAL_CONTROL.search(note["message"]) and flat(note["message"]) not in flat(shown)]


def flat(text):
    """Text with its lines joined, as the plain report wraps them."""
    return " ".join(text.split())


SGR = re.compile("\x1b\\[[0-9;]*m")


def too_wide(shown, columns):
    """Lines of the plain report wider than the columns, but for a name that stands alone."""
    return [f"wider than {columns} columns: {line!r}" for line in SGR.sub("", shown).splitlines()
            if len(line) > columns and not re.fullmatch(r' *".*"\S*', line)]


def check_help(run, name):
    """-h is --help, which fits 80 columns and gives each exit status."""
    answers = [run.run({}, [flag], capture_output=True) for flag in ("-h", "--help")]
    text = answers[1].stdout.decode("utf-8")
    failures = [f"{flag}: status {a.returncode}" for flag, a in zip(("-h", "--help"), answers) if a.returncode]
    if answers[0].stdout != answers[1].stdout:
        failures.append("-h and --help differ")
    failures += [f"over 80 columns: {line!r}" for line in text.splitlines() if len(line) > 80]
    failures += [f"exit status {n} not told" for n in "012" if f"\n  {n}  " not in text]
    return failures


def check_version(run, name):
    """--version names project()'s version and the license, and the JSON report the same version."""
    version = re.search(r"project\(cabbatch VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text())[1]
    answer = run.run({}, ["--version"], capture_output=True)
    report = json.loads(run.run({L6: b""}, ["--json"], capture_output=True).stdout)
    lines = answer.stdout.decode().splitlines()
    failures = [] if lines[:1] == [f"cabbatch-check {version}"] else [f"--version says {lines[:1]}, want {version}"]
    failures += [] if any("MIT License" in line for line in lines) else [f"--version names no license: {lines}"]
    return failures + ([] if report.get("version") == version else [f"the JSON says version {report.get('version')}"])


def check_usage(run, name):
    result = run.run({}, USAGE_ERRORS[name], capture_output=True)
    if result.returncode != 2:
        return [f"status {result.returncode}, expected 2"]
    return one_sentence(result) + ([f"stdout {result.stdout!r}"] if result.stdout else [])


def check_human(run, name):
    files, options, wanted = HUMAN[name]
    return check_shown(run.run(files, options, capture_output=True), wanted)


def check_shown(result, wanted):
    """What the plain report must and must not show, and no terminal control in it."""
    shown = result.stdout.decode("utf-8") + result.stderr.decode("utf-8")
    # Wrapping aside, but for a line break that is wanted, or not.
    def seen(text):
        return text in shown if "\n" in text else flat(text) in flat(shown)
    failures = [f"{text!r} not shown in {shown!r}" for text in wanted if not text.startswith("NOT:") and not seen(text)]
    failures += [f"{text[4:]!r} shown in {shown!r}" for text in wanted if text.startswith("NOT:") and seen(text[4:])]
    failures += too_wide(result.stdout.decode("utf-8"), 80)
    if TERMINAL_CONTROL.search(shown):
        failures.append(f"a terminal control reaches the terminal: {shown!r}")
    return failures


def strings(node):
    """Every string a JSON value holds."""
    if isinstance(node, str):
        yield node
    for child in node.values() if isinstance(node, dict) else node if isinstance(node, list) else []:
        yield from strings(child)


def check_field(run, name):
    files, spelt, exact = FIELDS[name]
    failures = check_shown(run.run(files, [], capture_output=True), spelt)
    report = json.loads(run.run(files, ["--json"], capture_output=True).stdout)
    said = list(strings(report))
    failures += counted_as_counts(report)
    return failures + [f"{text!r} not exact in the JSON" for text in exact if not any(text in s for s in said)]


def on_terminal(run, options, env, columns):
    """The check's stdout on a pseudo-terminal of that width."""
    master, slave = pty.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))
    chunks = []

    def drain():
        while True:
            try:
                chunk = os.read(master, 4096)
            except OSError:  # the terminal's other end is closed
                return
            if not chunk:
                return
            chunks.append(chunk)
    reader = threading.Thread(target=drain)
    reader.start()
    run.run(COLOUR_CARD, options, stdout=slave, stderr=subprocess.DEVNULL, env=env)
    os.close(slave)
    reader.join()
    os.close(master)
    return b"".join(chunks).decode("utf-8").replace("\r\n", "\n")


def check_colour(run, name):
    options, no_color, columns, coloured = COLOURS[name]
    env = {k: v for k, v in os.environ.items() if k != "NO_COLOR"} | ({} if no_color is None else {"NO_COLOR": no_color})
    if columns:
        shown = on_terminal(run, options, env, columns)
    else:
        shown = run.run(COLOUR_CARD, options, capture_output=True, env=env).stdout.decode("utf-8")
    failures = [f"{text!r} not in {shown!r}" for text in coloured if text not in shown]
    if not coloured and ("\x1b" in shown or "\\u001b" in shown):
        failures.append(f"colour in {shown!r}")
    failures += [f"colour not reset: {line!r}" for line in shown.splitlines() if "\x1b[3" in line and not line.endswith("\x1b[0m")]
    failures += [] if "--json" in options else too_wide(shown, columns or 80)
    if columns and columns > 80 and not any(len(SGR.sub("", line)) > 80 for line in shown.splitlines()):
        failures.append(f"the terminal's {columns} columns not used: {shown!r}")
    if not columns and "--json" not in options:
        asked = " ".join(options).replace("--color always", "").replace("--color=always", "").split()
        plain = run.run(COLOUR_CARD, [*asked, "--color=never"], capture_output=True).stdout.decode("utf-8")
        failures += [] if SGR.sub("", shown) == plain else [f"{shown!r} is more than {plain!r} in colour"]
    return failures


def check_write_errors(run, wine):
    """A report that cannot be written is an error, on a full disk or a closed stdout."""
    failures = []
    card = {L6: b"a.cab\n", "a.cab": b""}
    for target, shell in [("/dev/full", ">/dev/full"), ("a closed stdout", ">&-")]:
        folder = run.work / "card"
        if folder.exists():
            subprocess.run(["rm", "-rf", str(folder)], check=True)
        folder.mkdir()
        lay_out(folder, card)
        # Wine's own runner would hide the failure behind its temporary files.
        command = " ".join(["wine" if wine else "", f"'{run.checker}'", "--json", f"'{run.where(folder)}'"])
        result = subprocess.run(["sh", "-c", f"{command} {shell}"], capture_output=True, timeout=60,
                                env=dict(os.environ, WINEDEBUG="-all"))
        if result.returncode != 2 or "cannot write the report" not in result.stderr.decode():
            failures.append(f"to {target}: status {result.returncode}, stderr {result.stderr!r}")
    return failures


# Cards are laid out in memory where the host allows: one holds ten thousand files.
SCRATCH = "/dev/shm" if os.access("/dev/shm", os.W_OK) else None


def main(checker, *runner):
    wine = bool(runner)
    tables = [(CASES, check_json), (CASES, check_counts), (USAGE_ERRORS, check_usage), (HUMAN, check_human),
              (FIELDS, check_field), (COLOURS, check_colour), ({"help": None}, check_help),
              ({"version": None}, check_version), (TIMED, check_time), (FORMS, check_forms)]
    failures, count = [], 0
    for table, check in tables:
        for name in table:
            if wine and name in HOST_ONLY:
                continue
            with tempfile.TemporaryDirectory(prefix="cabbatch-check-", dir=SCRATCH) as work:
                failures += [f"{name}: {f}" for f in check(Runner(checker, list(runner), Path(work)), name)]
            count += 1
    if wine:
        os.environ.setdefault("WINEPREFIX", os.environ.get("CABBATCH_WINEPREFIX", ""))
    with tempfile.TemporaryDirectory(prefix="cabbatch-check-") as work:
        failures += [f"write errors: {f}" for f in check_write_errors(Runner(checker, list(runner), Path(work)), wine)]
    print("\n".join(failures) or f"{count + 1} cases: ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))

