#!/usr/bin/env python3
"""Lists through both programs: the ARM one on the emulated core and the Windows build under
Wine, each with its stand-in installer. Both must make the same installer starts and leave
the same files on the card (the list, and the packages the installer kept), once the drive
letter is set aside (Wine's C:\\ is the device's folder \\C). The card holds packages whose
names Python's str.upper() folds otherwise than Windows does; the lists are a few fixed ones
(such names, lists so named, entries holding quotes) and random ones.
Usage: differential.py ARM_PROGRAM WINDOWS_PROGRAM STANDIN WINE_PREFIX [RANDOM_LISTS]"""
import random
import shutil
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parents[1] / "scripts"))
import ce_device  # noqa: E402
from wine_card import Card, INSTALL_DIR  # noqa: E402

LIST = "SetupFile.CE6.txt"
# Packages on every card: to Python, 'ﬁ' is "FI", 'ſ' 'S', 'ı' 'I', 'ς' 'Σ' and 'ß' "SS", and
# none of them is so to Windows; 'é' and 'ÿ' fold to 'É' and 'Ÿ' on both.
PACKAGES = ["a.cab", "FILE.cab", "S.cab", "I.cab", "\u03a3x.cab", "SS.cab", "\u00c9.cab", "\u0178.cab",
            "q.cab", "k.cab", "sub/x.cab"]
FOLDED = ["\ufb01le.cab", "\u017f.cab", "\u0131.cab", "\u03c2x.cab", "\u00df.cab", "\u1e9e.cab",
          "\u00e9.cab", "\u00ff.cab"]
PIECES = ["a.cab", "two words.cab", " lead.cab", "trail.cab ", "caf\u00e9.cab", "\u65e5\u672c.cab",
          "\U0001F4E6.cab", "sub\\x.cab", "\\abs.cab", 'q.cab" /x', "", " ", "\t", "\r", "x\0y",
          "n" * 80, "m" * 130, "\u00e9" * 50, 'q.cab" /delete 0', 'k.cab" /DELETE 1', "q.cab", "k.cab", *FOLDED]
# Cards that must come out alike: a list only Python's folding would take, another beside the
# real one, entries holding quotes with and without /delete 0, and the names above.
FIXED = [
    {"Setup\ufb01le.CE6.txt": b"a.cab\r\n"},
    {"\u017fetupFile.CE6.txt": b"q.cab\r\n", LIST: b"k.cab\r\n"},
    {LIST: b'q.cab" /delete 0\r\nq.cab\r\nk.cab" /delete 1\r\nk.cab\r\na.cab"/delete\t"0\r\n'},
    {LIST: "\r\n".join(FOLDED).encode("utf-16")},
]


def random_list(chooser):
    """A list of random lines, saved in a random one of the encodings an editor saves."""
    lines = [chooser.choice(PIECES) for _ in range(chooser.randint(0, 12))]
    ends = [chooser.choice(["\r\n", "\n"]) for _ in lines]
    text = "".join(line + end for line, end in zip(lines, ends))
    if lines and chooser.random() < 0.3:
        text = text[:-len(ends[-1])]  # the last line without its break
    encoding = chooser.choice(["utf-8", "utf-8-sig", "utf-16", "cp1252"])
    return text.encode(encoding, "replace")


def remaining(install):
    return sorted(path.relative_to(install).as_posix() for path in install.rglob("*") if path.is_file())


def main(arm_program, windows_program, standin, prefix, count="8"):
    chooser = random.Random(20261207)
    cards = FIXED + [{LIST: random_list(chooser)} for _ in range(int(count))]
    card = Card(prefix, windows_program, standin)
    failures, starts = [], 0
    try:
        for number, lists in enumerate(cards):
            files = {**{name: b"" for name in PACKAGES}, **lists}
            card.lay_out(files)
            card.run()
            wine = ([arguments.replace("C:\\", "\\C\\") for _, arguments in card.starts()],
                    remaining(card.install))
            with tempfile.TemporaryDirectory(prefix="cabbatch-device-") as root:
                module = ce_device.lay_out(root, "\\C" + INSTALL_DIR[2:], arm_program, files)
                outcome = ce_device.Device(root, seed=number).run(arm_program, module)
                device = ([arguments for _, arguments in outcome.starts],
                          remaining(ce_device.host_folder(root, "\\C" + INSTALL_DIR[2:])))
            starts += len(wine[0])
            if device != wine:
                failures.append(f"card {number} {lists!r}:\n  device {device}\n  Wine   {wine}")
    finally:
        card.stop()
        shutil.rmtree(card.card, ignore_errors=True)
    print("\n".join(failures) or f"{len(FIXED)} fixed and {count} random lists, {starts} installer starts: "
                                   "the same on both, and the same files left on each card")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:6]))
