"""The card check's cases from the outside: each card, the options given, the exit status and
what the JSON report says of each list and line; the contents' forms; usage errors."""
from cli_packages import (
    BOUNDED, CAB, DOWN8, HAZARDS, HAZARD_LINES, L6, LINKS, LONG_DIR, PACKAGES, PLATFORMS, QUOTES, SUB, TWINS,
    WALK, WRITES, cab, package, packages, program, slow_package, utf16)

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
