#!/usr/bin/env python3
"""The README's sample report is the card check's real output: each "$ build/release/
cabbatch-check ..." block is run again, with the checker given, from the repository's root.
Usage: readme_sample.py CHECKER"""
import re
import shlex
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]


def main(checker):
    readme = (ROOT / "README.md").read_text()
    blocks = re.findall(r"```\n\$ build/release/cabbatch-check ([^\n]*)\n(.*?)```", readme, re.S)
    if not blocks:
        print("no sample report in README.md")
        return 1
    failures = 0
    for arguments, shown in blocks:
        result = subprocess.run([checker, *shlex.split(arguments)], cwd=ROOT, capture_output=True, text=True)
        if result.stdout != shown:
            print(f"README.md shows for {arguments}:\n{shown}\nbut the check writes:\n{result.stdout}")
            failures += 1
    print(f"{len(blocks)} sample reports, {failures} differing")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
