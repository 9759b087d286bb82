#!/usr/bin/env python3
"""Measures the program against its budgets and prints the figures:
- overhead: a batch of 60 entries with an installer that ends at once, against the bare
  loop that only starts that installer 60 times and waits for each (median of 3, under Wine);
- size of cabbatch.exe, icon included;
- the deepest stack a call chain of the run uses.
Usage: bench.py BUILD_DIR (the windows preset's), best on one core (see bench/run).
Exits 1 when a budget is exceeded."""
import statistics
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "scripts"))
from wine_card import Card, INSTALL_DIR  # noqa: E402
import stack_depth  # noqa: E402

ENTRIES, RUNS = 60, 3
MAX_OVERHEAD, MAX_SIZE, MAX_STACK = 1.05, 72 * 1024, 4096


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


def report(name, value, limit, text):
    ok = value <= limit
    print(f"{name:9} {text}  {'within' if ok else 'OVER'} budget")
    return ok


def main(build):
    build = Path(build).resolve()
    with tempfile.TemporaryDirectory(prefix="cabbatch-bench-") as work:
        batch, bare = overhead(build, Path(work))
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
    ]
    print("heap      none: the product references no allocator (see the device.imports test)")
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
