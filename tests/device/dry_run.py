#!/usr/bin/env python3
"""scripts/device-run on a card: FOLDER stays as it was, and each installer start is shown
exactly as the card check's plain report shows that line's package.
Usage: dry_run.py CHECKER"""
import re
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
# Names a terminal would act on or that could be read two ways: each must be spelt out.
LIST = "a.cab\r\ntab\there.cab\r\ncaf\u00e9 <1>.cab\r\nnel\u0085.cab\r\n\u202eevil.cab\r\n".encode()


def main(checker):
    with tempfile.TemporaryDirectory(prefix="cabbatch-dry-run-") as folder:
        (Path(folder) / "SetupFile.CE6.txt").write_bytes(LIST)
        run = subprocess.run([str(ROOT / "scripts" / "device-run"), folder], capture_output=True, text=True)
        report = subprocess.run([checker, folder], capture_output=True, text=True)
        unchanged = [p.name for p in Path(folder).iterdir()] == ["SetupFile.CE6.txt"] \
            and (Path(folder) / "SetupFile.CE6.txt").read_bytes() == LIST
    starts = re.findall(r'start \d+: \\windows\\wceload\.exe with arguments \[ /noui /pbar "(.*)"\]', run.stdout)
    predicted = re.findall(r'^ +\d+  install "(.*)"$', report.stdout, re.M)
    failures = []
    if run.returncode != 0 or "Exit code: 1" not in run.stdout or "deleted" not in run.stdout:
        failures.append(f"device-run said:\n{run.stdout}{run.stderr}")
    if len(starts) != 5 or starts != predicted:
        failures.append(f"starts shown {starts}, the check shows {predicted}")
    if not unchanged:
        failures.append("FOLDER was changed")
    print("\n".join(failures) or f"{len(starts)} starts shown as the check shows them; FOLDER unchanged")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
