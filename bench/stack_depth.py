#!/usr/bin/env python3
"""The deepest stack a call chain from WinMain can use, from the call-graph files that
gcc's -fcallgraph-info=su writes beside each object. Calls into the OS count as 0 bytes.
Usage: stack_depth.py BUILD_DIR  (prints bytes and the chain)"""
import re
import sys
from pathlib import Path

NODE = re.compile(r'node: \{ title: "([^"]+)" label: "([^"(]*?)\([^"]*?(\d+) bytes \((\w[\w,]*)\)')
EDGE = re.compile(r'edge: \{ sourcename: "([^"]+)" targetname: "([^"]+)"')


def read_graph(build):
    """Each function's frame size, its callees, and its readable name, by node title."""
    sizes, calls, names = {}, {}, {}
    for path in Path(build).rglob("*.ci"):
        text = path.read_text()
        for title, name, size, kind in NODE.findall(text):
            if kind != "static":
                sys.exit(f"{title}: stack use is {kind}, not bounded at compile time")
            sizes[title] = int(size)
            names[title] = name.split()[-1]
        for source, target in EDGE.findall(text):
            calls.setdefault(source, set()).add(target)
    return sizes, calls, names


def deepest(function, sizes, calls, chain=()):
    if function in chain:
        sys.exit(f"recursion through {function}: no bound")
    below = [deepest(callee, sizes, calls, chain + (function,))
             for callee in sorted(calls.get(function, ()))]
    depth, path = max(below, default=(0, []))
    return sizes.get(function, 0) + depth, [function] + path


def chain_text(path, names):
    return " > ".join(names.get(title, title) for title in path)


if __name__ == "__main__":
    sizes, calls, names = read_graph(sys.argv[1])
    depth, path = deepest("WinMain", sizes, calls)
    print(depth, chain_text(path, names))
