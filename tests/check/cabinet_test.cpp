// The cabinet's own records, read the same on every build before any library sees them:
// each fault that keeps a cabinet from being read through once, its boundaries, and the
// work the walk over the data-block headers takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "check/cabinet_layout.h"
#include "check/cabinet_scan.h"

using namespace check;
using namespace check::layout;

namespace {

void Put(std::string &bytes, unsigned long value, int size)
{
    for (int i = 0; i < size; i++)
        bytes += char(value >> (8 * i) & 0xFF);
}

// A cabinet laid out by hand: folders over one run of data blocks (so that two may share
// them), members anywhere in their folders. Nothing is made consistent that is not given so.
struct Cabinet {
    struct Block { unsigned compressed, uncompressed; };
    struct Folder { unsigned first, count; int method; };  // blocks[first, first + count)
    struct File { std::string name; unsigned long size, offset, folder; };
    std::vector<Block> blocks{{10, 100}, {10, 100}};
    std::vector<Folder> folders{{0, 2, kMszip}};
    std::vector<File> files{{"A.000", 60, 0, 0}, {"B.001", 140, 60, 0}};
    unsigned versionMajor = 1, versionMinor = 3, flags = 0, dataReserve = 0;
    size_t cut = 0;  // bytes left off the end

    std::string Bytes() const
    {
        size_t header = kCabinetHeaderSize + (flags & kFlagReserve ? kReserveFieldsSize : 0);
        size_t filesAt = header + folders.size() * kFolderRecordSize, dataAt = filesAt;
        for (const File &file : files)
            dataAt += kFileName + file.name.size() + 1;
        std::string out = "MSCF";
        Put(out, 0, 4), Put(out, 0, 4), Put(out, 0, 4), Put(out, filesAt, 4), Put(out, 0, 4);
        Put(out, versionMinor, 1), Put(out, versionMajor, 1), Put(out, folders.size(), 2), Put(out, files.size(), 2);
        Put(out, flags, 2), Put(out, 0, 4);
        if (flags & kFlagReserve)
            Put(out, 0, 2), Put(out, 0, 1), Put(out, dataReserve, 1);
        for (const Folder &folder : folders) {
            size_t at = dataAt;
            for (unsigned i = 0; i < folder.first; i++)
                at += kDataHeaderSize + dataReserve + blocks[i].compressed;
            Put(out, at, 4), Put(out, folder.count, 2), Put(out, unsigned(folder.method), 2);
        }
        for (const File &file : files) {
            Put(out, file.size, 4), Put(out, file.offset, 4), Put(out, file.folder, 2), Put(out, 0, 6);
            out += file.name + '\0';
        }
        for (const Block &block : blocks) {
            Put(out, 0, 4), Put(out, block.compressed, 2), Put(out, block.uncompressed, 2);
            out += std::string(dataReserve + block.compressed, '\0');
        }
        return out.substr(0, out.size() - cut);
    }
};

// The folder stored, its blocks holding `held` bytes and saying they unpack to `unpacked`.
void StoreAs(Cabinet &c, unsigned held, unsigned unpacked)
{
    c.folders[0].method = kStored;
    for (Cabinet::Block &block : c.blocks)
        block = {held, unpacked};
}

// The records of those bytes, and how many reads the scan asked for.
CabinetRecords Scan(const std::string &bytes, size_t *reads = nullptr)
{
    size_t asked = 0;
    CabinetRecords records = ScanCabinet([&](std::uint64_t offset, size_t count, unsigned char *into) {
        asked++;
        if (offset >= bytes.size())
            return size_t(0);
        size_t there = std::min<size_t>(count, bytes.size() - size_t(offset));
        std::copy_n(bytes.data() + offset, there, into);
        return there;
    });
    if (reads != nullptr)
        *reads = asked;
    return records;
}

}  // namespace

TEST(ScanCabinet, EachFaultAndItsBoundary)
{
    using F = CabinetFault;
    using Change = std::function<void(Cabinet &)>;
    const Cabinet::Folder second{1, 1, kMszip};
    const struct { const char *what; Change change; CabinetFault fault; } cases[] = {
        {"members in order, ending at their folder's end", [](Cabinet &) {}, F::kNone},
        {"no members", [](Cabinet &c) { c.files.clear(); }, F::kNone},
        {"an empty member where the one before ends", [](Cabinet &c) { c.files.push_back({"C.002", 0, 200, 0}); }, F::kNone},
        {"version 1.2", [](Cabinet &c) { c.versionMinor = 2; }, F::kVersion},
        {"version 2.1", [](Cabinet &c) { c.versionMajor = 2, c.versionMinor = 1; }, F::kVersion},
        {"continued in another file", [](Cabinet &c) { c.flags = kFlagNext; }, F::kSpanned},
        {"no folder", [](Cabinet &c) { c.folders.clear(), c.files.clear(); }, F::kDamaged},
        {"a folder record cut", [](Cabinet &c) { c.folders = {{0, 0, kMszip}}, c.files.clear(), c.blocks.clear(), c.cut = 1; },
         F::kDamaged},
        {"a method that does not exist", [](Cabinet &c) { c.folders[0].method = 4; }, F::kDamaged},
        {"a name of 255 bytes", [](Cabinet &c) { c.files[1].name = std::string(255, 'n'); }, F::kNone},
        {"a name of 256 bytes", [](Cabinet &c) { c.files[1].name = std::string(256, 'n'); }, F::kNameTooLong},
        {"an empty name", [](Cabinet &c) { c.files[1].name.clear(); }, F::kNameEmpty},
        {"the last folder's index", [second](Cabinet &c) { c.folders = {{0, 1, kMszip}, second}, c.files[1] = {"B.001", 100, 0, 1}; },
         F::kNone},
        {"a folder index past the last", [](Cabinet &c) { c.files[1].folder = 1; }, F::kFolderIndex},
        {"a continuation's folder index, not spanned", [](Cabinet &c) { c.files[1].folder = 0xFFFD; }, F::kFolderIndex},
        {"members overlapping by a byte", [](Cabinet &c) { c.files[1].offset = 59; }, F::kMembersOverlap},
        {"a member one byte past its folder", [](Cabinet &c) { c.files[1].size = 141; }, F::kPastFolder},
        {"an empty member past its folder", [](Cabinet &c) { c.files.push_back({"C.002", 0, 201, 0}); }, F::kPastFolder},
        {"members in reverse order", [](Cabinet &c) { std::swap(c.files[0], c.files[1]); }, F::kOutOfOrder},
        {"back to a folder left", [second](Cabinet &c) {
             c.folders = {{0, 1, kMszip}, second};
             c.files = {{"A.000", 60, 0, 0}, {"B.001", 100, 0, 1}, {"C.002", 40, 60, 0}};
         }, F::kOutOfOrder},
        {"folders listed against their data's order", [second](Cabinet &c) {
             c.folders = {second, {0, 1, kMszip}}, c.files[1] = {"B.001", 100, 0, 1};
         }, F::kNone},
        {"two folders over the same blocks", [](Cabinet &c) { c.folders.push_back({0, 2, kMszip}); }, F::kSharedBlocks},
        {"a folder starting among another's blocks", [second](Cabinet &c) { c.folders.push_back(second); }, F::kSharedBlocks},
        {"eight folders over 1,000 blocks", [](Cabinet &c) { c.blocks.assign(1000, {0, 1}), c.folders.assign(8, {0, 1000, kMszip}); },
         F::kSharedBlocks},
        {"stored blocks, each size given twice alike", [](Cabinet &c) { StoreAs(c, 100, 100); }, F::kNone},
        {"a stored block saying a byte more than it holds", [](Cabinet &c) { StoreAs(c, 99, 100); }, F::kStoredSizes},
        {"a stored block holding a byte more than it says", [](Cabinet &c) { StoreAs(c, 101, 100); }, F::kStoredSizes},
        {"the first of two stored blocks", [](Cabinet &c) { StoreAs(c, 100, 100), c.blocks[0].compressed = 90; },
         F::kStoredSizes},
        {"a block of 32 KiB", [](Cabinet &c) { c.blocks[1].uncompressed = 32768, c.files[1].size = 32808; }, F::kNone},
        {"a block of 32 KiB and a byte", [](Cabinet &c) { c.blocks[1].uncompressed = 32769; }, F::kBlockSize},
        {"a last block of no bytes", [](Cabinet &c) { c.blocks.push_back({2, 0}), c.folders[0].count = 3; }, F::kBlockSize},
        {"a stored block of no bytes", [](Cabinet &c) { StoreAs(c, 100, 100), c.blocks[1] = {0, 0}; }, F::kBlockSize},
        {"Quantum", [](Cabinet &c) { c.folders[0].method = kQuantum; }, F::kQuantum},
        {"Quantum, its members overlapping", [](Cabinet &c) { c.folders[0].method = kQuantum, c.files[1].offset = 0; },
         F::kMembersOverlap},
        {"a block's data cut by a byte", [](Cabinet &c) { c.cut = 1; }, F::kDamaged},
        {"a block's header cut", [](Cabinet &c) { c.cut = 11; }, F::kDamaged},
        {"a reserve in each block", [](Cabinet &c) { c.flags = kFlagReserve, c.dataReserve = 3; }, F::kNone},
        {"a reserve in each block, all but the last byte", [](Cabinet &c) { c.flags = kFlagReserve, c.dataReserve = 3, c.cut = 1; },
         F::kDamaged},
    };
    for (const auto &c : cases) {
        Cabinet cabinet;
        c.change(cabinet);
        const std::string bytes = cabinet.Bytes();
        size_t reads = 0;
        CabinetRecords records = Scan(bytes, &reads);
        EXPECT_TRUE(records.signature) << c.what;
        EXPECT_EQ(int(records.fault), int(c.fault)) << c.what;
        // Each record and block header read once, as the fuzz target holds it.
        EXPECT_LE(reads, bytes.size() / 3 + cabinet.folders.size() + 4) << c.what;
        if (c.fault == F::kNone || c.fault == F::kQuantum) {
            EXPECT_EQ(records.members.size(), cabinet.files.size()) << c.what;
        }
    }
}

TEST(ScanCabinet, NamesAndMethodsAsListed)
{
    Cabinet cabinet;
    cabinet.blocks[1].compressed = 100;
    cabinet.folders = {{0, 1, kLzx | 0x1500}, {1, 1, kStored}, {0, 0, kLzx}};
    cabinet.files = {{"A.000", 100, 0, 0}, {"_setup.xml", 100, 0, 1}};
    CabinetRecords records = Scan(cabinet.Bytes());
    EXPECT_EQ(int(records.fault), int(CabinetFault::kNone));
    EXPECT_EQ(records.compression, (std::vector<int>{kLzx, kStored}));
    EXPECT_EQ(records.members, (std::vector<std::string>{"A.000", "_setup.xml"}));
    EXPECT_FALSE(Scan("MSC").signature);
    EXPECT_EQ(int(Scan(cabinet.Bytes().substr(0, kCabinetHeaderSize + 3)).fault), int(CabinetFault::kDamaged));
}
