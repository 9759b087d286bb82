// The version resource's reader on programs built here byte by byte: each layout it must
// read, and each way a hostile or broken file can mislead it, one row each; then every cut of
// a good program, read as the check reads files, and a resource past the reader's reach.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "check/program_version.h"

namespace {

using check::ProgramVersion;
using check::VersionState;

void Put16(std::string &out, size_t at, uint32_t value)
{
    out[at] = char(value & 0xFF);
    out[at + 1] = char(value >> 8 & 0xFF);
}
void Put32(std::string &out, size_t at, uint32_t value)
{
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}
std::string Utf16(const std::string &ascii)
{
    std::string out;
    for (char c : ascii + '\0')
        out += {c, '\0'};
    return out;
}
void Pad(std::string &out) { out.resize((out.size() + 3) & ~size_t(3), '\0'); }

// A version block as the resource compilers write it.
std::string Block(const std::string &key, const std::string &value, uint32_t valueLength,
                  const std::vector<std::string> &children = {})
{
    std::string block(6, '\0');
    block += Utf16(key);
    Pad(block);
    block += value;
    for (const std::string &child : children) {
        Pad(block);
        block += child;
    }
    Put16(block, 0, uint32_t(block.size()));
    Put16(block, 2, valueLength);
    Put16(block, 4, value.empty() || valueLength == value.size() ? 0 : 1);
    return block;
}
std::string Text(const std::string &key, const std::string &text)
{
    return Block(key, Utf16(text), uint32_t(text.size() + 1));
}

std::string VersionInfo(uint32_t high, uint32_t low, std::vector<std::string> strings)
{
    std::string fixed(52, '\0');
    Put32(fixed, 0, 0xFEEF04BD);
    Put32(fixed, 8, high);
    Put32(fixed, 12, low);
    std::string translation = "\x09\x04\xB0\x04";
    return Block("VS_VERSION_INFO", fixed, 52,
                 {Block("VarFileInfo", "", 0, {Block("Translation", translation, 4)}),
                  Block("StringFileInfo", "", 0, {Block("040904B0", "", 0, strings)})});
}
const std::vector<std::string> kStrings = {Text("FileVersion", "1.2.0"), Text("ProductName", "cabbatch")};

// A program: its headers, a code section, and its resources at kResources in the file and at
// RVA 0x2000. In them: the root table (an icon type, then type 16), the icon type's empty
// table, name 1's table, the language's table, its data entry, then the version resource.
constexpr size_t kPe = 0x40, kResources = 0x400, kResourcesRva = 0x2000;
constexpr size_t kIcons = 32, kNames = 48, kLanguages = 72, kDataEntry = 96, kVersion = 112;
constexpr size_t kIdCount = 14, kEntries = 16;  // in a table; an entry is an ID and a target
constexpr size_t kRootIds = kIdCount, kVersionType = kEntries + 8, kVersionTarget = kVersionType + 4,
                 kNameId = kNames + kEntries, kLanguageTarget = kLanguages + kEntries + 4,
                 kDataRva = kDataEntry, kDataSize = kDataEntry + 4;
constexpr uint32_t kFolder = 0x80000000u;
struct Program {
    std::string bytes;
    size_t optional = 0, sections = 0;
    size_t versionEnd = 0;  // the file's bytes after it are the section's padding
};

std::string Resources(const std::string &version)
{
    std::string r(kVersion, '\0');
    for (size_t count : {kRootIds, kNames + kIdCount, kLanguages + kIdCount})
        Put16(r, count, count == kRootIds ? 2 : 1);
    const std::pair<size_t, uint32_t> entries[] = {
        {kEntries, 3}, {kEntries + 4, kFolder | kIcons}, {kVersionType, 16}, {kVersionTarget, kFolder | kNames},
        {kNameId, 1}, {kNameId + 4, kFolder | kLanguages}, {kLanguages + kEntries, 0x409},
        {kLanguageTarget, kDataEntry}, {kDataRva, kResourcesRva + kVersion}, {kDataSize, uint32_t(version.size())}};
    for (const auto &[at, value] : entries)
        Put32(r, at, value);
    return r + version;
}

Program Build(const std::string &version, bool plus = false)
{
    const size_t optionalSize = plus ? 240 : 224;
    Program p{std::string(kResources, '\0'), kPe + 24, kPe + 24 + optionalSize};
    std::string &b = p.bytes;
    b[0] = 'M', b[1] = 'Z';
    Put32(b, 0x3C, kPe);
    b.replace(kPe, 4, std::string("PE\0\0", 4));
    Put16(b, kPe + 4, 0x1C2);
    Put16(b, kPe + 6, 2);
    Put16(b, kPe + 20, uint32_t(optionalSize));
    Put16(b, p.optional, plus ? 0x20B : 0x10B);
    Put32(b, p.optional + (plus ? 108 : 92), 16);
    Put32(b, p.optional + (plus ? 128 : 112), kResourcesRva);
    const std::string resources = Resources(version);
    // Virtual size, address, raw size and raw offset of the code and of the resources, whose
    // raw size is padded to the file alignment, as linkers do.
    const uint32_t padded = uint32_t((resources.size() + 0x1FF) & ~size_t(0x1FF));
    const uint32_t sections[2][4] = {{0x200, 0x1000, 0x200, 0x200},
                                     {uint32_t(resources.size()), kResourcesRva, padded, kResources}};
    for (size_t i = 0; i < 2; i++) {
        for (size_t field = 0; field < 4; field++)
            Put32(b, p.sections + i * 40 + 8 + field * 4, sections[i][field]);
    }
    b += resources;
    p.versionEnd = b.size();
    b.resize(kResources + padded, '\0');
    return p;
}

ProgramVersion Read(const std::string &bytes) { return check::ReadProgramVersion(
    reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), bytes.size()); }

void Set16(Program &p, size_t at, uint32_t value) { Put16(p.bytes, at, value); }
void Set32(Program &p, size_t at, uint32_t value) { Put32(p.bytes, at, value); }
Program Made(uint32_t high, uint32_t low, std::vector<std::string> strings = kStrings, bool plus = false)
{
    return Build(VersionInfo(high, low, strings), plus);
}

// Programs whose version is read, and what is read of each.
struct Found {
    const char *what;
    Program program;
    const char *version;
    const wchar_t *productName;  // null: none
};
const Found kFound[] = {
    {"PE32, its version after an icon type and VarFileInfo", Made(0x10002, 0), "1.2.0", L"cabbatch"},
    {"PE32+", Made(0x10002, 0, kStrings, true), "1.2.0", L"cabbatch"},
    {"a build number", Made(0x30004, 0x50006), "3.4.5.6", L"cabbatch"},
    {"no ProductName", Made(0x10002, 0, {Text("FileVersion", "1.2")}), "1.2.0", nullptr},
    {"an empty ProductName", Made(0x10002, 0, {Text("ProductName", "")}), "1.2.0", L""},
    {"a key that only starts as ProductName", Made(0x10002, 0, {Text("ProductNameX", "x")}), "1.2.0", nullptr},
    {"a ProductName that runs to its block's end without a NUL",
     Made(0x10002, 0, {Block("ProductName", std::string("c\0a\0b\0", 6), 3)}), "1.2.0", L"cab"},
    {"a first child of length 0, which hides the strings after it",
     [] { Program p = Made(0x10002, 0); Set16(p, kResources + kVersion + 92, 0); return p; }(), "1.2.0", nullptr},
};

// Changes to a good program that leave no version to read.
struct Refused {
    const char *what;
    std::function<void(Program &)> change;
};
const Refused kRefused[] = {
    {"no MZ", [](Program &p) { p.bytes[0] = 'Z'; }},
    {"a PE header past the end", [](Program &p) { Set32(p, 0x3C, 0xFFFFFFF0u); }},
    {"no PE signature", [](Program &p) { p.bytes[kPe + 1] = 'X'; }},
    {"an optional header of no known kind", [](Program &p) { Set16(p, p.optional, 0x107); }},
    {"two data directories only", [](Program &p) { Set32(p, p.optional + 92, 2); }},
    {"an optional header too short for the resources' entry", [](Program &p) { Set16(p, kPe + 20, 112); }},
    {"97 sections", [](Program &p) { Set16(p, kPe + 6, 97); }},
    {"no resources", [](Program &p) { Set32(p, p.optional + 112, 0); }},
    {"resources in no section", [](Program &p) { Set32(p, p.optional + 112, 0x9000); }},
    {"resources whose raw data lies past the file", [](Program &p) { Set32(p, p.sections + 40 + 20, 0x7FFFFFFF); }},
    {"no type 16", [](Program &p) { Set32(p, kResources + kVersionType, 17); }},
    {"type 16 as data, not a folder", [](Program &p) { Set32(p, kResources + kVersionTarget, 48); }},
    {"no name 1", [](Program &p) { Set32(p, kResources + kNameId, 2); }},
    {"a language that is a folder", [](Program &p) { Set32(p, kResources + kLanguageTarget, 0x80000000u | 96); }},
    {"65535 entries past the section", [](Program &p) { Set16(p, kResources + kRootIds, 0xFFFF); }},
    {"data in no section", [](Program &p) { Set32(p, kResources + kDataRva, 0x1800); }},
    {"data one byte past its section, where its padding follows",
     [](Program &p) { Set32(p, kResources + kDataSize, uint32_t(p.versionEnd - kResources - kVersion + 1)); }},
    {"another key than VS_VERSION_INFO", [](Program &p) { p.bytes[kResources + kVersion + 6] = 'W'; }},
    {"a fixed part without its signature", [](Program &p) { p.bytes[kResources + kVersion + 40] ^= 1; }},
    {"no fixed part", [](Program &p) { Set16(p, kResources + kVersion + 2, 0); }},
    {"a block longer than the data", [](Program &p) { Set16(p, kResources + kVersion, 0xFFFF); }},
    {"a key without its NUL", [](Program &p) { Set16(p, kResources + kVersion, 6 + 30); }},
};

TEST(ProgramVersion, ReadsEachLayout)
{
    for (const Found &row : kFound) {
        SCOPED_TRACE(row.what);
        const ProgramVersion version = Read(row.program.bytes);
        EXPECT_EQ(version.state, VersionState::kFound);
        EXPECT_EQ(version.wanted, 0u);
        EXPECT_EQ(check::ProgramVersionText(version), row.version);
        EXPECT_EQ(version.productName.value_or(L"(none)"), row.productName ? row.productName : L"(none)");
    }
}

TEST(ProgramVersion, RefusesEachFault)
{
    for (const Refused &row : kRefused) {
        SCOPED_TRACE(row.what);
        Program program = Made(0x10002, 0);
        row.change(program);
        const ProgramVersion version = Read(program.bytes);
        EXPECT_EQ(version.state, VersionState::kNone);
        EXPECT_EQ(version.wanted, 0u);
        EXPECT_FALSE(version.productName);
    }
}

// Read as the check reads a file: from a first read on, as much as the reader asks for.
TEST(ProgramVersion, AsksForWhatItNeedsAndFindsCutsShort)
{
    const Program program = Made(0x10002, 0);
    const std::string &whole = program.bytes;
    for (size_t end = 0; end <= whole.size(); end++) {
        SCOPED_TRACE("file cut at " + std::to_string(end));
        const std::string file = whole.substr(0, end);
        ProgramVersion version;
        size_t reads = 0;
        for (size_t count = std::min<size_t>(64, end); ++reads <= 8; count = version.wanted) {
            version = check::ReadProgramVersion(reinterpret_cast<const unsigned char *>(file.data()), count, end);
            EXPECT_TRUE(version.wanted == 0 || (version.wanted > count && version.wanted <= end));
            if (version.wanted == 0)
                break;
        }
        EXPECT_LE(reads, 4u);
        EXPECT_EQ(version.state, end >= program.versionEnd ? VersionState::kFound : VersionState::kNone);
    }
}

TEST(ProgramVersion, LeavesResourcesPastItsReachUnread)
{
    Program program = Made(0x10002, 0);
    const uint64_t far = check::kProgramVersionReach, size = far + program.bytes.size();
    Put32(program.bytes, program.sections + 40 + 20, uint32_t(far));
    const ProgramVersion version = check::ReadProgramVersion(
        reinterpret_cast<const unsigned char *>(program.bytes.data()), kResources, size);
    EXPECT_EQ(version.state, VersionState::kOutOfReach);
    EXPECT_EQ(version.wanted, 0u);
}

TEST(ProgramVersion, ComparesWithTheChecksVersion)
{
    const ProgramVersion older = Read(Made(0x10001, 0x90000).bytes), same = Read(Made(0x10002, 0).bytes),
                         later = Read(Made(0x10002, 1).bytes);
    EXPECT_TRUE(check::ProgramVersionBefore(older, 1, 2, 0));
    EXPECT_FALSE(check::ProgramVersionBefore(same, 1, 2, 0));
    EXPECT_FALSE(check::ProgramVersionBefore(later, 1, 2, 0));
    EXPECT_FALSE(check::ProgramVersionBefore(ProgramVersion{}, 1, 2, 0));
}

}  // namespace
