"""A Windows CE device, emulated, that runs the ARM build of cabbatch.exe: the image mapped at
its base on an ARMv4T core (Unicorn's TI925T), each COREDLL import bound to a stand-in that
works over a folder playing the device's file system, and the entry point started with
WinMain's four arguments. It fails the run on whatever a device would not take or the program
must not do: an import it does not know or one by ordinal, a CPU fault (an instruction that
ARMv4T lacks among them), a 2- or 4-byte access at an address that is not a multiple of its
size, a start-up record passed to CreateProcessW, a wait with a time limit, a second installer
started before the first was waited for, an end other than TerminateProcess on the current
process, or no end within its bound of instructions.
Needs Debian's python3-unicorn and python3-pefile (Debian's own python3 has them)."""
import random
import re
from dataclasses import dataclass, field

import pefile
import unicorn
from unicorn import arm_const as arm

from ce_files import INSTALLER, FileSystem, host_folder, lay_out, read_only  # noqa: F401 (for callers)

CURRENT_PROCESS = 0x42        # GetCurrentProcess(): SH_CURPROC 2 + SYS_HANDLE_BASE 64
INFINITE = 0xFFFFFFFF
INVALID_HANDLE = 0xFFFFFFFF
VERSION_INFO_SIZE = 276
STUBS, RETURN, DATA = 0x02000000, 0x02100000, 0x02200000
STACK_TOP = 0x03000000
STACK_PAINT = 0xA5
# What the emulated device takes of a program, which may come from a card and be hostile: an
# image between 64 KiB and the stand-ins, on a 64 KiB boundary, and at most 1 MiB of stack.
# No buffer can be larger than the room for the image, nor a string longer than 32K units.
IMAGE_LOWEST, MOST_STACK, MOST_UNITS = 0x10000, 0x100000, 0x8000
# A run's bound, in emulated instructions rather than time, since the emulator reads a list
# at only about 100 KB/s: a start-up allowance over 100 times the 900 or so measured, and per
# byte of the list over 7 times the most measured, 271 (lines of one character each; a long
# line takes 28).
START_UP_INSTRUCTIONS = 100_000
INSTRUCTIONS_PER_LIST_BYTE = 2_000
# What the emulator runs a second, its hooks included: 2.4 to 3.3 million measured over lists
# of blank lines, of short lines and of long ones; the lowest, so that a time told is not short.
INSTRUCTIONS_PER_SECOND = 2_400_000
# Windows' 1252 maps the five bytes that Python's cp1252 leaves undefined to C1 controls.
CP1252 = [chr(b) if b in (0x81, 0x8D, 0x8F, 0x90, 0x9D) else bytes([b]).decode("cp1252")
          for b in range(256)]


class DeviceFault(Exception):
    """The run did something a device would not take, or the program must not do."""


@dataclass
class Outcome:
    starts: list = field(default_factory=list)   # (application, arguments), in order
    installs: list = field(default_factory=list)  # what the stand-in installer met at each
    used_up: list = field(default_factory=list)   # host paths the installer deleted
    deleted: list = field(default_factory=list)   # host paths the program deleted
    exit_code: int = None
    stack_used: int = 0                           # bytes of stack the deepest call reached
    instructions: int = 0                         # counted only when asked for


# Characters that show nothing, or change how the text around them shows, so that a name
# holding one could pass for another: Unicode's format characters and the Mongolian vowel
# separator, as ranges of code points. The card check spells out the same ranges.
INVISIBLE = (
    (0x00AD, 0x00AD), (0x0600, 0x0605), (0x061C, 0x061C), (0x06DD, 0x06DD), (0x070F, 0x070F),
    (0x0890, 0x0891), (0x08E2, 0x08E2), (0x180E, 0x180E), (0x200B, 0x200D), (0x2060, 0x2064),
    (0x206A, 0x206F), (0xFEFF, 0xFEFF), (0xFFF9, 0xFFFB), (0x110BD, 0x110BD), (0x110CD, 0x110CD),
    (0x13430, 0x1343F), (0x1BCA0, 0x1BCA3), (0x1D173, 0x1D17A), (0xE0001, 0xE0001), (0xE0020, 0xE007F),
)


def spelt_out(code):
    """Whether a terminal would act on the character, or not show it."""
    return (code < 0x20 or 0x7F <= code <= 0x9F or code in (0x200E, 0x200F) or 0x2028 <= code <= 0x202E
            or 0x2066 <= code <= 0x2069 or 0xD800 <= code <= 0xDFFF
            or any(low <= code <= high for low, high in INVISIBLE))


def shown(text):
    """Text as the card check's plain report shows outside text on a terminal: every
    character a terminal would act on or not show spelt out, and '<' doubled so that no
    spelling is ambiguous."""
    out = []
    for c in text:
        code = ord(c)
        if 0x20 < code < 0x7F and c != "<":
            out.append(c)
        elif c in "<\t\r\n":
            out.append({"<": "<<", "\t": "<TAB>", "\r": "<CR>", "\n": "<LF>"}[c])
        elif spelt_out(code):
            out.append(f"<U+{code:04X}>")
        else:
            out.append(c)
    return "".join(out)


def bound_for(list_size):
    """The emulated instructions a run may take over a list of list_size bytes."""
    return START_UP_INSTRUCTIONS + INSTRUCTIONS_PER_LIST_BYTE * list_size


def installer_arguments(arguments):
    """(package path, switches) as the device's installer reads its argument string: switches,
    then the package path in double quotes. An entry holding a quote ends the path there, and
    its rest, up to the program's own closing quote, comes as switches too. Switches are the
    words before and after the path, split at ASCII white space, their quotes dropped."""
    before, _, rest = arguments.partition('"')
    path, _, after = rest.partition('"')
    return path, re.findall(r"[^ \t\r\n\v\f]+", (before + " " + after).replace('"', ""))


def keeps_package(switches):
    """'/delete 0' keeps the package on the card; the installer deletes it by default."""
    return any(switch.encode("utf-8", "surrogatepass").lower() == b"/delete" and value == "0"
               for switch, value in zip(switches, switches[1:]))


def from_utf16(units):
    """UTF-16 units as text, a lone surrogate kept as itself."""
    return bytes(units).decode("utf-16-le", "surrogatepass")


class Device:
    """One emulated device. major: the version GetVersionExW reports; seed: drives the short
    reads (None: every read is whole); count: count the instructions run (slow)."""

    def __init__(self, root, major=6, seed=None, count=False):
        self.files = FileSystem(root)
        self.major = major
        self.random = random.Random(seed) if seed is not None else None
        self.count = count

    # ---- The run

    def run(self, program, module_path, command_line=""):
        """Runs the ARM program (a host path) as if started from module_path (a device path);
        its Outcome. Raises DeviceFault."""
        self.outcome = Outcome()
        self.module_path = module_path
        self.handles, self.next_handle, self.running = {}, 0x100, None
        try:
            entry, stack = self.load(program, command_line)
        except (pefile.PEFormatError, unicorn.UcError, UnicodeDecodeError) as error:
            raise DeviceFault(f"the image cannot be loaded: {error}") from None
        size, most = self.bound()
        self.fault = None
        try:
            self.cpu.emu_start(entry, 0xFFFFFFFF, count=most)
        except unicorn.UcError as error:
            pc = self.cpu.reg_read(arm.UC_ARM_REG_PC)
            raise DeviceFault(f"CPU fault at 0x{pc:08X}: {error}") from None
        if self.fault:
            raise DeviceFault(self.fault)
        if self.outcome.exit_code is None:
            raise DeviceFault(f"no end within {most:,} emulated instructions, the bound for a list of "
                              f"{size:,} bytes ({START_UP_INSTRUCTIONS:,} for start-up and "
                              f"{INSTRUCTIONS_PER_LIST_BYTE:,} a byte)")
        painted = bytes(self.cpu.mem_read(STACK_TOP - stack, stack))
        self.outcome.stack_used = len(painted.lstrip(bytes([STACK_PAINT])))
        return self.outcome

    def load(self, program, command_line):
        """The image mapped, its imports bound, a painted stack and WinMain's arguments set;
        the entry point and the stack's size."""
        pe = pefile.PE(str(program), fast_load=True)
        pe.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
        base, size = pe.OPTIONAL_HEADER.ImageBase, self.pages(pe.OPTIONAL_HEADER.SizeOfImage)
        stack = self.pages(pe.OPTIONAL_HEADER.SizeOfStackReserve)
        if base % 0x10000 or not IMAGE_LOWEST <= base < base + size <= STUBS or stack > MOST_STACK:
            raise DeviceFault(f"an image of 0x{size:X} bytes at 0x{base:X} with 0x{stack:X} bytes of stack: "
                              f"the emulated device takes one from 0x{IMAGE_LOWEST:X} up to 0x{STUBS:X} "
                              f"on a 64 KiB boundary, with at most 0x{MOST_STACK:X} bytes of stack")
        cpu = unicorn.Uc(unicorn.UC_ARCH_ARM, unicorn.UC_MODE_ARM)
        cpu.ctl_set_cpu_model(arm.UC_CPU_ARM_TI925T)
        self.cpu = cpu
        cpu.mem_map(base, size)
        cpu.mem_write(base, bytes(pe.get_memory_mapped_image())[:size])
        self.bind_imports(pe)
        cpu.mem_map(STACK_TOP - stack, stack)
        cpu.mem_write(STACK_TOP - stack, bytes([STACK_PAINT]) * stack)
        for region in (RETURN, DATA):
            cpu.mem_map(region, 0x10000)
        cpu.mem_write(RETURN, b"\x1e\xff\x2f\xe1")  # bx lr, never reached on a clean end
        cpu.hook_add(unicorn.UC_HOOK_CODE, self.returned, begin=RETURN, end=RETURN + 3)
        cpu.hook_add(unicorn.UC_HOOK_MEM_READ | unicorn.UC_HOOK_MEM_WRITE, self.check_alignment)
        if self.count:
            cpu.hook_add(unicorn.UC_HOOK_BLOCK, self.count_block)
        cpu.mem_write(DATA, command_line.encode("utf-16-le") + b"\0\0")
        for register, value in ((arm.UC_ARM_REG_R0, base), (arm.UC_ARM_REG_R1, 0),
                                (arm.UC_ARM_REG_R2, DATA), (arm.UC_ARM_REG_R3, 5),
                                (arm.UC_ARM_REG_SP, STACK_TOP), (arm.UC_ARM_REG_LR, RETURN)):
            cpu.reg_write(register, value)
        return base + pe.OPTIONAL_HEADER.AddressOfEntryPoint, stack

    def bound(self):
        """The size of the list the program will read, and the instructions the run may take."""
        folder = self.module_path.rpartition("\\")[0]
        found = self.files.find(f"{folder}\\SetupFile.CE{self.major}.txt")
        size = found.stat().st_size if found is not None and found.is_file() else 0
        return size, bound_for(size)

    @staticmethod
    def pages(size):
        return (size + 0xFFF) & ~0xFFF

    def stop(self, why):
        if self.fault is None:
            self.fault = why
        self.cpu.emu_stop()

    def returned(self, cpu, address, size, data):
        self.stop("the entry point returned: the process must end with TerminateProcess")

    def check_alignment(self, cpu, access, address, size, value, data):
        # ARMv4 and ARMv5 devices raise a datatype misalignment for these.
        if size in (2, 4) and address % size:
            pc = cpu.reg_read(arm.UC_ARM_REG_PC)
            self.stop(f"unaligned {size}-byte access to 0x{address:08X} at 0x{pc:08X}")

    def count_block(self, cpu, address, size, data):
        self.outcome.instructions += size // 4

    # ---- Imports

    def bind_imports(self, pe):
        """Points each import at a stand-in: a Thumb 'bx lr' whose execution runs the
        stand-in first, so that a call reaches it only through BX, with interworking."""
        dlls = getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])
        names = [dll.dll.decode() for dll in dlls]
        if [name.upper() for name in names] != ["COREDLL.DLL"]:
            raise DeviceFault(f"imports from {names}: only COREDLL.dll is on the device")
        self.cpu.mem_map(STUBS, 0x10000)
        self.stubs = {}
        for number, symbol in enumerate(dlls[0].imports):
            if symbol.name is None:
                raise DeviceFault(f"import by ordinal {symbol.ordinal}: imports go by name")
            name = symbol.name.decode()
            standin = getattr(self, "call_" + name, None)
            if standin is None:
                raise DeviceFault(f"import {name}: no stand-in knows it")
            address = STUBS + 4 * number
            self.cpu.mem_write(address, b"\x70\x47\x00\xbf")  # Thumb: bx lr
            self.cpu.mem_write(symbol.address, (address | 1).to_bytes(4, "little"))
            self.stubs[address] = standin
        self.cpu.hook_add(unicorn.UC_HOOK_CODE, self.call, begin=STUBS, end=STUBS + 0xFFFF)

    def call(self, cpu, address, size, data):
        if address not in self.stubs:
            raise DeviceFault(f"a jump to 0x{address:08X}, among the stand-ins but none of them")
        result = self.stubs[address]()
        if result is not None:
            cpu.reg_write(arm.UC_ARM_REG_R0, result & 0xFFFFFFFF)

    def argument(self, index):
        if index < 4:
            return self.cpu.reg_read(arm.UC_ARM_REG_R0 + index)
        sp = self.cpu.reg_read(arm.UC_ARM_REG_SP)
        return self.u32(sp + 4 * (index - 4))

    def u32(self, address):
        return int.from_bytes(self.cpu.mem_read(address, 4), "little")

    def put32(self, address, value):
        self.cpu.mem_write(address, (value & 0xFFFFFFFF).to_bytes(4, "little"))

    def wide(self, address):
        units = bytearray()
        while len(units) < 2 * MOST_UNITS:
            unit = self.cpu.mem_read(address + len(units), 2)
            if unit == b"\0\0":
                return from_utf16(units)
            units += unit
        raise DeviceFault(f"a string at 0x{address:08X} with no end within {MOST_UNITS:,} units")

    @staticmethod
    def span(count):
        """count, where the program may ask for that many bytes: the host must not be made
        to allocate gigabytes. Exceptions raised in a stand-in end the run."""
        if count > STUBS:
            raise DeviceFault(f"a buffer of {count:,} bytes, larger than any the device maps")
        return count

    def handle(self, thing):
        self.next_handle += 4
        self.handles[self.next_handle] = thing
        return self.next_handle

    # ---- Stand-ins for COREDLL, by name

    def call_GetModuleFileNameW(self):
        module, buffer, capacity = (self.argument(i) for i in range(3))
        if module != 0:
            return self.stop("GetModuleFileNameW for another module")
        text = self.module_path.encode("utf-16-le")[:2 * (capacity - 1)]
        self.cpu.mem_write(buffer, text + b"\0\0")
        return len(text) // 2

    def call_GetVersionExW(self):
        info = self.argument(0)
        if self.u32(info) != VERSION_INFO_SIZE:
            return 0
        for offset, value in ((4, self.major), (8, 0), (12, 0), (16, 3)):  # 3: Windows CE
            self.put32(info + offset, value)
        return 1

    def call_CreateFileW(self):
        path, access, share = (self.argument(i) for i in range(3))
        disposition = self.argument(4)
        data = self.files.read(self.wide(path))
        if access != 0x80000000 or disposition != 3 or data is None:
            return INVALID_HANDLE
        return self.handle({"file": data, "at": 0})

    def call_ReadFile(self):
        handle, buffer, count, read, overlapped = (self.argument(i) for i in range(5))
        file = self.handles.get(handle)
        if file is None or "file" not in file or overlapped != 0:
            return self.stop("ReadFile on a handle that is not an open file, or overlapped")
        available = min(count, len(file["file"]) - file["at"])
        if self.random is not None and available > 1 and self.random.random() < 0.5:
            available = self.random.randint(1, available - 1)  # short, odd counts included
        chunk = file["file"][file["at"]:file["at"] + available]
        file["at"] += len(chunk)
        self.cpu.mem_write(buffer, chunk)
        self.put32(read, len(chunk))
        return 1

    def call_CloseHandle(self):
        handle = self.argument(0)
        if self.handles.pop(handle, None) is None:
            return self.stop(f"CloseHandle on 0x{handle:X}, which is not open")
        return 1

    def call_DeleteFileW(self):
        deleted = self.files.delete(self.wide(self.argument(0)))
        if deleted is not None:
            self.outcome.deleted.append(deleted)
        return int(deleted is not None)

    def call_MultiByteToWideChar(self):
        code_page, flags, data, count, buffer, capacity = (self.argument(i) for i in range(6))
        if code_page != 0 or flags != 0 or count >= 0x80000000:
            return self.stop("MultiByteToWideChar other than CP_ACP, flags 0 and a count")
        text = "".join(CP1252[b] for b in self.cpu.mem_read(data, self.span(count)))
        if capacity == 0:
            return len(text)
        if len(text) > capacity:
            return 0  # ERROR_INSUFFICIENT_BUFFER
        self.cpu.mem_write(buffer, text.encode("utf-16-le"))
        return len(text)

    def call_CreateProcessW(self):
        application, arguments = self.wide(self.argument(0)), self.wide(self.argument(1))
        unused = [self.argument(i) for i in (2, 3, 4, 5, 6, 7)]
        startup, info = self.argument(8), self.argument(9)
        if startup != 0:
            return self.stop("CreateProcessW was given a start-up record: the device takes none")
        if any(unused):
            return self.stop(f"CreateProcessW with security, inheritance, flags, environment "
                             f"or folder: {unused}")
        if self.running is not None:
            return self.stop("an installer started before the last one was waited for")
        if self.files.find(application) is None:
            return 0
        self.outcome.starts.append((application, arguments))
        self.outcome.installs.append(self.install(arguments))
        self.running = self.handle({"process": application})
        thread = self.handle({"thread": application})
        for offset, value in ((0, self.running), (4, thread), (8, self.running), (12, thread)):
            self.put32(info + offset, value)
        return 1

    def install(self, arguments):
        """What the stand-in installer meets: it installs nothing, and like the device's own
        it deletes the package it ran, unless told '/delete 0'."""
        path, switches = installer_arguments(arguments)
        package = self.files.find(path)
        if package is None or not package.is_file():
            return "no such file"
        if keeps_package(switches):
            return "installed, kept (/delete 0)"
        if self.files.delete(path) is None:
            return "installed, kept: the file is read-only"
        self.outcome.used_up.append(package)
        return "installed, used up"

    def call_WaitForSingleObject(self):
        handle, milliseconds = self.argument(0), self.argument(1)
        if milliseconds != INFINITE:
            return self.stop(f"a wait of {milliseconds} ms: the installer must be waited for without a limit")
        if "process" not in self.handles.get(handle, {}):
            return self.stop(f"a wait on 0x{handle:X}, which is no process")
        if handle == self.running:
            self.running = None
        return 0  # WAIT_OBJECT_0

    def call_TerminateProcess(self):
        process, code = self.argument(0), self.argument(1)
        if process != CURRENT_PROCESS:
            return self.stop(f"TerminateProcess on 0x{process:X}, not on the program itself")
        self.outcome.exit_code = code
        self.cpu.emu_stop()
        return 1

    def call_wcslen(self):
        return len(self.wide(self.argument(0)).encode("utf-16-le", "surrogatepass")) // 2

    def call_memcpy(self):
        target, source, count = (self.argument(i) for i in range(3))
        self.cpu.mem_write(target, bytes(self.cpu.mem_read(source, self.span(count))))
        return target

    def call_memset(self):
        target, value, count = (self.argument(i) for i in range(3))
        self.cpu.mem_write(target, bytes([value & 0xFF]) * self.span(count))
        return target

    def call_memcmp(self):
        a, b, count = (self.argument(i) for i in range(3))
        left, right = bytes(self.cpu.mem_read(a, self.span(count))), bytes(self.cpu.mem_read(b, count))
        return 0 if left == right else (-1 if left < right else 1)
