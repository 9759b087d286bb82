#!/usr/bin/env python3
"""Random lists through both programs: the ARM one on the emulated core and the Windows
build under Wine. Both must make the same installer starts and do the same to the list,
once the drive letter is set aside (Wine's C:\\ is the device's folder \\C).
Usage: differential.py ARM_PROGRAM WINDOWS_PROGRAM STANDIN WINE_PREFIX [LISTS]"""
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
PIECES = ["a.cab", "two words.cab", " lead.cab", "trail.cab ", "caf\u00e9.cab", "\u65e5\u672c.cab",
          "\U0001F4E6.cab", "sub\\x.cab", "\\abs.cab", 'q.cab" /x', "", " ", "\t", "\r", "x\0y",
          "n" * 80, "m" * 130, "\u00e9" * 50]


def random_list(chooser):
    """A list of random lines, saved in a random one of the encodings an editor saves."""
    lines = [chooser.choice(PIECES) for _ in range(chooser.randint(0, 12))]
    ends = [chooser.choice(["\r\n", "\n"]) for _ in lines]
    text = "".join(line + end for line, end in zip(lines, ends))
    if lines and chooser.random() < 0.3:
        text = text[:-len(ends[-1])]  # the last line without its break
    encoding = chooser.choice(["utf-8", "utf-8-sig", "utf-16", "cp1252"])
    return text.encode(encoding, "replace")


def main(arm_program, windows_program, standin, prefix, count="12"):
    chooser = random.Random(20261207)
    card = Card(prefix, windows_program, standin)
    failures, starts = [], 0
    try:
        for number in range(int(count)):
            data = random_list(chooser)
            card.lay_out({LIST: data})
            card.run()
            wine = ([arguments.replace("C:\\", "\\C\\") for _, arguments in card.starts()],
                    (card.install / LIST).exists())
            with tempfile.TemporaryDirectory(prefix="cabbatch-device-") as root:
                module = ce_device.lay_out(root, "\\C" + INSTALL_DIR[2:], arm_program, {LIST: data})
                outcome = ce_device.Device(root, seed=number).run(arm_program, module)
                device = ([arguments for _, arguments in outcome.starts],
                          (Path(root) / "C" / "Storage Card" / "Install" / LIST).exists())
            starts += len(wine[0])
            if device != wine:
                failures.append(f"list {number} {data!r}:\n  device {device}\n  Wine   {wine}")
    finally:
        card.stop()
        shutil.rmtree(card.card, ignore_errors=True)
    print("\n".join(failures) or f"{count} random lists, {starts} installer starts: the same on both, "
                                   "and the same fate for each list")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:6]))
