// What a package puts on the device, read the same from either form: whole paths, the flags'
// names, the sizes shown, what a list's packages write over each other, and the verdicts that
// the device's platform, the setup DLL's code and a configuration document give.
#include <gtest/gtest.h>

#include "check/collisions.h"
#include "check/contents.h"
#include "check/contents_report.h"
#include "check/verdict.h"

using namespace check;

TEST(Contents, WholePathsTheFlagsAndTheSizes)
{
    const std::optional<Text> none, funk = L"\\Program Files\\Funk";
    const struct { Text written; std::optional<Text> installDir; Text whole; } paths[] = {
        {L"%CE1%\\Funk", none, L"\\Program Files\\Funk"}, {L"%ce2%", none, L"\\Windows"},
        {L"%CE17%\\x", none, L"\\Windows\\Favorites\\x"}, {L"%CE18%\\x", none, L"%CE18%\\x"},
        {L"%CE0%", none, L"%CE0%"}, {L"%CE4%\\", none, L"\\Windows\\StartUp"}, {L"Windows", none, L"\\Windows"},
        {L"\\Windows", none, L"\\Windows"}, {L"Program Files\\App", none, L"\\Program Files\\App"}, {L"\\", none, L"\\"},
        {L"", none, L"\\"}, {L"%InstallDir%\\sub", none, L"%InstallDir%\\sub"},
        {L"%INSTALLDIR%\\sub", funk, L"\\Program Files\\Funk\\sub"}, {L"%CE1%Funk", none, L"\\Program Files\\Funk"},
    };
    for (const auto &p : paths)
        EXPECT_EQ(WholePath(p.written, p.installDir), p.whole) << ToUtf8(p.written);
    EXPECT_EQ(JoinPath(L"\\", L"a.dll"), L"\\a.dll");
    const struct { unsigned long flags; std::vector<std::string> names; } flags[] = {
        {0, {}}, {0xF0000413ul, {"shared", "always-overwrite", "keep-newer", "never-overwrite", "only-if-present",
                                 "self-register", "never-skip", "warn-if-skipped"}},
        {0x00000104ul, {"0x00000004", "0x00000100"}},
    };
    for (const auto &f : flags)
        EXPECT_EQ(FlagNames(f.flags), f.names) << f.flags;
    const std::pair<std::uint64_t, const char *> sizes[] = {
        {0, "0 bytes"}, {1, "1 byte"}, {1023, "1023 bytes"}, {1024, "1 KB"}, {421888, "412 KB"},
        {1048575, "1024 KB"}, {1048576, "1.0 MB"}, {1572864, "1.5 MB"}};
    for (const auto &[bytes, text] : sizes)
        EXPECT_EQ(SizeText(bytes), text) << bytes;
}

TEST(Collisions, TheLastEarlierWriterAndWhatTheFlagsKeep)
{
    auto contents = [](std::vector<std::pair<Text, unsigned long>> files) {
        Contents made;
        for (const auto &[path, flags] : files) {
            made.files.emplace_back();
            made.files.back().path = path, made.files.back().flags = flags;
        }
        return made;
    };
    const Text dll = L"\\Windows\\ITCSSApi.dll";
    const struct { Contents written; int line; Keeps keeps; size_t more; } lines[] = {
        {contents({{dll, 0}, {L"%InstallDir%\\a", 0}}), 0, Keeps::kNothing, 0},
        {contents({{L"\\WINDOWS\\itcssapi.DLL", 0}, {L"%InstallDir%\\a", 0}}), 1, Keeps::kNothing, 0},
        {contents({{dll, kFileNeverOverwrite}, {L"\\b", 0}}), 2, Keeps::kAlways, 0},
        {contents({{dll, kFileKeepNewer}, {L"\\b", 0}}), 2, Keeps::kIfNewer, 1},
        {contents({{L"\\b", kFileNeverOverwrite | kFileKeepNewer}, {dll, 0}}), 4, Keeps::kAlways, 1},
    };
    Collisions collisions;
    for (size_t i = 0; i < std::size(lines); i++) {
        std::optional<Collision> collision = collisions.Write(int(i + 1), lines[i].written);
        ASSERT_EQ(collision.has_value(), lines[i].line != 0) << "line " << i + 1;
        if (collision) {
            EXPECT_EQ(collision->line, lines[i].line) << "line " << i + 1;
            EXPECT_EQ(collision->keeps, lines[i].keeps) << "line " << i + 1;
            EXPECT_EQ(collision->more, lines[i].more) << "line " << i + 1;
        }
    }
}

// The verdicts that the readings give together.
TEST(Judge, ThePlatformTheSetupDllsCodeAndAConfigurationDocument)
{
    auto reading = [](std::vector<std::string> unsupported, bool joined, bool configuration = false) {
        SetupReading read{SetupState::kRead, {}, ""};
        read.info.unsupported = unsupported, read.info.unsupportedJoined = joined, read.info.configuration = configuration;
        read.info.utf8 = joined;
        return read;
    };
    const SetupReading absent, split = reading({"PocketPC", "HPC"}, false), joined = reading({"HPCJUPITER"}, true);
    const SetupReading configuration = reading({}, true, true);
    const ProgramCode mips{CodeKind::kMips, 0x166}, none{CodeKind::kNone, 0}, dotnet{CodeKind::kDotnet, 0x14C};
    const Installs yes = Installs::kYes, no = Installs::kNo, maybe = Installs::kMaybe;
    const struct { std::vector<SetupReading> readings; std::optional<ProgramCode> dll; Text platform; Installs installs;
                   const char *why; } cases[] = {
        {{split}, {}, L"hpc", no, "\"hpc\""}, {{split}, {}, L"HPCX", yes, ""}, {{split}, {}, L"", yes, ""},
        {{absent, joined}, {}, L"jupiter", maybe, "\"HPCJUPITER\""}, {{absent, joined}, {}, L"PPC", yes, ""},
        {{reading({"PocketPC"}, false), joined}, {}, L"JUPITER", yes, ""},
        {{split}, mips, L"", no, "MIPS code"}, {{split}, none, L"", yes, ""}, {{split}, dotnet, L"", yes, ""},
        {{absent, configuration}, {}, L"", maybe, "configuration package"}, {{split, configuration}, {}, L"", yes, ""},
    };
    for (size_t i = 0; i < std::size(cases); i++) {
        PackageFacts facts;
        facts.cabinet = CabinetState::kOk, facts.setup = SetupForm::kXml;
        facts.readings = cases[i].readings, facts.setupDllCode = cases[i].dll;
        Verdict verdict = Judge(facts, {{6, 0}, std::nullopt, cases[i].platform, 1252});
        EXPECT_EQ(verdict.installs, cases[i].installs) << "case " << i << ": " << verdict.why;
        EXPECT_NE(verdict.why.find(cases[i].why), std::string::npos) << "case " << i << ": " << verdict.why;
    }
}
