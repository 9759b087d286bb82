// The warnings table as every reader of it relies on it: one row per warning, each with a
// code, a sentence and a kind, and the kind deciding the exit status and the help.
#include <gtest/gtest.h>

#include <fstream>
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

// A card whose only note is this one: its kind decides the exit status, --strict and
// --fail-on with its code make it a failure, and the kind decides where --help lists it.
TEST(WarningsTable, TheKindDecidesTheExitStatusAndTheHelp)
{
    std::string help;
    ASSERT_FALSE(ParseOptions({"--help"}, &help));
    const std::string passes = Section(help, "\n  0  ", "\n  1  "), fails = Section(help, "\n  1  ", "\n  2  ");
    for (const WarningRow &row : WarningRows()) {
        const bool note = row.severity == Severity::kNote;
        const Options plain = *ParseOptions({"."}, &help), strict = *ParseOptions({"--strict", "."}, &help),
                      failOn = *ParseOptions({"--fail-on", std::string("absolute,") + row.code, "."}, &help);
        for (const auto &[options, failures] : {std::pair{plain, note ? 0u : 1u}, {strict, 1u}, {failOn, 1u}}) {
            Totals totals;
            totals.Count({row.warning}, options);
            EXPECT_EQ(totals.attention, 1u) << row.code;
            EXPECT_EQ(totals.failures, failures) << row.code;
            EXPECT_EQ(totals.promoted, note ? failures : 0u) << row.code;
        }
        if (row.help != nullptr) {
            EXPECT_NE((note ? passes : fails).find(row.help), std::string::npos) << row.code << " not under its status";
            EXPECT_EQ((note ? fails : passes).find(row.help), std::string::npos) << row.code << " under the other status";
        }
    }
}

#ifndef _WIN32
// The README's table of codes says what the program's own table says: each code, what it is
// on and its kind.
TEST(WarningsTable, IsTheReadmesTable)
{
    std::ifstream readme(CABBATCH_README);
    ASSERT_TRUE(readme) << CABBATCH_README;
    const std::regex documented("\\| `([a-z0-9-]+)` \\| (line|list|folder) \\| (failure|note) \\|.*");
    std::vector<std::string> readmes, own;
    std::smatch match;
    for (std::string line; std::getline(readme, line);) {
        if (std::regex_match(line, match, documented))
            readmes.push_back(match[1].str() + " " + match[2].str() + " " + match[3].str());
    }
    const char *const kScopes[] = {"line", "list", "folder"};
    for (const WarningRow &row : WarningRows())
        own.push_back(std::string(row.code) + " " + kScopes[size_t(row.scope)] + " " + SeverityName(row.severity));
    EXPECT_EQ(readmes, own);
}
#endif
