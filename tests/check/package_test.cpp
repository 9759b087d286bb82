// The package's own records, read the same on every build: the cabinet header, the setup
// information's bounds, and the verdict's boundaries.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "check/package.h"

using namespace check;

namespace {

void Put(std::string &bytes, size_t at, unsigned long value, int size)
{
    for (int i = 0; i < size; i++)
        bytes[at + i] = char(value >> (8 * i) & 0xFF);
}

// A setup information of 100 header bytes and "App\0Co\0" after them; change sets fields.
std::string SetupBytes(std::initializer_list<std::tuple<size_t, unsigned long, int>> change = {})
{
    std::string bytes(100, '\0');
    bytes.replace(0, 4, "MSCE");
    bytes += std::string("App\0Co\0", 7);
    Put(bytes, 8, bytes.size(), 4);
    for (int section = 0; section < 6; section++)
        Put(bytes, 60 + 4 * section, 100, 4);
    Put(bytes, 84, 100, 2), Put(bytes, 86, 4, 2), Put(bytes, 88, 104, 2), Put(bytes, 90, 3, 2);
    for (const auto &[at, value, size] : change)
        Put(bytes, at, value, size);
    return bytes;
}

bool Parses(const std::string &bytes, SetupInfo *info = nullptr)
{
    SetupInfo ignored;
    std::string why;
    return ParseSetupInfo(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(),
                          info != nullptr ? info : &ignored, &why);
}

}  // namespace

TEST(SetupInfo, EveryOffsetAndLengthStaysInside)
{
    std::string unsupported = SetupBytes({{92, 107, 2}, {94, 8, 2}}) + std::string("PPC\0SP\0\0", 8);
    Put(unsupported, 8, unsupported.size(), 4);
    const struct { const char *what; std::string bytes; bool parses; } cases[] = {
        {"whole", SetupBytes(), true},
        {"cut below its header", SetupBytes().substr(0, 99), false},
        {"not MSCE", "MSCF" + SetupBytes().substr(4), false},
        {"length past the member", SetupBytes({{8, 108, 4}}), false},
        {"length inside its header", SetupBytes({{8, 99, 4}}), false},
        {"a string ending at the end", SetupBytes({{90, 3, 2}}), true},
        {"a string past the end", SetupBytes({{90, 4, 2}}), false},
        {"a string without its NUL", SetupBytes({{86, 3, 2}}), false},
        {"an empty section at the end", SetupBytes({{60, 107, 4}}), true},
        {"a section starting at the end", SetupBytes({{48, 1, 2}, {60, 107, 4}}), false},
        {"a section past the end", SetupBytes({{80, 108, 4}}), false},
        {"unsupported names", unsupported, true},
        {"unsupported names without their end", SetupBytes({{92, 100, 2}, {94, 7, 2}}), false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Parses(c.bytes), c.parses) << c.what;
    SetupInfo info;
    ASSERT_TRUE(Parses(unsupported, &info));
    EXPECT_EQ(info.app, "App");
    EXPECT_EQ(info.provider, "Co");
    EXPECT_EQ(info.unsupported, (std::vector<std::string>{"PPC", "SP"}));
}

TEST(CabinetHeader, ReadsItsFoldersWithinTheBytes)
{
    auto header = [](unsigned long flags, std::initializer_list<unsigned long> methods, size_t cut = 0) {
        std::string bytes(36, '\0');
        bytes.replace(0, 4, "MSCF");
        Put(bytes, 26, methods.size(), 2);
        Put(bytes, 30, flags, 2);
        if (flags & 4)
            bytes += std::string("\x02\x00\x01\x00" "rr", 6);  // 2 header bytes, 1 per folder
        if (flags & 1)
            bytes += std::string("prev.cab\0disk\0", 14);
        for (unsigned long method : methods) {
            bytes += std::string(8 + (flags & 4 ? 1 : 0), '\0');
            Put(bytes, bytes.size() - 2 - (flags & 4 ? 1 : 0), method, 2);
        }
        return ReadCabinetHeader(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size() - cut);
    };
    EXPECT_EQ(header(0, {1, 0, 1, 3}).compression, (std::vector<int>{1, 0, 3}));
    EXPECT_TRUE(header(4, {0x1503}).valid);  // LZX with its window size above the method
    EXPECT_EQ(header(4, {0x1503}).compression, std::vector<int>{3});
    EXPECT_FALSE(header(0, {4}).valid);
    EXPECT_FALSE(header(0, {}).valid);
    EXPECT_FALSE(header(0, {0, 1}, 1).valid);
    EXPECT_TRUE(header(1, {0}).spanned);
    EXPECT_FALSE(header(0, {0}).spanned);
    EXPECT_FALSE(ReadCabinetHeader(reinterpret_cast<const unsigned char *>("MSC"), 3).signature);
}

// Setup information of a processor type and build range, any OS version.
static SetupInfo Info(unsigned long processor, unsigned long buildMin = 0, unsigned long buildMax = 0)
{
    SetupInfo info;
    info.processor = processor, info.buildMin = buildMin, info.buildMax = buildMax;
    return info;
}

TEST(Judge, VersionProcessorAndBuildBounds)
{
    auto judge = [](SetupInfo info, Version device, std::optional<unsigned long> processor = {}) {
        PackageFacts facts;
        facts.cabinet = CabinetState::kOk;
        facts.setup = SetupForm::k000;
        facts.info = info;
        return Judge(facts, device, processor).installs;
    };
    const Installs yes = Installs::kYes, no = Installs::kNo, maybe = Installs::kMaybe;
    SetupInfo range;
    range.osMin = {5, 0}, range.osMax = {5, 99};
    SetupInfo fromSix;
    fromSix.osMin = {6, 0};
    const struct { SetupInfo info; Version device; std::optional<unsigned long> processor; Installs installs; } cases[] = {
        {range, {5, 0}, {}, yes}, {range, {5, 99}, {}, yes}, {range, {6, 0}, {}, no}, {range, {5, 100}, {}, no},
        {range, {4, 99}, {}, no}, {fromSix, {6, 0}, {}, yes}, {fromSix, {5, 99}, {}, no}, {fromSix, {700, 0}, {}, yes},
        {Info(586), {6, 0}, {}, no}, {Info(70001), {6, 0}, {}, yes}, {Info(2577), {6, 0}, 2577, yes},
        {Info(1824), {6, 0}, 2577, maybe}, {Info(0), {6, 0}, 2577, yes},
        {Info(0, 1, 0), {6, 0}, {}, maybe}, {Info(0, 0, 0x9FFFFFFF), {6, 0}, {}, maybe},
        {Info(0, 0, 0xA0000000), {6, 0}, {}, yes},
    };
    for (size_t i = 0; i < std::size(cases); i++)
        EXPECT_EQ(judge(cases[i].info, cases[i].device, cases[i].processor), cases[i].installs) << "case " << i;
}

TEST(DescribePackage, NotACabinetOnlyWithoutItsSignature)
{
    CabinetHeader good;
    good.signature = good.valid = true;
    good.compression = {1};
    const std::string setup = SetupBytes();
    const struct { CabinetHeader header; bool readThrough; std::vector<std::string> members;
                   std::optional<std::string> setup; CabinetState cabinet; SetupForm form; bool dll; } cases[] = {
        {CabinetHeader{}, false, {}, {}, CabinetState::kNotACabinet, SetupForm::kNone, false},
        {good, false, {"A.000"}, setup, CabinetState::kDamaged, SetupForm::kNone, false},
        {good, true, {"A.000", "B.999"}, setup, CabinetState::kOk, SetupForm::k000, true},
        {good, true, {"_SETUP.XML"}, {}, CabinetState::kOk, SetupForm::kXml, false},
        {good, true, {"a.001"}, {}, CabinetState::kOk, SetupForm::kNone, false},
        {good, true, {"A.000"}, setup.substr(0, 99), CabinetState::kOk, SetupForm::kNone, false},
    };
    for (const auto &c : cases) {
        PackageFacts facts = DescribePackage(c.header, c.readThrough, c.members, c.setup);
        EXPECT_EQ(facts.cabinet, c.cabinet);
        EXPECT_EQ(facts.setup, c.form);
        EXPECT_EQ(facts.setupDll, c.dll);
    }
}
