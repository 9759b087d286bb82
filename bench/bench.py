#!/usr/bin/env python3
"""Measures the program against its budgets and prints the figures:
- overhead: a batch of 60 entries with an installer that ends at once, against the bare
  loop that only starts that installer 60 times and waits for each (median of 3, under Wine);
- size of cabbatch.exe, icon included;
- the deepest stack a call chain of the run uses;
- the card check (host build) on a 10,000-line list over 100 packages, process start included;
- the optimized card check on a 1,000,000-line list over 100 packages: time and peak memory,
  for the plain report and for JSON;
- the optimized card check on a list of 1,000,000 distinct entries, none on the card: time and
  peak memory, each entry remembered for its repeats and searched for a near name;
- the optimized card check's hints: 20,000 missing entries over 5,000 files whose names all
  have one length, half of the entries a character away from a file; and the same over 5,000
  names that differ in one place only, so that all share one form with a character removed;
- the optimized card check reading 100 packages of 1 MiB of text each (MSZIP) through, each
  installing its text, a program and a shortcut: time, and peak memory against the same card
  with packages of 64 KiB;
- each package that would make a cabinet library unpack 2 GB again for each of its 1,000
  members, judged by the optimized card check and by the Windows build under Wine (warm);
- the device build: the ARM program's size, the deepest stack it reaches and the instructions
  it runs per list line on the emulated ARMv4T core, the time of one emulated scenario, the
  time its binutils took to build, and the time of a device build from scratch.
Usage: bench.py BUILD_DIR HOST_CHECKER RELEASE_CHECKER DEVICE_BUILD_DIR (the windows preset's
build folder, the host preset's cabbatch-check, the release preset's, and the device preset's
build folder), best on one core (see bench/run).
Exits 1 when a budget is exceeded."""
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "scripts"))
from wine_card import Card, INSTALL_DIR, WINE_RUN  # noqa: E402
import stack_depth  # noqa: E402
import cabinet  # noqa: E402

ENTRIES, RUNS = 60, 3
MAX_OVERHEAD, MAX_SIZE, MAX_STACK = 1.05, 72 * 1024, 4096
CHECK_LINES, CHECK_PACKAGES, MAX_CHECK_SECONDS = 10_000, 100, 0.2
BIG_LINES, MAX_BIG_SECONDS, MAX_BIG_MEMORY = 1_000_000, 2.0, 64 * 1024 * 1024
DISTINCT, MAX_DISTINCT_SECONDS, MAX_DISTINCT_MEMORY = 1_000_000, 4.0, 128 * 1024 * 1024
HINT_ENTRIES, HINT_FILES, MAX_HINT_SECONDS = 20_000, 5_000, 5.0
PACKAGES, PACKAGE_BYTES, MAX_PACKAGE_SECONDS, MAX_MEMORY_GROWTH = 100, 1 << 20, 0.5, 4 * 1024 * 1024
BOUNDED = {"overlapping": "every member over the whole folder", "reversed": "listed from the last",
           "shared": "eight folders over the same blocks"}
MAX_BOUNDED_SECONDS = 2.0
MAX_SCENARIO_SECONDS, MAX_TOOLCHAIN_SECONDS, MAX_DEVICE_BUILD_SECONDS = 1.0, 300, 30
DEVICE_LINES = 1000
ROOT = Path(__file__).resolve().parents[1]
CE_BINUTILS = Path("/opt/cabbatch-ce-binutils-2.40")


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


def measured(checker, form, card):
    """Seconds and peak resident bytes of one check, from a fresh interpreter: a child's peak
    counts what its parent held when it forked, and this one may have just made a large list."""
    out = subprocess.run([sys.executable, __file__, "--peak", checker, *form, str(card)],
                         capture_output=True, text=True, check=True)
    seconds, peak_bytes = out.stdout.split()
    return float(seconds), int(peak_bytes)


def distinct_entries(checker, work):
    """The plain and the JSON report of DISTINCT entries that name no file, each as long as
    the card's package names give or take one, so that each is searched for a near name."""
    card = work / "distinct-card"
    card.mkdir()
    for i in range(CHECK_PACKAGES):
        (card / f"package{i:03}.cab").write_bytes(b"")
    (card / "SetupFile.CE6.txt").write_text("".join(f"entry{i:06}.cab\r\n" for i in range(DISTINCT)))
    return [measured(checker, form, card) for form in ([], ["--json"])]


def hint_seconds(checker, work):
    """Seconds of checks of HINT_ENTRIES missing entries over HINT_FILES files, all names of
    one length. Apart: every other entry one character away from a file, the rest far from
    all. One form: the names differ in one place, and each entry differs from all of them
    there, every other one in another place too (one character, or two, from every name)."""
    figures = {}
    for kind, file_name, entry in (
            ("apart", lambda i: f"app{i:05}.cab",
             lambda i: f"apq{i % HINT_FILES:05}.cab" if i % 2 else f"zzz{i:05}.cab"),
            ("one form", lambda i: f"setup{chr(0x4E00 + i)}tool.cab",
             lambda i: f"setup{chr(0x7000 + i)}{'toal' if i % 2 else 'tool'}.cab")):
        card = work / f"hint-card-{len(figures)}"
        card.mkdir()
        for i in range(HINT_FILES):
            (card / file_name(i)).write_bytes(b"")
        (card / "SetupFile.CE6.txt").write_text("".join(f"{entry(i)}\r\n" for i in range(HINT_ENTRIES)),
                                                encoding="utf-8")
        figures[kind] = measured(checker, [], card)[0]
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
        contents = {"files": [(f"%CE1%\\Package {i}", "text.txt", 1, []), ("Windows", f"p{i}.dll", 2, [])],
                    "registry": [(f"HKLM\\Software\\Package {i}", "Version", "dword")],
                    "shortcuts": [("%CE11%", f"Package {i}.lnk", 1)]}
        setup = cabinet.setup_info(f"Package {i}", "bench", 2577, (5, 0), (0, 0), **contents)
        members = [("P.000", setup), ("TEXT.001", text), ("P.002", cabinet.program(0x1C0))]
        (card / name).write_bytes(cabinet.cabinet(members, cabinet.MSZIP))
    (card / "SetupFile.CE6.txt").write_text("".join(f"{name}\r\n" for name in names))
    measured = subprocess.run([sys.executable, __file__, "--peak", checker, str(card)],
                              capture_output=True, text=True, check=True)
    seconds, peak_bytes = measured.stdout.split()
    return float(seconds), int(peak_bytes)


def bounded(release_checker, build, work):
    """Seconds (median of 3) of the check of each package of BOUNDED alone, on Linux and under
    Wine, started warm."""
    card = Card(work / "bounded-prefix", build / "cabbatch.exe", build / "bench" / "instant_installer.exe")
    windows_checker = (build / "cabbatch-check.exe").read_bytes()
    commands = ([release_checker, "--json", str(card.install)],
                [str(WINE_RUN), INSTALL_DIR + "\\cabbatch-check.exe", "--json", INSTALL_DIR])
    figures = {}
    try:
        for kind in BOUNDED:
            card.lay_out({"SetupFile.CE6.txt": f"{kind}.cab\r\n".encode(), f"{kind}.cab": cabinet.over_zeros(kind),
                          "cabbatch-check.exe": windows_checker})
            card.wine("cmd", "/c", "exit")
            figures[kind] = []
            for command in commands:
                times = []
                for _ in range(3):
                    start = time.perf_counter()
                    subprocess.run(command, stdout=subprocess.DEVNULL, env=card.env(), check=False)
                    times.append(time.perf_counter() - start)
                figures[kind].append(statistics.median(times))
    finally:
        card.stop()
    return figures


def check_seconds(checker, work):
    """Median time of 5 human reports on a card of CHECK_LINES lines."""
    card = lay_out_card(work / "big-card", CHECK_LINES)
    times = []
    for _ in range(5):
        start = time.perf_counter()
        subprocess.run([checker, str(card)], stdout=subprocess.DEVNULL, check=False)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def emulated(program, work, lines, count=False):
    """The ARM program's run over a list of lines on the emulated core, and its seconds."""
    import ce_device  # here, so that the processes measured for peak memory do not load it
    root = work / f"device-{lines}-{count}"
    listed = "".join(f"package{i:04}.cab\r\n" for i in range(lines)).encode()
    module = ce_device.lay_out(root, "\\Storage Card\\Install", program, {"SetupFile.CE6.txt": listed})
    start = time.perf_counter()
    outcome = ce_device.Device(root, count=count).run(program, module)
    return outcome, time.perf_counter() - start


def device_build_seconds(work):
    """Seconds to configure and build the device program from scratch, the tools built."""
    build = work / "device-build"
    start = time.perf_counter()
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-DBUILD_TESTING=OFF",
                    "-DCMAKE_BUILD_TYPE=MinSizeRel",
                    f"-DCMAKE_TOOLCHAIN_FILE={ROOT / 'cmake' / 'wince-armv4i-gnu.cmake'}"],
                   stdout=subprocess.DEVNULL, check=True)
    subprocess.run(["cmake", "--build", str(build), "-j2", "--target", "cabbatch"],
                   stdout=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start


def device_results(device_build, work):
    program = device_build / "cabbatch.exe"
    scenario, seconds = emulated(program, work, ENTRIES)
    counted, _ = emulated(program, work, DEVICE_LINES, count=True)
    size = program.stat().st_size
    toolchain = int((CE_BINUTILS / "build-seconds").read_text())
    build = device_build_seconds(work)
    print(f"device    {counted.instructions / DEVICE_LINES:.0f} ARM instructions per list line "
          f"({DEVICE_LINES} lines of 17 characters, emulated ARMv4T core)")
    return [
        report("device", size, MAX_SIZE, f"ARM cabbatch.exe {size} bytes ({size / 1024:.1f} KiB, at most 72 KiB)"),
        report("device", scenario.stack_used, MAX_STACK,
               f"{scenario.stack_used} bytes of stack reached on the emulated core (budget {MAX_STACK})"),
        report("device", seconds, MAX_SCENARIO_SECONDS,
               f"one emulated scenario of {ENTRIES} entries: {seconds:.2f} s (at most {MAX_SCENARIO_SECONDS})"),
        report("device", toolchain, MAX_TOOLCHAIN_SECONDS,
               f"the device's binutils built in {toolchain} s (at most {MAX_TOOLCHAIN_SECONDS})"),
        report("device", build, MAX_DEVICE_BUILD_SECONDS,
               f"a device build from scratch: {build:.1f} s (at most {MAX_DEVICE_BUILD_SECONDS})"),
    ]


def report(name, value, limit, text):
    ok = value <= limit
    print(f"{name:9} {text}  {'within' if ok else 'OVER'} budget")
    return ok


def main(build, checker, release_checker, device_build):
    build = Path(build).resolve()
    with tempfile.TemporaryDirectory(prefix="cabbatch-bench-") as work:
        device = device_results(Path(device_build).resolve(), Path(work))
        batch, bare = overhead(build, Path(work))
        check = check_seconds(checker, Path(work))
        big = big_list(release_checker, Path(work))
        distinct = distinct_entries(release_checker, Path(work))
        hints = hint_seconds(release_checker, Path(work))
        large = read_through(release_checker, Path(work), PACKAGE_BYTES)
        small = read_through(release_checker, Path(work), 1 << 16)
        hostile = bounded(release_checker, build, Path(work))
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
    for form, (seconds, memory) in zip(("plain", "JSON"), distinct):
        results.append(report("distinct", max(seconds / MAX_DISTINCT_SECONDS, memory / MAX_DISTINCT_MEMORY), 1,
                              f"{DISTINCT} distinct entries, none on the card, {form}: {seconds:.2f} s (at most "
                              f"{MAX_DISTINCT_SECONDS}), {memory / 2**20:.1f} MiB peak (at most "
                              f"{MAX_DISTINCT_MEMORY // 2**20}); release build"))
    for kind, seconds in hints.items():
        results.append(report("hints", seconds, MAX_HINT_SECONDS,
                              f"{HINT_ENTRIES} missing entries over {HINT_FILES} files of one name length, {kind}: "
                              f"{seconds:.2f} s (at most {MAX_HINT_SECONDS}); release build"))
    growth = large[1] - small[1]
    results.append(report("packages", max(large[0] / MAX_PACKAGE_SECONDS, large[1] / MAX_BIG_MEMORY,
                                           growth / MAX_MEMORY_GROWTH), 1,
                          f"{PACKAGES} packages of {PACKAGE_BYTES >> 20} MiB (MSZIP) read through: {large[0]:.2f} s "
                          f"(at most {MAX_PACKAGE_SECONDS}), {large[1] / 2**20:.1f} MiB peak (at most "
                          f"{MAX_BIG_MEMORY >> 20}); {small[1] / 2**20:.1f} MiB with 64 KiB packages "
                          f"(at most {MAX_MEMORY_GROWTH >> 20} MiB more); release build"))
    for kind, (linux, wine) in hostile.items():
        results.append(report("packages", max(linux, wine), MAX_BOUNDED_SECONDS,
                              f"1,000 members over 2 GB of zeros, {BOUNDED[kind]}: {linux:.2f} s release build, "
                              f"{wine:.2f} s Windows build under Wine (each at most {MAX_BOUNDED_SECONDS}; median of 3)"))
    print("heap      none: the product references no allocator (see the device.imports test)")
    return 0 if all(results + device) else 1


if __name__ == "__main__":
    if sys.argv[1] == "--peak":
        sys.exit(peak(sys.argv[2:]))
    sys.exit(main(*sys.argv[1:5]))
