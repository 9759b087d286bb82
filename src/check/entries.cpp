// What the check says of each entry: the package the installer takes from it, whether the
// card holds that, what the device would not tell of its name, a repeat of it, and where
// the package may be instead.
#include <algorithm>

#include "checker.h"
#include "examine.h"

namespace check {

namespace {

Text PackagePath(const Text &deviceDir, const Text &entry)
{
    Text path(deviceDir.size() + entry.size() + 2, L'\0');
    int length = 0;
    AppendPackagePath(path.data(), int(path.size()), &length, deviceDir.c_str(), entry.c_str());
    path.resize(size_t(length));
    return path;
}

}  // namespace

// The installer's arguments, the package and what the device would not tell about it.
void Checker::DescribeEntry(LineReport &line)
{
    wchar_t arguments[kArgumentsCapacity];
    line.packagePath = PackagePath(options_.deviceDir, line.entry);
    if (HasLoneSurrogate(line.entry))
        line.warnings.push_back(Warning::kUnpairedSurrogate);
    if (FormatInstallArguments(options_.deviceDir.c_str(), line.entry.c_str(), arguments) != kOk) {
        line.reason = Reason::kDoesNotFit;
        MarkNamed(AsInstallerReads(line.entry).package);
        return;
    }
    line.arguments = arguments;
    const InstallerView view = AsInstallerReads(line.entry);
    line.packageEntry = view.package;
    if (view.switches) {
        line.packagePath = PackagePath(options_.deviceDir, view.package);
        line.switches = *view.switches;
        line.keepsPackage = view.keepsPackage;
    }
    const Looked &looked = LookUp(line);
    const PackageLookup &lookup = looked.lookup;
    line.found = lookup.result == Lookup::kFound;
    if (!line.found)
        line.warnings.insert(line.warnings.begin(), Warning::kNotFound);
    if (lookup.result == Lookup::kUnreadable)
        Fail(lookup.failure);
    if (lookup.result == Lookup::kUnreadable && lookup.fileUnreadable)
        line.warnings.push_back(Warning::kUnreadable);
    if (lookup.result == Lookup::kNotAFile)
        line.warnings.push_back(Warning::kNotAFile);
    NoteName(line);
    if (lookup.twins)
        line.warnings.push_back(Warning::kCaseTwin);
    NoteRepeat(line, looked.file);
    if (line.found)
        JudgePackage(line, Examine(looked));
    else if (lookup.result == Lookup::kMissing && line.hint == HintKind::kNone && !HasWarning(line, Warning::kComment))
        SuggestFor(line);
}

// What the device would not tell of the name itself.
void Checker::NoteName(LineReport &line)
{
    if (std::optional<wchar_t> barred = UnholdableCharacter(line.packageEntry)) {
        line.unholdable = *barred;
        line.warnings.push_back(Warning::kUnholdableName);
    }
    if (!line.switches.empty())
        line.warnings.push_back(Warning::kQuote);
    if (LooksLikeComment(line.entry))
        line.warnings.push_back(Warning::kComment);
    if (line.entry[0] == L'\\')
        line.warnings.push_back(Warning::kAbsolute);
    if (line.packageEntry.find(L'/') != Text::npos)
        NoteSlash(line);
    if (TrailingDotsAndSpaces(line.packageEntry) > 0)
        line.warnings.push_back(Warning::kTrailing);
}

// The device's file system may not take '/' for a folder separator, as the desktop's does.
void Checker::NoteSlash(LineReport &line)
{
    line.warnings.push_back(Warning::kSlash);
    Text backslashed = line.packageEntry;
    std::replace(backslashed.begin(), backslashed.end(), L'/', L'\\');
    if (folder_.Find(backslashed).result == Lookup::kFound) {
        line.hint = HintKind::kNear;  // before any near name: it is what was meant
        line.suggestion = backslashed;
    }
}

// Two entries that reach the same file name the same package, however they spell it; a
// start told "/delete 0" leaves the file on the card for a later one.
void Checker::NoteRepeat(LineReport &line, size_t file)
{
    int first = line.number;
    if (line.found) {
        int &used = firstLineAt_[file];
        first = used != 0 ? used : line.number;
        if (used == 0 && !line.keepsPackage)
            used = line.number;
    } else {
        first = firstLineOf_.Note(desktop::FoldCase(line.packageEntry), line.number, !line.keepsPackage);
    }
    if (first != line.number) {
        line.warnings.push_back(Warning::kDuplicate);
        line.sameAs = first;
    }
}

// Where the package may be instead: the rest of an entry that names the card's own folder,
// else the same name elsewhere on the card or one close to it.
void Checker::SuggestFor(LineReport &line)
{
    const Text wanted = WithoutTrailing(line.packageEntry);
    std::optional<Text> rest = AfterDeviceFolder(wanted, options_.deviceDir);
    if (rest && folder_.Find(*rest).result == Lookup::kFound) {
        line.hint = HintKind::kOwnFolder;
        line.suggestion = *rest;
    } else if (!wanted.empty()) {
        Hint hint = folder_.Suggest(wanted);
        line.hint = hint.kind;
        line.suggestion = hint.entry;
    }
    line.cause = CauseOf(line.packageEntry, line.suggestion);
}

// A package named by a line that is not run (too long, or in a list not checked) is named
// all the same, and so not unlisted: it is looked up as a line that runs would be.
void Checker::MarkNamed(const Text &name)
{
    LineReport line;
    line.packageEntry = name;
    if (!name.empty())
        LookUp(line);  // a name found is kept among those named
}

const Checker::Looked &Checker::Look(const Text &name, Looked &unkept)
{
    Text folded = desktop::FoldCase(name);
    auto known = found_.find(folded);
    if (known != found_.end())
        return known->second;
    unkept = {folder_.Find(name), 0};
    if (unkept.lookup.result != Lookup::kFound)
        return unkept;
    named_.insert(FoldedRelative(name));
    unkept.file = numbers_.emplace(unkept.lookup.path.native(), numbers_.size()).first->second;
    if (unkept.file == factsOf_.size()) {
        factsOf_.push_back(nullptr);
        firstLineAt_.push_back(0);
    }
    return found_.size() < kLookupsKept ? found_.emplace(std::move(folded), unkept).first->second : unkept;
}

// A name that ends in dots or spaces is looked up without them, as desktop Windows does;
// the device may not drop them, so a start found so may be refused. A file that keeps them
// (on a copy made elsewhere) is none that a Windows-written card holds: it is not found.
const Checker::Looked &Checker::LookUp(LineReport &line)
{
    const Text trimmed = WithoutTrailing(line.packageEntry);
    if (trimmed.empty() || trimmed.size() == line.packageEntry.size())
        return Look(line.packageEntry, unkept_[0]);
    const Looked &held = Look(trimmed, unkept_[1]);
    if (held.lookup.result == Lookup::kFound)
        line.suggestion = trimmed;
    return held;
}

const PackageFacts &Checker::Examine(const Looked &looked)
{
    const PackageFacts *&facts = factsOf_[looked.file];
    if (facts != nullptr)
        return *facts;
    std::optional<desktop::FileIdentity> identity = desktop::IdentityOf(looked.lookup.path);
    std::unique_ptr<PackageFacts> &read = identity ? examined_[*identity] : unidentified_.emplace_back();
    if (!read)
        read = std::make_unique<PackageFacts>(ExaminePackage(looked.lookup.path, options_.codePage));
    facts = read.get();
    return *facts;
}

// Whether the device takes the package: a repeated one has been deleted by then.
void Checker::JudgePackage(LineReport &line, const PackageFacts &facts)
{
    line.package = &facts;
    if (line.sameAs != 0)
        line.verdict = {Installs::kNo, "the installer deleted the file when it ran line " + std::to_string(line.sameAs)};
    else
        line.verdict = Judge(facts, {device_, options_.processor, options_.platform, options_.codePage});
    const bool refused = line.verdict.installs == Installs::kNo;
    // A repeat is told as one, and counted so; its refusal would say the same again.
    if (line.verdict.installs != Installs::kYes && line.sameAs == 0)
        line.warnings.push_back(refused ? Warning::kRefused : Warning::kMayRefuse);
    // The installer refuses a package before any of its code runs or any file is written.
    if (facts.cabinet == CabinetState::kOk && facts.setupDll && !refused)
        line.warnings.push_back(Warning::kSetupDll);
    if (!facts.disagreements.empty())
        line.warnings.push_back(Warning::kSetupDisagrees);
    // A setup that is not valid but for the installer's own is told beside a valid one.
    for (const SetupFormat &format : SetupFormats()) {
        if (facts.State(format.form) == SetupState::kInvalid && !format.own && facts.AnyRead())
            line.warnings.push_back(Warning::kSetupInvalid);
    }
    if (!refused)
        NoteContents(line, facts);
}

// What the package's files do on the device, and the files that earlier lines wrote.
void Checker::NoteContents(LineReport &line, const PackageFacts &facts)
{
    const Contents &contents = facts.info.contents;
    const std::pair<Warning, bool> notes[] = {{Warning::kForeignCode, !ForeignFiles(contents).empty()},
                                              {Warning::kNeedsDotnet, HasDotnet(contents)},
                                              {Warning::kStartsAtBoot, !StartsAtBoot(contents).empty()}};
    for (const auto &[warning, present] : notes) {
        if (present)
            line.warnings.push_back(warning);
    }
    // Only a start that happens writes: a package found through a name the device cannot
    // hold writes nothing, and is overwritten by nothing. (A list the device does not run is
    // told as it would run were it read.)
    const Counted counted = CountOf(line, true);
    if (counted != Counted::kInstall && counted != Counted::kMaybe)
        return;
    line.collision = collisions_.Write(line.number, contents);
    if (line.collision)
        line.warnings.push_back(Warning::kOverwrites);
}

}  // namespace check
