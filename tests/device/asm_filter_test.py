#!/usr/bin/env python3
"""The step from GCC's ELF assembly to the PE assembler: what it drops, renames and passes
on, and that any other directive stops the build with the line named."""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
import ce_asm  # noqa: E402

# (GCC's line, the line for the PE assembler, or None when dropped, or Refused)
CASES = [
    ('\t.eabi_attribute 20, 1', None),
    ('\t.type\t_Z3Runv, %function', None),
    ('\t.size\t_Z3Runv, .-_Z3Runv', None),
    ('\t.arch armv4t', None),
    ('\t.fpu softvfp', None),
    ('\t.ident\t"GCC: 12.2.1"', None),
    ('\t.file\t"run.cpp"', None),
    ('\t.section\t.rodata.str2.2,"aMS",%progbits,2', '\t.section\t.rdata,"dr"'),
    ('\t.section\t.rodata', '\t.section\t.rdata,"dr"'),
    ('\t.section\t.text', '\t.text'),
    ('\t.align\t2', '\t.align\t2'),
    ('\t.global\t_Z3Runv', '\t.global\t_Z3Runv'),
    ('\t.word\t.LC0', '\t.word\t.LC0'),
    ('.LANCHOR0:', '.LANCHOR0:'),
    ('.L3:', '.L3:'),
    ('\tldrh\tr3, [r0, #2]', '\tldrh\tr3, [r0, #2]'),
    ('\t.section\t.text.startup,"ax",%progbits', ce_asm.Refused),
    ('\t.section\t.init_array,"aw"', ce_asm.Refused),
    ('\t.weak\t_Z3Runv', ce_asm.Refused),
    ('\t.cfi_startproc', ce_asm.Refused),
    ('\t.fnstart', ce_asm.Refused),
]


def main():
    failures = []
    for line, expected in CASES:
        try:
            got = ce_asm.convert_line(line)
        except ce_asm.Refused:
            got = ce_asm.Refused
        if got != expected:
            failures.append(f"{line!r}: gave {got!r}, want {expected!r}")
    try:
        ce_asm.convert("\t.text\n\t.weak\tx\n", "run.s")
        failures.append("an unknown directive passed")
    except ce_asm.Refused as why:
        if not str(why).startswith("run.s:2: ") or ".weak" not in str(why):
            failures.append(f"the refusal does not name the line: {why}")
    print("\n".join(failures) or f"{len(CASES) + 1} lines: ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
