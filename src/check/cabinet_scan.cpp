// The cabinet's members and data-block headers, held against its folders. Members that
// overlap, or reach past their folder's data, are damage: no cabinet writer makes them, and
// a library would decompress the shared data once for each. So are data blocks of sizes that
// no writer gives, which the two builds' libraries judge apart. Members listed out of their
// data's order and folders over the same data blocks would make a library decompress the
// same blocks again, and Quantum data is not decoded alike by both builds' libraries: such
// a cabinet's data is not read at all.
#include "cabinet_scan.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "cabinet_layout.h"
#include "little_endian.h"

namespace check {

namespace {

struct Member {
    unsigned folder = 0;
    std::uint64_t offset = 0, size = 0;  // in its folder's uncompressed data
    std::uint64_t End() const { return offset + size; }
};

// The member records, each with its name right after it.
CabinetFault ReadMembers(const CabinetBytes &bytes, CabinetRecords &records, std::vector<Member> *members)
{
    using namespace layout;
    std::uint64_t at = records.filesAt;
    for (unsigned i = 0; i < records.files; i++) {
        unsigned char record[kFileName + kFileNameMost + 1] = {};
        size_t count = bytes(at, sizeof record, record);
        if (count <= kFileName)
            return CabinetFault::kDamaged;
        const void *nul = std::memchr(record + kFileName, 0, count - kFileName);
        if (nul == nullptr)
            return count == sizeof record ? CabinetFault::kNameTooLong : CabinetFault::kDamaged;
        size_t length = size_t(static_cast<const unsigned char *>(nul) - record) - kFileName;
        if (length == 0)
            return CabinetFault::kNameEmpty;
        Member member{unsigned(Word(record + kFileFolder)), Long(record + kFileOffset), Long(record + kFileSize)};
        if (member.folder >= records.folders.size())
            return CabinetFault::kFolderIndex;
        records.members.emplace_back(reinterpret_cast<const char *>(record + kFileName), length);
        records.sizes.push_back(member.size);
        members->push_back(member);
        at += kFileName + length + 1;
    }
    return CabinetFault::kNone;
}

// The sizes a data block's header may give. The libraries differ past these: libmspack takes a
// stored block whose sizes differ, copying what it holds, and Windows' FDI a last block of no
// bytes, where the other calls it damaged. No cabinet writer makes either.
CabinetFault BlockSizesFault(int method, unsigned packed, unsigned unpacked)
{
    if (unpacked == 0 || unpacked > layout::kDataUnpackedMost)
        return CabinetFault::kBlockSize;
    if (method == layout::kStored && packed != unpacked)
        return CabinetFault::kStoredSizes;
    return CabinetFault::kNone;
}

// Each folder's size, the sum of its data blocks' uncompressed sizes. The block headers are
// walked in the order of their place in the file; a folder that starts among blocks walked
// already shares them, and the walk stops there, so that each header is read once.
CabinetFault SizeFolders(const CabinetBytes &bytes, const CabinetRecords &records, std::vector<std::uint64_t> *sizes)
{
    using namespace layout;
    const std::vector<CabinetFolder> &folders = records.folders;
    std::vector<size_t> order(folders.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return folders[a].dataAt < folders[b].dataAt; });
    sizes->assign(folders.size(), 0);
    std::uint64_t walked = 0;  // where the blocks walked so far end
    for (size_t index : order) {
        const CabinetFolder &folder = folders[index];
        if (folder.blocks == 0)
            continue;
        if (folder.dataAt < walked)
            return CabinetFault::kSharedBlocks;
        std::uint64_t at = folder.dataAt;
        for (unsigned block = 0; block < folder.blocks; block++) {
            unsigned char header[kDataHeaderSize] = {};
            if (bytes(at, sizeof header, header) < sizeof header)
                return CabinetFault::kDamaged;
            const unsigned packed = Word(header + kDataCompressed), unpacked = Word(header + kDataUncompressed);
            CabinetFault fault = BlockSizesFault(folder.method, packed, unpacked);
            if (fault != CabinetFault::kNone)
                return fault;
            (*sizes)[index] += unpacked;
            at += kDataHeaderSize + records.dataReserve + packed;
        }
        unsigned char last = 0;
        if (bytes(at - 1, 1, &last) < 1)  // the last block's data must end inside the file
            return CabinetFault::kDamaged;
        walked = at;
    }
    return CabinetFault::kNone;
}

// Members against their folders' data. Empty members overlap nothing.
CabinetFault CheckRanges(const std::vector<Member> &members, const std::vector<std::uint64_t> &sizes)
{
    std::vector<Member> filled;
    for (const Member &member : members) {
        if (member.End() > sizes[member.folder])
            return CabinetFault::kPastFolder;
        if (member.size > 0)
            filled.push_back(member);
    }
    std::sort(filled.begin(), filled.end(), [](const Member &a, const Member &b) {
        return a.folder != b.folder ? a.folder < b.folder : a.offset < b.offset;
    });
    for (size_t i = 1; i < filled.size(); i++) {
        if (filled[i].folder == filled[i - 1].folder && filled[i].offset < filled[i - 1].End())
            return CabinetFault::kMembersOverlap;
    }
    return CabinetFault::kNone;
}

// Members listed in their data's order: each folder's together, each starting where the one
// before it ended or later. A library meeting any other order starts a folder's data over.
CabinetFault CheckOrder(const std::vector<Member> &members, size_t folders)
{
    std::vector<bool> begun(folders);
    for (size_t i = 0; i < members.size(); i++) {
        const Member &member = members[i];
        bool sameFolder = i > 0 && members[i - 1].folder == member.folder;
        if (sameFolder ? member.offset < members[i - 1].End() : bool(begun[member.folder]))
            return CabinetFault::kOutOfOrder;
        begun[member.folder] = true;
    }
    return CabinetFault::kNone;
}

}  // namespace

CabinetRecords ScanCabinet(const CabinetBytes &bytes)
{
    CabinetRecords records = ReadCabinetHeader(bytes);
    std::vector<Member> members;
    std::vector<std::uint64_t> sizes;
    if (records.fault == CabinetFault::kNone)
        records.fault = ReadMembers(bytes, records, &members);
    if (records.fault == CabinetFault::kNone)
        records.fault = SizeFolders(bytes, records, &sizes);
    if (records.fault == CabinetFault::kNone)
        records.fault = CheckRanges(members, sizes);
    if (records.fault == CabinetFault::kNone)
        records.fault = CheckOrder(members, records.folders.size());
    const std::vector<int> &methods = records.compression;
    if (records.fault == CabinetFault::kNone && std::count(methods.begin(), methods.end(), layout::kQuantum) > 0)
        records.fault = CabinetFault::kQuantum;
    return records;
}

}  // namespace check
