// Names as the device and its installer take them, the index that finds near names, and the
// table that remembers which line first named a package.
#include <gtest/gtest.h>

#include <random>

#include "check/first_lines.h"
#include "check/names.h"
#include "check/near_names.h"
#include "within.h"

using namespace check;

TEST(Names, WhatNoFileOnTheDeviceCanHold)
{
    const struct { Text name; wchar_t barred; } cases[] = {
        {L"a?.cab", L'?'}, {L"c:d.cab", L':'}, {L"x*.cab", L'*'}, {L"a<b", L'<'}, {L"a>b", L'>'}, {L"a|b", L'|'},
        {L"a\x01" L"b", 1}, {L"a\x1f" L"b", 0x1f}, {L"a\tb", L'\t'},
        // A folder separator, DEL, C1 and a non-breaking space are names' characters.
        {L"sub\\ok.cab", 0}, {L"a\x7f", 0}, {L"a\x85", 0}, {L"a\u00a0b", 0}, {L"", 0}};
    for (const auto &c : cases) {
        std::optional<wchar_t> barred = UnholdableCharacter(c.name);
        EXPECT_EQ(barred.value_or(0), c.barred) << ToUtf8(c.name);
    }
}

TEST(Names, TrailingDotsAndSpaces)
{
    const struct { Text name; size_t count; std::string words; Text trimmed; } cases[] = {
        {L"a.cab ", 1, "a space", L"a.cab"}, {L"a.cab.", 1, "a dot", L"a.cab"}, {L"a.cab  ", 2, "2 spaces", L"a.cab"},
        {L"a.cab..", 2, "2 dots", L"a.cab"}, {L"a.cab. ", 2, "dots and spaces", L"a.cab"}, {L" a.cab", 0, "", L" a.cab"},
        {L"...", 3, "3 dots", L""}};
    for (const auto &c : cases) {
        EXPECT_EQ(TrailingDotsAndSpaces(c.name), c.count) << ToUtf8(c.name);
        EXPECT_EQ(WithoutTrailing(c.name), c.trimmed) << ToUtf8(c.name);
        if (c.count > 0) {
            EXPECT_EQ(TrailingWords(c.name), c.words) << ToUtf8(c.name);
        }
    }
}

TEST(Names, LinesThatLookLikeComments)
{
    for (const wchar_t *line : {L"; rollout", L"#x", L"// x", L"REM x", L"rem x", L"Rem "})
        EXPECT_TRUE(LooksLikeComment(line)) << ToUtf8(Text(line));
    for (const wchar_t *line : {L"REMOTE.cab", L"REM", L"/x.cab", L" ;x", L"a;b.cab", L"a#.cab"})
        EXPECT_FALSE(LooksLikeComment(line)) << ToUtf8(Text(line));
}

// The installer's package path ends at the entry's quote; its switches are words apart at
// ASCII white space, their quotes dropped, the switch in any ASCII case.
TEST(Names, AQuoteAsTheInstallerReadsIt)
{
    const struct { Text entry, package; std::optional<Text> switches; bool keeps; } cases[] = {
        {L"a.cab", L"a.cab", std::nullopt, false},
        {L"a.cab\" /delete 1", L"a.cab", L" /delete 1\"", false},
        {L"a.cab\" /delete 0", L"a.cab", L" /delete 0\"", true},
        {L"a.cab\" /DELETE\t0", L"a.cab", L" /DELETE\t0\"", true},
        {L"a.cab\"/delete \"0", L"a.cab", L"/delete \"0\"", true},
        {L"a.cab\" /delete 01", L"a.cab", L" /delete 01\"", false},
        {L"a.cab\" /delete0", L"a.cab", L" /delete0\"", false},
        {L"a.cab\" /delete", L"a.cab", L" /delete\"", false},
        {L"\"a.cab", L"", L"a.cab\"", false},
    };
    for (const auto &c : cases) {
        InstallerView view = AsInstallerReads(c.entry);
        EXPECT_EQ(view.package, c.package) << ToUtf8(c.entry);
        EXPECT_EQ(view.switches, c.switches) << ToUtf8(c.entry);
        EXPECT_EQ(view.keepsPackage, c.keeps) << ToUtf8(c.entry);
    }
}

TEST(Names, AnEntryThatNamesTheCardsOwnFolder)
{
    const struct { Text entry, deviceDir; std::optional<Text> rest; } cases[] = {
        {L"\\Storage Card\\x.cab", L"\\Storage Card", L"x.cab"},
        {L"storage card\\sub\\x.cab", L"\\Storage Card", L"sub\\x.cab"},
        {L"\\\\STORAGE CARD\\x.cab", L"\\Storage Card", L"x.cab"},
        {L"C:\\Install\\x.cab", L"C:\\Install", L"x.cab"},
        {L"\\Storage Cards\\x.cab", L"\\Storage Card", std::nullopt},
        {L"\\Storage Card", L"\\Storage Card", std::nullopt},
        {L"x.cab", L"", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(AfterDeviceFolder(c.entry, c.deviceDir), c.rest) << ToUtf8(c.entry);
}

TEST(Names, TheCauseOfAMiss)
{
    const struct { Text name, found; Cause cause; } cases[] = {
        {L"a.cab ", L"", Cause::kTrailing}, {L"a.cab.", L"a.cab", Cause::kTrailing},
        {L" a.cab", L"A.CAB", Cause::kLeadingSpace}, {L"sub\\  a.cab", L"sub\\a.cab", Cause::kLeadingSpace},
        {L" a.cab", L"b.cab", Cause::kNone}, {L"a\u00a0b.cab", L"a b.cab", Cause::kNonBreakingSpace},
        {L"a\u00a0b.cab", L"ab.cab", Cause::kNonBreakingSpace}, {L"a\u00a0b.cab", L"ac.cab", Cause::kNone},
        {L"ab.cab", L"a b.cab", Cause::kNone}};
    for (const auto &c : cases)
        EXPECT_EQ(CauseOf(c.name, c.found), c.cause) << ToUtf8(c.name);
    EXPECT_EQ(FoldedRelative(L"\\sub\\\\a.Cab"), L"SUB\\A.CAB");
}

TEST(NearNames, EditDistanceWithinABound)
{
    const struct { Text a, b; size_t most, distance; } cases[] = {
        {L"kitten", L"sitting", 3, 3}, {L"kitten", L"sitting", 2, 3}, {L"abc", L"abc", 2, 0},
        {L"abc", L"acb", 2, 2}, {L"a", L"", 2, 1}, {L"abcdef", L"ab", 2, 3}};
    for (const auto &c : cases)
        EXPECT_EQ(EditDistance(c.a, c.b, c.most), c.distance) << ToUtf8(c.a) << " " << ToUtf8(c.b);
}

// The index finds exactly what comparing every pair finds, over names of few letters, where
// near names abound: all within the bound, or those one edit away where there are such.
TEST(NearNames, FindsWhatComparingEveryPairFinds)
{
    std::mt19937 random(7);
    auto name = [&](size_t shortest, size_t longest) {
        Text text(shortest + random() % (longest - shortest + 1), L'a');
        for (wchar_t &c : text)
            c = L"ab. \u00e9"[random() % 5];
        return text;
    };
    std::vector<Text> names;
    for (int i = 0; i < 200; i++)
        names.push_back(name(0, 9));
    names.push_back(Text(NearNames::kLongestIndexed + 1, L'a'));  // too long to be indexed
    const NearNames index(names);
    for (int i = 0; i < 200; i++) {
        const Text wanted = name(0, 9);
        for (size_t most = 0; most <= 2; most++) {
            std::vector<std::pair<size_t, size_t>> expected;
            for (size_t j = 0; j + 1 < names.size(); j++) {
                if (size_t distance = EditDistance(names[j], wanted, most); distance <= most)
                    expected.emplace_back(j, distance);
            }
            if (std::any_of(expected.begin(), expected.end(), [](auto &e) { return e.second == 1; }))
                expected.erase(std::remove_if(expected.begin(), expected.end(), [](auto &e) { return e.second == 2; }), expected.end());
            ASSERT_EQ(index.Within(wanted, most), expected) << ToUtf8(wanted) << " within " << most;
        }
    }
    EXPECT_TRUE(index.Within(Text(NearNames::kLongestIndexed, L'a'), 2).empty());
}

// Each name's set of characters rules out only names that hold, or lack, more characters
// than edits allow: two changed characters are two edits, and a third is one too many.
TEST(NearNames, CharacterSetsRuleOutOnlyWhatIsFar)
{
    const NearNames index({L"abcd.cab", L"wxyz.cab"});
    const struct { Text wanted; size_t most; std::vector<std::pair<size_t, size_t>> near; } cases[] = {
        {L"abqr.cab", 2, {{0, 2}}}, {L"abqr.cab", 1, {}}, {L"aqrs.cab", 2, {}}, {L"abcdq.cab", 1, {{0, 1}}},
        {L"bcd.cab", 1, {{0, 1}}}, {L"wxyzab", 2, {{1, 2}}}, {L"wxz.cb", 2, {{1, 2}}}};
    for (const auto &c : cases)
        EXPECT_EQ(index.Within(c.wanted, c.most), c.near) << ToUtf8(c.wanted) << " within " << c.most;
}

// 5,000 names that differ in one place share a form with every entry that differs there too:
// 1,000 such searches stay within a few seconds, and a real typo among them still finds its
// name (in this order: one edit from all, two from all, one from one name).
TEST(NearNames, ManyNamesOfOneFormStayCheap)
{
    auto name = [](size_t i, const wchar_t *tail) { return L"setup" + Text(1, wchar_t(0x4E00 + i)) + tail; };
    std::vector<Text> names;
    for (size_t i = 0; i < 5000; i++)
        names.push_back(name(i, L"tool.cab"));
    const NearNames index(names);
    const struct { Text wanted; size_t first, distance; } cases[] = {
        {name(6000, L"tool.cab"), 0, 1}, {name(6000, L"toal.cab"), 0, 2}, {name(4321, L"tol.cab"), 4321, 1}};
    for (size_t row = 0; row < std::size(cases); row++) {
        auto near = WithinFiveSeconds("near names", row, [&] {
            std::vector<std::pair<size_t, size_t>> found;
            for (int search = 0; search < 1'000; search++)
                found = index.Within(cases[row].wanted, 2);
            return found;
        });
        ASSERT_FALSE(near.empty()) << row;
        EXPECT_EQ(near.front(), std::make_pair(cases[row].first, cases[row].distance)) << row;
    }
}

TEST(FirstLines, KnowsTheFirstLineOfEachName)
{
    FirstLines lines;
    for (int i = 1; i <= 20000; i++)
        ASSERT_EQ(lines.Note(L"package" + std::to_wstring(i) + L".cab", i), i);
    for (int i = 1; i <= 20000; i += 97)
        EXPECT_EQ(lines.Note(L"package" + std::to_wstring(i) + L".cab", 30000), i);
    // Lone surrogates and units past ASCII keep names apart.
    EXPECT_EQ(lines.Note(L"a\xD800", 1), 1);
    EXPECT_EQ(lines.Note(L"a\xDC00", 2), 2);
    EXPECT_EQ(lines.Note(L"a\u0100", 3), 3);
    EXPECT_EQ(lines.Note(L"a\x02", 4), 4);
    EXPECT_EQ(lines.Note(L"kept.cab", 5, false), 5);
    EXPECT_EQ(lines.Note(L"kept.cab", 6), 6);
    lines.Clear();
    EXPECT_EQ(lines.Note(L"package1.cab", 7), 7);
}
