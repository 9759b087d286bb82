// Reading a card's files for the check: each opened only as a regular file, so that nothing
// blocks, and read no further than its part needs.
#include "examine.h"

#include <algorithm>
#include <cstring>

#include "cabinet_scan.h"
#include "program_code.h"
#include "program_header.h"
#include "program_version.h"

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

// A package's bytes for its records, read forward through a window of the file. The records
// are asked for in the order they lie, but for data blocks before the member records, so
// going back, which opens the file again, happens at most a few times.
class PackageBytes {
public:
    explicit PackageBytes(const desktop::Path &path) : path_(path) {}
    ~PackageBytes() { Close(); }
    PackageBytes(const PackageBytes &) = delete;
    PackageBytes &operator=(const PackageBytes &) = delete;

    size_t Fetch(std::uint64_t offset, size_t count, unsigned char *into)
    {
        if (!opened_ || offset < windowAt_)
            Open();
        while (windowAt_ + window_.size() < offset + count && !ended_) {
            // What lies before offset is not asked for again: dropped before reading on.
            size_t before = size_t(std::min<std::uint64_t>(offset - windowAt_, window_.size()));
            window_.erase(0, before);
            windowAt_ += before;
            ReadOn();
        }
        if (offset >= windowAt_ + window_.size())
            return 0;
        size_t there = size_t(std::min<std::uint64_t>(count, windowAt_ + window_.size() - offset));
        std::memcpy(into, window_.data() + (offset - windowAt_), there);
        return there;
    }

private:
    void Open()
    {
        Close();
        std::string why;
        opened_ = true;
        ended_ = desktop::OpenRegularFile(path_, &file_, &why) != kOk;
        window_.clear();
        windowAt_ = 0;
    }

    void Close()
    {
        if (file_ != nullptr)
            desktop::CloseFile(file_);
        file_ = nullptr;
    }

    // A read that fails ends the bytes, as the file's end does.
    void ReadOn()
    {
        const size_t kChunk = 1 << 16, had = window_.size();
        window_.resize(had + kChunk);
        int count = 0;
        bool read = PlatformReadFile(file_, reinterpret_cast<unsigned char *>(&window_[had]), int(kChunk), &count) == kOk
                 && count > 0;
        window_.resize(had + (read ? size_t(count) : 0));
        ended_ = !read;
    }

    const desktop::Path &path_;
    PlatformHandle file_ = nullptr;
    bool opened_ = false, ended_ = false;
    std::string window_;                 // the file's bytes from windowAt_ on
    std::uint64_t windowAt_ = 0;
};

}  // namespace

// The cabinet's own records, then the whole cabinet read through by the platform's library
// where that decompresses each data block once (a cabinet without members needs none). Of
// each member only its code is kept, from its first bytes.
PackageFacts ExaminePackage(const desktop::Path &path, int codePage)
{
    CabinetRecords records;
    {
        PackageBytes bytes(path);
        records = ScanCabinet([&](std::uint64_t offset, size_t count, unsigned char *into) {
            return bytes.Fetch(offset, count, into);
        });
    }
    desktop::CabinetRead read;
    read.readThrough = records.members.empty();
    MemberCodes codes;
    auto unpacked = [&](const std::string &name, const std::string &start, std::uint64_t size) {
        const auto *bytes = reinterpret_cast<const unsigned char *>(start.data());
        codes.emplace_back(name, ReadProgramCode(bytes, start.size(), size));
    };
    if (records.fault == CabinetFault::kNone && !records.members.empty())
        read = desktop::ReadCabinet(path, SetupMembers(), unpacked);
    return DescribePackage(records, read.readThrough, read.kept, codes, codePage);
}

// A program's first bytes, read again further where a reader wants more; a read that comes
// back short tells the file's size.
struct ProgramStart {
    const desktop::Path &path;
    std::string bytes;
    std::uint64_t size = kProgramVersionReach;  // at least this, until a read comes back short

    const unsigned char *Data() const { return reinterpret_cast<const unsigned char *>(bytes.data()); }
    // False when the file holds no more than what was read already.
    bool ReadTo(size_t wanted)
    {
        if (wanted <= bytes.size() || bytes.size() >= size)
            return false;
        bytes = ReadStart(path, wanted);
        if (bytes.size() < wanted)
            size = bytes.size();
        return true;
    }
};

// Its version resource, in the few steps the reader asks for.
std::optional<ProgramVersion> VersionOf(ProgramStart &start)
{
    ProgramVersion version;
    for (int reads = 0; reads < kProgramVersionMostReads; reads++) {
        version = ReadProgramVersion(start.Data(), start.bytes.size(), start.size);
        if (!start.ReadTo(version.wanted))
            break;
    }
    if (version.state != VersionState::kFound)
        return std::nullopt;
    return version;
}

Program ExamineProgram(const Text &name, const desktop::Path &path)
{
    Program program;
    program.file = name;
    ProgramStart start{path, {}};
    start.ReadTo(kProgramVersionFirstRead);
    size_t wanted = 0;
    auto read = [&]() {
        return ReadProgramHeader(start.Data(), start.bytes.size(), &program.header, &wanted);
    };
    program.portable = read();
    // The PE header's place is in the first bytes; read on to it where it lies further.
    if (!program.portable && wanted <= kProgramVersionReach && start.ReadTo(wanted))
        program.portable = read();
    program.device = program.portable && DeviceRuleBroken(program.header) == DeviceRule::kKept;
    if (program.portable)
        program.version = VersionOf(start);
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
