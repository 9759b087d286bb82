"""The card check's test packages and the cards built of them, made at test time by
scripts/cabinet.py: shared by the tables of cases and of the plain report's wording."""
import sys
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
