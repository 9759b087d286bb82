// Reading the install list: line breaks, encodings and capacities, and the strings built
// from what is read.
#include <gtest/gtest.h>

#include "batch.h"
#include "fake_platform.h"

using Entries = std::vector<std::wstring>;

static std::string Utf16(const std::u16string &text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text)
        bytes += {char(unit & 0xFF), char(unit >> 8)};
    return bytes;
}

static std::wstring Wide(const std::u16string &text) { return std::wstring(text.begin(), text.end()); }

static std::string Repeat(const std::string &text, int count)
{
    std::string out;
    while (count--)
        out += text;
    return out;
}

// Every entry the list yields, with reads handing back at most readLimit bytes each.
static Entries ReadAll(const std::string &bytes, size_t readLimit)
{
    fake = FakePlatform();
    fake.readLimit = readLimit;
    fake.files[L"\\SD\\SetupFile.CE6.txt"] = bytes;
    wchar_t listPath[kListPathCapacity];
    InstallList list;
    if (OpenInstallList(L"\\SD", listPath, &list) != 0)
        return {L"(not opened)"};
    Entries entries;
    wchar_t line[kLineCapacity];
    while (const wchar_t *entry = ReadListEntry(&list, line))
        entries.push_back(entry);
    FinishInstallList(&list, listPath);
    return entries;
}

TEST(ReadListEntry, YieldsEachUsableLineWholeAndInOrder)
{
    const std::string max(126, 'm'), over(127, 'o');
    const struct { const char *name; std::string bytes; Entries expected; } cases[] = {
        {"LF", "a.cab\nb.cab\n", {L"a.cab", L"b.cab"}},
        {"CRLF", "a.cab\r\nb.cab\r\n", {L"a.cab", L"b.cab"}},
        {"no break after the last line", "a.cab\nb.cab", {L"a.cab", L"b.cab"}},
        {"empty file", "", {}},
        {"blank lines", "\n \t\r\n\r\n\t\nx.cab\n ", {L"x.cab"}},
        {"spaces kept", " a b.cab \r\n", {L" a b.cab "}},
        {"lone CR kept", "a\rb\nc\r\r\nd\r", {L"a\rb", L"c\r", L"d\r"}},
        {"NUL skips its line", std::string("a\0b\nc\n", 6), {L"c"}},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF" "a.cab\n", {L"a.cab"}},
        {"UTF-8", "caf\xC3\xA9.cab\n\xE2\x82\xAC\n", {L"caf\u00E9.cab", L"\u20AC"}},
        {"UTF-8 beyond 16 bits", "\xF0\x9F\x93\xA6.cab\n", {Wide(u"\U0001F4E6.cab")}},
        {"ANSI line", "caf\xE9.cab\n", {L"caf\u00E9.cab"}},
        {"ANSI and UTF-8 lines mixed", "\xE9\n\xC3\xA9\n", {L"\u00E9", L"\u00E9"}},
        {"overlong UTF-8 is ANSI", "\xC0\xAF\n", {L"\u00C0\u00AF"}},
        {"UTF-8 surrogate is ANSI", "\xED\xA0\x80\n", {L"\u00ED\u00A0\u0080"}},
        {"UTF-16", Utf16(u"a.cab\r\nb \u00E9.cab\n\U0001F4E6\r\n"),
         {L"a.cab", L"b \u00E9.cab", Wide(u"\U0001F4E6")}},
        {"UTF-16 with no final break and an odd byte", Utf16(u"a\nb") + "x", {L"a", L"b"}},
        {"UTF-16 NUL", Utf16(std::u16string(u"a\0b\nc\n", 6)), {L"c"}},
        {"UTF-16 mark only", "\xFF\xFE", {}},
        {"126 fits", max + "\n" + max + "\r\n" + max, {Wide(std::u16string(126, u'm')),
         Wide(std::u16string(126, u'm')), Wide(std::u16string(126, u'm'))}},
        {"127 is skipped whole", over + "\n" + over + "\r\nok\n" + over, {L"ok"}},
        {"long line skipped whole", std::string(1000, 'l') + "\nok", {L"ok"}},
        {"126 three-byte characters fit", Repeat("\xE2\x82\xAC", 126) + "\r\n",
         {std::wstring(126, L'\u20AC')}},
        {"127 three-byte characters do not", Repeat("\xE2\x82\xAC", 127) + "\nok\n", {L"ok"}},
        {"126 UTF-16 units fit", Utf16(std::u16string(126, u'm') + u"\r\n"),
         {Wide(std::u16string(126, u'm'))}},
        {"127 UTF-16 units do not", Utf16(std::u16string(127, u'o') + u"\r\nok"), {L"ok"}},
        {"126 ANSI characters fit", std::string(126, '\xE9') + "\n", {std::wstring(126, L'\u00E9')}},
        {"127 ANSI characters do not", std::string(127, '\xE9') + "\nok", {L"ok"}},
    };
    for (const auto &c : cases) {
        for (size_t readLimit : {1, 2, 3, 5, 4096}) {
            EXPECT_EQ(ReadAll(c.bytes, readLimit), c.expected)
                << c.name << ", reading " << readLimit << " bytes at a time";
        }
    }
}

TEST(FormatInstallArguments, QuotesTheWholePackagePathOrRefusesIt)
{
    const std::wstring fits(111, L'f'), over(112, L'o');  // " /noui /pbar \"\\" + entry + "\"" in 127
    const struct { const wchar_t *directory; std::wstring entry; int status; std::wstring expected; } cases[] = {
        {L"\\Storage Card\\Install", L"tools.cab", 0,
         L" /noui /pbar \"\\Storage Card\\Install\\tools.cab\""},
        {L"", L"a.cab", 0, L" /noui /pbar \"\\a.cab\""},
        {L"\\SD", L" my app .cab ", 0, L" /noui /pbar \"\\SD\\ my app .cab \""},
        {L"\\SD", L"\\abs.cab", 0, L" /noui /pbar \"\\SD\\\\abs.cab\""},
        {L"", fits, 0, L" /noui /pbar \"\\" + fits + L"\""},
        {L"", over, 1, L""},
        {L"\\SD", fits, 1, L""},
    };
    for (const auto &c : cases) {
        wchar_t arguments[kArgumentsCapacity + 8];
        std::fill(std::begin(arguments), std::end(arguments), L'#');
        EXPECT_EQ(FormatInstallArguments(c.directory, c.entry.c_str(), arguments), c.status);
        if (c.status == 0)
            EXPECT_EQ(std::wstring(arguments), c.expected);
        // Nothing is ever written past the buffer.
        EXPECT_EQ(std::wstring(arguments + kArgumentsCapacity, 8), std::wstring(8, L'#'));
    }
}

TEST(FormatListPath, NamesTheListForTheMajorVersionUpToItsCapacity)
{
    const std::wstring longest = L"\\" + std::wstring(108, L'p');  // 127 with the name
    const struct { std::wstring directory; unsigned long version; std::wstring expected; } cases[] = {
        {L"\\Storage Card\\Install", 6, L"\\Storage Card\\Install\\SetupFile.CE6.txt"},
        {L"", 7, L"\\SetupFile.CE7.txt"},
        {L"\\SD", 10, L"\\SD\\SetupFile.CE10.txt"},
        {L"\\SD", 0, L"\\SD\\SetupFile.CE0.txt"},
        {L"\\SD", 4294967295ul, L"\\SD\\SetupFile.CE4294967295.txt"},
        {longest, 6, longest + L"\\SetupFile.CE6.txt"},
    };
    for (const auto &c : cases) {
        wchar_t path[kListPathCapacity];
        ASSERT_EQ(FormatListPath(c.directory.c_str(), c.version, path), 0);
        EXPECT_EQ(std::wstring(path), c.expected);
    }
}
