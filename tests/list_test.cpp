// Reading the install list: line breaks, encodings and capacities, and the strings built
// from what is read.
#include <gtest/gtest.h>

#include "core/batch.h"
#include "fake_platform.h"

using Lines = std::vector<std::wstring>;

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

// Every line of the list as "number:entry" or "number:<why it is skipped>", with reads
// handing back at most readLimit bytes each, and the failingRead-th read failing.
static Lines Classify(const std::string &bytes, size_t readLimit, int failingRead = 0)
{
    static const wchar_t *const kSkips[] = {L"", L"<blank>", L"<nul>", L"<too-long>", L"<read-error>"};
    fake = FakePlatform();
    fake.readLimit = readLimit;
    fake.failures = {{"read", failingRead}};
    fake.files[L"\\SD\\SetupFile.CE6.txt"] = bytes;
    wchar_t listPath[kListPathCapacity];
    InstallList list;
    if (OpenInstallList(L"\\SD", listPath, &list) != kOk)
        return {L"(not opened)"};
    Lines lines;
    wchar_t line[kLineCapacity];
    ListLine read;
    while (ReadListLine(&list, line, &read) != nullptr) {
        std::wstring what = read.outcome == kLineEntry ? line : kSkips[read.outcome];
        lines.push_back(std::to_wstring(read.number) + L":" + what);
    }
    FinishInstallList(&list, listPath);
    return lines;
}

TEST(ReadListLine, NumbersEveryLineAndYieldsUsableOnesWhole)
{
    const std::wstring m126(126, L'm'), e126(126, L'\u20AC'), a126(126, L'\u00E9');
    const struct { const char *name; std::string bytes; Lines expected; } cases[] = {
        {"LF", "a.cab\nb.cab\n", {L"1:a.cab", L"2:b.cab"}},
        {"CRLF", "a.cab\r\nb.cab\r\n", {L"1:a.cab", L"2:b.cab"}},
        {"no break after the last line", "a.cab\nb.cab", {L"1:a.cab", L"2:b.cab"}},
        {"empty file", "", {}},
        {"blank lines", "\n \t\r\n\r\n\t\nx.cab\n \r\r\n\r",
         {L"1:<blank>", L"2:<blank>", L"3:<blank>", L"4:<blank>", L"5:x.cab", L"6:<blank>", L"7:<blank>"}},
        {"spaces kept", " a b.cab \r\n", {L"1: a b.cab "}},
        {"CR beside other text kept", "a\rb\nc\r\r\nd\r", {L"1:a\rb", L"2:c\r", L"3:d\r"}},
        {"NUL", std::string("a\0b\nc\n\0", 7), {L"1:<nul>", L"2:c", L"3:<nul>"}},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF" "a.cab\n", {L"1:a.cab"}},
        {"UTF-8", "caf\xC3\xA9.cab\n\xE2\x82\xAC\n", {L"1:caf\u00E9.cab", L"2:\u20AC"}},
        {"UTF-8 beyond 16 bits", "\xF0\x9F\x93\xA6.cab\n\xF4\x8F\xBF\xBF",
         {L"1:" + Wide(u"\U0001F4E6.cab"), L"2:" + Wide(u"\U0010FFFF")}},
        {"ANSI line", "caf\xE9.cab\n", {L"1:caf\u00E9.cab"}},
        {"ANSI and UTF-8 lines mixed", "\xE9\n\xC3\xA9\n", {L"1:\u00E9", L"2:\u00E9"}},
        {"overlong UTF-8 is ANSI", "\xC1\xBF\n\xE0\x9F\xBF\n\xF0\x8F\xBF\xBF\n",
         {L"1:\u00C1\u00BF", L"2:\u00E0\u009F\u00BF", L"3:\u00F0\u008F\u00BF\u00BF"}},
        {"shortest UTF-8 forms", "\xC2\x80\n\xE0\xA0\x80\n\xF0\x90\x80\x80\n",
         {L"1:\u0080", L"2:\u0800", L"3:" + Wide(u"\U00010000")}},
        {"UTF-8 surrogate is ANSI", "\xED\xA0\x80\n\xED\x9F\xBF\n",
         {L"1:\u00ED\u00A0\u0080", L"2:\uD7FF"}},
        {"beyond U+10FFFF is ANSI", "\xF4\x90\x80\x80\n", {L"1:\u00F4\u0090\u0080\u0080"}},
        {"cut UTF-8 is ANSI", "\xE2\x82\n", {L"1:\u00E2\u0082"}},
        {"UTF-16", Utf16(u"a.cab\r\nb \u00E9.cab\n\U0001F4E6\r\n\r\r\n"),
         {L"1:a.cab", L"2:b \u00E9.cab", L"3:" + Wide(u"\U0001F4E6"), L"4:<blank>"}},
        {"UTF-16 with no final break and an odd byte", Utf16(u"a\nb") + "x", {L"1:a", L"2:b"}},
        {"UTF-16 NUL", Utf16(std::u16string(u"a\0b\nc\n", 6)), {L"1:<nul>", L"2:c"}},
        {"UTF-16 mark only", "\xFF\xFE", {}},
        {"126 fits", std::string(126, 'm') + "\n" + std::string(126, 'm') + "\r\n" + std::string(126, 'm'),
         {L"1:" + m126, L"2:" + m126, L"3:" + m126}},
        {"127 is too long", std::string(127, 'o') + "\n" + std::string(127, 'o') + "\r\nok\n" + std::string(1000, 'o'),
         {L"1:<too-long>", L"2:<too-long>", L"3:ok", L"4:<too-long>"}},
        {"126 three-byte characters fit", Repeat("\xE2\x82\xAC", 126) + "\r\n", {L"1:" + e126}},
        {"127 three-byte characters do not", Repeat("\xE2\x82\xAC", 127) + "\nok\n",
         {L"1:<too-long>", L"2:ok"}},
        {"126 UTF-16 units fit", Utf16(std::u16string(126, u'm') + u"\r\n"), {L"1:" + m126}},
        {"127 UTF-16 units do not", Utf16(std::u16string(127, u'o') + u"\r\nok"),
         {L"1:<too-long>", L"2:ok"}},
        {"126 ANSI characters fit", std::string(126, '\xE9') + "\n", {L"1:" + a126}},
        {"127 ANSI characters do not", std::string(127, '\xE9') + "\nok", {L"1:<too-long>", L"2:ok"}},
    };
    for (const auto &c : cases) {
        for (size_t readLimit : {1, 2, 3, 5, 4096}) {
            EXPECT_EQ(Classify(c.bytes, readLimit), c.expected)
                << c.name << ", reading " << readLimit << " bytes at a time";
        }
    }
}

TEST(ReadListLine, AReadErrorEndsTheListWithTheLineItCut)
{
    const std::string bytes = "a.cab\nbroken-by-the-error\nnever.cab\n";
    EXPECT_EQ(Classify(bytes, 8, 2), (Lines{L"1:a.cab", L"2:<read-error>"}));  // amid line 2
    EXPECT_EQ(Classify(bytes, 8, 1), (Lines{L"1:<read-error>"}));              // before any byte
}

// The device decodes in its own code page; the card check passes the one it was given.
TEST(ReadListLine, DecodesAnsiLinesInTheCodePageTheListWasBegunWith)
{
    Classify("caf\xE9.cab\nplain.cab\n", 4096);
    EXPECT_EQ(fake.codePagesAsked, std::set<int>{kSystemCodePage});
    fake = FakePlatform();
    fake.files[L"list"] = "caf\xE9.cab\n";
    PlatformHandle file;
    ASSERT_EQ(PlatformOpenFile(L"list", &file), kOk);
    InstallList list;
    BeginInstallList(&list, file, 1251);
    wchar_t line[kLineCapacity];
    ListLine read;
    ASSERT_NE(ReadListLine(&list, line, &read), nullptr);
    EXPECT_EQ(fake.codePagesAsked, std::set<int>{1251});
    PlatformCloseFile(file);
}

TEST(FormatInstallArguments, QuotesTheWholePackagePathOrRefusesIt)
{
    const std::wstring fits(111, L'f'), over(112, L'o');  // " /noui /pbar \"\\" + entry + "\"" in 127
    const struct { const wchar_t *directory; std::wstring entry; Status status; std::wstring expected; } cases[] = {
        {L"\\Storage Card\\Install", L"tools.cab", kOk,
         L" /noui /pbar \"\\Storage Card\\Install\\tools.cab\""},
        {L"", L"a.cab", kOk, L" /noui /pbar \"\\a.cab\""},
        {L"\\SD", L" my app .cab ", kOk, L" /noui /pbar \"\\SD\\ my app .cab \""},
        {L"\\SD", L"\\abs.cab", kOk, L" /noui /pbar \"\\SD\\\\abs.cab\""},
        {L"", fits, kOk, L" /noui /pbar \"\\" + fits + L"\""},
        {L"", over, kFailed, L""},
        {L"\\SD", fits, kFailed, L""},
    };
    for (const auto &c : cases) {
        wchar_t arguments[kArgumentsCapacity + 8];
        std::fill(std::begin(arguments), std::end(arguments), L'#');
        EXPECT_EQ(FormatInstallArguments(c.directory, c.entry.c_str(), arguments), c.status);
        if (c.status == kOk)
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
        ASSERT_EQ(FormatListPath(c.directory.c_str(), c.version, path), kOk);
        EXPECT_EQ(std::wstring(path), c.expected);
    }
}
