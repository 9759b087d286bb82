"""Writes Microsoft cabinets ("MSCF") and device setup information (".000", "MSCE") from the
project's own bytes, for the sample card, the tests and the bench. Cabinets carry data-block
checksums, so that a changed byte is found; MSZIP blocks are deflated one by one with zlib."""
import re
import struct
import zlib
from xml.sax.saxutils import quoteattr

BLOCK = 32768
NONE, MSZIP, QUANTUM = 0, 1, 2
FOLDER_BLOCKS = 65535  # the most data blocks a folder has


def checksum(data, seed=0):
    """The cabinet checksum: data as little-endian 32-bit words XORed into the seed, the
    last one to three bytes taken most significant first."""
    whole = len(data) // 4 * 4
    for (word,) in struct.iter_unpack("<I", data[:whole]):
        seed ^= word
    rest = 0
    for byte in data[whole:]:
        rest = rest << 8 | byte
    return seed ^ rest


def block(packed, unpacked_size):
    """One CFDATA record: its checksum, its sizes and its bytes."""
    sizes = struct.pack("<HH", len(packed), unpacked_size)
    return struct.pack("<I", checksum(sizes, checksum(packed))) + sizes + packed


def deflated(plain):
    """One MSZIP block's bytes: its signature, then plain deflated on its own."""
    deflate = zlib.compressobj(9, zlib.DEFLATED, -15)
    return b"CK" + deflate.compress(plain) + deflate.flush()


def data_blocks(data, compression):
    """CFDATA records for one folder's bytes: none for no bytes, as a block is never empty."""
    records = []
    for start in range(0, len(data), BLOCK):
        plain = data[start:start + BLOCK]
        records.append(block(deflated(plain) if compression == MSZIP else plain, len(plain)))
    return records


def laid_out(files, folders, blocks, version=(1, 3), signature=b""):
    """A cabinet laid out by hand, nothing checked: files [(name, size, offset in its folder,
    folder index)], folders [(compression, first block, block count)] over one run of CFDATA
    records, so that folders may share blocks. A signature is put after the cabinet, its
    offset and size in the header's reserve, as a signed package has them."""
    reserve = 20 if signature else 0
    header_size = 36 + (4 + reserve if reserve else 0)
    files_at = header_size + 8 * len(folders)
    entries = [struct.pack("<IIHHHH", size, offset, folder, 0x5A21, 0x6000, 0x20)
               + name.encode("ascii") + b"\0"
               for name, size, offset, folder in files]
    data_at = files_at + sum(len(entry) for entry in entries)
    starts = [data_at]
    for record in blocks:
        starts.append(starts[-1] + len(record))
    size = starts[-1]
    header = struct.pack("<4sIIIIIBBHHHHH", b"MSCF", 0, size, 0, files_at, 0, version[1], version[0], len(folders),
                         len(files), 4 if reserve else 0, 0x1234, 0)
    if reserve:
        header += struct.pack("<HBB", reserve, 0, 0) + struct.pack("<IIIII", 0, 0, 0, size, len(signature))
    records = b"".join(struct.pack("<IHH", starts[first], count, compression) for compression, first, count in folders)
    return header + records + b"".join(entries) + b"".join(blocks) + signature


def cabinet(members, compression=NONE, signature=b""):
    """A cabinet of members [(name, bytes)] in one folder, as cabinet writers lay it out."""
    blocks = data_blocks(b"".join(content for _, content in members), compression)
    files, offset = [], 0
    for name, content in members:
        files.append((name, len(content), offset, 0))
        offset += len(content)
    return laid_out(files, [(compression, 0, len(blocks))], blocks, signature=signature)


def faulty_records(setup):
    """Cabinets whose own records decide what becomes of them before any library reads
    them, each beside a boundary that passes: name: bytes, setup being a ".000"."""
    data = b"data" * 100
    blocks, members = data_blocks(setup + data, MSZIP), [("APP.000", setup), ("DATA.001", data)]
    whole, first = [(MSZIP, 0, len(blocks))], ("APP.000", len(setup), 0, 0)

    def second(size=len(data), offset=len(setup), folder=0, name="DATA.001"):
        return [first, (name, size, offset, folder)]

    def stored(*sizes, files=second()):
        """Stored blocks over the members' bytes, each (bytes it holds, bytes it says it
        unpacks to)."""
        held_blocks, at = [], 0
        for held, unpacked in sizes:
            held_blocks.append(block((setup + data)[at:at + held], unpacked))
            at += held
        return laid_out(files, [(NONE, 0, len(held_blocks))], held_blocks)
    whole_size, full = len(setup + data), setup + data + bytes(BLOCK - len(setup + data))
    return {
        "no files.cab": cabinet([], MSZIP),
        "an empty name.cab": cabinet(members + [("", b"x")]),
        "a name of 255 bytes.cab": cabinet(members + [("N" * 255, b"x")]),
        "a name of 256 bytes.cab": cabinet(members + [("N" * 256, b"x")]),
        "version 2.1.cab": laid_out(second(), whole, blocks, version=(2, 1)),
        "a folder past the last.cab": laid_out(second(folder=1), whole, blocks),
        "members sharing a byte.cab": laid_out(second(offset=len(setup) - 1), whole, blocks),
        "a member a byte past its folder.cab": laid_out(second(size=len(data) + 1), whole, blocks),
        "stored blocks.cab": stored((len(setup), len(setup)), (len(data), len(data))),
        "a stored block saying 10 bytes more.cab": stored((whole_size - 10, whole_size)),
        "a stored block holding 10 bytes more.cab": stored((whole_size, whole_size - 10), files=second(size=len(data) - 10)),
        "the first of two stored blocks saying more.cab": stored((len(setup), len(setup) + 1), (len(data), len(data) - 1)),
        "an MSZIP block of 32 KiB.cab": laid_out(second(), whole, data_blocks(full, MSZIP)),
        "an MSZIP block of 32 KiB and a byte.cab": laid_out(second(), whole, [block(deflated(full + b"x"), BLOCK + 1)]),
        "an empty last block.cab": laid_out(second(), [(MSZIP, 0, len(blocks) + 1)], blocks + [block(deflated(b""), 0)]),
        "garbage Quantum.cab": laid_out(second(), [(QUANTUM, 0, 1)], [block(bytes(range(256)) * 4, len(setup + data))]),
    }


def over_zeros(layout, count=1000):
    """A package of a setup information and count members over 2 GB of zeros in MSZIP
    (a folder's most blocks, about 3.7 MB on disk): "overlapping" gives every member the
    whole 2 GB in one folder; "reversed" tiles them over it in one folder, listed from the
    last; "shared" has eight folders over those same blocks, each tiled in order. A library
    that unpacks the same data again for each would take hours."""
    setup = setup_info()
    head = data_blocks(setup, MSZIP)
    total, folders = FOLDER_BLOCKS * BLOCK, 8 if layout == "shared" else 1
    per_folder = count // folders
    files = [("APP.000", len(setup), 0, 0)]
    for folder in range(1, folders + 1):
        step = total // per_folder
        for i in range(per_folder):
            at, size = (0, total) if layout == "overlapping" else (i * step, step)
            files.append((f"Z{folder}{i:03}.{len(files):03}", size, at, folder))
    if layout == "reversed":
        files[1:] = files[:0:-1]
    spans = [(MSZIP, 0, len(head))] + [(MSZIP, len(head), FOLDER_BLOCKS)] * folders
    return laid_out(files, spans, head + [data_blocks(bytes(BLOCK), MSZIP)[0]] * FOLDER_BLOCKS)


ROOTS = {"HKCR": 1, "HKCU": 2, "HKLM": 3, "HKU": 4}
VALUE_TYPES = {"string": (0, b"x\0"), "dword": (0x10001, b"\1\0\0\0"), "multi-string": (0x10000, b"x\0\0"),
               "binary": (1, b"\1\2")}
FLAGS = {"shared": 0x80000000, "always-overwrite": 0x40000000, "keep-newer": 0x20000000, "self-register": 0x10000000,
         "only-if-present": 0x400, "never-overwrite": 0x10, "never-skip": 2, "warn-if-skipped": 1}
DOCUMENT_FLAGS = {"shared": "Shared", "always-overwrite": "NoDateCheck", "keep-newer": "NoOverwriteIfNewer",
                  "never-overwrite": "NoOverwrite", "self-register": "SelfRegister", "warn-if-skipped": "WarnIfSkip"}


def member_name(number):
    """The member that holds file number, named as cabinet writers mangle names."""
    return f"FILE~{number}.{number:03d}"


def flag_bits(flags):
    """Flags by name, or a number for bits without one."""
    return sum(FLAGS[flag] if isinstance(flag, str) else flag for flag in flags)


def sections(files=(), registry=(), shortcuts=(), folders=()):
    """The six sections of a ".000", each a list of entries: files [(folder, name, number,
    flags)], registry [(key, name, type)] (a name of None: the key alone), shortcuts [(folder,
    name, target)] where a "%CEn%" folder is the shortcut's base and the target is a file's
    number, a folder, or "" for the install folder; folders, more folders for the DIRS. A
    folder is written as the setup information writes it: "%CE1%\\App", "Windows", "\\"."""
    strings, dirs, hives = {}, {}, {}

    def ids(parts):
        return b"".join(struct.pack("<H", strings.setdefault(part, len(strings) + 1)) for part in parts) + b"\0\0"

    def folder_id(folder):
        parts = folder.split("\\")
        if folder.startswith("\\"):
            parts = ["\\" + parts[1]] + parts[2:] if parts[1] else ["\\"]
        return dirs.setdefault(folder, (len(dirs) + 1, ids(parts)))[0]

    for folder in folders:
        folder_id(folder)
    file_entries = [struct.pack("<HHHIH", number, folder_id(folder), number, flag_bits(flags), len(name.encode("latin-1")) + 1)
                    + name.encode("latin-1") + b"\0" for folder, name, number, flags in files]
    key_entries = []
    for key, name, kind in registry:
        root, *path = key.split("\\")
        hive = hives.setdefault(key, (len(hives) + 1, ids(path)))[0]
        if name is not None:
            bits, data = VALUE_TYPES[kind]
            body = name.encode("latin-1") + b"\0" + data
            key_entries.append(struct.pack("<HHHIH", len(key_entries) + 1, hive, 0, bits, len(body)) + body)
    link_entries = []
    for folder, name, target in shortcuts:
        base = re.fullmatch(r"%CE(\d+)%", folder)
        place = (0, int(base[1])) if base else (folder_id(folder), 0)
        aim = (target, 1) if isinstance(target, int) else (folder_id(target) if target else 0, 0)
        path = ids(name.split("\\"))
        link_entries.append(struct.pack("<HHHHHH", len(link_entries) + 1, *place, *aim, len(path)) + path)
    roots = {key: ROOTS.get(key.split("\\")[0], 0) for key in hives}
    return [[struct.pack("<HH", i, len(text.encode("latin-1")) + 1) + text.encode("latin-1") + b"\0"
             for text, i in strings.items()],
            [struct.pack("<HH", i, len(path)) + path for i, path in dirs.values()],
            file_entries,
            [struct.pack("<HHHH", i, roots[key], 0, len(path)) + path for key, (i, path) in hives.items()],
            key_entries, link_entries]


def setup_info(app="App", provider="Provider", processor=0, os_min=(0, 0), os_max=(0, 0),
               build_min=0, build_max=0, unsupported=(), length=None, layout="ours", last=None, size=None,
               files=(), registry=(), shortcuts=()):
    """A ".000" member: the 100-byte MSCE header, then its strings and sections (above).
    length overrides the length the header gives; size pads the member to that many bytes.
    layout "ours" puts the names after the header and the sections from the last to the
    first, each empty one pointing at the end; "cabwiz" lays it out as Microsoft's CabWiz
    does: the names at 100, then the unsupported list when there is one, then the sections in
    their order, an empty one pointing at the next one's offset or, last, at the member's end,
    and an empty unsupported list pointing at the string table with a length of 0. Without
    contents, CabWiz's sections still hold the install folder's macro and a registry hive.
    last puts that section (0 to 5) after the others."""
    strings = b""

    def place(text):
        nonlocal strings
        at = 100 + len(strings)
        strings += text
        return at, len(text)

    app_at, app_len = place(app.encode("latin-1") + b"\0")
    provider_at, provider_len = place(provider.encode("latin-1") + b"\0")
    unsupported_at, unsupported_len = (0, 0)
    if unsupported:
        unsupported_at, unsupported_len = place(b"".join(n.encode("latin-1") + b"\0" for n in unsupported) + b"\0")
    filler = layout == "cabwiz" and not (files or registry or shortcuts)
    entries = sections(files, registry, shortcuts, *([["%CE1%"]] if filler else []))
    if filler:
        entries[3] = [struct.pack("<HHHH", 1, 0, 0, 0)]
    order = list(range(6)) if layout == "cabwiz" else list(range(5, -1, -1))
    if last is not None:
        order.remove(last)
        order.append(last)
    offsets = [None] * 6
    for section in order:
        offsets[section] = place(b"".join(entries[section]))[0] if entries[section] else None
    end = 100 + len(strings) + (size - 100 - len(strings) if size else 0)
    for i, section in enumerate(order):
        later = [offsets[s] for s in order[i + 1:] if offsets[s] is not None] if layout == "cabwiz" else []
        offsets[section] = offsets[section] if offsets[section] is not None else (later or [end])[0]
    if layout == "cabwiz" and not unsupported:
        unsupported_at = offsets[0]
    if size:
        strings += bytes(size - 100 - len(strings))
    total = 100 + len(strings)
    header = struct.pack("<4sIIIIIIIIIII", b"MSCE", 0, total if length is None else length, 0, 1, processor,
                         *os_min, *os_max, build_min, build_max)
    header += struct.pack("<6H", *(len(section) for section in entries)) + struct.pack("<6I", *offsets)
    header += struct.pack("<6HI", app_at, app_len, provider_at, provider_len, unsupported_at, unsupported_len, 0)
    assert len(header) == 100, len(header)
    return header + strings


def setup_xml(app=None, processor=None, os_min=None, os_max=None, build_min=None, build_max=None,
              setup_dll=None, install_dir=None, unsupported=None, files=(), registry=(), shortcuts=(),
              install=True, configures=(), size=None):
    """A "_setup.xml" as CabWiz writes it: the Install characteristic with a parm for each
    value given (a missing one sets no bound); BuildNumberMax is written signed. Then the
    contents, given as to sections(), each file extracted from member_name(its number);
    without install, no Install characteristic. configures: characteristics that only
    configure the device. size pads the document with spaces to that many bytes."""
    def version(value):
        return f"{value[0]}.{value[1]}"

    def signed(value):
        return value - (1 << 32) if value >= 1 << 31 else value

    def parm(name, value, *more):
        return f'<parm name={quoteattr(name)} value={quoteattr(str(value))}{"".join(more)} />'

    def item(name, kind, body):
        return f'<characteristic type={quoteattr(name)}><characteristic type="{kind}">{body}</characteristic></characteristic>'
    parms = [("AppName", app), ("ProcessorType", processor), ("InstallDir", install_dir),
             ("OSVersionMin", os_min and version(os_min)), ("OSVersionMax", os_max and version(os_max)),
             ("BuildNumberMin", build_min), ("BuildNumberMax", None if build_max is None else signed(build_max)),
             ("UnsupportedPlatforms", unsupported), ("SetupDLL", setup_dll if setup_dll is None else int(setup_dll))]
    body = "".join(parm(name, value) for name, value in parms if value is not None)
    where = {number: f"{folder}\\{name}" for folder, name, number, _ in files}
    folders = {}
    for folder, name, number, flags in files:
        extract = parm("Source", member_name(number)) + "".join(parm(DOCUMENT_FLAGS[f], 1) for f in flags)
        folders.setdefault(folder, ['<characteristic type="MakeDir" />']).append(item(name, "Extract", extract))
    for folder, name, target in shortcuts:
        aim = where[target] if isinstance(target, int) else target or "%InstallDir%"
        folders.setdefault(folder, ['<characteristic type="MakeDir" />']).append(
            item(name, "Shortcut", parm("Source", aim, ' translation="install"')))
    keys = {}
    for key, name, kind in registry:
        datatype = {"dword": "integer", "multi-string": "multiplestring"}.get(kind, kind)
        keys.setdefault(key, []).append(parm(name, 1, f' datatype="{datatype}"') if name is not None else "")
    def group(items):
        return "".join(f"<characteristic type={quoteattr(key)}>{''.join(inner)}</characteristic>" for key, inner in items)
    install_part = f'<characteristic type="Install"><parm name="InstallPhase" value="install" />{body}</characteristic>'
    document = ("<wap-provisioningdoc>" + (install_part if install else "")
                + f'<characteristic type="FileOperation">{group(folders.items())}</characteristic>'
                + (f'<characteristic type="Registry">{group(keys.items())}</characteristic>' if keys else "")
                + "".join(f'<characteristic type={quoteattr(c)}>{parm("x", "y")}</characteristic>' for c in configures))
    if size:
        document += " " * (size - len(document) - len("</wap-provisioningdoc>"))
    return (document + "</wap-provisioningdoc>").encode()


def program(machine, subsystem=9, il_only=None, at=0x40, magic=0x10B, flags=0x102):
    """The start of a PE image for machine: a DOS header pointing at the PE header at at, and
    the optional header; with il_only True or False, a section holding a CLR header whose
    flags say IL only or not, as a .NET assembly has. flags are the file header's (an
    executable image, 32-bit), magic the optional header's (PE32)."""
    sections_ = 0 if il_only is None else 1
    image = bytearray(b"MZ" + bytes(0x3A) + struct.pack("<I", at) + bytes(at - 0x40))
    image += struct.pack("<4sHHIIIHH", b"PE\0\0", machine, sections_, 0, 0, 0, 224, flags)
    optional = bytearray(224)
    optional[0:2] = struct.pack("<H", magic)
    optional[68:70] = struct.pack("<H", subsystem)
    optional[92:96] = struct.pack("<I", 16)  # data directories
    if il_only is not None:
        optional[208:216] = struct.pack("<II", 0x2008, 72)  # the CLR header's, the 15th
    image += optional
    if il_only is not None:
        raw = (len(image) + 40 + 0x1FF) // 0x200 * 0x200
        image += struct.pack("<8sIIIIIIHHI", b".text", 0x1000, 0x2000, 0x200, raw, 0, 0, 0, 0, 0x60000020)
        image += bytes(raw - len(image)) + bytes(8) + struct.pack("<IHHIIII", 72, 2, 5, 0, 0, 1 if il_only else 0, 0)
    return bytes(image)
