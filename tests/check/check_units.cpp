// The card check's desktop platform: code pages as Windows decodes them, names compared as
// the device's file system compares them, and UTF-8 in and out.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/desktop/desktop.h"

#ifdef _WIN32
#include <windows.h>
#endif

using desktop::Text;

#ifdef _WIN32
static Text Decoded(int page, const std::string &bytes, bool windows)
{
    wchar_t out[4];
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    int length = windows ? MultiByteToWideChar(page, 0, bytes.data(), int(bytes.size()), out, 4)
                         : desktop::DecodeCodePage(page, in, int(bytes.size()), out, 4);
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
#endif

TEST(FoldCase, SmallLettersMatchTheirCapitals)
{
    const struct { Text small, capital; } pairs[] = {
        {L"setupfile.ce7.txt", L"SETUPFILE.CE7.TXT"},
        {L"\u00e0\u00e9\u00fe\u00ff", L"\u00c0\u00c9\u00de\u0178"},            // Latin-1
        {L"\u0101\u0107\u0131\u0142\u0148\u014b\u017e", L"\u0100\u0106I\u0141\u0147\u014a\u017d"},
        {L"\u03b1\u03c2\u03c9\u0430\u044f\u0451", L"\u0391\u03a3\u03a9\u0410\u042f\u0401"},
        {L"\u00f7\u00d7\u00df\u0138\u0149 1-_", L"\u00f7\u00d7\u00df\u0138\u0149 1-_"},  // no capitals
    };
    for (const auto &p : pairs) {
        EXPECT_EQ(desktop::FoldCase(p.small), p.capital);
        EXPECT_EQ(desktop::FoldCase(p.capital), p.capital);
    }
}

TEST(Utf8, ConvertsBothWaysAndReplacesWhatIsNotText)
{
    const Text box = {wchar_t(0xD83D), wchar_t(0xDCE6)};  // U+1F4E6 as UTF-16
    const struct { std::string utf8; Text text; bool roundTrip; } cases[] = {
        {"a \xc3\xa9\xe2\x82\xac", L"a \u00e9\u20ac", true},
        {"\xf0\x9f\x93\xa6", box, true},
        {"\xc3(\xe2\x82", L"\ufffd(\ufffd\ufffd", false},         // cut sequences
        {"\xc0\xaf\xed\xa0\x80\xfc\x84\x80\x80", Text(9, L'\ufffd'), false},  // overlong, surrogate, lead past F7
    };
    for (const auto &c : cases) {
        EXPECT_EQ(desktop::FromUtf8(c.utf8), c.text) << c.utf8;
        if (c.roundTrip) {
            EXPECT_EQ(desktop::ToUtf8(c.text), c.utf8);
        }
    }
    EXPECT_EQ(desktop::ToUtf8(Text{wchar_t(0xDC00), L'x', wchar_t(0xD800)}), "\xef\xbf\xbdx\xef\xbf\xbd");
}
