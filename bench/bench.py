#!/usr/bin/env python3
"""Measures the program against its budgets and prints the figures:
- overhead: a batch of 60 entries with an installer that ends at once, against the bare
  loop that only starts that installer 60 times and waits for each (median of 3, under Wine);
- size of cabbatch.exe, icon included;
- the deepest stack a call chain of the run uses;
- the card check (host build) on a 10,000-line list over 100 packages, process start included;
- the optimized card check on a 1,000,000-line list over 100 packages: time and peak memory,
  for the plain report and for JSON;
- the optimized card check reading 100 packages of 1 MiB of text each (MSZIP) through: time,
  and peak memory against the same card with packages of 64 KiB.
Usage: bench.py BUILD_DIR HOST_CHECKER RELEASE_CHECKER (the windows preset's build folder, the
host preset's cabbatch-check and the release preset's), best on one core (see bench/run).
Exits 1 when a budget is exceeded."""
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "scripts"))
from wine_card import Card, INSTALL_DIR  # noqa: E402
import stack_depth  # noqa: E402
import cabinet  # noqa: E402

ENTRIES, RUNS = 60, 3
MAX_OVERHEAD, MAX_SIZE, MAX_STACK = 1.05, 72 * 1024, 4096
CHECK_LINES, CHECK_PACKAGES, MAX_CHECK_SECONDS = 10_000, 100, 0.2
BIG_LINES, MAX_BIG_SECONDS, MAX_BIG_MEMORY = 1_000_000, 2.0, 64 * 1024 * 1024
PACKAGES, PACKAGE_BYTES, MAX_PACKAGE_SECONDS, MAX_MEMORY_GROWTH = 100, 1 << 20, 1.0, 4 * 1024 * 1024


def overhead(build, work):
    """Medians of the batch's and the bare loop's times, as the harness measured them."""
    card = Card(work / "prefix", build / "cabbatch.exe", build / "bench" / "instant_installer.exe")
    files = {"full-list.txt": "".join(f"p{i:02}.cab\r\n" for i in range(ENTRIES)).encode()}
    for name in ("bare_loop.exe", "bench_harness.exe"):
        files[name] = (build / "bench" / name).read_bytes()
    try:
        card.lay_out(files)
        card.wine(INSTALL_DIR + "\\bench_harness.exe")
        runs = [line.split() for line in (card.drive / "bench.txt").read_text().splitlines()]
    finally:
        card.stop()
    if len(runs) != RUNS or any(gone != "1" for _, _, gone in runs):
        sys.exit(f"the batch did not run through its list: {runs}")
    return (statistics.median(float(batch) for batch, _, _ in runs),
            statistics.median(float(bare) for _, bare, _ in runs))


def lay_out_card(card, count):
    """A card of count lines over CHECK_PACKAGES packages, every third line in capitals so
    that each is looked up without regard to case."""
    card.mkdir()
    names = [f"package{i:03}.cab" for i in range(CHECK_PACKAGES)]
    for name in names:
        (card / name).write_bytes(b"")
    lines = (names[i % CHECK_PACKAGES].upper() if i % 3 == 0 else names[i % CHECK_PACKAGES]
             for i in range(count))
    (card / "SetupFile.CE6.txt").write_text("".join(f"{line}\r\n" for line in lines))
    return card


def big_list(checker, work):
    """Seconds and peak resident bytes of the plain and the JSON report of BIG_LINES lines."""
    card = lay_out_card(work / "huge-card", BIG_LINES)
    figures = []
    for form in ([], ["--json"]):
        # Measured from a fresh interpreter: a child's peak counts what its parent held
        # when it forked, and this one has just made a large list.
        measured = subprocess.run([sys.executable, __file__, "--peak", checker, *form, str(card)],
                                  capture_output=True, text=True, check=True)
        seconds, peak = measured.stdout.split()
        figures.append((float(seconds), int(peak)))
    return figures


def peak(command):
    """Prints the seconds a command takes and its peak resident bytes."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    _, _, usage = os.wait4(child.pid, 0)
    print(f"{time.perf_counter() - start} {usage.ru_maxrss * 1024}")


def read_through(checker, work, size):
    """Seconds and peak resident bytes of a check of PACKAGES packages of size bytes of text."""
    card = work / f"packages-{size}"
    card.mkdir()
    text = b"".join(b"Line %d of a sample package, compressible text.\r\n" % i for i in range(size // 40))[:size]
    names = [f"package{i:03}.cab" for i in range(PACKAGES)]
    for i, name in enumerate(names):
        setup = cabinet.setup_info(f"Package {i}", "bench", 2577, (5, 0), (0, 0))
        (card / name).write_bytes(cabinet.cabinet([("P.000", setup), ("TEXT.001", text)], cabinet.MSZIP))
    (card / "SetupFile.CE6.txt").write_text("".join(f"{name}\r\n" for name in names))
    measured = subprocess.run([sys.executable, __file__, "--peak", checker, str(card)],
                              capture_output=True, text=True, check=True)
    seconds, peak_bytes = measured.stdout.split()
    return float(seconds), int(peak_bytes)


def check_seconds(checker, work):
    """Median time of 5 human reports on a card of CHECK_LINES lines."""
    card = lay_out_card(work / "big-card", CHECK_LINES)
    times = []
    for _ in range(5):
        start = time.perf_counter()
        subprocess.run([checker, str(card)], stdout=subprocess.DEVNULL, check=False)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def report(name, value, limit, text):
    ok = value <= limit
    print(f"{name:9} {text}  {'within' if ok else 'OVER'} budget")
    return ok


def main(build, checker, release_checker):
    build = Path(build).resolve()
    with tempfile.TemporaryDirectory(prefix="cabbatch-bench-") as work:
        batch, bare = overhead(build, Path(work))
        check = check_seconds(checker, Path(work))
        big = big_list(release_checker, Path(work))
        large = read_through(release_checker, Path(work), PACKAGE_BYTES)
        small = read_through(release_checker, Path(work), 1 << 16)
    size = (build / "cabbatch.exe").stat().st_size
    sizes, calls, names = stack_depth.read_graph(build / "CMakeFiles")
    depth, chain = stack_depth.deepest("WinMain", sizes, calls)
    results = [
        report("overhead", batch / bare, MAX_OVERHEAD,
               f"{ENTRIES} entries: batch {batch:.3f} s, bare loop {bare:.3f} s, "
               f"ratio {batch / bare:.3f} (at most {MAX_OVERHEAD}; median of {RUNS})"),
        report("size", size, MAX_SIZE, f"cabbatch.exe {size} bytes ({size / 1024:.1f} KiB, at most 72 KiB)"),
        report("stack", depth, MAX_STACK,
               f"{depth} bytes at most (budget {MAX_STACK}): "
               + stack_depth.chain_text(chain, names)),
        report("check", check, MAX_CHECK_SECONDS,
               f"{CHECK_LINES} lines over {CHECK_PACKAGES} packages: {check:.3f} s "
               f"(at most {MAX_CHECK_SECONDS}; median of 5, process start included)"),
    ]
    for form, (seconds, memory) in zip(("plain", "JSON"), big):
        results.append(report("lines", max(seconds / MAX_BIG_SECONDS, memory / MAX_BIG_MEMORY), 1,
                              f"{BIG_LINES} lines, {form}: {seconds:.2f} s (at most {MAX_BIG_SECONDS}), "
                              f"{memory / 2**20:.1f} MiB peak (at most {MAX_BIG_MEMORY // 2**20}); release build"))
    growth = large[1] - small[1]
    results.append(report("packages", max(large[0] / MAX_PACKAGE_SECONDS, large[1] / MAX_BIG_MEMORY,
                                           growth / MAX_MEMORY_GROWTH), 1,
                          f"{PACKAGES} packages of {PACKAGE_BYTES >> 20} MiB (MSZIP) read through: {large[0]:.2f} s "
                          f"(at most {MAX_PACKAGE_SECONDS}), {large[1] / 2**20:.1f} MiB peak (at most "
                          f"{MAX_BIG_MEMORY >> 20}); {small[1] / 2**20:.1f} MiB with 64 KiB packages "
                          f"(at most {MAX_MEMORY_GROWTH >> 20} MiB more); release build"))
    print("heap      none: the product references no allocator (see the device.imports test)")
    return 0 if all(results) else 1


if __name__ == "__main__":
    if sys.argv[1] == "--peak":
        sys.exit(peak(sys.argv[2:]))
    sys.exit(main(*sys.argv[1:4]))
