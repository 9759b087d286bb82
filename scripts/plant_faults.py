#!/usr/bin/env python3
"""Plants typical faults in the product one at a time and runs the tests that should catch
each: every fault must make them fail. The source is restored after each, whatever happens.
Usage: plant_faults.py [NAME_PART...] (only the faults whose name holds one of them).
Needs the host and windows presets configured (scripts/test does that)."""
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]

# (name, text, replacement, preset whose tests must catch it); the text must stand exactly
# once in the product sources, wherever a change has moved it.
FAULTS = [
    ("line capacity +1", "kMaxEntryLength = kLineCapacity - 2", "kMaxEntryLength = kLineCapacity - 1", "host"),
    ("arguments capacity +1", "kArgumentsCapacity = 128", "kArgumentsCapacity = 129", "host"),
    ("list path capacity +1", "kListPathCapacity = 128", "kListPathCapacity = 129", "host"),
    ("module path capacity +1", "length >= kModulePathCapacity", "length > kModulePathCapacity", "host"),
    ("bounded append +1", "textLength >= capacity - *length", "textLength > capacity - *length", "host"),
    ("missing wait", "    PlatformWaitForProcess(started.process);\n", "", "host"),
    ("leaked thread handle", "    PlatformCloseHandle(started.thread);\n", "", "host"),
    ("list not deleted", "    PlatformDeleteFile(listPath);\n", "", "host"),
    ("UTF-16 mark ignored", "list->encoding = kListUtf16;", "list->encoding = kListBytes;", "host"),
    ("UTF-8 mark kept", "list->next = 3;", "list->next = 0;", "host"),
    ("CR of CR LF kept", "unit == '\\n' && previous == '\\r'", "0", "host"),
    ("NUL line kept", "? kLineNul : kLineEntry", "? kLineEntry : kLineEntry", "host"),
    ("blank CR line installed", " || *entry == L'\\r'", "", "host"),
    ("two-byte overlong bound", "least = 0x80,", "least = 0x0,", "host"),
    ("three-byte overlong bound", "least = 0x800,", "least = 0x80,", "host"),
    ("four-byte overlong bound", "least = 0x10000,", "least = 0x800,", "host"),
    ("surrogates accepted", "\n        || (*codePoint >= 0xD800 && *codePoint <= 0xDFFF)", "", "host"),
    ("U+10FFFF ceiling dropped", "*codePoint > 0x10FFFF", "*codePoint > 0x1FFFFF", "host"),
    ("no ANSI fallback", "if (length == kNotUtf8)", "if (0)", "host"),
    ("check: names match by case", "Text part = FoldCase(relativeName.substr(start, end - start));",
     "Text part = relativeName.substr(start, end - start);", "host"),
    ("check: read-only missed", "return !error && (perms & writable) == fs::perms::none;", "return false;", "host"),
    ("check: duplicates by case", "firstLineOf.emplace(desktop::FoldCase(line.package)",
     "firstLineOf.emplace(line.package", "host"),
    ("check: read-only list passes", "count += !list.runs || list.file.readOnly;",
     "count += !list.runs;", "host"),
    ("check: a NUL taken for a trail byte", " && bytes[i + 1] != 0", "", "windows"),
    ("win32: no wait", "WaitForSingleObject(process, INFINITE);",
     "(void)process;", "windows"),
    ("win32: no deletion", "DeleteFileW(path);", "(void)path;", "windows"),
    ("win32: ANSI in the OEM code page", "CP_ACP", "CP_OEMCP", "windows"),
]


def tests_fail(preset):
    """True when the preset's build or its tests fail."""
    build = subprocess.run(["cmake", "--build", "--preset", preset, "-j2"], cwd=ROOT,
                           capture_output=True)
    if build.returncode != 0:
        return True
    return subprocess.run(["ctest", "--preset", preset], cwd=ROOT, capture_output=True).returncode != 0


def plant(name, text, replacement, preset):
    places = [path for path in sorted((ROOT / "src").rglob("*.[ch]*"))
              if "platform/test" not in path.as_posix() and text in path.read_text()]
    if len(places) != 1 or places[0].read_text().count(text) != 1:
        return f"MISPLACED {name}: the text to change does not stand exactly once in src/"
    path = places[0]
    original = path.read_text()
    try:
        path.write_text(original.replace(text, replacement))
        caught = tests_fail(preset)
    finally:
        path.write_text(original)
    return f"{'caught' if caught else 'MISSED'}  {name} ({preset})"


def main(*wanted):
    faults = [fault for fault in FAULTS if not wanted or any(w in fault[0] for w in wanted)]
    results = []
    for fault in faults:
        results.append(plant(*fault))
        print(results[-1], flush=True)
    for preset in sorted({fault[3] for fault in faults}):
        tests_fail(preset)  # rebuild what the last fault left behind
    missed = [result for result in results if not result.startswith("caught")]
    print(f"{len(results) - len(missed)} of {len(results)} faults caught")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
