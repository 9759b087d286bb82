#!/usr/bin/env python3
"""The version's rules. changelog: the changelog's newest version is CMake's. written-once:
the number stands nowhere in what builds the programs but in project(), in any of the forms a
program or a resource would write it (for 7.8.9: 7.8.9, 7,8,9, 7, 8, 9), so that everything
else takes it from there. Tests may take any version for their data, and documents name some.
Usage: version_rules.py changelog|written-once SOURCE_DIR VERSION"""
import re
import sys
from pathlib import Path

SKIPPED_FOLDERS = {".git", "build", "dist", "__pycache__", "tests", "fuzz"}
SKIPPED_SUFFIXES = {".md"}


def changelog(root, version):
    newest = re.search(r"^## \[([^\]]+)\]", (root / "CHANGELOG.md").read_text(), re.M)
    if newest and newest.group(1) == version:
        return []
    found = newest.group(1) if newest else "no version heading"
    return [f"CHANGELOG.md's newest version is {found}; CMakeLists.txt's project() says {version}"]


def texts(root):
    for path in sorted(root.rglob("*")):
        relative = path.relative_to(root)
        if SKIPPED_FOLDERS & set(relative.parts) or not path.is_file() or path.suffix in SKIPPED_SUFFIXES:
            continue
        try:
            yield relative, path.read_text(encoding="utf-8")
        except UnicodeDecodeError:
            continue  # samples, icons, seeds: no source writes a version there


def written_once(root, version):
    parts = version.split(".")
    written = re.compile(r"(?<![\w.])" + r"(?:\.|, ?)".join(parts) + r"(?![\w])")
    places = [f"{path}:{number}: {line.strip()}"
              for path, text in texts(root)
              for number, line in enumerate(text.splitlines(), 1) if written.search(line)]
    if len(places) == 1 and places[0].startswith("CMakeLists.txt:") and "project(" in places[0]:
        return []
    return [f"{version} must stand once, in CMakeLists.txt's project(); it stands in:", *places]


def main(rule, root, version):
    failures = {"changelog": changelog, "written-once": written_once}[rule](Path(root), version)
    print("\n".join(failures) or f"{rule}: {version} holds")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
