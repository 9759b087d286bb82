// Reading a card's files for the check: each opened only as a regular file, so that nothing
// blocks, and read no further than its part needs.
#include "examine.h"

#include <algorithm>

#include "program_header.h"

namespace check {

namespace {

// Up to most bytes of a file's start.
std::string ReadStart(const desktop::Path &path, size_t most)
{
    std::string why, start(most, '\0');
    PlatformHandle file = nullptr;
    if (desktop::OpenRegularFile(path, &file, &why) != kOk)
        return "";
    size_t filled = 0;
    int count = 0;
    while (filled < most
           && PlatformReadFile(file, reinterpret_cast<unsigned char *>(&start[filled]), int(most - filled), &count) == kOk
           && count > 0)
        filled += size_t(count);
    desktop::CloseFile(file);
    start.resize(filled);
    return start;
}

CabinetHeader HeaderOf(const std::string &start)
{
    return ReadCabinetHeader(reinterpret_cast<const unsigned char *>(start.data()), start.size());
}

}  // namespace

// Its first bytes for the cabinet's own records (the most that 65,535 folders with the
// largest reserves take, where a package needs it), then the whole cabinet read through by
// the platform's library.
PackageFacts ExaminePackage(const desktop::Path &path)
{
    const size_t kUsualHeader = 1 << 16, kLargestHeader = 40 + 65535 + 4 * 256 + 65535 * (8 + 255);
    std::string start = ReadStart(path, kUsualHeader);
    CabinetHeader header = HeaderOf(start);
    if (header.signature && !header.valid && start.size() == kUsualHeader)
        header = HeaderOf(ReadStart(path, kLargestHeader));
    desktop::CabinetRead read;
    if (header.signature)
        read = desktop::ReadCabinet(path, SetupMembers());
    return DescribePackage(header, read.readThrough, read.members, read.kept);
}

Program ExamineProgram(const Text &name, const desktop::Path &path)
{
    Program program;
    program.file = name;
    const size_t kUsual = 1 << 12, kMost = 1 << 24;
    std::string start = ReadStart(path, kUsual);
    size_t wanted = 0;
    auto read = [&]() {
        return ReadProgramHeader(reinterpret_cast<const unsigned char *>(start.data()), start.size(),
                                 &program.machine, &program.subsystem, &wanted);
    };
    program.portable = read();
    // The PE header's place is in the first bytes; read on to it where it lies further.
    if (!program.portable && start.size() == kUsual && wanted > kUsual && wanted <= kMost) {
        start = ReadStart(path, wanted);
        program.portable = read();
    }
    program.device = program.portable && IsDeviceProgram(program.machine, program.subsystem);
    return program;
}

// Its first line has a NUL in every other byte, which the device reads as a line holding
// NULs, and skips.
bool HasUtf16WithoutMark(const desktop::Path &path)
{
    std::string start = ReadStart(path, 256);
    if (start.size() >= 2 && static_cast<unsigned char>(start[0]) == 0xFF && static_cast<unsigned char>(start[1]) == 0xFE)
        return false;
    // Its first line break is an LF unit: 0A at an even offset, 00 after it.
    size_t end = std::min(start.find('\n'), start.size());
    if (end < 2 || end % 2 != 0 || (end + 1 < start.size() && start[end + 1] != '\0'))
        return false;
    for (size_t i = 1; i < end; i += 2) {
        if (start[i] != '\0' || start[i - 1] == '\0')
            return false;
    }
    return true;
}

}  // namespace check
