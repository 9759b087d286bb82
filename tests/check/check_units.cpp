// The card check's desktop platform and text: code pages as Windows decodes them, names
// compared as Windows' file systems compare them, long paths, UTF-8 in and out, what
// reaches a terminal or a JSON reader, and the XML parser within its bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "check/phrase.h"
#include "check/processors.h"
#include "check/text.h"
#include "platform/desktop/desktop.h"
#include "within.h"

#ifdef _WIN32
#include <windows.h>
#endif

using desktop::Text;

#ifdef _WIN32
static Text Decoded(int page, const std::string &bytes, bool windows)
{
    wchar_t out[4];
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    int length = 0;
    if (windows)
        length = MultiByteToWideChar(page, 0, bytes.data(), int(bytes.size()), out, 4);
    else if (PlatformDecodeAnsi(page, in, int(bytes.size()), out, 4, &length) != kOk)
        length = 0;
    return Text(out, std::max(length, 0));
}

// Under Wine every byte, every lead byte alone and every lead byte with each byte after it
// is decoded as Windows' own MultiByteToWideChar decodes it.
TEST(CodePage, DecodesAsWindowsDoes)
{
    for (int page : {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258}) {
        ASSERT_TRUE(desktop::HasCodePage(page)) << page;
        for (int byte = 0; byte < 256; byte++) {
            std::vector<std::string> inputs = {std::string(1, char(byte))};
            for (int trail = 0; IsDBCSLeadByteEx(page, BYTE(byte)) && trail < 256; trail++)
                inputs.push_back({char(byte), char(trail)});
            for (const std::string &in : inputs) {
                ASSERT_EQ(Decoded(page, in, false), Decoded(page, in, true))
                    << "code page " << page << ", bytes " << int(byte) << " " << int((unsigned char)in.back());
            }
        }
    }
    EXPECT_FALSE(desktop::HasCodePage(437));
}


// Every unit's upper case is the one Windows compares names by.
TEST(UpperCase, IsWindowsOwnTable)
{
    using Upcase = WCHAR(WINAPI *)(WCHAR);
    auto upcase = reinterpret_cast<Upcase>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlUpcaseUnicodeChar")));
    ASSERT_NE(upcase, nullptr);
    for (unsigned unit = 0; unit < 0x10000; unit++) {
        wchar_t c = wchar_t(unit), upper = desktop::UpperCase(c);
        ASSERT_EQ(unsigned(upper), unsigned(upcase(WCHAR(unit)))) << std::hex << unit;
        ASSERT_EQ(CompareStringOrdinal(&c, 1, &upper, 1, TRUE), CSTR_EQUAL) << std::hex << unit;
    }
}
#endif

TEST(FoldCase, MatchesNamesAsWindowsDoes)
{
    const struct { Text name, folded; } cases[] = {
        {L"setupfile.ce7.txt", L"SETUPFILE.CE7.TXT"},
        {L"\u00e0\u00e9\u00fe\u00ff", L"\u00c0\u00c9\u00de\u0178"},                   // Latin-1
        {L"\u0101\u0107\u0142\u0148\u014b\u017e", L"\u0100\u0106\u0141\u0147\u014a\u017d"},
        {L"\u03b1\u03c9\u03ae\u0430\u044f\u0451\u0491", L"\u0391\u03a9\u0389\u0410\u042f\u0401\u0490"},
        // Windows leaves these as they are, where Unicode's own mapping would not.
        {L"\u0131\u03c2\u00b5\u017f\u00df", L"\u0131\u03c2\u00b5\u017f\u00df"},
        {L"\u00f7\u00d7\u0138\u0149 1-_", L"\u00f7\u00d7\u0138\u0149 1-_"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(desktop::FoldCase(c.name), c.folded);
        EXPECT_EQ(desktop::FoldCase(c.folded), c.folded);
    }
}

TEST(ExtendedLengthPath, ReachesPastTwoHundredSixtyCharacters)
{
    const struct { std::wstring full, extended; } cases[] = {
        {L"C:\\a\\b", L"\\\\?\\C:\\a\\b"},
        {L"z:/card/x", L"\\\\?\\z:\\card\\x"},
        {L"\\\\server\\share\\x", L"\\\\?\\UNC\\server\\share\\x"},
        {L"\\\\?\\C:\\a", L"\\\\?\\C:\\a"},
        {L"\\\\.\\pipe\\x", L"\\\\.\\pipe\\x"},
        {L"card\\x", L"card\\x"},  // not full: left as it is
        {L"1:\\x", L"1:\\x"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(desktop::ExtendedLengthPath(c.full), c.extended) << c.full;
}

TEST(Utf8, ConvertsBothWaysAndReplacesWhatIsNotText)
{
    const Text box = {wchar_t(0xD83D), wchar_t(0xDCE6)};  // U+1F4E6 as UTF-16
    const struct { std::string utf8; Text text; bool valid; } cases[] = {
        {"a \xc3\xa9\xe2\x82\xac", L"a \u00e9\u20ac", true},
        {"\xf0\x9f\x93\xa6", box, true},
        {"\xc3(\xe2\x82", L"\ufffd(\ufffd\ufffd", false},         // cut sequences
        {"\xc0\xaf\xed\xa0\x80\xfc\x84\x80\x80", Text(9, L'\ufffd'), false},  // overlong, surrogate, lead past F7
    };
    for (const auto &c : cases) {
        Text name;
        EXPECT_EQ(check::FromUtf8(c.utf8), c.text) << c.utf8;
        EXPECT_EQ(check::DecodeUtf8Name(c.utf8, &name), c.valid) << c.utf8;
        if (c.valid) {
            EXPECT_EQ(check::ToUtf8(c.text), c.utf8);
        }
    }
    EXPECT_EQ(check::ToUtf8(Text{wchar_t(0xDC00), L'x', wchar_t(0xD800)}), "\xef\xbf\xbdx\xef\xbf\xbd");
}

// What reaches a terminal: nothing it acts on, and never the same for two different texts.
TEST(Shown, SpellsOutWhatATerminalActsOnOneToOne)
{
    const struct { Text text; std::string shown; } cases[] = {
        {L"a b\\c.cab", "a b\\c.cab"},
        {L"\t\r\n", "<TAB><CR><LF>"},
        {L"<TAB>", "<<TAB>"},
        {L"\x1b[31m\x7f", "<U+001B>[31m<U+007F>"},
        {L"\u0080\u009f\u00a0", "<U+0080><U+009F>\xc2\xa0"},
        {L"\u200e\u200f\u2028\u2029\u202a\u202e\u2066\u2069\u2070",
         "<U+200E><U+200F><U+2028><U+2029><U+202A><U+202E><U+2066><U+2069>\xe2\x81\xb0"},
        {Text{wchar_t(0xDC00), wchar_t(0xDFFF), wchar_t(0xDBFF), L'x', wchar_t(0xD800), L'\ufffd'},
         "<U+DC00><U+DFFF><U+DBFF>x<U+D800>\xef\xbf\xbd"},
        {Text{wchar_t(0xD83D), wchar_t(0xDCE6)}, "\xf0\x9f\x93\xa6"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(check::Shown(c.text), c.shown);
    EXPECT_EQ(check::ShownBytes("a\xff\xc3\xa9\x1b\xef\xbf\xbd"), "a<0xFF>\xc3\xa9<U+001B>\xef\xbf\xbd");
    EXPECT_EQ(check::ShownBytes("<0xFF>"), "<<0xFF>");
    EXPECT_EQ(check::Quoted(L"a<b\t\u202e"), "\"a<<b<TAB><U+202E>\"");
}

// Characters that show as nothing, or change what follows them, are spelt out, each range at
// both ends; the characters just outside each pass as they are.
TEST(Shown, SpellsOutInvisibleAndFormatCharacters)
{
    const unsigned long ranges[][2] = {
        {0x00AD, 0x00AD}, {0x0600, 0x0605}, {0x061C, 0x061C}, {0x06DD, 0x06DD}, {0x070F, 0x070F},
        {0x0890, 0x0891}, {0x08E2, 0x08E2}, {0x180E, 0x180E}, {0x200B, 0x200F}, {0x2060, 0x2064},
        {0x206A, 0x206F}, {0xFEFF, 0xFEFF}, {0xFFF9, 0xFFFB}, {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
        {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F}};
    auto text = [](unsigned long c) {
        return c < 0x10000 ? Text(1, wchar_t(c)) : Text{wchar_t(0xD800 + ((c - 0x10000) >> 10)), wchar_t(0xDC00 + (c & 0x3FF))};
    };
    auto spelt = [](unsigned long c) {
        char out[16];
        std::snprintf(out, sizeof out, "<U+%04lX>", c);
        return std::string(out);
    };
    for (const auto &[first, last] : ranges) {
        EXPECT_EQ(check::Shown(text(first)), spelt(first));
        EXPECT_EQ(check::Shown(text(last)), spelt(last));
    }
    // Just outside: a letter, digits, a mark, a space and the ranges' ends next door.
    for (unsigned long c : {0x00ACul, 0x00AEul, 0x05FFul, 0x0606ul, 0x061Bul, 0x061Dul, 0x06DCul, 0x06DEul, 0x070Eul,
                            0x0710ul, 0x088Ful, 0x0892ul, 0x08E1ul, 0x08E3ul, 0x180Dul, 0x180Ful, 0x200Aul, 0x2065ul,
                            0xFEFEul, 0xFF00ul, 0xFFF8ul, 0xFFFCul, 0x110BCul, 0x110BEul, 0x110CCul, 0x110CEul,
                            0x1342Ful, 0x13440ul, 0x1BC9Ful, 0x1BCA4ul, 0x1D172ul, 0x1D17Bul, 0xE0000ul, 0xE0002ul,
                            0xE001Ful, 0xE0080ul})
        EXPECT_EQ(check::Shown(text(c)), check::ToUtf8(text(c))) << std::hex << c;
}

// Strict JSON: no unpaired surrogate escape, controls escaped, the rest kept exactly.
TEST(Json, WritesStrictStrings)
{
    const struct { Text text; std::string json; } cases[] = {
        {L"a\"b\\c", "\"a\\\"b\\\\c\""},
        {L"\x01\t\x1f\x7f\u0085\u202e", "\"\\u0001\\u0009\\u001f\x7f\xc2\x85\xe2\x80\xae\""},
        {Text{L'a', wchar_t(0xD800), L'b', wchar_t(0xDC00)}, "\"a\xef\xbf\xbd" "b\xef\xbf\xbd\""},
        {Text{wchar_t(0xD83D), wchar_t(0xDCE6)}, "\"\xf0\x9f\x93\xa6\""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(check::Json(c.text), c.json);
    EXPECT_TRUE(check::HasLoneSurrogate(Text{L'a', wchar_t(0xDBFF)}));
    EXPECT_FALSE(check::HasLoneSurrogate(Text{wchar_t(0xD83D), wchar_t(0xDCE6)}));
}

// A sentence given as UTF-8 reads in JSON as its decoded text does: its ASCII is copied or
// escaped byte by byte, and the rest decoded from the first byte past ASCII.
TEST(Json, SentencesReadAsTheirText)
{
    const struct { std::string utf8, json; } cases[] = {
        {"plain words", "\"plain words\""},
        {"a \"b\" c\\d", "\"a \\\"b\\\" c\\\\d\""},
        {"tab\there\x1f", "\"tab\\u0009here\\u001f\""},
        {"caf\xc3\xa9 \"x\"", "\"caf\xc3\xa9 \\\"x\\\"\""},
        {"cut \xc3", "\"cut \xef\xbf\xbd\""},
        {"\xff\"", "\"\xef\xbf\xbd\\\"\""},
        {"", "\"\""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(check::Json(c.utf8), c.json) << c.utf8;
    std::mt19937 random(11);
    const char kBytes[] = {'a', '"', '\\', '\x01', '\x7f', '\xc3', '\xa9', '\xe2', '\x80', '\xff', ' '};
    for (int round = 0; round < 2000; round++) {
        std::string utf8(random() % 12, 'a');
        for (char &byte : utf8)
            byte = kBytes[random() % sizeof kBytes];
        ASSERT_EQ(check::Json(utf8), check::Json(check::FromUtf8(utf8))) << utf8;
    }
}

// A document nested levels deep.
static std::string Nested(int levels)
{
    std::string document;
    for (int i = 0; i < levels; i++)
        document += "<a>";
    for (int i = 0; i < levels; i++)
        document += "</a>";
    return document;
}

// The platform's parser alone, without the check's rules in front: documents that end inside
// a construct (Wine's XmlLite read those for ever), a DTD's entities, and the depth bound,
// each answered within five seconds and alike on every build, but for a DTD: XmlLite is
// given none at all, and expat reads one within its bounds.
TEST(ReadXml, AnswersWithinItsBoundsAlikeOnEveryBuild)
{
    std::string laughs = "<!DOCTYPE d [<!ENTITY a \"" + std::string(1000, 'a') + "\"><!ENTITY b \"";
    for (int i = 0; i < 40; i++)
        laughs += "&a;";
    laughs += "\"><!ENTITY c \"";
    for (int i = 0; i < 40; i++)
        laughs += "&b;";
    laughs += "\">]><d>&c;</d>";
    const struct { std::string document; bool read; size_t elements; } cases[] = {
        {"<a><b c=\"1\"/>\n</a>", true, 2},
        {Nested(desktop::kXmlDepthMost), true, size_t(desktop::kXmlDepthMost)},
        {Nested(desktop::kXmlDepthMost + 1), false, 0},
        {"<a><!--x", false, 0},
        {"<a><![CDATA[x", false, 0},
        {"<a>&#", false, 0},
        {"<a>&amp", false, 0},
        {"<a><?pi x", false, 0},
        {"<a b=\"x", false, 0},
        {"<!DOCTYPE a", false, 0},
        {"<!DOCTYPE d [<!ENTITY e SYSTEM \"file:///etc/hostname\">]><d>&e;</d>", false, 0},
        {laughs, false, 0},
#ifdef _WIN32
        {"<!DOCTYPE d><d/>", false, 0},
#else
        {"<!DOCTYPE d><d/>", true, 1},
#endif
    };
    for (size_t i = 0; i < std::size(cases); i++) {
        std::vector<desktop::XmlElement> elements;
        bool read = WithinFiveSeconds("ReadXml", i, [&] { return desktop::ReadXml(cases[i].document, &elements) == kOk; });
        EXPECT_EQ(read, cases[i].read) << "row " << i;
        EXPECT_EQ(elements.size(), read ? cases[i].elements : elements.size()) << "row " << i;
    }
}

// The plain report's lines: broken at the spaces of own words and reasons, never inside a
// name, which stands alone when it is longer than a line; coloured after the indent.
TEST(LaidOut, WrapsWithAHangingIndentAndKeepsNamesWhole)
{
    using check::Phrase;
    const char *red = "\x1b[31m";
    const struct { Phrase phrase; check::LineStyle style; std::string laid; } cases[] = {
        {"  one  two three", {80, 4}, "  one  two three"},
        {"  one  two three", {10, 4}, "  one  two\n    three"},
        {"  one two three", {7, 4}, "  one\n    two\n    three"},
        {"ab " + Phrase::QuotedName(L"c d") + " e", {8, 2}, "ab \"c d\"\n  e"},
        {"x " + Phrase::QuotedName(L"a b c d"), {5, 2}, "x\n  \"a b c d\""},
        {"x " + Phrase::QuotedName(L"a b c d") + " y", {5, 2}, "x\n  \"a b c d\"\n  y"},
        {"x " + Phrase::Reason("a b\tc"), {5, 2}, "x a\n  b<TAB>c"},
        {"a " + Phrase::Name(L"\t\t"), {10, 2}, "a\n  <TAB><TAB>"},
        {"ab " + Phrase::Name(L"\u65e5\u672c\u8a9e"), {8, 2}, "ab\n  \u65e5\u672c\u8a9e"},
        {"ab " + Phrase::Name(L"\u00e9\u00e8\u00ea\u00eb\u00e0"), {8, 2}, "ab \u00e9\u00e8\u00ea\u00eb\u00e0"},
        {"  ! note", {80, 4, red, 2}, "  \x1b[31m! note\x1b[0m"},
        {"  5  ! note more", {12, 7, red, 5}, "  5  \x1b[31m! note\x1b[0m\n       \x1b[31mmore\x1b[0m"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(check::LaidOut(c.phrase, c.style), c.laid) << c.phrase.Shown();
    EXPECT_EQ(check::Columns("e\xcc\x81 \xe6\x97\xa5\xf0\x9f\x93\xa6"), 6u);  // e and its accent, a space, two wide
}

// Every processor type the setup information may give is named, and ARM known as such.
TEST(Processors, EveryTypeNamed)
{
    const std::pair<unsigned long, const char *> named[] = {
        {0, "any processor"}, {2577, "ARM 2577 (StrongARM)"}, {70001, "ARM 70001 (ARM7TDMI)"}, {10003, "SH 10003 (SH3)"},
        {103, "SH 103 (SH3)"}, {104, "SH 104 (SH4)"}, {10004, "SH 10004 (SH3E)"}, {10005, "SH 10005 (SH4)"},
        {4000, "MIPS 4000 (R4000)"}, {386, "x86 386 (i386)"}, {586, "x86 586 (Pentium)"}, {601, "PowerPC 601 (PPC601)"},
        {821, "PowerPC 821 (Motorola 821)"}, {21064, "Alpha 21064 (Alpha AXP)"}, {9, "processor type 9"}};
    for (const auto &[type, text] : named)
        EXPECT_EQ(check::ProcessorText(type), text) << type;
    EXPECT_TRUE(check::IsArmProcessor(1824));
    EXPECT_FALSE(check::IsArmProcessor(10003));
}
