// The PE header of a program on the card: where the DOS header points, the machine, and the
// optional header's subsystem.
#include "program_header.h"

#include <cstring>

#include "little_endian.h"

namespace check {

namespace {
constexpr size_t kDosHeaderSize = 0x40, kPeHeaderAt = 0x3C;   // in the DOS header
constexpr size_t kMachine = 4, kOptionalHeader = 24;          // from the PE signature
constexpr size_t kSubsystem = 68;                             // in the optional header
constexpr unsigned kArm = 0x1C0, kThumb = 0x1C2, kWindowsCeGui = 9;
}  // namespace

bool ReadProgramHeader(const unsigned char *bytes, size_t count, unsigned *machine, unsigned *subsystem,
                       size_t *wanted)
{
    *wanted = kDosHeaderSize;
    if (count < *wanted || bytes[0] != 'M' || bytes[1] != 'Z')
        return false;
    const size_t header = Long(bytes + kPeHeaderAt), optional = header + kOptionalHeader;
    *wanted = optional + kSubsystem + 2;
    if (header > count || count < *wanted || std::memcmp(bytes + header, "PE\0\0", 4) != 0)
        return false;
    *machine = unsigned(Word(bytes + header + kMachine));
    *subsystem = unsigned(Word(bytes + optional + kSubsystem));
    return true;
}

bool IsDeviceProgram(unsigned machine, unsigned subsystem)
{
    return (machine == kArm || machine == kThumb) && subsystem == kWindowsCeGui;
}

}  // namespace check
