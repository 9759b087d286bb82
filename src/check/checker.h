// The card check's run through a card: reads each list with the core's own reader and
// describes each entry; what is known of each package file is worked out once. Its work is
// split between check_card.cpp (lists and the card) and entries.cpp (each entry).
#pragma once

#include <map>
#include <memory>
#include <set>
#include <unordered_map>

#include "first_lines.h"
#include "options.h"
#include "report.h"

namespace check {

// Of a list's lines only what duplicate detection needs is kept.
class Checker {
public:
    Checker(const Options &options, CardFolder &folder, ReportWriter &writer)
        : options_(options), folder_(folder), writer_(writer) {}
    void CheckList(ListReport &list);
    void NoteNamed(const ListFile &list);
    std::vector<Text> Unlisted();
    Outcome outcome;

private:
    void ReadLines(ListReport &list, PlatformHandle handle);
    void Report(ListReport &list, LineReport &line);
    void DescribeEntry(LineReport &line);
    void NoteName(LineReport &line);
    void NoteSlash(LineReport &line);
    void NoteRepeat(LineReport &line, size_t file);
    void SuggestFor(LineReport &line);
    // A name looked up, and for one found, the file's number among those found.
    struct Looked {
        PackageLookup lookup;
        size_t file = 0;
    };
    const Looked &Look(const Text &name, Looked &unkept);
    void MarkNamed(const Text &name);
    const Looked &LookUp(LineReport &line);
    const PackageFacts &Examine(const Looked &looked);
    void JudgePackage(LineReport &line, const PackageFacts &facts);
    void NoteContents(LineReport &line, const PackageFacts &facts);
    void Fail(const std::string &sentence)
    {
        if (outcome.failure.empty())
            outcome.failure = sentence;
    }

    // Lookups of names found, kept for the lines that name them again, up to a bound: a
    // list may spell one file in a million ways.
    static constexpr size_t kLookupsKept = 4096;
    const Options &options_;
    Version device_;                           // the version of the list being checked
    CardFolder &folder_;
    ReportWriter &writer_;
    std::unordered_map<Text, Looked> found_;   // by folded name
    Looked unkept_[2];                         // lookups not kept: an entry's, and the same trimmed
    std::map<desktop::NativeName, size_t> numbers_;        // each file found, by its path
    std::vector<const PackageFacts *> factsOf_;           // by number, once examined
    // Each file read, by its identity, so that links to one package read it once; and those
    // whose identity could not be had.
    std::map<desktop::FileIdentity, std::unique_ptr<PackageFacts>> examined_;
    std::vector<std::unique_ptr<PackageFacts>> unidentified_;
    std::set<Text> named_;                     // the files any list names, folded, from the card folder
    // The first line of each package that used it up: by the number of the file the lookup
    // reached (0 for none yet), or, for one not found, by its folded name.
    std::vector<int> firstLineAt_;
    FirstLines firstLineOf_;
    Collisions collisions_;                    // the list's files, by the line that last wrote each
};

}  // namespace check
