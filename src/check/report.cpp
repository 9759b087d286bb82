// The report model's rules, all read off the warnings table: which notes a line, a list and
// the folder show, what a start counts as, and how the notes add up.
#include "report.h"

#include <algorithm>
#include <cwchar>

namespace check {

size_t ArgumentsLength(const LineReport &line)
{
    return wcslen(kInstallerSwitches) + line.packagePath.size() + 2;
}

bool HasWarning(const LineReport &line, Warning warning)
{
    return std::find(line.warnings.begin(), line.warnings.end(), warning) != line.warnings.end();
}

std::optional<Warning> WarningOf(Reason reason)
{
    switch (reason) {
    case Reason::kNul: return Warning::kNul;
    case Reason::kTooLong: return Warning::kTooLong;
    case Reason::kDoesNotFit: return Warning::kDoesNotFit;
    case Reason::kReadError: return Warning::kReadError;
    case Reason::kNone:
    case Reason::kBlank: break;
    }
    return std::nullopt;
}

const char *ReasonName(Reason reason)
{
    std::optional<Warning> warning = WarningOf(reason);
    return warning ? RowOf(*warning).code : reason == Reason::kBlank ? "blank" : "";
}

std::vector<Warning> LineNotes(const LineReport &line)
{
    if (line.reason != Reason::kNone) {
        std::optional<Warning> skipped = WarningOf(line.reason);
        return skipped ? std::vector<Warning>{*skipped} : std::vector<Warning>{};
    }
    std::vector<Warning> notes;
    for (Warning warning : line.warnings) {
        const WarningRow &row = RowOf(warning);
        if (!(row.toldWith && HasWarning(line, *row.toldWith)))
            notes.push_back(warning);
    }
    return notes;
}

std::vector<Warning> ListNotes(const ListReport &list)
{
    // A list that stays runs again: the device cannot name it, or cannot delete it.
    std::vector<Warning> notes;
    if (!list.runs)
        notes.push_back(Warning::kListUnnamable);
    else if (list.file.facts.readOnly)
        notes.push_back(Warning::kListReadOnly);
    notes.insert(notes.end(), list.warnings.begin(), list.warnings.end());
    return notes;
}

std::vector<FolderNote> FolderNotes(const Totals &totals)
{
    std::vector<FolderNote> notes;
    auto has = [&](Warning warning) {
        return std::find(totals.warnings.begin(), totals.warnings.end(), warning) != totals.warnings.end();
    };
    if (has(Warning::kNoList))
        notes.push_back({Warning::kNoList});
    for (const NearMiss &miss : totals.nearMisses)
        notes.push_back({NearMissWarning(miss), &miss});
    for (Warning warning : {Warning::kCaseTwins, Warning::kUnholdableFiles, Warning::kUnlisted, Warning::kWalkBound,
                            Warning::kProgramMissing}) {
        if (has(warning))
            notes.push_back({warning});
    }
    for (const Program &program : totals.programs) {
        if (program.older)
            notes.push_back({Warning::kProgramOlder, nullptr, &program});
    }
    if (has(Warning::kNoDeviceProgram))
        notes.push_back({Warning::kNoDeviceProgram});
    return notes;
}

Warning NearMissWarning(const NearMiss &miss)
{
    return miss.misnamed ? Warning::kListMisnamed : Warning::kListNearMiss;
}

void Totals::Count(const std::vector<Warning> &notes, const Options &options)
{
    for (Warning warning : notes) {
        bool failure = SeverityOf(warning, options) == Severity::kFailure;
        attention++;
        failures += failure;
        promoted += failure && RowOf(warning).severity == Severity::kNote;
    }
}

Counted CountOf(const LineReport &line, bool listRuns)
{
    if (line.reason != Reason::kNone || !listRuns)
        return line.reason == Reason::kBlank ? Counted::kBlank : Counted::kSkipped;
    for (const WarningRow &row : WarningRows()) {
        if (row.counts && HasWarning(line, row.warning))
            return *row.counts;
    }
    return Counted::kInstall;
}

const char *CountedName(Counted counted)
{
    static const char *const kNames[] = {"install", "maybe", "not_found", "refused", "repeated", "other", "blank",
                                         "skipped"};
    return kNames[size_t(counted)];
}

void Counts::Add(const LineReport &line)
{
    lines++;
    switch (line.counted) {
    case Counted::kInstall: install++; break;
    case Counted::kMaybe: maybe++; break;
    case Counted::kNotFound: notFound++; break;
    case Counted::kRefused: refused++; break;
    case Counted::kRepeated: repeated++; break;
    case Counted::kOther: other++; break;
    case Counted::kBlank: blank++; return;
    case Counted::kSkipped: skipped++; return;
    }
    starts++;
    const bool installs = line.counted == Counted::kInstall || line.counted == Counted::kMaybe;
    if (installs && line.package != nullptr)
        bytes += line.package->info.contents.bytes;
    fail += !installs;
}

}  // namespace check
