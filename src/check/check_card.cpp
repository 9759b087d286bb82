// Makes the card check's report: the core reads and classifies every line and builds each
// argument string; this file only gathers what it decided, looks the packages up and hands
// each line to the writer as soon as it is known.
#include "check_card.h"

#include <algorithm>

#include "cabbatch_version.h"
#include "checker.h"
#include "examine.h"

namespace check {

namespace {

Reason ReasonFor(LineOutcome outcome)
{
    switch (outcome) {
    case kLineEntry: return Reason::kNone;
    case kLineBlank: return Reason::kBlank;
    case kLineNul: return Reason::kNul;
    case kLineTooLong: return Reason::kTooLong;
    case kLineReadError: return Reason::kReadError;
    }
    return Reason::kReadError;
}

}  // namespace

void Checker::Report(ListReport &list, LineReport &line)
{
    line.counted = CountOf(line, list.runs);
    list.counts.Add(line);
    outcome.totals.Count(LineNotes(line), options_);
    writer_.Line(line);
}

void Checker::ReadLines(ListReport &list, PlatformHandle handle)
{
    InstallList reader;
    BeginInstallList(&reader, handle, options_.codePage);
    list.encoding = reader.encoding;
    writer_.BeginList(list);
    wchar_t text[kLineCapacity];
    ListLine read;
    while (ReadListLine(&reader, text, &read) != nullptr) {
        LineReport line;
        line.number = read.number;
        line.reason = ReasonFor(read.outcome);
        if (line.reason == Reason::kNone) {
            line.entry = text;
            DescribeEntry(line);
        }
        if (line.reason == Reason::kReadError)
            Fail("reading the list " + Quoted(list.file.name) + " stopped at line "
                 + std::to_string(line.number) + ": " + desktop::ReadError(handle));
        Report(list, line);
    }
    // UTF-16 holds two bytes a unit: the device drops a lone last byte without a word.
    if (reader.encoding == kListUtf16 && desktop::BytesRead(handle) % 2 == 1 && outcome.failure.empty())
        list.warnings.push_back(Warning::kOddLength);
}

void Checker::CheckList(ListReport &list)
{
    wchar_t listPath[kListPathCapacity];
    list.runs = FormatListPath(options_.deviceDir.c_str(), list.file.osVersion, listPath) == kOk;
    device_ = {list.file.osVersion, options_.osVersion ? options_.osMinor : 0};
    firstLineOf_.Clear();
    std::fill(firstLineAt_.begin(), firstLineAt_.end(), 0);
    collisions_.Clear();
    if (HasUtf16WithoutMark(list.file.path))
        list.warnings.push_back(Warning::kUtf16WithoutMark);
    std::string why;
    PlatformHandle handle = nullptr;
    if (desktop::OpenRegularFile(list.file.path, &handle, &why) == kOk) {
        ReadLines(list, handle);
        desktop::CloseFile(handle);
    } else {
        // It could be opened a moment ago: report the list as cut at its first line.
        writer_.BeginList(list);
        LineReport line;
        line.number = 1;
        line.reason = Reason::kReadError;
        Report(list, line);
        Fail("cannot read the list " + Quoted(list.file.name) + ": " + why);
    }
    outcome.totals.Count(ListNotes(list), options_);
    outcome.totals.installs += list.counts.install + list.counts.maybe;
    writer_.EndList(list);
}

// A list that is not checked still names packages, which are then not unlisted.
void Checker::NoteNamed(const ListFile &list)
{
    PlatformHandle handle = nullptr;
    std::string why;
    if (desktop::OpenRegularFile(list.path, &handle, &why) != kOk)
        return;
    InstallList reader;
    BeginInstallList(&reader, handle, options_.codePage);
    wchar_t text[kLineCapacity];
    ListLine read;
    while (ReadListLine(&reader, text, &read) != nullptr)
        MarkNamed(read.outcome == kLineEntry ? AsInstallerReads(text).package : Text());
    desktop::CloseFile(handle);
}

// The packages on the card that no list names, nearest the card folder first.
std::vector<Text> Checker::Unlisted()
{
    std::vector<Text> unlisted;
    for (const CardWalk::File &file : folder_.Walk().files) {
        const Text &name = file.foldedName;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, L".CAB") == 0
            && named_.count(desktop::FoldCase(file.relative)) == 0)
            unlisted.push_back(file.relative);
    }
    return unlisted;
}

namespace {

// Lists can be checked before anything is written: a list that is not a regular file
// would block or never end, and one that cannot be looked at cannot be reported.
void RefuseUnreadable(const std::vector<ListFile> &lists)
{
    for (const ListFile &list : lists) {
        if (list.facts.kind == desktop::Kind::kOther)
            throw CheckError("the list " + Quoted(list.name) + " is not a regular file (a FIFO, "
                             "device or socket), so it cannot be checked");
        if (list.facts.kind != desktop::Kind::kFile)
            throw CheckError("cannot read the list " + Quoted(list.name) + ": "
                             + (list.facts.why.empty() ? "it is not there" : list.facts.why));
    }
}

// A device's card holds one of two names that differ only in case; which is unknown.
bool SameVersionBeside(const std::vector<ListFile> &lists, size_t i)
{
    return (i > 0 && lists[i - 1].osVersion == lists[i].osVersion)
        || (i + 1 < lists.size() && lists[i + 1].osVersion == lists[i].osVersion);
}

// A cabbatch older than this check, which the card would run.
bool IsOlderCabbatch(const Program &program)
{
    const std::optional<ProgramVersion> &version = program.version;
    return version && version->productName == FromUtf8(CABBATCH_PRODUCT_NAME)
        && ProgramVersionBefore(*version, CABBATCH_VERSION_MAJOR, CABBATCH_VERSION_MINOR, CABBATCH_VERSION_PATCH);
}

// What the walk through the card finds beside the lists: files that fold alike, and names no
// device can hold, but for a file named nearly as a list, which is told as that.
void LookAround(CardFolder &folder, Totals &totals)
{
    const CardWalk &walk = folder.Walk();
    totals.caseTwins = walk.twins;
    totals.walkCut = walk.cut;
    totals.walkTooDeep = walk.tooDeep;
    for (const CardWalk::File &file : walk.files) {
        auto named = [&](const NearMiss &miss) { return miss.file == file.relative; };
        if (UnholdableCharacter(file.relative) && std::none_of(totals.nearMisses.begin(), totals.nearMisses.end(), named))
            totals.unholdable.push_back(file.relative);
    }
}

// The folder's own warnings, in the table's order, and whether the card is ready.
void Conclude(const Options &options, Totals &totals)
{
    for (Program &program : totals.programs)
        program.older = IsOlderCabbatch(program);
    bool older = std::any_of(totals.programs.begin(), totals.programs.end(), [](const Program &p) { return p.older; });
    bool noDeviceProgram = !totals.programs.empty()
        && std::none_of(totals.programs.begin(), totals.programs.end(), [](const Program &p) { return p.device; });
    auto nearMisses = [&](Warning warning) {
        return std::any_of(totals.nearMisses.begin(), totals.nearMisses.end(),
                           [&](const NearMiss &miss) { return NearMissWarning(miss) == warning; });
    };
    const std::pair<Warning, bool> folderWarnings[] = {
        {Warning::kNoList, totals.lists == 0}, {Warning::kNoDeviceProgram, noDeviceProgram},
        {Warning::kListMisnamed, nearMisses(Warning::kListMisnamed)},
        {Warning::kListNearMiss, nearMisses(Warning::kListNearMiss)}, {Warning::kCaseTwins, !totals.caseTwins.empty()},
        {Warning::kUnholdableFiles, !totals.unholdable.empty()}, {Warning::kUnlisted, !totals.unlisted.empty()},
        {Warning::kWalkBound, totals.walkCut || totals.walkTooDeep},
        {Warning::kProgramMissing, totals.programs.empty()}, {Warning::kProgramOlder, older}};
    for (const auto &[warning, present] : folderWarnings) {
        if (present)
            totals.warnings.push_back(warning);
    }
    std::vector<Warning> notes;
    for (const FolderNote &note : FolderNotes(totals))
        notes.push_back(note.warning);
    totals.Count(notes, options);
    totals.ready = totals.failures == 0;
}

}  // namespace

Outcome CheckCard(const Options &options, ReportWriter &writer)
{
    CardFolder folder(desktop::FolderPath(options.folder), ShownBytes(options.folder));
    std::vector<ListFile> lists, others;
    for (ListFile &list : folder.Lists())
        (!options.osVersion || *options.osVersion == list.osVersion ? lists : others).push_back(std::move(list));
    RefuseUnreadable(lists);
    std::vector<Program> programs;
    for (const auto &[name, path] : folder.Programs())
        programs.push_back(ExamineProgram(name, path));

    Checker checker(options, folder, writer);
    writer.Begin(options);
    Totals &totals = checker.outcome.totals;
    totals.nearMisses = folder.NearMisses(options.osVersion);
    for (size_t i = 0; i < lists.size(); i++) {
        ListReport list;
        list.file = lists[i];
        if (SameVersionBeside(lists, i))
            list.warnings.push_back(Warning::kDuplicateList);
        checker.CheckList(list);
        totals.lists++;
    }
    for (const ListFile &list : others)
        checker.NoteNamed(list);
    LookAround(folder, totals);
    if (!lists.empty() || !others.empty())  // with no list at all, that is what is told
        totals.unlisted = checker.Unlisted();
    totals.programs = programs;
    Conclude(options, totals);
    writer.End(totals);
    return checker.outcome;
}

}  // namespace check
