// The run as a whole against the test platform: which calls it makes, in which order.
#include <gtest/gtest.h>

#include <functional>

#include "core/batch.h"
#include "fake_platform.h"

using Calls = std::vector<std::wstring>;

static const wchar_t kList[] = L"\\Storage Card\\Install\\SetupFile.CE6.txt";
static const std::wstring kStart = L"start \\windows\\wceload.exe| /noui /pbar \"\\Storage Card\\Install\\";

class Run : public ::testing::Test {
protected:
    void SetUp() override { fake = FakePlatform(); }
};

TEST(FindLastBackslash, CountsCharactersAfterTheLastBackslash)
{
    const struct { const wchar_t *text; int expected; } cases[] = {
        {nullptr, -1}, {L"", -1}, {L"tool.exe", -1}, {L"\\", 0}, {L"dir\\", 0},
        {L"\\a\\bcd", 3}, {L"\\Storage Card\\Install\\tool.exe", 8},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FindLastBackslash(c.text), c.expected) << (c.text ? c.text : L"(null)");
}

TEST_F(Run, OwnDirectoryIsTheModulePathUpToItsLastBackslash)
{
    const std::wstring deep = L"\\" + std::wstring(249, L'd') + L"\\";
    const struct { std::wstring path; int status; std::wstring directory; } cases[] = {
        {L"\\Storage Card\\Install\\tool.exe", 0, L"\\Storage Card\\Install"},
        {L"\\tool.exe", 0, L""},
        {L"tool.exe", 1, L"untouched"},
        {deep + L"tool.exe", 0, deep.substr(0, 250)},      // 259 characters: fits
        {deep + L"tool.exe1", 1, L"untouched"},            // 260 fills the buffer: may be cut
        {deep + std::wstring(100, L'x'), 1, L"untouched"},
    };
    for (const auto &c : cases) {
        fake.modulePath = c.path;
        wchar_t directory[kOwnDirectoryCapacity] = L"untouched";
        EXPECT_EQ(GetModuleDirectory(directory), c.status) << c.path;
        EXPECT_EQ(std::wstring(directory), c.directory) << c.path;
    }
}

TEST_F(Run, EntriesRunInFileOrderEachWaitedForAndAFailedStartSkipsOnlyItsOwn)
{
    fake.files[kList] = "a.cab\nb.cab\n" + std::string(200, 'x') + "\nc.cab\n";
    fake.failures = {{"start", 2}};
    InstallSetupFiles();
    EXPECT_EQ(fake.calls,
              (Calls{L"module", L"version", std::wstring(L"open ") + kList,
                     kStart + L"a.cab\"", L"close 3", L"wait 2", L"close 2",
                     kStart + L"b.cab\"",
                     kStart + L"c.cab\"", L"close 5", L"wait 4", L"close 4",
                     L"close file", std::wstring(L"delete ") + kList}));
    EXPECT_TRUE(fake.liveHandles.empty());
    EXPECT_FALSE(fake.files.count(kList));
}

TEST_F(Run, EndsEarlyWithNothingStartedOrDeleted)
{
    const struct { const char *name; std::function<void()> arrange; Calls expected; } cases[] = {
        {"module path fails", [] { fake.failures = {{"module", 1}}; }, {L"module"}},
        {"module path cut", [] { fake.modulePath = L"\\" + std::wstring(300, L'p'); },
         {L"module"}},
        {"no backslash", [] { fake.modulePath = L"tool.exe"; }, {L"module"}},
        {"version query fails", [] { fake.failures = {{"version", 1}}; },
         {L"module", L"version"}},
        {"list path too long", [] { fake.modulePath = L"\\" + std::wstring(109, L'p') + L"\\t"; },
         {L"module", L"version"}},
        {"only another version's list", [] { fake.files[L"\\Storage Card\\Install\\SetupFile.CE5.txt"] = "a\n"; },
         {L"module", L"version", std::wstring(L"open ") + kList}},
        {"list cannot be opened", [] { fake.files[kList] = "a\n"; fake.failures = {{"open", 1}}; },
         {L"module", L"version", std::wstring(L"open ") + kList}},
    };
    for (const auto &c : cases) {
        fake = FakePlatform();
        c.arrange();
        auto filesBefore = fake.files;
        InstallSetupFiles();
        EXPECT_EQ(fake.calls, c.expected) << c.name;
        EXPECT_EQ(fake.files, filesBefore) << c.name;
    }
}

TEST_F(Run, AReadErrorEndsTheListDropsTheCutLineAndStillDeletesIt)
{
    fake.files[kList] = "a.cab\nbroken-by-the-err";
    fake.readLimit = 8;
    fake.failures = {{"read", 2}};
    InstallSetupFiles();
    EXPECT_EQ(fake.calls,
              (Calls{L"module", L"version", std::wstring(L"open ") + kList,
                     kStart + L"a.cab\"", L"close 3", L"wait 2", L"close 2",
                     L"close file", std::wstring(L"delete ") + kList}));
}
