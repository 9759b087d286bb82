#!/usr/bin/env python3
"""Turns GCC's ELF assembly for ARM into assembly for the Windows CE PE assembler: drops the
directives that only ELF knows, and renames the read-only data sections to .rdata. Every
directive it passes on is one it knows; any other stops the build, naming the line, so that
nothing reaches the device's image unchecked.
Usage: ce_asm.py INPUT.s OUTPUT.s"""
import re
import sys

# ELF bookkeeping with no PE counterpart: symbol types and sizes, build attributes, the
# floating-point unit and architecture notes (the assembler's -march decides), the
# compiler's tag and the source's name.
DROPPED = {".eabi_attribute", ".type", ".size", ".fpu", ".arch", ".ident", ".file"}
# Directives the PE assembler reads as GCC means them.
PASSED = {".text", ".data", ".bss", ".align", ".p2align", ".balign", ".global", ".globl",
          ".syntax", ".arm", ".code", ".word", ".long", ".short", ".hword", ".2byte",
          ".4byte", ".byte", ".ascii", ".asciz", ".string", ".space", ".zero", ".set"}
DIRECTIVE = re.compile(r"\s*(\.[A-Za-z_][\w.]*)\b(?!:)(.*)")
SECTION = re.compile(r"\s*\.section\s+([^\s,]+)")


class Refused(Exception):
    pass


def convert_line(line):
    """The line for the PE assembler, or None when it is dropped."""
    match = DIRECTIVE.match(line)
    if match is None:
        return line  # a label, an instruction, a comment or a blank line
    directive = match.group(1)
    if directive in DROPPED:
        return None
    if directive in PASSED:
        return line
    if directive == ".section":
        name = SECTION.match(line).group(1)
        # The ELF flags ("aMS", %progbits, entity size) mean nothing to PE: read-only
        # data, strings included, is .rdata there.
        if name == ".rodata" or name.startswith(".rodata."):
            return '\t.section\t.rdata,"dr"'
        if name in (".text", ".data", ".bss"):
            return "\t" + name
        raise Refused(f"section {name} is not known for the device")
    raise Refused(f"directive {directive} is not known for the device")


def convert(text, source="<input>"):
    out = []
    for number, line in enumerate(text.splitlines(), 1):
        try:
            converted = convert_line(line)
        except Refused as why:
            raise Refused(f"{source}:{number}: {why}: {line.strip()}") from None
        if converted is not None:
            out.append(converted)
    return "\n".join(out) + "\n"


def main(source, target):
    try:
        with open(source, encoding="utf-8") as file:
            text = convert(file.read(), source)
    except Refused as why:
        print(f"ce_asm.py: {why}", file=sys.stderr)
        return 1
    with open(target, "w", encoding="utf-8") as file:
        file.write(text)
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
