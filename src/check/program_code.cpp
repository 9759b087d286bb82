// A member's code from its PE header: the machine, and for x86's machine number the CLR
// header that marks a processor-neutral .NET assembly (ce-package-contents.md, "Machine
// types of program files"). Every offset is checked against the bytes given and the member's
// size before it is used.
#include "program_code.h"

#include <cstring>

#include "little_endian.h"
#include "program_header.h"
#include "text.h"

namespace check {

namespace {

constexpr size_t kPeHeaderAt = 0x3C;                          // in the DOS header
constexpr size_t kSections = 6, kOptionalSize = 20;           // from the PE signature
constexpr size_t kOptionalHeader = 24, kSectionSize = 40;
constexpr unsigned kPe32Plus = 0x20B;                         // the optional header's magic
constexpr size_t kClrDirectory = 14;                          // of the data directories
constexpr size_t kClrFlags = 16;                              // in the CLR header
constexpr unsigned long kIlOnly = 1;
constexpr unsigned kX86Machine = 0x14C;

struct Machine {
    unsigned number;
    CodeKind kind;
};
const Machine kMachines[] = {
    {0x1C0, CodeKind::kArm}, {0x1C2, CodeKind::kThumb}, {0x1C4, CodeKind::kArmv7}, {kX86Machine, CodeKind::kX86},
    {0x166, CodeKind::kMips}, {0x169, CodeKind::kMips}, {0x1A2, CodeKind::kSh3}, {0x1A6, CodeKind::kSh4},
};

struct Name {
    CodeKind kind;
    const char *json, *text;
};
const Name kNames[] = {
    {CodeKind::kNone, "none", "not a program"}, {CodeKind::kUnknown, "unknown", "of unknown code"},
    {CodeKind::kArm, "arm", "ARM code"}, {CodeKind::kThumb, "thumb", "ARM code with Thumb"},
    {CodeKind::kDotnet, "dotnet", ".NET code"}, {CodeKind::kX86, "x86", "x86 code"},
    {CodeKind::kMips, "mips", "MIPS code"}, {CodeKind::kSh3, "sh3", "SH3 code"}, {CodeKind::kSh4, "sh4", "SH4 code"},
    {CodeKind::kArmv7, "armv7", "ARMv7 code"},
};

// Where the bytes [at, at + length) of the member lie.
enum class Place { kKept, kPastKept, kPastEnd };
Place Reach(std::uint64_t at, size_t length, size_t count, std::uint64_t size)
{
    return at + length > size ? Place::kPastEnd : at + length > count ? Place::kPastKept : Place::kKept;
}

// What a place that is not kept makes of the code: unknown past the bytes kept; past the
// member's end, a header cut short, which leaves the machine's native code.
CodeKind Unreached(Place place) { return place == Place::kPastKept ? CodeKind::kUnknown : CodeKind::kX86; }

// The file offset of a relative virtual address, through the section table; 0 where no
// section holds it.
std::uint64_t FileOffset(const unsigned char *start, size_t count, std::uint64_t size, size_t header,
                         unsigned long rva, Place *place)
{
    size_t sections = Word(start + header + kSections);
    size_t table = header + kOptionalHeader + Word(start + header + kOptionalSize);
    for (size_t i = 0; i < sections; i++) {
        size_t at = table + i * kSectionSize;
        *place = Reach(at, kSectionSize, count, size);
        if (*place != Place::kKept)
            return 0;
        unsigned long address = Long(start + at + 12), span = Long(start + at + 16), raw = Long(start + at + 20);
        if (rva >= address && rva - address < span)
            return std::uint64_t(raw) + (rva - address);
    }
    return 0;
}

// Machine 0x014C: processor-neutral .NET where a CLR header says IL only, else x86 code.
CodeKind X86OrDotnet(const unsigned char *start, size_t count, std::uint64_t size, size_t header)
{
    size_t optional = header + kOptionalHeader;
    bool plus = Word(start + optional) == kPe32Plus;
    size_t entries = optional + (plus ? 108 : 92), clr = optional + (plus ? 112 : 96) + 8 * kClrDirectory;
    Place place = Reach(clr, 8, count, size);
    if (place != Place::kKept)
        return Unreached(place);
    if (Long(start + entries) <= kClrDirectory || Long(start + clr) == 0)
        return CodeKind::kX86;
    std::uint64_t at = FileOffset(start, count, size, header, Long(start + clr), &place);
    if (place != Place::kKept)
        return Unreached(place);
    if (at == 0)
        return CodeKind::kX86;
    place = Reach(at + kClrFlags, 4, count, size);
    if (place != Place::kKept)
        return Unreached(place);
    return (Long(start + at + kClrFlags) & kIlOnly) != 0 ? CodeKind::kDotnet : CodeKind::kX86;
}

}  // namespace

ProgramCode ReadProgramCode(const unsigned char *start, size_t count, std::uint64_t size)
{
    ProgramHeader pe;
    size_t wanted = 0;
    if (!ReadProgramHeader(start, count, &pe, &wanted)) {
        // The DOS header is there, but the PE header it points to is not among the bytes kept.
        bool further = count >= kPeHeaderAt + 4 && start[0] == 'M' && start[1] == 'Z' && wanted > count && wanted <= size;
        return {further ? CodeKind::kUnknown : CodeKind::kNone, 0};
    }
    size_t header = Long(start + kPeHeaderAt);
    ProgramCode code{CodeKind::kOther, pe.machine};
    for (const Machine &known : kMachines) {
        if (known.number == pe.machine)
            code.kind = known.kind;
    }
    if (code.kind == CodeKind::kX86)
        code.kind = X86OrDotnet(start, count, size, header);
    return code;
}

bool RunsOnDevice(ProgramCode code)
{
    return code.kind == CodeKind::kArm || code.kind == CodeKind::kThumb || code.kind == CodeKind::kDotnet;
}

bool IsForeign(ProgramCode code)
{
    return !RunsOnDevice(code) && code.kind != CodeKind::kNone && code.kind != CodeKind::kUnknown;
}

std::string CodeName(ProgramCode code)
{
    for (const Name &name : kNames) {
        if (name.kind == code.kind)
            return name.json;
    }
    return Hex4(code.machine);
}

std::string CodeText(ProgramCode code)
{
    for (const Name &name : kNames) {
        if (name.kind == code.kind)
            return name.text;
    }
    return "code for machine " + Hex4(code.machine);
}

}  // namespace check
