// What a package puts on the device, read the same from either form: whole paths, the flags'
// names and the sizes shown.
#include <gtest/gtest.h>

#include "check/contents.h"
#include "check/contents_report.h"

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
