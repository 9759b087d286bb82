// Makes the card check's report: the core reads and classifies every line and builds each
// argument string; this file only gathers what it decided, looks the packages up and hands
// each line to the writer as soon as it is known.
#include "report.h"

#include <algorithm>
#include <map>

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

// Up to most bytes of a file's start.
std::string ReadStart(const desktop::Path &path, size_t most)
{
    std::string why, start(most, '\0');
    PlatformHandle file = nullptr;
    if (desktop::OpenRegularFile(path, &file, &why) != kOk)
        return "";
    size_t filled = 0;
    int count = 0;
    while (filled < most
           && PlatformReadFile(file, reinterpret_cast<unsigned char *>(&start[filled]), int(most - filled), &count) == kOk
           && count > 0)
        filled += size_t(count);
    desktop::CloseFile(file);
    start.resize(filled);
    return start;
}

CabinetHeader HeaderOf(const std::string &start)
{
    return ReadCabinetHeader(reinterpret_cast<const unsigned char *>(start.data()), start.size());
}

// What the installer will find in a package: its first bytes for the cabinet's own records
// (the most that 65,535 folders with the largest reserves take, where a package needs it),
// then the whole cabinet read through by the platform's library.
PackageFacts ExaminePackage(const desktop::Path &path)
{
    const size_t kUsualHeader = 1 << 16, kLargestHeader = 40 + 65535 + 4 * 256 + 65535 * (8 + 255);
    std::string start = ReadStart(path, kUsualHeader);
    CabinetHeader header = HeaderOf(start);
    if (header.signature && !header.valid && start.size() == kUsualHeader)
        header = HeaderOf(ReadStart(path, kLargestHeader));
    desktop::CabinetRead read;
    if (header.signature)
        read = desktop::ReadCabinet(path, SetupMembers());
    return DescribePackage(header, read.readThrough, read.members, read.kept);
}

Text PackagePath(const Text &deviceDir, const Text &entry)
{
    std::vector<wchar_t> path(deviceDir.size() + entry.size() + 2);
    int length = 0;
    AppendPackagePath(path.data(), int(path.size()), &length, deviceDir.c_str(), entry.c_str());
    return Text(path.data(), size_t(length));
}

// A program in the card folder: its PE header's machine and subsystem.
Program ExamineProgram(const Text &name, const desktop::Path &path)
{
    Program program;
    program.file = name;
    const size_t kUsual = 1 << 12, kMost = 1 << 24;
    std::string start = ReadStart(path, kUsual);
    size_t wanted = 0;
    auto read = [&]() {
        return ReadProgramHeader(reinterpret_cast<const unsigned char *>(start.data()), start.size(),
                                 &program.machine, &program.subsystem, &wanted);
    };
    program.portable = read();
    // The PE header's place is in the first bytes; read on to it where it lies further.
    if (!program.portable && start.size() == kUsual && wanted > kUsual && wanted <= kMost) {
        start = ReadStart(path, wanted);
        program.portable = read();
    }
    program.device = program.portable && IsDeviceProgram(program.machine, program.subsystem);
    return program;
}

// A list saved as UTF-16 without its byte-order mark: its first line has a NUL in every
// other byte, which the device reads as a line holding NULs, and skips.
bool HasUtf16WithoutMark(const desktop::Path &path)
{
    std::string start = ReadStart(path, 256);
    if (start.size() >= 2 && static_cast<unsigned char>(start[0]) == 0xFF && static_cast<unsigned char>(start[1]) == 0xFE)
        return false;
    // Its first line break is an LF unit: 0A at an even offset, 00 after it.
    size_t end = std::min(start.find('\n'), start.size());
    if (end < 2 || end % 2 != 0 || (end + 1 < start.size() && start[end + 1] != '\0'))
        return false;
    for (size_t i = 1; i < end; i += 2) {
        if (start[i] != '\0' || start[i - 1] == '\0')
            return false;
    }
    return true;
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
    void DescribeEntry(LineReport &line);
    void NoteSlash(LineReport &line);
    void Account(const LineReport &line);
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
    for (size_t i = 0; i < facts.readings.size(); i++) {
        if (facts.State(i) == SetupState::kInvalid && !SetupFormats()[i].own && facts.AnyRead())
            line.warnings.push_back(Warning::kSetupInvalid);
    }
}

// Every note the plain report gives the line, and the failures among them.
void Checker::Account(const LineReport &line)
{
    Totals &totals = outcome.totals;
    bool skipped = line.reason != Reason::kNone && line.reason != Reason::kBlank;
    totals.attention += NoteCount(line) + skipped;
    totals.failures += skipped;
    for (Warning warning : line.warnings)
        totals.failures += HasNote(line, warning) && IsFailure(warning);
}

void Checker::CheckList(ListReport &list)
{
    wchar_t listPath[kListPathCapacity];
    list.runs = FormatListPath(options_.deviceDir.c_str(), list.file.osVersion, listPath) == kOk;
    device_ = {list.file.osVersion, options_.osVersion ? options_.osMinor : 0};
    firstLineOf_.clear();
    firstLineAt_.clear();
    if (HasUtf16WithoutMark(list.file.path))
        list.warnings.push_back(ListWarning::kUtf16WithoutMark);
    std::string why;
    PlatformHandle handle = nullptr;
    if (desktop::OpenRegularFile(list.file.path, &handle, &why) != kOk)
        handle = nullptr;
    InstallList reader;
    if (handle != nullptr)
        BeginInstallList(&reader, handle, options_.codePage);
    list.encoding = handle != nullptr ? reader.encoding : kListBytes;
    writer_.BeginList(list);
    if (handle == nullptr) {
        // It could be opened a moment ago: report the list as cut at its first line.
        LineReport line;
        line.number = 1;
        line.reason = Reason::kReadError;
        writer_.Line(line);
        list.counts.Add(line);
        Account(line);
        Fail("cannot read the list " + Quoted(list.file.name) + ": " + why);
    }
    wchar_t text[kLineCapacity];
    ListLine read;
    while (handle != nullptr && ReadListLine(&reader, text, &read) != nullptr) {
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
        list.counts.Add(line);
        Account(line);
        writer_.Line(line);
    }
    if (handle != nullptr) {
        // UTF-16 holds two bytes a unit: the device drops a lone last byte without a word.
        if (reader.encoding == kListUtf16 && desktop::BytesRead(handle) % 2 == 1 && outcome.failure.empty())
            list.warnings.push_back(ListWarning::kOddLength);
        desktop::CloseFile(handle);
    }
    // A list that stays runs again: a note each for one the device cannot name and one it
    // cannot delete, and one for each warning; all but a lone last byte are failures.
    size_t stays = !list.runs || list.file.facts.readOnly;
    size_t oddLength = std::count(list.warnings.begin(), list.warnings.end(), ListWarning::kOddLength);
    outcome.totals.attention += stays + list.warnings.size();
    outcome.totals.failures += stays + list.warnings.size() - oddLength;
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

}  // namespace

bool HasNote(const LineReport &line, Warning warning)
{
    return warning != Warning::kNotAFile && !(warning == Warning::kRefused && line.sameAs != 0);
}

size_t NoteCount(const LineReport &line)
{
    return size_t(std::count_if(line.warnings.begin(), line.warnings.end(),
                                [&](Warning warning) { return HasNote(line, warning); }));
}

bool IsFailure(Warning warning)
{
    return warning != Warning::kAbsolute && warning != Warning::kMayRefuse && warning != Warning::kSetupDll
        && warning != Warning::kSlash && warning != Warning::kSetupDisagrees && warning != Warning::kSetupInvalid;
}

bool HasWarning(const LineReport &line, Warning warning)
{
    return std::find(line.warnings.begin(), line.warnings.end(), warning) != line.warnings.end();
}

Start StartOf(const LineReport &line)
{
    if (HasWarning(line, Warning::kDuplicate))
        return Start::kRepeated;
    if (!line.found)
        return Start::kNotFound;
    if (HasWarning(line, Warning::kQuote))  // what follows the quote reaches the installer as switches
        return Start::kOther;
    if (line.verdict.installs == Installs::kNo)
        return Start::kRefused;
    return line.verdict.installs == Installs::kMaybe ? Start::kMaybe : Start::kInstall;
}

void Counts::Add(const LineReport &line)
{
    lines++;
    if (line.reason != Reason::kNone) {
        (line.reason == Reason::kBlank ? blank : skipped)++;
        return;
    }
    starts++;
    switch (StartOf(line)) {
    case Start::kInstall: install++; return;
    case Start::kMaybe: maybe++; return;
    case Start::kNotFound: notFound++; break;
    case Start::kRefused: refused++; break;
    case Start::kRepeated: repeated++; break;
    case Start::kOther: other++; break;
    }
    fail++;
}

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
    std::vector<std::pair<Text, std::string>> nearMisses = folder.NearMisses(options.osVersion);
    for (size_t i = 0; i < lists.size(); i++) {
        ListReport list;
        list.file = lists[i];
        // A device's card holds one of two names that differ only in case; which is unknown.
        bool sameVersionBeside = (i > 0 && lists[i - 1].osVersion == list.file.osVersion)
                              || (i + 1 < lists.size() && lists[i + 1].osVersion == list.file.osVersion);
        if (sameVersionBeside)
            list.warnings.push_back(ListWarning::kDuplicateList);
        checker.CheckList(list);
        checker.outcome.totals.lists++;
    }
    Totals &totals = checker.outcome.totals;
    totals.programs = programs;
    totals.noDeviceProgram = !programs.empty()
        && std::none_of(programs.begin(), programs.end(), [](const Program &p) { return p.device; });
    totals.programMissing = programs.empty();
    totals.nearMisses = nearMisses;
    totals.attention += lists.empty() + totals.noDeviceProgram + nearMisses.size();
    totals.failures += lists.empty() + totals.noDeviceProgram;
    // Under --strict a note counts as much as a failure, and so does the program still to copy.
    totals.ready = totals.failures == 0
                && !(options.strict && (totals.attention > 0 || totals.programMissing));
    writer.End(checker.outcome.totals);
    return checker.outcome;
}

}  // namespace check
