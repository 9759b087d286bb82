#!/usr/bin/env python3
"""Writes the sample card's packages, small device cabinets made from the project's own bytes:
- tools.cab: for any processor, OS 5.0 and later, so that both sample lists take it; it
  installs a text file with a shortcut to it and a registry value;
- maps/city maps.cab: for ARM 2577 (StrongARM), with a setup DLL of ARM code;
- radio driver.cab: for OS 4.0 to 5.99, which a version-6 device refuses.
Usage: make_sample_card.py [CARD_FOLDER] (default samples/card)"""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import cabinet  # noqa: E402

CARD = Path(__file__).resolve().parents[1] / "samples" / "card"


def packages():
    readme = b"Sample package of the cabbatch project: it installs nothing of use.\r\n" * 40
    tools = {"files": [("%CE1%\\Sample Tools", "readme.txt", 1, [])],
             "registry": [("HKLM\\Software\\cabbatch\\Sample Tools", "Version", "dword")],
             "shortcuts": [("%CE11%", "Sample Tools", 1)]}
    return {
        "tools.cab": cabinet.cabinet([
            ("TOOLS.000", cabinet.setup_info("Sample Tools", "cabbatch", 0, (5, 0), (0, 0), **tools)),
            ("README.001", readme)], cabinet.MSZIP),
        "maps/city maps.cab": cabinet.cabinet([
            ("MAPS.000", cabinet.setup_info("City Maps", "cabbatch", 2577, (5, 0), (0, 0),
                                            files=[("%CE1%\\City Maps", "maps.txt", 1, [])])),
            ("MAPS.001", readme),
            ("SETUP.999", cabinet.program(0x1C0))]),
        "radio driver.cab": cabinet.cabinet([
            ("RADIO.000", cabinet.setup_info("Radio Driver", "cabbatch", 0, (4, 0), (5, 99),
                                             files=[("Windows", "radio.txt", 1, [])])),
            ("RADIO.001", readme)], cabinet.MSZIP),
    }


def main(card=CARD):
    for name, data in packages().items():
        path = Path(card) / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)


if __name__ == "__main__":
    main(*sys.argv[1:2])
