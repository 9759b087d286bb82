// The warnings table as every reader of it relies on it: one row per warning, each with a
// code, a sentence and a kind, and the kind deciding the exit status and the help.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "check/options.h"
#include "check/report.h"

using namespace check;

namespace {

// A report part that carries the warning, for its sentence.
struct Subject {
    Options options;
    PackageFacts facts;
    LineReport line;
    ListReport list;
    NearMiss nearMiss{L"SetupFile.CE6.txt.txt", "it has a second extension"};
    Program program;
    Totals totals;
    NoteSubject Of() { return {options, &line, &list, &nearMiss, &program, &totals}; }

    explicit Subject(Warning warning)
    {
        facts.readings.resize(2);
        facts.disagreements = {{"processor", "0", "586"}};
        line.package = &facts;
        line.warnings = {warning};
        line.number = 3, line.sameAs = 1;
        line.packagePath = L"\\Storage Card\\" + std::wstring(120, L'p');
        line.verdict = {Installs::kNo, "it is built for x86 586, not for an ARM device"};
        program.file = L"cabbatch.exe";
        program.version = ProgramVersion{VersionState::kFound, {1, 1, 0, 0}, L"cabbatch", 0};
        totals.caseTwins = {{L"APP.CAB", L"App.cab"}};
        totals.unholdable = totals.unlisted = {L"a?.cab"};
    }
};

std::string Section(const std::string &help, const std::string &from, const std::string &to)
{
    size_t start = help.find(from), end = help.find(to, start);
    return std::regex_replace(help.substr(start, end - start), std::regex("\\s+"), " ");
}

}  // namespace

TEST(WarningsTable, EveryRowHasACodeASentenceAndAKind)
{
    std::set<std::string> codes;
    for (size_t i = 0; i < WarningRows().size(); i++) {
        const WarningRow &row = WarningRows()[i];
        EXPECT_EQ(size_t(row.warning), i) << "rows follow the warnings' order, so that RowOf finds each";
        EXPECT_TRUE(std::regex_match(row.code, std::regex("[a-z0-9]+(-[a-z0-9]+)*"))) << row.code;
        EXPECT_TRUE(codes.insert(row.code).second) << row.code << " twice";
        Subject subject(row.warning);
        EXPECT_GT(row.sentence(subject.Of()).Exact().size(), 10u) << row.code;
        EXPECT_TRUE(row.severity == Severity::kFailure || row.severity == Severity::kNote) << row.code;
        EXPECT_TRUE(!row.counts || row.scope == Scope::kLine) << row.code;
    }
    EXPECT_EQ(codes.size(), size_t(Warning::kProgramOlder) + 1);
}

// A card whose only note is this one: its kind decides the exit status, with and without
// --strict, and where --help lists it.
TEST(WarningsTable, TheKindDecidesTheExitStatusAndTheHelp)
{
    std::string help;
    ASSERT_FALSE(ParseOptions({"--help"}, &help));
    const std::string passes = Section(help, "\n  0  ", "\n  1  "), fails = Section(help, "\n  1  ", "\n  2  ");
    for (const WarningRow &row : WarningRows()) {
        Totals totals;
        totals.Count({row.warning});
        bool note = row.severity == Severity::kNote;
        EXPECT_EQ(Ready(totals, false), note) << row.code;
        EXPECT_FALSE(Ready(totals, true)) << row.code;
        EXPECT_EQ(totals.attention, 1u) << row.code;
        if (row.help != nullptr) {
            EXPECT_NE((note ? passes : fails).find(row.help), std::string::npos) << row.code << " not under its status";
            EXPECT_EQ((note ? fails : passes).find(row.help), std::string::npos) << row.code << " under the other status";
        }
    }
}
