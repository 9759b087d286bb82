#!/usr/bin/env python3
"""The card check from the outside: card folders, the options given, the exit status, what
the JSON report says line by line, what the plain report lets through to a terminal, and
reports that cannot be written. Usage: check_cli.py CHECKER [RUNNER...]; with a RUNNER
(scripts/wine-run) the checker is a Windows program and gets Windows paths."""
import collections
import fcntl
import json
import os
import pty
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import termios
import threading
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "scripts"))
import cabinet as cab  # noqa: E402

L6 = "SetupFile.CE6.txt"
LONG_DIR = "\\" + "d" * 109   # the list's path on the device would be 128 characters
DEEP = ["a" * 100, "b" * 100, "c" * 100]  # a card folder past 300 characters
SUB = "s" * 100                           # and a package past 400


def utf16(text, tail=b""):
    return b"\xff\xfe" + text.encode("utf-16-le", "surrogatepass") + tail


def package(compression=cab.NONE, signature=b"", extra=(), layout="ours", **setup):
    """A device package of a setup information and a member big enough for several blocks;
    in CabWiz's layout, with the build flags CabWiz writes when no build range is set."""
    if layout == "cabwiz":
        setup.setdefault("build_max", 0xE0000000)
    return cab.cabinet([("APP.000", cab.setup_info(layout=layout, **setup)), ("DATA.001", bytes(range(256)) * 300),
                        *extra], compression, signature)


program = cab.program
# A file in each of two folders, a registry value and a shortcut; on the install folder, which
# the .000 does not record, so that no two packages of a list write the same file.
FULL = {"files": [("%InstallDir%", "funk.exe", 1, []), ("%InstallDir%\\bin", "funk.dll", 2, ["shared"])],
        "registry": [("HKLM\\Software\\Funk", "Version", "dword")], "shortcuts": [("%CE11%", "Funk.lnk", 1)]}


def contents_package(layout, contents, members=None, extra=(), **setup):
    """A package whose setup information in layout ("ours", "cabwiz", or "xml" for a
    _setup.xml alone) holds contents, as cab.sections takes them; each file's member holds
    members' bytes for its number, else text."""
    data = [(cab.member_name(n), (members or {}).get(n, b"text")) for _, _, n, _ in contents.get("files", ())]
    setup_member = ("_setup.xml", cab.setup_xml(**contents, **setup)) if layout == "xml" else \
        ("APP.000", cab.setup_info(layout=layout, **contents, **setup))
    return cab.cabinet([setup_member, *data, *extra])


# Each member's code, from its first 64 KiB: (its bytes, its code in the JSON). A PE header
# reaches 94 bytes past where the DOS header points.
CODES = [(program(0x1C0), "arm"), (program(0x1C2), "thumb"), (program(0x14C, il_only=True), "dotnet"),
         (program(0x14C), "x86"), (program(0x14C, il_only=False), "x86"), (program(0x166), "mips"),
         (program(0x169), "mips"), (program(0x1A2), "sh3"), (program(0x1A6), "sh4"), (program(0x1C4), "armv7"),
         (program(0x8664), "0x8664"), (b"MZ text", "none"), (program(0x1C0, at=65536 - 94), "arm"),
         (program(0x1C0, at=65536 - 93), "unknown")]
FOREIGN = {"x86", "mips", "sh3", "sh4", "armv7", "0x8664"}


def codes(layout):
    """A package installing each kind of code, and one whose setup DLL is of that kind."""
    table = {}
    for i, (image, code) in enumerate(CODES):
        said = "foreign-code" if code in FOREIGN else "needs-dotnet" if code == "dotnet" else ""
        table[f"{i} {code} program.cab"] = (contents_package(layout, {"files": [("%InstallDir%", "p.dll", 1, [])]}, {1: image}),
                                             f"{said} {code}".strip())
        dll = "refused ok/000/no" if code in FOREIGN else "setup-dll"
        table[f"{i} {code} setup DLL.cab"] = (package(extra=[("SETUP.999", image)], layout=layout), f"{dll} dll:{code}")
    return table


def bounds(layout):
    """Setup information at each bound and one past it: each section ending the member, a path
    of 260 characters, 1 MiB."""
    table = {}
    for section in range(6):
        whole = cab.setup_info(layout=layout, last=section, **FULL)
        table[f"section {section} at the end.cab"] = (contents_package(layout, FULL, last=section), "none none")
        table[f"section {section} a byte past.cab"] = (contents_package(layout, FULL, last=section, length=len(whole) - 1),
                                                      "refused ok/000/no")
    for length, said in ((251, "none"), (252, "refused ok/000/no")):
        table[f"a path of {length + 9}.cab"] = (contents_package(layout, {"files": [("Windows", "n" * length, 1, [])]}), said)
    table["a value name of 261.cab"] = (contents_package(layout, {"registry": [("HKLM\\S", "n" * 261, "string")]}),
                                        "refused ok/000/no")
    table["1 MiB.cab"] = (contents_package(layout, {}, size=1 << 20), "")
    table["1 MiB and a byte.cab"] = (contents_package(layout, {}, size=(1 << 20) + 1), "refused ok/000/no")
    return table


CAB, MSZIP = package(), package(cab.MSZIP)


def writes(layout, folder="Windows", flags=(), **setup):
    return contents_package(layout, {"files": [(folder, "ITCSSApi.dll", 1, list(flags))]}, **setup)


# Packages of one list writing \Windows\ITCSSApi.dll, with and without the flags that keep
# the file there; a refused one writes nothing.
WRITES = {layout: {L6: b"first.cab\nagain.cab\nrefused.cab\nnever.cab\nnewer.cab\nelsewhere.cab\n",
                   "first.cab": writes(layout), "again.cab": writes(layout, "\\WINDOWS"),
                   "refused.cab": writes(layout, processor=586), "never.cab": writes(layout, flags=["never-overwrite"]),
                   "newer.cab": writes(layout, flags=["keep-newer"]), "elsewhere.cab": writes(layout, "%CE15%")}
          for layout in ("ours", "cabwiz", "xml")}
# The .000 splits the platforms a package does not support; the document runs them together.
PLATFORMS = {L6: b"split.cab\njoined.cab\nsplit elsewhere.cab\n",
             "split.cab": package(unsupported=["PocketPC", "HPC"]),
             "joined.cab": cab.cabinet([("_setup.xml", cab.setup_xml(unsupported="JUPITERHPC"))]),
             "split elsewhere.cab": package(unsupported=["HPCPRO"], extra=[("_setup.xml", cab.setup_xml(unsupported="HPCPRO"))])}
HAZARDS = {L6: b"\\a.cab\ndll.cab\nbuilds.cab\n", "a.cab": CAB, "dll.cab": package(extra=[("SETUP.999", b"MZ")]),
           "builds.cab": package(build_min=20000), "cabbatch.exe": program(0x1C2, 9)}
HAZARD_LINES = ["program cabbatch.exe 0x01c2 9 device", f"{L6} v6 bytes runs", "1 \\a.cab found absolute",
                "2 dll.cab found setup-dll dll:none", "3 builds.cab found may-refuse ok/000/maybe"]


# A card with packages beside the list, in subfolders, 8 folders down (the deepest walked)
# and 9 (past it), and the list's lines that miss them.
DOWN8, DOWN9 = "/".join(f"y{i}" for i in range(1, 9)), "/".join(f"x{i}" for i in range(1, 10))
WALK = {"config/Wifi_Profile.cab": CAB, "Certificates.cab": CAB, "sub/radio driver.cab": CAB, "radio drive.cab": CAB,
        f"{DOWN8}/eight.cab": CAB, f"{DOWN9}/nine.cab": CAB,
        L6: "Wifi_Profile.cab\n\\Storage Card\\Certificates.cab\n Certificates.cab\nCertificates.cab \ngone.cab.\n"
            "; rollout\nradio drvier.cab\neight.cab\nnine.cab\nCertif\u00a0icates.cab\nsub\\radio drivr.cab\n".encode()}
WALK_BOUND = ("! The card holds more than the check walks through (8 folders down, 10,000 names): its hints, "
              "case twins, names no device can hold and unlisted packages come from what it walked through.")
QUOTES = {L6: b'a.cab" /delete 1\na.cab\nb.cab" /DELETE 0\nb.cab\ngone.cab" /x\n', "a.cab": CAB, "b.cab": CAB}
TWINS = {L6: b"app.cab\nsub\\x.cab\na?.cab\nc:d.cab\n", "APP.CAB": CAB, "App.cab": CAB, "sub/x.cab": CAB,
         "sub/X.CAB": package(processor=586), "a?.cab": CAB, "sub/t\x01.cab": CAB, "SetupFile:CE7.txt": b""}


def packages(layout):
    """name: (bytes, the line's warnings and what its cab says, as cabinet/setup/installs when
    that is not ok/000/yes), each verdict rule once, with the setup information in a layout."""
    cab_, mszip = package(layout=layout), package(cab.MSZIP, layout=layout)
    xml = [("_setup.xml", cab.setup_xml(app="Acme App", processor=2577, os_min=(5, 0)))]
    return {
        "plain.cab": (cab_, ""),
        "mszip.cab": (mszip, ""),
        "signed.cab": (package(cab.MSZIP, signature=b"S" * 700, layout=layout), ""),
        "cut.cab": (mszip[:-400], "refused damaged/none/no"),
        "flipped.cab": (mszip[:-300] + bytes([mszip[-300] ^ 1]) + mszip[-299:], "refused damaged/none/no"),
        # Stored, a changed byte is found by its block's checksum alone.
        "flipped stored.cab": (cab_[:-300] + bytes([cab_[-300] ^ 1]) + cab_[-299:], "refused damaged/none/no"),
        "text.cab": (b"tools.cab\r\n", "refused not-a-cabinet/none/no"),
        "past its end.cab": (cab.cabinet([("APP.000", cab.setup_info(length=4000, layout=layout))]), "refused ok/000/no"),
        "no setup.cab": (cab.cabinet([("DATA.001", b"x")]), "refused ok/none/no"),
        "x86.cab": (package(processor=586, layout=layout), "refused ok/000/no"),
        "arm.cab": (package(processor=2577, os_min=(5, 0), os_max=(6, 0), layout=layout), ""),
        "old.cab": (package(os_min=(4, 0), os_max=(5, 99), layout=layout), "refused ok/000/no"),
        "builds.cab": (package(build_min=20000, layout=layout), "may-refuse ok/000/maybe"),
        "display.cab": (package(build_max=0xA0000001, layout=layout), ""),
        "not for HPC.cab": (package(unsupported=["HPC", "JUPITER"], layout=layout), ""),
        "dll.cab": (package(extra=[("SETUP.999", b"MZ")], layout=layout), "setup-dll dll:none"),
        # The document beside the .000, and alone.
        "both agree.cab": (package(processor=2577, os_min=(5, 0), extra=xml, layout=layout), "ok/000/yes/read"),
        "both disagree.cab": (package(processor=586, os_min=(5, 0), extra=xml, layout=layout),
                              "refused setup-disagrees ok/000/no/read"),
        "document only.cab": (cab.cabinet(xml), "ok/xml/yes/read"),
        "old document only.cab": (cab.cabinet([("_setup.xml", cab.setup_xml(os_min=(3, 0), os_max=(4, 99)))]),
                                  "refused ok/xml/no/read"),
        "broken document only.cab": (cab.cabinet([("_setup.xml", b"<wap-provisioningdoc>")]),
                                     "may-refuse ok/xml/maybe/invalid"),
        "broken document beside.cab": (package(extra=[("_setup.xml", b"<wap")], layout=layout),
                                       "setup-invalid ok/000/yes/invalid"),
        # What packages put on the device, and what the installer makes of it.
        "configuration only.cab": (cab.cabinet([("_setup.xml", cab.setup_xml(install=False, configures=["CertificateStore"]))]),
                                   "may-refuse ok/xml/maybe/read"),
        "configuration beside.cab": (package(extra=[("_setup.xml", cab.setup_xml(install=False))], layout=layout),
                                     "ok/000/yes/read"),
        "files disagree.cab": (contents_package(layout, FULL, extra=[("_setup.xml", cab.setup_xml(files=FULL["files"][:1]))]),
                               "setup-disagrees ok/000/yes/read none none"),
        "starts at boot.cab": (contents_package(layout, {**FULL, "shortcuts": [("%CE4%", "Funk.lnk", 1)]}),
                               "starts-at-boot none none"),
        "a file in StartUp.cab": (contents_package(layout, {"files": [("\\Windows\\STARTUP", "go.exe", 1, [])]}),
                                  "starts-at-boot none"),
        "refused with every note.cab": (contents_package(layout, {"files": [("%CE4%", "x.exe", 1, []), ("Windows", "n.dll", 2, [])]},
                                                         {1: program(0x14C), 2: program(0x14C, il_only=True)},
                                                         extra=[("SETUP.999", b"MZ")], processor=586),
                                        "refused ok/000/no x86 dotnet dll:none"),
        "a document's path of 261.cab": (contents_package("xml", {"files": [("Windows", "n" * 252, 1, [])]}),
                                         "may-refuse ok/xml/maybe/invalid"),
        "a document of 256 KiB.cab": (contents_package("xml", {}, size=256 << 10), "ok/xml/yes/read"),
        "a document of 1 MiB and a byte.cab": (contents_package("xml", {}, size=(1 << 20) + 1),
                                               "may-refuse ok/xml/maybe/invalid"),
        **codes(layout), **bounds(layout),
    }


BOUNDS = bounds("cabwiz")
# What the cabinet's own records make of each of cab.faulty_records, on every build alike.
FAULTY = cab.faulty_records(cab.setup_info())
RECORDS_SAID = {
    "no files.cab": "refused ok/none/no",
    "an empty name.cab": "refused damaged/none/no",
    "a name of 255 bytes.cab": "",
    "a name of 256 bytes.cab": "refused damaged/none/no",
    "version 2.1.cab": "refused damaged/none/no",
    "a folder past the last.cab": "refused damaged/none/no",
    "members sharing a byte.cab": "refused damaged/none/no",
    "a member a byte past its folder.cab": "refused damaged/none/no",
    "garbage Quantum.cab": "may-refuse unread/000/maybe",
    "stored blocks.cab": "",
    "a stored block saying 10 bytes more.cab": "refused damaged/none/no",
    "a stored block holding 10 bytes more.cab": "refused damaged/none/no",
    "the first of two stored blocks saying more.cab": "refused damaged/none/no",
    "an MSZIP block of 32 KiB.cab": "",
    "an MSZIP block of 32 KiB and a byte.cab": "refused damaged/none/no",
    "an empty last block.cab": "refused damaged/none/no",
}
PACKAGES = {**packages("ours"), **{name: (FAULTY[name], said) for name, said in RECORDS_SAID.items()}}
# Packages that would keep a library unpacking the same 2 GB again for hours: each is judged
# within MOST_SECONDS (TIMED), by every build. kind: (exit status, what its line says).
BOUNDED = {"overlapping": (1, "refused damaged/none/no"), "reversed": (0, "may-refuse unread/000/maybe"),
           "shared": (0, "may-refuse unread/000/maybe")}
MOST_SECONDS = 2.0
LINKS = 50


def slow_package(blocks=4096):
    """A sound package whose one member unpacks to 128 MB of zeros: a few tenths of a second
    to read through, so that reading it once for each of LINKS links to it overruns
    MOST_SECONDS."""
    setup = cab.setup_info()
    head = cab.data_blocks(setup, cab.MSZIP)
    files = [("APP.000", len(setup), 0, 0), ("ZEROS.001", blocks * cab.BLOCK, 0, 1)]
    spans = [(cab.MSZIP, 0, len(head)), (cab.MSZIP, len(head), blocks)]
    return cab.laid_out(files, spans, head + [cab.data_blocks(bytes(cab.BLOCK), cab.MSZIP)[0]] * blocks)


# name: (files, options, status, expected summary of the lists, or None for no report).
# A file name ending in "!" is made read-only; "->X" makes a symbolic link to X; "|" a FIFO.
# An option "@deep" puts the card folder below DEEP. Status 2 with a summary: the report is
# finished and valid, then the failure is told.
CASES = {
    "clean card": ({L6: b"a.cab\r\n\r\nsub\\b.cab\n", "a.cab": CAB, "sub/b.cab": CAB}, [], 0,
                   [f"{L6} v6 bytes runs", "1 a.cab found", "2 skip blank", "3 sub\\b.cab found"]),
    "names match as Windows matches them": (
        {"setupfile.ce7.TXT": "A.CAB\nSUB\\CAF\u00c9.cab\n\u0389\u0490.cab\n\u0131.cab\n".encode(),
         "a.cab": CAB, "Sub/caf\u00e9.CAB": CAB, "\u03ae\u0491.cab": CAB, "i.cab": CAB}, [], 1,
        ["unlisted", "unlisted i.cab", "setupfile.ce7.TXT v7 bytes runs", "1 A.CAB found", "2 SUB\\CAF\u00c9.cab found",
         "3 \u0389\u0490.cab found", "4 \u0131.cab missing not-found"]),
    "what the device would not tell": (
        {L6: b'gone.cab\nq.cab" /x\n\\a.cab\nA.cab\na.cab\nsub.cab\nfifo.cab\nGONE.CAB\n', "a.cab": CAB, "sub.cab/x": b"",
         "fifo.cab|": b""}, [], 1,
        [f"{L6} v6 bytes runs", "1 gone.cab missing not-found", '2 q.cab" /x missing not-found quote',
         "3 \\a.cab found absolute", "4 A.cab found duplicate ok/000/no",
         "5 a.cab found duplicate ok/000/no",
         "6 sub.cab missing not-found not-a-file", "7 fifo.cab missing not-found not-a-file", "8 GONE.CAB missing not-found duplicate"]),
    # A package named by a line too long to run is named all the same: not unlisted.
    "skipped lines": ({L6: b"x\x00y\n" + b"l" * 127 + b"\n" + b"p" * 95 + b".cab\n" + b"p" * 98 + b"\n",
                       "p" * 98: CAB, "p" * 95 + ".cab": CAB}, [], 1,
                      [f"{L6} v6 bytes runs", "1 skip nul", "2 skip too-long", "3 skip does-not-fit 128>127",
                       "4 " + "p" * 98 + " found"]),
    "encodings and code page": (
        {L6: utf16("\u65e5.cab\r\n"), "SetupFile.CE7.txt": b"\xef\xbb\xbf\xe2\x82\xac.cab\n\xc0.cab\n",
         "\u65e5.cab": CAB, "\u20ac.cab": CAB, "\u0410.cab": CAB}, ["--codepage", "1251"], 0,
        [f"{L6} v6 utf-16le runs", "1 \u65e5.cab found",
         "SetupFile.CE7.txt v7 utf-8-bom runs", "1 \u20ac.cab found", "2 \u0410.cab found"]),
    "odd length and a lone surrogate": (
        {L6: utf16("a\ud800b.cab\n\udc00\n", b"x"), "a.cab": CAB}, [], 1,
        ["unlisted", "unlisted a.cab", f"{L6} v6 utf-16le runs odd-length", "1 a\ufffdb.cab missing not-found unpaired-surrogate",
         "2 \ufffd missing not-found unpaired-surrogate"]),
    "one version only": ({L6: b"a.cab\n", "SetupFile.CE7.txt": b"b.cab\n", "SetupFile.CE07.txt": b"",
                          "a.cab": CAB, "b.cab": CAB}, ["--os-version", "6"], 0, [f"{L6} v6 bytes runs", "1 a.cab found"]),
    "two lists for one version": ({L6: b"a.cab\n", "SETUPFILE.ce6.TXT": b"a.cab\n", "a.cab": CAB}, [], 1,
                                  ["SETUPFILE.ce6.TXT v6 bytes runs duplicate-list", "1 a.cab found",
                                   f"{L6} v6 bytes runs duplicate-list", "1 a.cab found"]),
    "read-only list": ({L6 + "!": b"a.cab\n", "a.cab": CAB}, [], 1,
                       [f"{L6} v6 bytes runs read-only", "1 a.cab found"]),
    "device folder too long": ({L6: b"a.cab\na\n", "a": CAB}, ["--device-dir", LONG_DIR], 1,
                               [f"{L6} v6 bytes stays", "1 skip does-not-fit 131>127", "2 a found"]),
    "device folder on a drive, and the root": (
        {L6: b"a.cab\n", "a.cab": CAB}, ["--device-dir", "C:\\", "--device-dir", ""], 0,
        [f"{L6} v6 bytes runs", "1 a.cab found"]),
    "a device folder holding U+FFFD": ({L6: b"a.cab\n", "a.cab": CAB}, ["--device-dir", "\\\ufffd"], 0,
                                       [f"{L6} v6 bytes runs", "1 a.cab found"]),
    "long paths": ({L6: f"a.cab\n{SUB}\\b.cab\n".encode(), "a.cab": CAB, f"{SUB}/b.cab": CAB},
                   ["@deep", "--device-dir", ""], 0, [f"{L6} v6 bytes runs", "1 a.cab found",
                                                       f"2 {SUB}\\b.cab found"]),
    "no list": ({"a.cab": CAB}, [], 1, ["no-list"]),
    "no list for the version": ({L6: b"a.cab\n"}, ["--os-version", "7"], 1, ["no-list"]),
    "double-byte code page": ({L6: b"\x83e\x83X\x83g.cab\n\x81\n", "\u30c6\u30b9\u30c8.cab": CAB},
                              ["--codepage", "932"], 1, [f"{L6} v6 bytes runs", "1 \u30c6\u30b9\u30c8.cab found",
                                                         "2 \u30fb missing not-found"]),
    "a list that is a FIFO": ({L6 + "|": b"", "SetupFile.CE7.txt": b"a.cab\n"}, [], 2, None),
    "a list linked to an endless device": ({L6 + "->/dev/zero": b""}, [], 2, None),
    "missing folder": ({}, ["-", "missing"], 2, None),
    # Root reads everything; a loop of links and a file that fails to read stop it too.
    "unreadable list": ({L6 + "->nowhere": b""}, [], 2, None),
    "folder that is a loop of links": ({"loop->loop": b""}, ["-", "loop"], 2, None),
    "a package that is a loop of links": ({L6: b"loop1.cab\n", "loop1.cab->loop1.cab": b""}, [], 2,
                                          [f"{L6} v6 bytes runs", "1 loop1.cab missing not-found unreadable"]),
    "unreadable subfolder": ({L6: b"a.cab\nloop\\b.cab\n", "a.cab": CAB, "loop->loop": b""}, [], 2,
                             [f"{L6} v6 bytes runs", "1 a.cab found", "2 loop\\b.cab missing not-found"]),
    "read error inside a list": ({L6 + "->/proc/self/mem": b""}, [], 2,
                                 [f"{L6} v6 bytes runs", "1 skip read-error"]),
    **{f"packages the installer refuses, {layout} layout": (
        {L6: "".join(f"{name}\n" for name in table).encode() + b"PLAIN.CAB\n",
         **{name: data for name, (data, _) in table.items()}}, [], 1,
        [f"{L6} v6 bytes runs"]
        + [f"{n} {name} found {said}".strip() for n, (name, (_, said)) in enumerate(table.items(), 1)]
        + [f"{len(table) + 1} PLAIN.CAB found duplicate ok/000/no"])
       for layout, table in (("our", PACKAGES), ("CabWiz's", packages("cabwiz")))},
    **{f"work bounded per package, {kind}": ({L6: f"{kind}.cab\n".encode(), f"{kind}.cab": cab.over_zeros(kind)}, [],
                                            status, [f"{L6} v6 bytes runs", f"1 {kind}.cab found {said}"])
       for kind, (status, said) in BOUNDED.items()},
    # Links to one package name one file, which is read once: each link is its own path on
    # the card, so none is a repeat of another.
    "work bounded per package, links to one": (
        {L6: "".join(f"l{i:02}.cab\n" for i in range(LINKS)).encode(), "slow.cab": slow_package(),
         **{f"l{i:02}.cab->slow.cab": b"" for i in range(LINKS)}}, [], 0,
        ["unlisted", "unlisted slow.cab", f"{L6} v6 bytes runs", *(f"{i + 1} l{i:02}.cab found" for i in range(LINKS))]),
    "near matches": (
        {L6: b"radio drvier.cab\nRADIODRIVER.CAB\nsub\\citymaps.cab\nsub\\cty mps.cab\nfar away.cab\nnone\\x.cab\n",
         "radio driver.cab": CAB, "sub/city maps.cab": CAB}, [], 1,
        ["unlisted", "unlisted radio driver.cab", "unlisted sub\\city maps.cab",
         f"{L6} v6 bytes runs", "1 radio drvier.cab missing not-found ~radio driver.cab",
         "2 RADIODRIVER.CAB missing not-found ~radio driver.cab", "3 sub\\citymaps.cab missing not-found ~sub\\city maps.cab",
         "4 sub\\cty mps.cab missing not-found ~sub\\city maps.cab", "5 far away.cab missing not-found", "6 none\\x.cab missing not-found"]),
    "the program on the card": (
        {L6: b"a.cab\n", "a.cab": CAB, "cabbatch.exe": program(0x1C2, 9), "Tool.EXE": program(0x8664, 3),
         "notes.exe": b"text"}, [], 0,
        ["program cabbatch.exe 0x01c2 9 device", "program notes.exe None None -", "program Tool.EXE 0x8664 3 -",
         f"{L6} v6 bytes runs", "1 a.cab found"]),
    "no program for the device": (
        {L6: b"a.cab\n", "a.cab": CAB, "cabbatch.exe": program(0x8664, 2), "old.exe": program(0x1C2, 2)}, [], 1,
        ["program cabbatch.exe 0x8664 2 -", "program old.exe 0x01c2 2 -", "no-device-program",
         f"{L6} v6 bytes runs", "1 a.cab found"]),
    "programs the device's loader would not start": (
        {L6: b"a.cab\n", "a.cab": CAB, "cabbatch.exe": program(0x1C2, 9, magic=0x20B), "dll.exe": program(0x1C0, flags=0x2102),
         "image.exe": program(0x1C0, flags=0x100), "rom.exe": program(0x1C0, magic=0x107)}, [], 1,
        ["program cabbatch.exe 0x01c2 9 -", "program dll.exe 0x01c0 9 -", "program image.exe 0x01c0 9 -",
         "program rom.exe 0x01c0 9 -", "no-device-program", f"{L6} v6 bytes runs", "1 a.cab found"]),
    "UTF-16 without its mark": ({L6: "a.cab\r\nb.cab\r\n".encode("utf-16-le"), "a.cab": CAB}, [], 1,
                                ["unlisted", "unlisted a.cab", f"{L6} v6 bytes runs utf-16-without-mark", "1 skip nul", "2 skip nul", "3 skip nul"]),
    "hazards alone pass": (HAZARDS, [], 0, HAZARD_LINES),
    "hazards under --strict": (HAZARDS, ["--strict"], 1, HAZARD_LINES),
    "hazards named by --fail-on": (HAZARDS, ["--fail-on", "odd-length,may-refuse"], 1, HAZARD_LINES),
    "hazards that --fail-on does not name": (HAZARDS, ["--fail-on=odd-length,slash", "--fail-on", "not-found"], 0,
                                             HAZARD_LINES),
    "the program still to copy under --fail-on": ({L6: b"a.cab\n", "a.cab": CAB}, ["--fail-on", "program-missing"], 1,
                                                  [f"{L6} v6 bytes runs", "1 a.cab found"]),
    "the program still to copy under --strict": ({L6: b"a.cab\n", "a.cab": CAB}, ["--strict"], 1,
                                                 [f"{L6} v6 bytes runs", "1 a.cab found"]),
    "list names nearly right": (
        {"SetupFile.CE6.txt.txt": b"", "SetupFile_CE7.txt": b"", "SetupFile.CE06.txt": b"", "SetupFile.CE5": b"",
         "SetupFile.CE6.txt ": b"", "SetupFile.CE6.text": b"", "Setup.CE6.txt": b""}, [], 1,
        ["no-list", "list-misnamed", "list-misnamed SetupFile.CE06.txt", "list-misnamed SetupFile.CE5",
         "list-misnamed SetupFile.CE6.txt ", "list-misnamed SetupFile.CE6.txt.txt", "list-misnamed SetupFile_CE7.txt"]),
    "list names nearly right for one version": (
        {"SetupFile.CE6.txt.txt": b"", "SetupFile_CE7.txt": b"", "SetupFile.CE06.txt": b""}, ["--os-version", "6"], 1,
        ["no-list", "list-misnamed", "list-misnamed SetupFile.CE06.txt", "list-misnamed SetupFile.CE6.txt.txt"]),
    "a list name nearly right beside the list": (
        {L6: b"a.cab\n", "a.cab": CAB, "SetupFile.CE6.txt.txt": b""}, [], 0,
        ["list-near-miss", "list-near-miss SetupFile.CE6.txt.txt", f"{L6} v6 bytes runs", "1 a.cab found"]),
    "a list misnamed beside another version's": (
        {L6: b"a.cab\n", "a.cab": CAB, "SetupFile.CE7.txt.txt": b"", "SetupFile.CE8.txt.bak": b""}, [], 1,
        ["list-misnamed", "list-near-miss", "list-misnamed SetupFile.CE7.txt.txt", "list-near-miss SetupFile.CE8.txt.bak",
         f"{L6} v6 bytes runs", "1 a.cab found"]),
    "the same file by any spelling": (
        {L6: b"App1.cab\n\\App1.cab\nAPP1.CAB\nsub\\\\x.cab\nsub\\x.cab\ndrivers/gps.cab\n", "App1.cab": CAB,
         "sub/x.cab": CAB, "drivers/gps.cab": CAB}, [], 1,
        ["unlisted", "unlisted drivers\\gps.cab", f"{L6} v6 bytes runs", "1 App1.cab found", "2 \\App1.cab found absolute duplicate ok/000/no",
         "3 APP1.CAB found duplicate ok/000/no", "4 sub\\\\x.cab found",
         "5 sub\\x.cab found duplicate ok/000/no", "6 drivers/gps.cab missing not-found slash ~drivers\\gps.cab"]),
    "hints from the whole card": (WALK, [], 1, [
        "unlisted", "walk-bound", "unlisted radio drive.cab", "unlisted config\\Wifi_Profile.cab", "unlisted sub\\radio driver.cab",
        f"unlisted {DOWN8.replace('/', chr(92))}\\eight.cab", f"{L6} v6 bytes runs",
        "1 Wifi_Profile.cab missing not-found ~config\\Wifi_Profile.cab",
        "2 \\Storage Card\\Certificates.cab missing not-found absolute ~Certificates.cab",
        "3  Certificates.cab missing not-found ~Certificates.cab",
        "4 Certificates.cab  found trailing-dot-or-space ~Certificates.cab",
        "5 gone.cab. missing not-found trailing-dot-or-space", "6 ; rollout missing not-found comment",
        "7 radio drvier.cab missing not-found ~sub\\radio driver.cab",
        f"8 eight.cab missing not-found ~{DOWN8.replace('/', chr(92))}\\eight.cab", "9 nine.cab missing not-found",
        "10 Certif\u00a0icates.cab missing not-found ~Certificates.cab",
        "11 sub\\radio drivr.cab missing not-found ~sub\\radio driver.cab"]),
    # Only a file that keeps the trailing dot: the name is looked up without it, as Windows does.
    "a file that keeps a trailing dot": ({L6: b"g.cab.\n", "g.cab.": CAB}, [], 1,
                                         [f"{L6} v6 bytes runs", "1 g.cab. missing not-found trailing-dot-or-space"]),
    "links are not followed": ({L6: b"Wifi_Profile.cab\n", "config/Wifi_Profile.cab": CAB, "a_link->config": b""}, [], 1,
                               ["unlisted", "unlisted config\\Wifi_Profile.cab", f"{L6} v6 bytes runs",
                                "1 Wifi_Profile.cab missing not-found ~config\\Wifi_Profile.cab"]),
    "quotes as the installer reads them": (QUOTES, [], 1, [
        f"{L6} v6 bytes runs", '1 a.cab" /delete 1 found quote', "2 a.cab found duplicate ok/000/no",
        '3 b.cab" /DELETE 0 found quote', "4 b.cab found", '5 gone.cab" /x missing not-found quote']),
    "names the device cannot hold, and case twins": (TWINS, [], 1, [
        "list-misnamed", "case-twins", "unholdable-files", "unlisted", "list-misnamed SetupFile:CE7.txt",
        "twins APP.CAB App.cab", "twins sub\\X.CAB sub\\x.cab", "unholdable a?.cab", "unholdable sub\\t\x01.cab",
        "unlisted sub\\t\x01.cab", f"{L6} v6 bytes runs", "1 app.cab found case-twin",
        "2 sub\\x.cab found case-twin refused ok/000/no", "3 a?.cab found unholdable-name",
        "4 c:d.cab missing not-found unholdable-name"]),
    "the device's processor and version": (
        {L6: b"arm.cab\nother arm.cab\nany.cab\n", "arm.cab": package(processor=2577, os_min=(6, 5)),
         "other arm.cab": package(processor=1824), "any.cab": package(os_max=(6, 4))},
        ["--processor", "2577", "--os-version", "6.5"], 1,
        [f"{L6} v6 bytes runs", "1 arm.cab found", "2 other arm.cab found may-refuse ok/000/maybe",
         "3 any.cab found refused ok/000/no"]),
    **{f"packages that write one file, {layout} layout": (WRITES[layout], [], 1, [
        f"{L6} v6 bytes runs", f"1 first.cab found{yes} none", f"2 again.cab found overwrites{yes} none",
        f"3 refused.cab found refused{no} none", f"4 never.cab found overwrites{yes} none",
        f"5 newer.cab found overwrites{yes} none", f"6 elsewhere.cab found{yes} none"])
       for layout, yes, no in (("ours", "", " ok/000/no"), ("cabwiz", "", " ok/000/no"),
                               ("xml", " ok/xml/yes/read", " ok/xml/no/read"))},
    "the device's platform": (PLATFORMS, ["--platform", "hpc"], 1,
                              [f"{L6} v6 bytes runs", "1 split.cab found refused ok/000/no",
                               "2 joined.cab found may-refuse ok/xml/yes/read".replace("yes", "maybe"),
                               "3 split elsewhere.cab found ok/000/yes/read"]),
}
# The same contents through each form of setup information read as the same facts, paths
# whole. name: (contents, members by number, the JSON contents of each form in short).
FORMS = {
    "every kind of folder, flag, value and shortcut": (
        {"files": [("%CE2%", "a.dll", 1, ["shared", "always-overwrite", "keep-newer", "never-overwrite",
                                          "self-register", "warn-if-skipped"]),
                   ("Windows", "b.dll", 2, []), ("\\", "c.txt", 3, []), ("Program Files\\App", "d.exe", 4, []),
                   ("%ce15%", "e.ttf", 5, []), ("%InstallDir%", "f.txt", 6, [])],
         "registry": [("HKLM\\Software\\A", "", "string"), ("HKCU\\A", "Default", "multi-string"),
                      ("HKCR\\A", "n", "binary"), ("HKU\\A", "d", "dword")],
         "shortcuts": [("%CE11%", "A.lnk", 4), ("\\Windows\\Desktop", "B.lnk", "\\Windows"), ("%CE4%", "C.lnk", "")]},
        {4: program(0x1C2)},
        ["file \\Windows\\a.dll FILE~1.001 4 none shared always-overwrite keep-newer never-overwrite self-register "
         "warn-if-skipped", "file \\Windows\\b.dll FILE~2.002 4 none", "file \\c.txt FILE~3.003 4 none",
         "file \\Program Files\\App\\d.exe FILE~4.004 312 thumb", "file \\Windows\\Fonts\\e.ttf FILE~5.005 4 none",
         "file %InstallDir%\\f.txt FILE~6.006 4 none", "value HKLM\\Software\\A  string", "value HKCU\\A Default multi-string",
         "value HKCR\\A n binary", "value HKU\\A d dword",
         "shortcut \\Windows\\Programs\\A.lnk \\Program Files\\App\\d.exe",
         "shortcut \\Windows\\Desktop\\B.lnk \\Windows", "shortcut \\Windows\\StartUp\\C.lnk %InstallDir%",
         "install_dir None", "bytes 332"]),
}
TIMED = [name for name in CASES if name.startswith("work bounded")]
# Wine hides a broken link, and shows a loop or /proc/self/mem as it likes.
# Wine shows a name holding ? or a control character by another name, and a link to a folder
# as the folder.
HOST_ONLY = {"overwrites names a start that happens", "a package that is a loop of links", "unreadable list", "folder that is a loop of links", "unreadable subfolder",
             "read error inside a list", "links are not followed", "names the device cannot hold, and case twins",
             "a file that cannot be read", "names the device cannot hold, told", "the walk's bound", "a hint",
             "a near miss's second extension", "device folder that is not UTF-8"}

USAGE_ERRORS = {
    "unknown option": ["--frobnicate"],
    "codepage without a table": ["--codepage", "437"],
    "option without its value": ["--os-version"],
    "a flag given a value": ["--json=no"],
    "help given a value": ["--help=x"],
    "version given a value": ["--version=x"],
    "an empty option with a value": ["--=x"],
    "device folder with a quote": ["--device-dir", '\\Storage Card\\a"b'],
    "relative device folder": ["--device-dir", "Storage Card"],
    "device folder that is not UTF-8": ["--device-dir", b"\\\xff"],
    "device folder with a slash": ["--device-dir", "\\Storage Card/x"],
    "device folder with a wildcard": ["--device-dir", "\\a*"],
    "device folder with a control": ["--device-dir", "\\a\x1bb"],
    "a processor that is not ARM": ["--processor", "586"],
    "an OS version with two dots": ["--os-version", "6.0.1"],
    "--fail-on an unknown code": ["--fail-on", "absolute,frob"],
    "--fail-on an empty code": ["--fail-on", "absolute,"],
    "--fail-on nothing": ["--fail-on="],
}

# The plain report: what must show (and, after "NOT:", what must not), for texts that a
# terminal would act on and for the wording.
HUMAN = {
    # A run of backslashes in a package's path is one, as on the device: it collides, it
    # starts at boot, and it is shown so.
    "doubled backslashes in a package's paths": (
        {L6: b"a.cab\nx.cab\ns.cab\n", "a.cab": writes("ours"), "x.cab": writes("xml", "\\\\Windows\\\\"),
         "s.cab": contents_package("ours", {"files": [("Windows\\\\StartUp", "go.exe", 1, [])]})}, ["--contents"],
        ["which line 1's package wrote", "the device will start \\Windows\\StartUp\\go.exe at every boot",
         "NOT:\\\\"]),
    # Only a start that happens writes: not a name the device cannot hold (on a copy made on
    # Linux), a repeat or a refused package; one that may be refused does.
    "overwrites names a start that happens": (
        {L6: b"first.cab\na?.cab\nfirst.cab\nrefused.cab\nagain.cab\nmaybe.cab\nlast.cab\n",
         "first.cab": writes("ours"), "a?.cab": writes("ours"), "refused.cab": writes("ours", processor=586),
         "again.cab": writes("ours"), "maybe.cab": writes("ours", build_min=20000), "last.cab": writes("ours")}, [],
        ["which line 1's package wrote", "NOT:line 2's", "NOT:line 3's", "NOT:line 4's", "which line 5's package wrote",
         "which line 6's package wrote"]),
    "controls in names": ({L6: b"\x1b[2J.cab\n\x81\x9d.cab\n<TAB>.cab\n", "ok\u202e.cab": b""}, [],
                          ["install \"\\Storage Card\\<U+001B>[2J.cab\"",
                           "\"\\Storage Card\\<U+0081><U+009D>.cab\"", "\"\\Storage Card\\<<TAB>.cab\""]),
    "controls in the folder": ({}, ["-", "x\x1b]0;y\x07\u202e"], ["x<U+001B>]0;y<U+0007><U+202E>"]),
    "controls in an option": ({}, ["--bad\x1b[1m\u2066"], ["--bad<U+001B>[1m<U+2066>"]),
    "counts and the limit's arithmetic": (
        {L6: b"a.cab\n\nA.CAB\nx\x00\n" + b"p" * 95 + b".cab\n" + b"p" * 94 + b".cab\n", "a.cab": CAB}, [],
        ["(the default; --device-dir names another)",
         "6 lines: 3 installer starts (1 install, 0 may be refused, 2 fail: 1 not found, 1 repeated), "
         "1 blank line, 2 lines skipped.",
         "would be 128 characters, 1 more than the program's 127; shorten the folder or the name by 1 character",
         "drop line 3", "the installer's arguments"]),
    "nothing installs": ({L6: b"gone.cab\n", "cabbatch.exe": program(0x1C2, 9)}, ["--device-dir", "\\C"],
                         ["(--device-dir)", "1 installer start (0 install, 0 may be refused, 1 fail: 1 not found)",
                          "NOT:used up along with its list", "NOT:(the default"]),
    "the rule each program broke": (
        {"cabbatch.exe": program(0x1C2, magic=0x20B), "dll.exe": program(0x1C0, flags=0x2102),
         "image.exe": program(0x1C0, flags=0x100), "desk.exe": program(0x1C0, 2), "ok.exe": program(0x1C0)}, [],
        ["\"cabbatch.exe\": not a program the device starts: its header's magic is 0x020b, not PE32's 0x010b",
         "\"dll.exe\": not a program the device starts: its header marks it a DLL",
         "\"image.exe\": not a program the device starts: its header does not mark it executable",
         "\"desk.exe\": not for the device, which runs Windows CE programs for ARM",
         "\"ok.exe\": for the device"]),
    # Each note of the plain report, and what must not be said beside it.
    "a read-only list": ({L6 + "!": b"a.cab\n", "a.cab": CAB}, [],
                         ["! The list is read-only: the device cannot delete it", "NOT:the batch runs once"]),
    "a list the device cannot name": ({L6: b"a\n", "a": CAB}, ["--device-dir", LONG_DIR],
                                      ["  ! NOTHING RUNS: ", "1 line: 0 installer starts (0 install, 0 may be refused, "
                                       "0 fail), 0 blank lines, 1 line skipped.", "NOT:used up along with its list"]),
    "two lists for one version": ({L6: b"", "SETUPFILE.CE6.TXT": b""}, [], ["! Another list for OS version 6"]),
    "list names nearly right": (
        {"SetupFile.CE6.txt.txt": b"", "SetupFile CE7.txt": b"", "SetupFile.CE06.txt": b"", "SetupFile.CE5": b"",
         "SetupFile.CE6.txt ": b"", "SetupFile.CE8.txt.bak": b""}, [],
        ['! A version-6 device runs nothing from this card: its list is named "SetupFile.CE6.txt.txt" (it has a '
         'second extension, ".txt", which Windows hides; the device looks for "SetupFile.CE6.txt").',
         '! "SetupFile.CE8.txt.bak" is not a list: it has a second extension, ".bak", which Windows hides; '
         'the device looks for "SetupFile.CE8.txt".', 'it has " " where the dot before CE goes',
         "its version has a leading zero", "its name has no .txt at the end", "its name ends in spaces after .txt",
         "! No list SetupFile.CE<version>.txt"]),
    "a slash": ({L6: b"drivers/gps.cab\n", "drivers/gps.cab": CAB}, [],
                ['! not in the card folder; it holds "drivers\\gps.cab"', "! holds a slash"]),
    "setup information that is not valid": (
        {L6: b"bad.cab\n", "bad.cab": cab.cabinet([("APP.000", b"NOT MSCE" * 20)])}, [],
        ["a cabinet whose setup information (.000) is not valid", "does not start with MSCE",
         "NOT:without setup information"]),
    "an empty app name": ({L6: b"a.cab\n", "a.cab": package(app="")}, [], ["(no name) (Provider), any processor"]),
    "a long path stands alone": ({L6: b"p" * 95 + b".cab\n"}, [],
                                 ["\n" + " " * 17 + '"\\Storage Card\\' + "p" * 95 + '.cab"\n' + " " * 17 + "does not fit"]),
    "processor names": ({L6: b"arm.cab\nsh.cab\n", "arm.cab": package(processor=2577), "sh.cab": package(processor=10003)},
                        [], ["ARM 2577 (StrongARM)", "built for SH 10003 (SH3), not for an ARM device"]),
    "the program still to copy": ({L6: b"a.cab\n", "a.cab": CAB}, [],
                                  ["! The folder holds no program yet", "1 thing to look at, each marked !; none of them "
                                   "stops the card: the lists are ready once the device program, the device build of "
                                   "cabbatch.exe, is copied", "NOT:ready for the device."]),
    "hints and causes": (WALK, [], [
        '! not in the card folder; the card holds it as "config\\Wifi_Profile.cab"',
        '! not in the card folder; the list names the card\'s own folder: write "Certificates.cab"',
        '! not in the card folder: the entry starts with a space; it holds "Certificates.cab"',
        '! ends with a space, which desktop Windows drops from a name; whether the device does is not known, so the '
        'installer may not find the package: write "Certificates.cab"',
        "! not in the card folder: the entry ends with a dot\n",
        "! the device program has no comments: this line is started as a package",
        '! not in the card folder: the entry holds a non-breaking space; it holds "Certificates.cab"',
        '! No list names these packages, so nothing installs them: "radio drive.cab", "config\\Wifi_Profile.cab", '
        '"sub\\radio driver.cab" and "y1\\y2\\y3\\y4\\y5\\y6\\y7\\y8\\eight.cab".', WALK_BOUND,
        "11 installer starts (0 install, 1 may be refused, 10 fail: 10 not found)"]),
    "quotes as the installer reads them": (QUOTES, [], [
        'install "\\Storage Card\\a.cab"\n', '" /delete 1"" reaches the installer as switches\n',
        '" /DELETE 0"" reaches the installer as switches; "/delete 0" among them keeps the package on the card',
        "5 installer starts (3 install, 0 may be refused, 2 fail: 1 not found, 1 repeated)"]),
    "a file that cannot be read": ({L6: b"loop1.cab\n", "loop1.cab->loop1.cab": b""}, [],
                                   ['cannot read the card\'s file "loop1.cab"', 'NOT:folder "loop1.cab"',
                                    "that name is a file that cannot be read", "NOT:not in the card folder"]),
    "names the device cannot hold, told": (TWINS, [], [
        '! The device\'s file system holds only one of "APP.CAB" and "App.cab"; only one of "sub\\X.CAB" and '
        '"sub\\x.cab": which one it gets is not known.', "whose name differs from it only in case",
        '! No file on the device can be named as these are, with one of ? * : < > | " or a control character: '
        '"a?.cab" and "sub\\t<U+0001>.cab".', 'no file on the device can be named so: the name holds "?"',
        'the name holds ":"', 'NOT:"SetupFile:CE7.txt" and',
        "4 installer starts (0 install, 1 may be refused, 3 fail: 2 not found, 1 refused)"]),
    "the walk's bound": ({L6: b"p00000.cab\n", **{f"p{i:05}.cab": b"" for i in range(10_001)}}, [],
                         ['"p00010.cab" and 9989 more (of the first 10000 names on the card).', WALK_BOUND]),
    "what packages put on the device": (
        {L6: b"funk.cab\nrefused.cab\nagain.cab\nnever.cab\nnewer.cab\nconfiguration.cab\n",
         "funk.cab": contents_package("ours", {"files": [("Windows", "ITCSSApi.dll", 1, [])]}, {1: program(0x14C)}),
         "refused.cab": contents_package("ours", {"files": [("Windows", "ITCSSApi.dll", 1, []), ("%CE4%", "sh.exe", 2, [])]},
                                         {2: program(0x1A2)}, extra=[("SETUP.999", b"MZ")], processor=10003),
         "again.cab": writes("xml"), "never.cab": writes("cabwiz", flags=["never-overwrite"]),
         "newer.cab": writes("ours", flags=["keep-newer"]),
         "configuration.cab": cab.cabinet([("_setup.xml", cab.setup_xml(install=False, configures=["CertificateStore"]))])},
        ["--contents"],
        ["installs 1 file (312 bytes) into \\Windows; no registry values; no shortcuts",
         "file \\Windows\\ITCSSApi.dll: 312 bytes, x86 code, from FILE~1.001",
         "! installs, but \\Windows\\ITCSSApi.dll is x86 code: it will not run on an ARM device",
         "built for SH 10003 (SH3), not for an ARM device", "NOT:sh.exe", "NOT:setup DLL",
         "! writes \\Windows\\ITCSSApi.dll, which line 1's package wrote\n",
         "! writes \\Windows\\ITCSSApi.dll, which line 3's package wrote; \"never overwrite\" keeps line 3's file",
         "which line 3's package wrote; \"keep newer\" keeps line 3's file if it is newer",
         "a configuration package: it installs no files (CertificateStore)", "Its packages install 324 bytes."]),
    "every note of a package": (
        {L6: b"funk.cab\n", "funk.cab": contents_package(
            "cabwiz", {**FULL, "files": [("%CE4%", "\x1b[2J.exe", 1, ["shared", 0x100]), ("Windows", "n.dll", 2, [])]},
            {2: program(0x14C, il_only=True)}, extra=[("SETUP.999", program(0x1C2))])}, ["--contents"],
        ["installs 2 files (548 bytes) into \\Windows\\StartUp and \\Windows; 1 registry value; 1 shortcut",
         "file \\Windows\\StartUp\\<U+001B>[2J.exe: 4 bytes, not a program, from FILE~1.001; shared, 0x00000100",
         "registry HKLM\\Software\\Funk, value \"Version\" (dword)",
         "shortcut \\Windows\\Programs\\Funk.lnk to \\Windows\\StartUp\\<U+001B>[2J.exe",
         "! it carries a setup DLL (ARM code with Thumb), code that the installer runs",
         "! its programs are .NET code: they run only where the .NET Compact Framework is installed",
         "! the device will start \\Windows\\StartUp\\<U+001B>[2J.exe at every boot"]),
    "the bound each setup information broke": (
        {L6: b"past.cab\nlong.cab\nlarge.cab\nlarge document.cab\n",
         "past.cab": BOUNDS["section 2 a byte past.cab"][0], "long.cab": BOUNDS["a path of 261.cab"][0],
         "large.cab": BOUNDS["1 MiB and a byte.cab"][0], "large document.cab": contents_package("xml", {}, size=(1 << 20) + 1)},
        [], ["1 MiB, more than the check reads", "over 260 characters", "leads outside it",
             "may refuse it: its setup information is over 1 MiB"]),
    "the device's platform": (PLATFORMS, ["--platform", "HPC"],
                              ["it lists the device's platform, \"HPC\", among those it does not support",
                               "runs the platforms it does not support together, as \"JUPITERHPC\", and the device's, "
                               "\"HPC\", is found inside", "; not for PocketPC, HPC"]),
    "an unknown code for --fail-on": ({}, ["--fail-on", "absolute,frob"],
                                      ["not 'frob'; the notes it can make failures are may-refuse, trailing-dot-or-space,"]),
    "a note made a failure": ({L6: b"dll.cab\n", "dll.cab": PACKAGES["dll.cab"][0], "cabbatch.exe": program(0x1C2, 9)},
                              ["--fail-on", "setup-dll"],
                              ["1 thing to look at, each marked !; 1 fails the card (0 will not happen as written, 1 note "
                               "made a failure by --fail-on): not ready for the device."]),
    "hazards only": ({L6: b"dll.cab\n", "dll.cab": PACKAGES["dll.cab"][0], "cabbatch.exe": program(0x1C2, 9)}, [],
                     ["1 thing to look at, each marked !; none of them stops the card: ready for the device."]),
}
# Outside text in each field the report shows: spelt out in the plain report, exact in the
# JSON. Per field what it can carry: a .000 holds bytes of the code page, a document no C0.
ANSI_CONTROLS = "\r\n\t\x01\x7f\x81\x9d"
XML_CONTROLS = "\x7f\x85\x9b\u2028\u2029\u202e\u2066"
SPELT = "<U+007F><U+0085><U+009B><U+2028><U+2029><U+202E><U+2066>"
EXACT = "\x7f\u0085\u009b\u2028\u2029\u202e\u2066"
NAMES = "\t\x01\x7f\u0085\u009b\u2028\u2029\u202e\u2066"
FORGED = "\r\nSummary: 1 list; ready for the device."
FIELDS = {  # name: (files, spelt in the plain report, exact in the JSON)
    "app, maker and platforms of a .000": (
        {L6: b"a.cab\n", "a.cab": cab.cabinet([("APP.000", cab.setup_info(
            app="A" + ANSI_CONTROLS, provider="P" + ANSI_CONTROLS, unsupported=["U" + ANSI_CONTROLS]))])},
        ["A<CR><LF><TAB><U+0001><U+007F><U+0081><U+009D> (P<CR><LF>", "not for U<CR><LF><TAB>"],
        ["A\r\n\t\x01\x7f\x81\x9d", "P\r\n\t\x01\x7f\x81\x9d", "U\r\n\t\x01\x7f\x81\x9d"]),
    "a document's AppName": ({L6: b"a.cab\n", "a.cab": cab.cabinet([("_setup.xml", cab.setup_xml(app="A" + XML_CONTROLS))])},
                             ["A" + SPELT], ["A" + EXACT]),
    "a parm's value in a reason": (
        {L6: b"a.cab\n", "a.cab": cab.cabinet([("_setup.xml", cab.setup_xml(processor="1" + FORGED + XML_CONTROLS))])},
        ["ready for the device." + SPELT, "NOT:\nSummary: 1 list; ready"], ["ready for the device." + EXACT]),
    "a hint": ({L6: f"x{NAMES}.cac\n".encode(), f"x{NAMES}.cab": CAB}, ["it holds \"x<TAB><U+0001><U+007F>" + SPELT[8:]],
               [f"x{NAMES}.cab"]),
    "a near miss's second extension": ({f"SetupFile.CE6.txt.{NAMES}": b""}, ['extension, ".<TAB><U+0001>'],
                                       [f'extension, ".{NAMES}"']),
}
# Colour: on a terminal (auto) unless NO_COLOR is set and not empty, always or never as asked;
# never in JSON. A failure's note is red, a note's yellow, after --fail-on too. A terminal is a
# pseudo-terminal of the given width, on the host alone; else the report goes into a pipe.
RED, YELLOW = "\x1b[31m! not in the card folder", "\x1b[33m! it carries a setup DLL"
COLOUR_CARD = {L6: b"gone.cab\ndll.cab\n", "dll.cab": PACKAGES["dll.cab"][0], "cabbatch.exe": program(0x1C2, 9)}
COLOURS = {  # name: (options, NO_COLOR, the terminal's columns or None, what shows in colour)
    "auto into a pipe": ([], None, None, []),
    "always into a pipe": (["--color=always"], None, None, [RED, YELLOW]),
    "always over NO_COLOR": (["--color", "always"], "1", None, [RED, YELLOW]),
    "never": (["--color=never"], None, None, []),
    "always, but not in JSON": (["--color=always", "--json"], None, None, []),
    "a note made a failure in red": (["--color=always", "--fail-on=setup-dll"], None, None,
                                     [RED, "\x1b[31m! it carries a setup DLL"]),
    "auto on a wide terminal": ([], None, 100, [RED, YELLOW]),
    "auto on a narrow terminal": ([], "", 50, [RED, YELLOW]),
    "NO_COLOR on a terminal": ([], "1", 80, []),
    "never on a terminal": (["--color=never"], None, 80, []),
}
HOST_ONLY |= {name for name, (_, _, columns, _) in COLOURS.items() if columns}
TERMINAL_CONTROL = re.compile("[\x00-\x09\x0b-\x1f\x7f-\x9f\u200e\u200f\u2028-\u202e\u2066-\u2069]")


def json_cards():
    """Every test package on a card of its kind, with its options, for the end-to-end test
    that both builds' JSON agree: name: (files, options)."""
    def card(table):
        return {L6: "".join(f"{name}\n" for name in table).encode(), **table}
    cards = {f"packages_{layout}": (card({name: data for name, (data, _) in packages(layout).items()}), ["--contents"])
             for layout in ("ours", "cabwiz")}
    cards.update({f"writes_{layout}": (files, []) for layout, files in WRITES.items()})
    cards["forms"] = (card({f"{layout} {name}.cab": contents_package(layout, contents, members)
                            for name, (contents, members, _) in FORMS.items() for layout in ("ours", "cabwiz", "xml")}), [])
    cards["platforms"] = (PLATFORMS, ["--platform", "HPC"])
    cards["member_names"] = (card({f"m{i}.cab": renamed(bytes_) for i, bytes_ in enumerate(MEMBER_NAMES)}), ["--contents"])
    return cards


# Member names the cabinet does not flag UTF-8, in a code page or in no encoding at all: read
# as UTF-8, alike on every build.
MEMBER_NAMES = [b"FIL\xe9~1.001", b"FI\xc3\xa9~1.001", b"FI\x81\x9d~1.001", b"FI\xff\xfe~1.001"]


def renamed(name):
    """A package whose one file, x86 code, comes from a member of that name (10 bytes)."""
    package = contents_package("ours", {"files": [("%CE2%", "x.dll", 1, [])]}, members={1: program(0x14C)})
    return package.replace(cab.member_name(1).encode() + b"\0", name + b"\0")


def lay_out(folder, files):
    for name, data in files.items():
        plain = re.split(r"!$|->|\|$", name)[0]
        path = folder / plain
        path.parent.mkdir(parents=True, exist_ok=True)
        if "->" in name:
            path.symlink_to(name.split("->")[1])
        elif name.endswith("|"):
            os.mkfifo(path)
        else:
            path.write_bytes(data)
            if name.endswith("!"):
                path.chmod(0o444)


def summary(report):
    lines = [f"program {p['file']} {p['machine']} {p['subsystem']} {'device' if p['device'] else '-'}"
             for p in report["programs"]] + [w for w in report["warnings"] if w != "program-missing"]
    lines += [f"{miss['code']} {miss['file']}" for miss in report["near_misses"]]
    lines += [f"twins {' '.join(twins)}" for twins in report["case_twins"]]
    lines += [f"unholdable {name}" for name in report["unholdable_files"]]
    lines += [f"unlisted {name}" for name in report["unlisted"]]
    for lst in report["lists"]:
        fate = ("runs" if lst["runs"] else "stays") + (" read-only" if lst["read_only"] else "")
        lines.append(" ".join([f"{lst['file']} v{lst['os_version']} {lst['encoding']} {fate}", *lst["warnings"]]))
        for line in lst["lines"]:
            if line["outcome"] == "skip":
                fit = f" {line['length']}>{line['limit']}" if "length" in line else ""
                lines.append(f"{line['line']} skip {line['reason']}{fit}")
            else:
                found = "found" if line["found"] else "missing"
                cab_ = line.get("cab", {})
                said = [f"{cab_['cabinet']}/{cab_['setup']}/{cab_['installs']}"] if cab_ else []
                said[0:] = [said[0] + f"/{cab_['setup_xml']}"] if cab_.get("setup_xml", "absent") != "absent" else said
                said = [] if said == ["ok/000/yes"] else said
                said += [file["code"] for file in cab_.get("contents", {}).get("files", [])]
                said += [f"dll:{cab_['setup_dll_code']}"] if cab_.get("setup_dll_code") else []
                said += [f"~{line['suggestion']}"] if "suggestion" in line else []
                lines.append(" ".join([str(line["line"]), line["entry"], found, *line["warnings"], *said]))
    return lines


class Runner:
    def __init__(self, checker, runner, work):
        self.checker, self.runner, self.work = checker, runner, work

    def where(self, path):
        return "Z:" + str(path).replace("/", "\\") if self.runner else str(path)

    def run(self, files, options, **io):
        """Lays the card out and runs the check on it; the folder may be named by "-" NAME."""
        folder = self.work.joinpath(*DEEP) if "@deep" in options else self.work / "card"
        shutil.rmtree(self.work / DEEP[0] if "@deep" in options else folder, ignore_errors=True)
        folder.mkdir(parents=True)
        lay_out(folder, files)
        where = self.where(folder)
        if "-" in options:
            where = self.where(self.work / "card" / options[options.index("-") + 1])
            options = options[:options.index("-")]
        options = [o for o in options if o != "@deep"]
        return subprocess.run([*self.runner, self.checker, *options, where], timeout=60, **io)


def one_sentence(result):
    message = result.stderr.decode()
    if not message.startswith("cabbatch-check: ") or message.count("\n") != 1:
        return [f"want one sentence on stderr: {message!r}"]
    return []


def counted_as_counts(report):
    """What each line is counted as adds up to its list's counts."""
    failures = []
    for lst in report["lists"]:
        counted = collections.Counter(line["counted_as"] for line in lst["lines"])
        if any(counted[kind] != lst["counts"][kind] for kind in COUNTED) or set(counted) - set(COUNTED):
            failures.append(f"{lst['file']}: lines counted as {dict(counted)}, the counts {lst['counts']}")
    return failures


def check_json(run, name):
    files, options, status, expected = CASES[name]
    result = run.run(files, ["--json", *options], capture_output=True)
    if result.returncode != status:
        return [f"status {result.returncode}, expected {status}: {result.stderr!r}"]
    failures = one_sentence(result) if status == 2 else []
    if expected is None:
        return failures + ([f"want nothing on stdout: {result.stdout!r}"] if result.stdout else [])
    text = result.stdout.decode("utf-8")  # strict: no lone surrogate gets this far
    if re.search(r"\\ud[89a-f]", text, re.IGNORECASE):
        failures.append("an unpaired surrogate escape in the JSON")
    if json.loads(text).get("format") != 1:
        failures.append("the report does not say its format, 1")
    failures += counted_as_counts(json.loads(text))
    if summary(json.loads(text)) != expected:
        failures.append(f"report {summary(json.loads(text))}, expected {expected}")
    return failures


INSTALLS = re.compile(r"skipped\. Its packages install (\d+(?:\.\d)?) (bytes?|KB|MB)\.")
COUNTED = ["install", "maybe", "not_found", "refused", "repeated", "other", "blank", "skipped"]
# On the plain report with its lines joined (flat).
COUNT_LINE = re.compile(r"(\d+) lines?: (\d+) installer starts? \((\d+) install, (\d+) may be refused, "
                        r"(\d+) fail(?:: ([^)]*))?\), (\d+) blank lines?, (\d+) lines? skipped\.")
NOTE = re.compile(r"^ *(?:\d+  skip  )?!(?: |$)", re.M)


def check_counts(run, name):
    """Every line counted once, the sums adding up, and the plain report saying the same as
    the JSON one, count by count: its count lines, its notes ("!") and its summary."""
    files, options, status, expected = CASES[name]
    if expected is None:
        return []
    report = json.loads(run.run(files, ["--json", *options], capture_output=True).stdout)
    plain = run.run(files, options, capture_output=True)
    shown = plain.stdout.decode("utf-8")
    failures = []
    for lst, line in zip(report["lists"], COUNT_LINE.findall(flat(shown))):
        c = lst["counts"]
        skips = [line["reason"] for line in lst["lines"] if line["outcome"] == "skip"]
        unrun = 0 if lst["runs"] else len(lst["lines"]) - len(skips)  # a list that does not run starts nothing
        if c["fail"] != c["not_found"] + c["refused"] + c["repeated"] + c["other"] \
                or c["starts"] != c["install"] + c["maybe"] + c["fail"] or c["lines"] != c["starts"] + c["blank"] + c["skipped"] \
                or c["lines"] != len(lst["lines"]) or c["blank"] != skips.count("blank") \
                or c["skipped"] != len(skips) - skips.count("blank") + unrun:
            failures.append(f"{lst['file']}: counts {c} do not add up, or not to its {len(lst['lines'])} lines")
        fails = dict((kind.replace(" ", "_"), int(n)) for n, kind in
                     (part.split(" ", 1) for part in line[5].split(", ") if part))
        said = [int(n) for n in line[:5]] + [int(line[6]), int(line[7])]
        if said != [c[k] for k in ("lines", "starts", "install", "maybe", "fail", "blank", "skipped")] \
                or fails != {k: c[k] for k in ("not_found", "refused", "repeated", "other") if c[k]}:
            failures.append(f"{lst['file']}: the plain report counts {line}, the JSON {c}")
    for lst, (number, unit) in zip(report["lists"], INSTALLS.findall(flat(shown))):
        scale = {"KB": 1 << 10, "MB": 1 << 20}.get(unit, 1)
        if abs(float(number) * scale - lst["counts"]["bytes"]) > scale / (20 if unit == "MB" else 2):
            failures.append(f"{lst['file']}: the plain report says {number} {unit} installed, the JSON {lst['counts']['bytes']}")
    if len(COUNT_LINE.findall(flat(shown))) != len(report["lists"]) or len(INSTALLS.findall(flat(shown))) != len(report["lists"]):
        failures.append("a list without its count line")
    failures += notes_as_shown(report, shown) + too_wide(shown, 80)
    things = re.search(r"Summary: \d+ lists?; (\d+) things? to look at", flat(shown))
    notes = len(NOTE.findall(shown))
    if notes != report["attention"] or (int(things[1]) if things else 0) != notes:
        failures.append(f"{notes} notes shown, the summary says {things and things[1]}, "
                        f"the JSON {report['attention']}")
    if report["ready"] != (plain.returncode == 0):
        failures.append(f"ready {report['ready']} with exit status {plain.returncode}")
    return failures


def check_time(run, name):
    """A package judged within its bound; under Wine after a warm start (the cases before)."""
    files, options, status, _ = CASES[name]
    start = time.perf_counter()
    result = run.run(files, ["--json", *options], capture_output=True)
    took = time.perf_counter() - start
    failures = [f"status {result.returncode}, expected {status}"] if result.returncode != status else []
    return failures + ([f"took {took:.2f} s, at most {MOST_SECONDS}"] if took > MOST_SECONDS else [])


def check_forms(run, name):
    """Each form's JSON contents, in short, against what they must read as."""
    contents, members, expected = FORMS[name]
    failures = []
    for layout in ("ours", "cabwiz", "xml"):
        card = {L6: b"funk.cab\n", "funk.cab": contents_package(layout, contents, members, processor=2577)}
        cab_ = json.loads(run.run(card, ["--json"], capture_output=True).stdout)["lists"][0]["lines"][0]["cab"]
        got = cab_["contents"]
        short = [" ".join(["file", f["path"], f["member"], str(f["bytes"]), f["code"], *f["flags"]]) for f in got["files"]]
        short += [f"value {v['key']} {v['name']} {v['type']}" for v in got["registry"]]
        short += [f"shortcut {s['path']} {s['target']}" for s in got["shortcuts"]]
        short += [f"install_dir {got['install_dir']}", f"bytes {got['bytes']}"]
        if short != expected or cab_["processor_name"] != "ARM 2577 (StrongARM)":
            failures.append(f"{layout}: {short} {cab_['processor_name']}, expected {expected}")
    return failures


def notes_as_shown(report, shown):
    """The JSON's notes are the plain report's: as many as its "!" marks, each sentence there,
    and a failure among them exactly when the card is not ready."""
    lists = report["lists"]
    notes = [n for lst in lists for line in lst["lines"] for n in line["notes"]] \
        + [n for lst in lists for n in lst["notes"]] + report["notes"]
    failures = [] if len(notes) == report["attention"] else [f"{len(notes)} notes, attention {report['attention']}"]
    if report["ready"] == any(note["severity"] == "failure" for note in notes):
        failures.append(f"ready {report['ready']} with the notes {notes}")
    # A sentence holding what the plain report spells out is held to it by FIELDS.
    return failures + [f"note {note} not in the plain report" for note in notes
                       if not TERMINAL_CONTROL.search(note["message"]) and flat(note["message"]) not in flat(shown)]


def flat(text):
    """Text with its lines joined, as the plain report wraps them."""
    return " ".join(text.split())


SGR = re.compile("\x1b\\[[0-9;]*m")


def too_wide(shown, columns):
    """Lines of the plain report wider than the columns, but for a name that stands alone."""
    return [f"wider than {columns} columns: {line!r}" for line in SGR.sub("", shown).splitlines()
            if len(line) > columns and not re.fullmatch(r' *".*"\S*', line)]


def check_help(run, name):
    """-h is --help, which fits 80 columns and gives each exit status."""
    answers = [run.run({}, [flag], capture_output=True) for flag in ("-h", "--help")]
    text = answers[1].stdout.decode("utf-8")
    failures = [f"{flag}: status {a.returncode}" for flag, a in zip(("-h", "--help"), answers) if a.returncode]
    if answers[0].stdout != answers[1].stdout:
        failures.append("-h and --help differ")
    failures += [f"over 80 columns: {line!r}" for line in text.splitlines() if len(line) > 80]
    failures += [f"exit status {n} not told" for n in "012" if f"\n  {n}  " not in text]
    return failures


def check_version(run, name):
    """--version names project()'s version and the license, and the JSON report the same version."""
    version = re.search(r"project\(cabbatch VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text())[1]
    answer = run.run({}, ["--version"], capture_output=True)
    report = json.loads(run.run({L6: b""}, ["--json"], capture_output=True).stdout)
    lines = answer.stdout.decode().splitlines()
    failures = [] if lines[:1] == [f"cabbatch-check {version}"] else [f"--version says {lines[:1]}, want {version}"]
    failures += [] if any("MIT License" in line for line in lines) else [f"--version names no license: {lines}"]
    return failures + ([] if report.get("version") == version else [f"the JSON says version {report.get('version')}"])


def check_usage(run, name):
    result = run.run({}, USAGE_ERRORS[name], capture_output=True)
    if result.returncode != 2:
        return [f"status {result.returncode}, expected 2"]
    return one_sentence(result) + ([f"stdout {result.stdout!r}"] if result.stdout else [])


def check_human(run, name):
    files, options, wanted = HUMAN[name]
    return check_shown(run.run(files, options, capture_output=True), wanted)


def check_shown(result, wanted):
    """What the plain report must and must not show, and no terminal control in it."""
    shown = result.stdout.decode("utf-8") + result.stderr.decode("utf-8")
    # Wrapping aside, but for a line break that is wanted, or not.
    def seen(text):
        return text in shown if "\n" in text else flat(text) in flat(shown)
    failures = [f"{text!r} not shown in {shown!r}" for text in wanted if not text.startswith("NOT:") and not seen(text)]
    failures += [f"{text[4:]!r} shown in {shown!r}" for text in wanted if text.startswith("NOT:") and seen(text[4:])]
    failures += too_wide(result.stdout.decode("utf-8"), 80)
    if TERMINAL_CONTROL.search(shown):
        failures.append(f"a terminal control reaches the terminal: {shown!r}")
    return failures


def strings(node):
    """Every string a JSON value holds."""
    if isinstance(node, str):
        yield node
    for child in node.values() if isinstance(node, dict) else node if isinstance(node, list) else []:
        yield from strings(child)


def check_field(run, name):
    files, spelt, exact = FIELDS[name]
    failures = check_shown(run.run(files, [], capture_output=True), spelt)
    report = json.loads(run.run(files, ["--json"], capture_output=True).stdout)
    said = list(strings(report))
    failures += counted_as_counts(report)
    return failures + [f"{text!r} not exact in the JSON" for text in exact if not any(text in s for s in said)]


def on_terminal(run, options, env, columns):
    """The check's stdout on a pseudo-terminal of that width."""
    master, slave = pty.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))
    chunks = []

    def drain():
        while True:
            try:
                chunk = os.read(master, 4096)
            except OSError:  # the terminal's other end is closed
                return
            if not chunk:
                return
            chunks.append(chunk)
    reader = threading.Thread(target=drain)
    reader.start()
    run.run(COLOUR_CARD, options, stdout=slave, stderr=subprocess.DEVNULL, env=env)
    os.close(slave)
    reader.join()
    os.close(master)
    return b"".join(chunks).decode("utf-8").replace("\r\n", "\n")


def check_colour(run, name):
    options, no_color, columns, coloured = COLOURS[name]
    env = {k: v for k, v in os.environ.items() if k != "NO_COLOR"} | ({} if no_color is None else {"NO_COLOR": no_color})
    if columns:
        shown = on_terminal(run, options, env, columns)
    else:
        shown = run.run(COLOUR_CARD, options, capture_output=True, env=env).stdout.decode("utf-8")
    failures = [f"{text!r} not in {shown!r}" for text in coloured if text not in shown]
    if not coloured and ("\x1b" in shown or "\\u001b" in shown):
        failures.append(f"colour in {shown!r}")
    failures += [f"colour not reset: {line!r}" for line in shown.splitlines() if "\x1b[3" in line and not line.endswith("\x1b[0m")]
    failures += [] if "--json" in options else too_wide(shown, columns or 80)
    if columns and columns > 80 and not any(len(SGR.sub("", line)) > 80 for line in shown.splitlines()):
        failures.append(f"the terminal's {columns} columns not used: {shown!r}")
    if not columns and "--json" not in options:
        asked = " ".join(options).replace("--color always", "").replace("--color=always", "").split()
        plain = run.run(COLOUR_CARD, [*asked, "--color=never"], capture_output=True).stdout.decode("utf-8")
        failures += [] if SGR.sub("", shown) == plain else [f"{shown!r} is more than {plain!r} in colour"]
    return failures


def check_write_errors(run, wine):
    """A report that cannot be written is an error, on a full disk or a closed stdout."""
    failures = []
    card = {L6: b"a.cab\n", "a.cab": b""}
    for target, shell in [("/dev/full", ">/dev/full"), ("a closed stdout", ">&-")]:
        folder = run.work / "card"
        if folder.exists():
            subprocess.run(["rm", "-rf", str(folder)], check=True)
        folder.mkdir()
        lay_out(folder, card)
        # Wine's own runner would hide the failure behind its temporary files.
        command = " ".join(["wine" if wine else "", f"'{run.checker}'", "--json", f"'{run.where(folder)}'"])
        result = subprocess.run(["sh", "-c", f"{command} {shell}"], capture_output=True, timeout=60,
                                env=dict(os.environ, WINEDEBUG="-all"))
        if result.returncode != 2 or "cannot write the report" not in result.stderr.decode():
            failures.append(f"to {target}: status {result.returncode}, stderr {result.stderr!r}")
    return failures


# Cards are laid out in memory where the host allows: one holds ten thousand files.
SCRATCH = "/dev/shm" if os.access("/dev/shm", os.W_OK) else None


def main(checker, *runner):
    wine = bool(runner)
    tables = [(CASES, check_json), (CASES, check_counts), (USAGE_ERRORS, check_usage), (HUMAN, check_human),
              (FIELDS, check_field), (COLOURS, check_colour), ({"help": None}, check_help),
              ({"version": None}, check_version), (TIMED, check_time), (FORMS, check_forms)]
    failures, count = [], 0
    for table, check in tables:
        for name in table:
            if wine and name in HOST_ONLY:
                continue
            with tempfile.TemporaryDirectory(prefix="cabbatch-check-", dir=SCRATCH) as work:
                failures += [f"{name}: {f}" for f in check(Runner(checker, list(runner), Path(work)), name)]
            count += 1
    if wine:
        os.environ.setdefault("WINEPREFIX", os.environ.get("CABBATCH_WINEPREFIX", ""))
    with tempfile.TemporaryDirectory(prefix="cabbatch-check-") as work:
        failures += [f"write errors: {f}" for f in check_write_errors(Runner(checker, list(runner), Path(work)), wine)]
    print("\n".join(failures) or f"{count + 1} cases: ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
