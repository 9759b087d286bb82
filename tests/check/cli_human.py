"""The plain report's wording: what must show for each card, and what must not; the fields
that carry outside text; colour on a terminal."""
from cli_packages import (
    BOUNDS, CAB, FULL, L6, LONG_DIR, PACKAGES, PLATFORMS, QUOTES, TWINS, WALK, WALK_BOUND, cab,
    contents_package, package, program, writes)

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
         "the same package as line 1: the installer deleted the file when it ran line 1, so this start fails; "
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

