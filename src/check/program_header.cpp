// The PE header of a program on the card: where the DOS header points, the machine, the
// flags, and the optional header's magic and subsystem.
#include "program_header.h"

#include <cstring>

#include "little_endian.h"

namespace check {

namespace {
constexpr size_t kDosHeaderSize = 0x40, kPeHeaderAt = 0x3C;   // in the DOS header
constexpr size_t kMachine = 4, kCharacteristics = 22;         // from the PE signature
constexpr size_t kOptionalHeader = 24;
constexpr size_t kMagic = 0, kSubsystem = 68;                 // in the optional header, PE32 or PE32+
constexpr unsigned kArm = 0x1C0, kThumb = 0x1C2, kWindowsCeGui = 9;
constexpr unsigned kPe32 = 0x10B, kExecutableImage = 0x0002, kDll = 0x2000;
}  // namespace

bool ReadProgramHeader(const unsigned char *bytes, size_t count, ProgramHeader *header, size_t *wanted)
{
    *wanted = kDosHeaderSize;
    if (count < *wanted || bytes[0] != 'M' || bytes[1] != 'Z')
        return false;
    const size_t pe = Long(bytes + kPeHeaderAt), optional = pe + kOptionalHeader;
    *wanted = optional + kSubsystem + 2;
    if (pe > count || count < *wanted || std::memcmp(bytes + pe, "PE\0\0", 4) != 0)
        return false;
    header->machine = unsigned(Word(bytes + pe + kMachine));
    header->characteristics = unsigned(Word(bytes + pe + kCharacteristics));
    header->magic = unsigned(Word(bytes + optional + kMagic));
    header->subsystem = unsigned(Word(bytes + optional + kSubsystem));
    return true;
}

DeviceRule DeviceRuleBroken(const ProgramHeader &header)
{
    if ((header.machine != kArm && header.machine != kThumb) || header.subsystem != kWindowsCeGui)
        return DeviceRule::kCeArm;
    if (header.magic != kPe32)
        return DeviceRule::kPe32;
    if ((header.characteristics & kExecutableImage) == 0)
        return DeviceRule::kExecutable;
    if ((header.characteristics & kDll) != 0)
        return DeviceRule::kNotDll;
    return DeviceRule::kKept;
}

}  // namespace check
