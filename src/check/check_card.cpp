// Makes the card check's report: the core reads and classifies every line and builds each
// argument string; this file only gathers what it decided, looks the packages up and hands
// each line to the writer as soon as it is known.
#include "check_card.h"

#include <algorithm>
#include <map>

#include "cabbatch_version.h"
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

Text PackagePath(const Text &deviceDir, const Text &entry)
{
    std::vector<wchar_t> path(deviceDir.size() + entry.size() + 2);
    int length = 0;
    AppendPackagePath(path.data(), int(path.size()), &length, deviceDir.c_str(), entry.c_str());
    return Text(path.data(), size_t(length));
}

// One run through the card: what is known of each distinct package is worked out once,
// and only what duplicate detection needs is kept of a list's lines.
class Checker {
public:
    Checker(const Options &options, CardFolder &folder, ReportWriter &writer)
        : options_(options), foldedDeviceDir_(desktop::FoldCase(options.deviceDir)), folder_(folder),
          writer_(writer) {}
    void CheckList(ListReport &list);
    Outcome outcome;

private:
    struct Package;
    void ReadLines(ListReport &list, PlatformHandle handle);
    void Report(ListReport &list, const LineReport &line);
    void DescribeEntry(LineReport &line);
    void NoteSlash(LineReport &line);
    const Package &Examine(const Text &entry, const Text &folded);
    void JudgePackage(LineReport &line, const PackageFacts &facts);
    void Fail(const std::string &sentence)
    {
        if (outcome.failure.empty())
            outcome.failure = sentence;
    }

    const Options &options_;
    const Text foldedDeviceDir_;
    Version device_;                           // the version of the list being checked
    CardFolder &folder_;
    ReportWriter &writer_;
    struct Package {
        PackageLookup lookup;
        PackageFacts facts;
        Text suggestion;
    };
    std::map<Text, Package> packages_;         // folded entry -> what was found
    // The first line of each package: by the file the lookup reached, or, for one not
    // found, by its folded path.
    std::map<desktop::NativeName, int> firstLineAt_;
    std::map<Text, int> firstLineOf_;
};

// The installer's arguments, the package and what the device would not tell about it.
void Checker::DescribeEntry(LineReport &line)
{
    wchar_t arguments[kArgumentsCapacity];
    line.packagePath = PackagePath(options_.deviceDir, line.entry);
    if (HasLoneSurrogate(line.entry))
        line.warnings.push_back(Warning::kUnpairedSurrogate);
    if (FormatInstallArguments(options_.deviceDir.c_str(), line.entry.c_str(), arguments) != kOk) {
        line.reason = Reason::kDoesNotFit;
        return;
    }
    line.arguments = arguments;
    const Text folded = desktop::FoldCase(line.entry);
    const Package &package = Examine(line.entry, folded);
    const PackageLookup &lookup = package.lookup;
    line.found = lookup.result == Lookup::kFound;
    line.suggestion = package.suggestion;
    if (!line.found)
        line.warnings.insert(line.warnings.begin(), Warning::kNotFound);
    if (lookup.result == Lookup::kUnreadable)
        Fail(lookup.failure);
    if (lookup.result == Lookup::kNotAFile)
        line.warnings.push_back(Warning::kNotAFile);
    if (line.entry.find(L'"') != Text::npos)
        line.warnings.push_back(Warning::kQuote);
    if (line.entry[0] == L'\\')
        line.warnings.push_back(Warning::kAbsolute);
    if (line.entry.find(L'/') != Text::npos)
        NoteSlash(line);
    // Two entries that reach the same file name the same package, however they spell it.
    int first = line.found ? firstLineAt_.emplace(lookup.path.native(), line.number).first->second
                           : firstLineOf_.emplace(foldedDeviceDir_ + L"\\" + folded, line.number).first->second;
    if (first != line.number) {
        line.warnings.push_back(Warning::kDuplicate);
        line.sameAs = first;
    }
    if (line.found)
        JudgePackage(line, package.facts);
}

// The device's file system may not take '/' for a folder separator, as the desktop's does.
void Checker::NoteSlash(LineReport &line)
{
    line.warnings.push_back(Warning::kSlash);
    Text backslashed = line.entry;
    std::replace(backslashed.begin(), backslashed.end(), L'/', L'\\');
    if (folder_.Find(backslashed).result == Lookup::kFound)
        line.suggestion = backslashed;  // before any near name: it is what was meant
}

const Checker::Package &Checker::Examine(const Text &entry, const Text &folded)
{
    auto known = packages_.find(folded);
    if (known != packages_.end())
        return known->second;
    Package package{folder_.Find(entry), {}, {}};
    if (package.lookup.result == Lookup::kFound)
        package.facts = ExaminePackage(package.lookup.path);
    if (package.lookup.result == Lookup::kMissing)
        package.suggestion = folder_.Suggest(entry);
    return packages_.emplace(folded, std::move(package)).first->second;
}

// Whether the device takes the package: a repeated one has been deleted by then.
void Checker::JudgePackage(LineReport &line, const PackageFacts &facts)
{
    line.package = &facts;
    if (line.sameAs != 0)
        line.verdict = {Installs::kNo, "the installer deleted the file when it ran line " + std::to_string(line.sameAs)};
    else
        line.verdict = Judge(facts, device_, options_.processor);
    if (line.verdict.installs != Installs::kYes)
        line.warnings.push_back(line.verdict.installs == Installs::kNo ? Warning::kRefused : Warning::kMayRefuse);
    if (facts.cabinet == CabinetState::kOk && facts.setupDll)
        line.warnings.push_back(Warning::kSetupDll);
    if (!facts.disagreements.empty())
        line.warnings.push_back(Warning::kSetupDisagrees);
    // A setup that is not valid but for the installer's own is told beside a valid one.
    for (const SetupFormat &format : SetupFormats()) {
        if (facts.State(format.form) == SetupState::kInvalid && !format.own && facts.AnyRead())
            line.warnings.push_back(Warning::kSetupInvalid);
    }
}

void Checker::Report(ListReport &list, const LineReport &line)
{
    list.counts.Add(line);
    outcome.totals.Count(LineNotes(line));
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
    firstLineOf_.clear();
    firstLineAt_.clear();
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
    outcome.totals.Count(ListNotes(list));
    outcome.totals.installs += list.counts.install + list.counts.maybe;
    writer_.EndList(list);
}

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

// The folder's own warnings, in the table's order, and whether the card is ready.
void Conclude(const Options &options, Totals &totals)
{
    for (Program &program : totals.programs)
        program.older = IsOlderCabbatch(program);
    bool older = std::any_of(totals.programs.begin(), totals.programs.end(), [](const Program &p) { return p.older; });
    bool noDeviceProgram = !totals.programs.empty()
        && std::none_of(totals.programs.begin(), totals.programs.end(), [](const Program &p) { return p.device; });
    const std::pair<Warning, bool> folderWarnings[] = {
        {Warning::kNoList, totals.lists == 0}, {Warning::kNoDeviceProgram, noDeviceProgram},
        {Warning::kListNearMiss, !totals.nearMisses.empty()}, {Warning::kProgramMissing, totals.programs.empty()},
        {Warning::kProgramOlder, older}};
    for (const auto &[warning, present] : folderWarnings) {
        if (present)
            totals.warnings.push_back(warning);
    }
    totals.Count(FolderNotes(totals));
    totals.ready = Ready(totals, options.strict);
}

}  // namespace

Outcome CheckCard(const Options &options, ReportWriter &writer)
{
    CardFolder folder(desktop::FolderPath(options.folder), ShownBytes(options.folder));
    std::vector<ListFile> lists;
    for (ListFile &list : folder.Lists()) {
        if (!options.osVersion || *options.osVersion == list.osVersion)
            lists.push_back(std::move(list));
    }
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
    totals.programs = programs;
    Conclude(options, totals);
    writer.End(totals);
    return checker.outcome;
}

}  // namespace check
