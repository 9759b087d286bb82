#!/usr/bin/env python3
"""The emulated device's own rules, apart from any program: names folded through Windows'
upper-case table, and without the dots and spaces they end with where only that is there,
the case twins' rule whatever order a folder lists them in, text escaped as the card check
escapes it, and what the stand-in installer makes of its argument string; a run's bound, in
instructions per byte of the list, with the ARM program and a copy of it that never ends; and
hostile programs, made from the ARM one, each ending its run with a sentence.
Usage: emulator_test.py PROGRAM"""
import random
import re
import sys
import tempfile
from pathlib import Path

import pefile

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
import ce_device  # noqa: E402
import ce_files  # noqa: E402

# (name on the card, name asked for, found): the first six fold alike in Python's str.upper()
# and not on the device; the rest fold alike on both.
FOLDING = [
    ("FILE.CAB", "\ufb01le.cab", False), ("S.cab", "\u017f.cab", False), ("I.cab", "\u0131.cab", False),
    ("\u03a3.cab", "\u03c2.cab", False), ("SS.cab", "\u00df.cab", False), ("\u01c4.cab", "\u01c5.cab", False),
    ("\u1e9e.cab", "\u00df.cab", False),
    ("\u00c9.CAB", "\u00e9.cab", True), ("\u0178.cab", "\u00ff.cab", True), ("\u0389.cab", "\u03ae.cab", True),
    ("setupfile.ce7.TXT", "SetupFile.CE7.txt", True), ("\U0001F4E6.cab", "\U0001F4E6.CAB", True),
    ("a.cab", "a.cab", True), ("a.cab", "x a.cab", False), ("a.cab", " a.cab", False),
    # A name ending in dots or spaces is looked up without them, as the card check takes it:
    # a file that keeps them is not reached.
    ("a.cab", "a.cab ", True), ("a.cab", "A.CAB. .", True), ("a.cab.", "a.cab.", False), ("a.cab", "a.cab.x", False),
]

# Case twins on the card, the path asked for and the one the rule takes: the kind wanted
# (a folder on the way, a file at the end), then the lowest in code point order.
TWINS = [
    (["app.cab", "App.cab", "APP.CAB"], "\\App.Cab", "APP.CAB"),
    (["\u00e9.cab", "\u00c9.cab"], "\\\u00e9.cab", "\u00c9.cab"),
    (["sub/x.cab", "Sub"], "\\SUB\\X.CAB", "sub/x.cab"),
    (["sub/x.cab", "SUB/"], "\\Sub\\x.cab", None),
    (["sub/", "Sub"], "\\SUB", "Sub"),
    (["sub/", "SUB/"], "\\sub", "SUB"),
    (["a.cab", "a.cab."], "\\A.CAB.", "a.cab"),
    (["sub/x.cab"], "\\sub.\\x.cab", None),
]


# Characters a terminal would act on or not show, each spelt out as <U+XXXX>: the ends of
# each range, Unicode's format characters and the Mongolian vowel separator among them.
SPELT = [0x00, 0x1F, 0x7F, 0x9F, 0x00AD, 0x0600, 0x0605, 0x061C, 0x06DD, 0x070F, 0x0890, 0x0891, 0x08E2,
         0x180E, 0x200B, 0x200D, 0x200E, 0x200F, 0x2028, 0x202E, 0x2060, 0x2064, 0x2066, 0x2069, 0x206A,
         0x206F, 0xD800, 0xDFFF, 0xFEFF, 0xFFF9, 0xFFFB, 0x110BD, 0x110CD, 0x13430, 0x1343F, 0x1BCA0,
         0x1BCA3, 0x1D173, 0x1D17A, 0xE0001, 0xE0020, 0xE007F]
# Their neighbours, shown as they are.
KEPT = [0x00A0, 0x00AC, 0x00AE, 0x05FF, 0x0606, 0x061B, 0x061D, 0x06DC, 0x06DE, 0x070E, 0x0710, 0x088F,
        0x0892, 0x08E1, 0x08E3, 0x180D, 0x180F, 0x200A, 0x2010, 0x2027, 0x202F, 0x205F, 0x2065, 0x2070,
        0xFEFE, 0xFF00, 0xFFF8, 0xFFFC, 0x110BC, 0x110BE, 0x110CC, 0x110CE, 0x1342F, 0x13440, 0x1BC9F,
        0x1BCA4, 0x1D172, 0x1D17B, 0xE0000, 0xE0002, 0xE001F, 0xE0080]


# The installer's argument string, on a card of a.cab and the read-only r.cab: what it meets,
# and whether the package is left. An entry's quote ends the path; its rest are switches.
INSTALLS = [
    (' /noui /pbar "\\a.cab"', "installed, used up", False),
    (' /noui /pbar "\\A.CAB"', "installed, used up", False),
    (' /noui /pbar "\\a.cab" /delete 1"', "installed, used up", False),
    (' /noui /pbar "\\a.cab" /delete 0"', "installed, kept (/delete 0)", True),
    (' /noui /pbar "\\a.cab" /DELETE "0"', "installed, kept (/delete 0)", True),
    (' /delete 0 /noui /pbar "\\a.cab"', "installed, kept (/delete 0)", True),
    (' /noui /pbar "\\a.cab"/delete\t0"', "installed, kept (/delete 0)", True),
    (' /noui /pbar "\\a.cab" /delete0"', "installed, used up", False),
    (' /noui /pbar "\\a.cab" /delete 0 x"', "installed, kept (/delete 0)", True),
    (' /noui /pbar "\\a.cab x" /delete 0"', "no such file", True),
    (' /noui /pbar "\\b.cab"', "no such file", True),
    (' /noui /pbar "\\"', "no such file", True),
    (" /noui /pbar \\a.cab", "no such file", True),
    (' /noui /pbar "\\r.cab"', "installed, kept: the file is read-only", True),
]


# The most instructions a byte of a list took on real runs (lines of one ANSI character).
MEASURED_PER_BYTE = 271
# Lists the program must get through within its bound: one long line, and the costliest
# lines per byte; a plain clock would call the first a program that does not end once it
# reaches megabytes.
ENDING = {"one line of 30,000 bytes": b"x" * 30_000, "500 lines of one character": b"\xe9\n" * 500}


class Shuffled(ce_files.FileSystem):
    """A file system whose folders list their entries in an order of the test's choosing."""

    def __init__(self, root, order):
        super().__init__(root)
        self.order = order

    def listing(self, folder):
        entries = sorted(super().listing(folder))
        self.order.shuffle(entries)
        return entries


def lay_out(root, names):
    for name in names:
        path = Path(root) / name.rstrip("/")
        path.parent.mkdir(parents=True, exist_ok=True)
        if name.endswith("/"):
            path.mkdir()
        else:
            path.write_bytes(b"")


def at_entry(program, *code):
    """The program with ARM code at its entry point: words, or bytes as they are."""
    pe = pefile.PE(str(program))
    at = pe.get_offset_from_rva(pe.OPTIONAL_HEADER.AddressOfEntryPoint)
    pe.set_bytes_at_offset(at, b"".join(w if isinstance(w, bytes) else w.to_bytes(4, "little") for w in code))
    return pe.write()


def slot(program, name):
    """The address of an import's slot."""
    return next(s.address for s in pefile.PE(str(program)).DIRECTORY_ENTRY_IMPORT[0].imports if s.name == name)


def header(field, value):
    def change(program):
        pe = pefile.PE(str(program))
        setattr(pe.OPTIONAL_HEADER, field, value)
        return pe.write()
    return change


def import_name_not_text(program):
    pe = pefile.PE(str(program))
    pe.set_bytes_at_offset(pe.DIRECTORY_ENTRY_IMPORT[0].imports[0].name_offset, b"\xff")
    return pe.write()


def copying_4_gib(program):
    """memcpy(image, image, 0xFFFFFFFF) through the program's own import slot."""
    return at_entry(program, 0xE3A00801, 0xE3A01801, 0xE3E02000,  # r0 = r1 = 0x10000, r2 = -1
                    0xE59FC008, 0xE59CC000, 0xE1A0E00F, 0xE12FFF1C, slot(program, b"memcpy"))


# name: (the program made hostile, the start of the sentence that ends its run).
HOSTILE = {
    "an image of 2 GiB": (header("SizeOfImage", 0x7FFF0000), "an image of 0x7FFF0000 bytes at 0x10000"),
    "a base off a 64 KiB boundary": (header("ImageBase", 0x11000), "an image of 0xB000 bytes at 0x11000"),
    "4 GiB of stack": (header("SizeOfStackReserve", 0xFFFFF000), "an image of 0xB000 bytes at 0x10000 with "
                                                                  "0xFFFFF000 bytes of stack"),
    "an import named in bytes that are not text": (import_name_not_text, ""),
    "a copy of 4 GiB": (copying_4_gib, "a buffer of 4,294,967,295 bytes"),
    "its first KiB": (lambda program: Path(program).read_bytes()[:1024], "imports from []"),
    "no PE header": (lambda program: b"MZ" + bytes(510), "the image cannot be loaded"),
}


def run(program, listed):
    """The program's run over a list: its exit code, or the fault that ended it."""
    with tempfile.TemporaryDirectory() as root:
        module = ce_files.lay_out(root, "\\Storage Card", program, {"SetupFile.CE6.txt": listed})
        try:
            return ce_device.Device(root).run(program, module).exit_code
        except ce_device.DeviceFault as fault:
            return str(fault)


def bounds(program):
    """Failures of the run's bound: it grows with the list, and lets real lists through."""
    failures = []
    with tempfile.TemporaryDirectory() as work:
        never = Path(work) / "never.exe"
        never.write_bytes(at_entry(program, 0xEAFFFFFE))  # b .
        ends = [run(never, b"x" * size) for size in (0, 1000)]
        most = [int(m.group(1).replace(",", "")) if m else None
                for m in (re.match(r"no end within ([0-9,]+) emulated instructions", str(e)) for e in ends)]
        if None in most or most[1] - most[0] < 1000 * MEASURED_PER_BYTE:
            failures.append(f"a program that does not end, over lists of 0 and 1,000 bytes: {ends}")
    for name, listed in ENDING.items():
        if run(program, listed) != 1:
            failures.append(f"{name}: {run(program, listed)}")
    return failures


def hostile(program):
    """Failures where a hostile program ends the run other than with the sentence that names
    its fault."""
    failures = []
    with tempfile.TemporaryDirectory() as work:
        for name, (make, sentence) in HOSTILE.items():
            (Path(work) / "hostile.exe").write_bytes(make(program))
            ended = run(Path(work) / "hostile.exe", b"a.cab\r\n")
            if not isinstance(ended, str) or not ended.startswith(sentence):
                failures.append(f"{name}: {ended}")
    return failures


def main(program):
    failures = bounds(program) + hostile(program)
    failures += [f"U+{code:04X} shown as {ce_device.shown(chr(code))!r}" for code in SPELT + KEPT
                 if (ce_device.shown(chr(code)) == f"<U+{code:04X}>") != (code in SPELT)]
    for card_name, asked, found in FOLDING:
        with tempfile.TemporaryDirectory() as root:
            (Path(root) / card_name).write_bytes(b"")
            if (ce_files.FileSystem(root).find("\\" + asked) is not None) != found:
                failures.append(f"{asked!r} {'does not reach' if found else 'reaches'} {card_name!r}")
    with tempfile.TemporaryDirectory() as root:
        (Path(root) / "\udc80.cab").write_bytes(b"")  # the byte 0x80, not UTF-8
        if ce_files.FileSystem(root).find("\\\udc80.cab") is not None:
            failures.append("a name that is not UTF-8 on the card is reached")
    for arguments, met, left in INSTALLS:
        with tempfile.TemporaryDirectory() as root:
            for name in ("a.cab", "r.cab"):
                (Path(root) / name).write_bytes(b"")
            ce_files.read_only(Path(root) / "r.cab")
            device = ce_device.Device(root)
            device.outcome = ce_device.Outcome()
            got = (device.install(arguments), (Path(root) / "a.cab").exists())
            if got != (met, left):
                failures.append(f"[{arguments}] met {got[0]!r}, a.cab {'left' if got[1] else 'gone'}")
    order = random.Random(7)
    for names, asked, taken in TWINS:
        with tempfile.TemporaryDirectory() as root:
            lay_out(root, names)
            found = [Shuffled(root, order).find(asked) for _ in range(8)]
            got = {path and path.relative_to(root).as_posix() for path in found}
            if got != {taken}:
                failures.append(f"among {names}, {asked!r} takes {sorted(got, key=str)}, not {taken!r}")
    print("\n".join(failures) or f"{len(FOLDING)} names folded as the device folds them, "
                                   f"{len(TWINS)} sets of case twins taken by the rule, "
                                   f"{len(SPELT)} characters spelt out and {len(KEPT)} kept, "
                                   f"{len(INSTALLS)} argument strings taken as the installer takes them, "
                                   "the run bounded by instructions per byte of its list, "
                                   f"{len(HOSTILE)} hostile programs ended with a sentence")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
