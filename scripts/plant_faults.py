#!/usr/bin/env python3
"""Plants typical faults in the product one at a time and runs the tests that should catch
each: every fault must make them fail. The source is restored after each, whatever happens.
Usage: plant_faults.py [NAME_PART...] (only the faults whose name holds one of them).
Needs the host, windows and device presets configured (scripts/test does that)."""
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]

sys.path.insert(0, str(ROOT / "scripts" / "faults"))
import check_rows  # noqa: E402
import device_rows  # noqa: E402

# (name, text, replacement, preset whose tests must catch it); the text must stand exactly
# once in the product sources (resources included), the build files (cmake/) or the scripts
# (scripts/: the emulated device and the dry run), wherever a change has moved it. The rows
# live in scripts/faults/, where the search for the text does not look.
FAULTS = device_rows.FAULTS + check_rows.FAULTS


def tests_fail(preset, fresh=False):
    """True when the preset's build or its tests fail; fresh: configure it anew first, for a
    change in the build files. "host+device": the host's card check is built first, for the
    device preset's tests that run it."""
    if "+" in preset:
        first, last = preset.split("+")
        return tests_fail(first, fresh) or tests_fail(last, fresh)
    if fresh and subprocess.run(["cmake", "--preset", preset, "--fresh"], cwd=ROOT,
                                capture_output=True).returncode != 0:
        return True
    build = subprocess.run(["cmake", "--build", "--preset", preset, "-j2"], cwd=ROOT,
                           capture_output=True)
    if build.returncode != 0:
        return True
    return subprocess.run(["ctest", "--preset", preset], cwd=ROOT, capture_output=True).returncode != 0


def plant(name, text, replacement, preset):
    sources = [*sorted((ROOT / "src").rglob("*.[ch]*")), *sorted((ROOT / "src").rglob("*.rc")),
               *sorted((ROOT / "cmake").glob("*.cmake")), *sorted((ROOT / "cmake").glob("*.in")),
               *sorted(path for path in (ROOT / "scripts").iterdir()
                       if path.is_file() and path.name != Path(__file__).name)]
    places = [path for path in sources
              if "platform/test" not in path.as_posix() and text in path.read_text()]
    if len(places) != 1 or places[0].read_text().count(text) != 1:
        return f"MISPLACED {name}: the text to change does not stand exactly once in src/, cmake/ or scripts/"
    path = places[0]
    original = path.read_text()
    build_file = path.parent.name == "cmake"
    try:
        path.write_text(original.replace(text, replacement))
        caught = tests_fail(preset, fresh=build_file)
    finally:
        path.write_text(original)
        if build_file:
            tests_fail(preset, fresh=True)
    return f"{'caught' if caught else 'MISSED'}  {name} ({preset})"


def main(*wanted):
    faults = [fault for fault in FAULTS if not wanted or any(w in fault[0] for w in wanted)]
    results = []
    for fault in faults:
        results.append(plant(*fault))
        print(results[-1], flush=True)
    for preset in sorted({part for fault in faults for part in fault[3].split("+")}):
        tests_fail(preset)  # rebuild what the last fault left behind
    missed = [result for result in results if not result.startswith("caught")]
    print(f"{len(results) - len(missed)} of {len(results)} faults caught")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
