// The warnings table. Each row's sentence is what the plain report says after its "!" (the
// writers frame it), and what JSON notes will quote; the codes are a contract for scripts.
// The sentences read the report model, so the rows live here, above it, and warnings.h,
// which the model includes, holds only their vocabulary.
#include "warnings.h"

#include <algorithm>
#include <utility>

#include "cabbatch_version.h"
#include "report.h"

namespace check {

namespace {

std::string Plural(size_t count, const std::string &thing)
{
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

std::string Numbered(int number) { return std::to_string(number); }

// ---- Lines

Phrase NotFound(const NoteSubject &s)
{
    const LineReport &line = *s.line;
    Phrase out = HasWarning(line, Warning::kNotAFile)     ? "not in the card folder: that name is not a regular file"
               : HasWarning(line, Warning::kUnreadable) ? "not read from the card folder: that name is a file that cannot "
                                                          "be read (a loop of links, say)"
                                                        : "not in the card folder";
    if (line.cause != Cause::kNone)
        out += (HasWarning(line, Warning::kNotAFile) ? ", and " : ": ") + CauseWords(line.cause, line.packageEntry);
    switch (line.hint) {
    case HintKind::kNear: return out + "; it holds " + Phrase::QuotedName(line.suggestion);
    case HintKind::kElsewhere: return out + "; the card holds it as " + Phrase::QuotedName(line.suggestion);
    case HintKind::kOwnFolder:
        return out + "; the list names the card's own folder: write " + Phrase::QuotedName(line.suggestion);
    case HintKind::kNone: break;
    }
    return out;
}

Phrase Quote(const NoteSubject &s)
{
    return "holds a double quote, where the installer's package path ends: " + Phrase::QuotedName(s.line->switches)
         + (s.line->keepsPackage ? " reaches the installer as switches; \"/delete 0\" among them keeps the package on "
                                   "the card"
                                 : " reaches the installer as switches");
}

Phrase Unholdable(const NoteSubject &s)
{
    return "no file on the device can be named so: the name holds " + Phrase::QuotedName(Text(1, s.line->unholdable));
}

Phrase Trailing(const NoteSubject &s)
{
    const LineReport &line = *s.line;
    Phrase out = "ends with " + TrailingWords(line.packageEntry) + ", which desktop Windows drops from a name; whether "
                 "the device does is not known, so the installer may not find the package";
    return line.suggestion.empty() ? out : out + ": write " + Phrase::QuotedName(line.suggestion);
}

// Up to ten names, then how many more.
Phrase Names(const std::vector<Text> &names)
{
    Phrase out;
    const size_t shown = names.size() > 10 ? 10 : names.size();
    for (size_t i = 0; i < shown; i++)
        out += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + Phrase::QuotedName(names[i]);
    return names.size() > shown ? out + " and " + std::to_string(names.size() - shown) + " more" : out;
}

std::string Walked(const Totals &totals)
{
    return totals.walkCut ? " (of the first " + std::to_string(CardWalk::kMostNames) + " names on the card)" : "";
}

Phrase CaseTwins(const NoteSubject &s)
{
    Phrase out;
    const std::vector<std::vector<Text>> &groups = s.totals->caseTwins;
    for (size_t i = 0; i < groups.size() && i < 10; i++)
        out += (i == 0 ? "The device's file system holds only one of " : "; only one of ") + Names(groups[i]);
    if (groups.size() > 10)
        out += "; and " + std::to_string(groups.size() - 10) + " more such groups";
    return out + ": which one it gets is not known" + Walked(*s.totals) + ".";
}

Phrase UnholdableFiles(const NoteSubject &s)
{
    return "No file on the device can be named as these are, with one of ? * : < > | \" or a control character: "
         + Names(s.totals->unholdable) + Walked(*s.totals) + ".";
}

Phrase Unlisted(const NoteSubject &s)
{
    return "No list names these packages, so nothing installs them: " + Names(s.totals->unlisted) + Walked(*s.totals)
         + ".";
}

Phrase Duplicate(const NoteSubject &s)
{
    const LineReport &line = *s.line;
    std::string out;  // one buffer: every repeat of a long list has this note
    out.reserve(160);  // the sentence and three numbers of up to ten digits
    out.append("the same package as line ").append(Numbered(line.sameAs))
        .append(": the installer deleted the file when it ran line ").append(Numbered(line.sameAs))
        .append(", so this start fails; drop line ").append(Numbered(line.number));
    return Phrase(std::move(out));
}

Phrase Disagrees(const NoteSubject &s)
{
    Phrase fields;
    for (const Disagreement &d : s.line->package->disagreements)
        fields += (fields.Exact().empty() ? "" : ", ") + d.field + " " + Phrase::Reason(d.first) + " against "
                + Phrase::Reason(d.second);
    return "its .000 and its _setup.xml disagree (" + fields + "): the stricter verdict is given, since which "
           "of the two a device's installer reads is not known here";
}

Phrase DoesNotFit(const NoteSubject &s)
{
    size_t length = ArgumentsLength(*s.line), over = length - kArgumentsMost;
    return Phrase::QuotedName(s.line->packagePath) + " does not fit: with the switches and quotes the installer's "
           "arguments would be " + std::to_string(length) + " characters, " + std::to_string(over) + " more than the "
           "program's " + std::to_string(kArgumentsMost) + "; shorten the folder or the name by " + Plural(over, "character");
}

Phrase SetupDll(const NoteSubject &s)
{
    const std::optional<ProgramCode> &code = s.line->package->setupDllCode;
    return "it carries a setup DLL" + (code ? " (" + CodeText(*code) + ")" : std::string()) + ", code that the installer "
           "runs: should it restart the device, the list stays and the whole batch runs again from the top at the next "
           "start";
}

// ---- What a package does on the device

Phrase ForeignCode(const NoteSubject &s)
{
    std::vector<const InstalledFile *> foreign = ForeignFiles(s.line->package->info.contents);
    if (foreign.empty())
        return "installs programs that are not ARM code: they will not run on an ARM device";
    std::string more = foreign.size() == 1 ? ": it"
        : " and " + Plural(foreign.size() - 1, "more program") + " it installs " + (foreign.size() == 2 ? "is" : "are")
              + " code for another processor: they";
    return "installs, but " + Phrase::Name(foreign[0]->path) + " is " + CodeText(foreign[0]->code) + more
         + " will not run on an ARM device";
}

Phrase StartsAtBootSentence(const NoteSubject &s)
{
    std::vector<Text> programs = StartsAtBoot(s.line->package->info.contents);
    std::string more = programs.size() > 1 ? " (and " + Plural(programs.size() - 1, "more program") + ")" : "";
    return "the device will start " + (programs.empty() ? Phrase("a program") : Phrase::Name(programs[0])) + more
         + " at every boot: the package puts it, or a shortcut to it, in \\Windows\\StartUp";
}

Phrase Overwrites(const NoteSubject &s)
{
    if (!s.line->collision)
        return "writes a file that an earlier line's package wrote";
    const Collision &c = *s.line->collision;
    const std::string line = "line " + Numbered(c.line) + "'s";
    Phrase out = "writes " + Phrase::Name(c.path) + ", which " + line + " package wrote";
    if (c.keeps == Keeps::kAlways)
        out += "; \"never overwrite\" keeps " + line + " file";
    if (c.keeps == Keeps::kIfNewer)
        out += "; \"keep newer\" keeps " + line + " file if it is newer";
    return out + (c.more > 0 ? " (and " + Plural(c.more, "more file") + " that earlier lines wrote)" : "");
}

// ---- Lists and the folder

Phrase Unnamable(const NoteSubject &s)
{
    return "NOTHING RUNS: in the folder " + Phrase::QuotedName(s.options.deviceDir) + " ("
         + std::to_string(s.options.deviceDir.size()) + " characters) the list's path does not fit the device "
           "program's " + std::to_string(kListPathCapacity - 1) + " characters, so it cannot name the list, which stays.";
}

Phrase DuplicateList(const NoteSubject &s)
{
    return "Another list for OS version " + std::to_string(s.list->file.osVersion)
         + " is in the folder, its name differing only in case: a device's card holds only one of them, so which "
           "one runs is not known.";
}

Phrase NoList(const NoteSubject &s)
{
    return "No list " + ToUtf8(kListNameStart) + (s.options.osVersion ? std::to_string(*s.options.osVersion) : "<version>")
         + ToUtf8(kListNameEnd) + " in the folder: nothing runs.";
}

Phrase ProgramOlder(const NoteSubject &s)
{
    return Phrase::QuotedName(s.program->file) + " is version " + ProgramVersionText(*s.program->version) + "; this check is "
         + CABBATCH_VERSION + ": copy the device build of this version onto the card";
}

Phrase NearMissed(const NoteSubject &s)
{
    return Phrase::QuotedName(s.nearMiss->file) + " is not a list: " + Phrase::Reason(s.nearMiss->why) + ".";
}

Phrase Misnamed(const NoteSubject &s)
{
    return "A version-" + std::to_string(s.nearMiss->version) + " device runs nothing from this card: its list is "
           "named " + Phrase::QuotedName(s.nearMiss->file) + " (" + Phrase::Reason(s.nearMiss->why) + ").";
}

template <const char *kText> Phrase Fixed(const NoteSubject &) { return kText; }

const char kComment[] = "the device program has no comments: this line is started as a package";
const char kCaseTwin[] = "the card holds another file whose name differs from it only in case: the device's file "
                         "system holds only one of them, so which one the installer gets is not known";
const char kAbsolute[] = "starts with a backslash: it is still joined to the folder, with a doubled backslash";
const char kSlash[] = "holds a slash, which the device's file system may not take for a folder separator: use backslashes";
const char kNotAFile[] = "that name is not a regular file";
const char kUnreadable[] = "that name is a file that cannot be read";
const char kSurrogate[] = "holds half of a UTF-16 pair (shown as <U+...>): no file can carry that name";
const char kNeedsDotnet[] = "its programs are .NET code: they run only where the .NET Compact Framework is "
                            "installed on the device";
const char kWalkBound[] = "The card holds more than the check walks through (8 folders down, 10,000 names): its "
                          "hints, case twins, names no device can hold and unlisted packages come from what it "
                          "walked through.";
static_assert(CardWalk::kDeepest == 8 && CardWalk::kMostNames == 10'000, "kWalkBound names the walk's bounds");
const char kNul[] = "the line holds a NUL character";
const char kReadError[] = "a read error cut the list here; nothing after it is read";
const char kReadOnly[] = "The list is read-only: the device cannot delete it, so the batch runs again at every start.";
const char kOddLength[] = "The list ends in a lone byte: UTF-16 has two bytes a character, and the device drops the "
                          "last byte.";
const char kWithoutMark[] = "The list looks like UTF-16 saved without its byte-order mark: the device reads NULs in "
                            "every line and skips them all. Save it as Unicode (with the mark) or as UTF-8.";
const char kNoDeviceProgram[] = "None of them runs on the device: put the device build of cabbatch.exe on the card.";
const char kProgramMissing[] = "The folder holds no program yet: the device build of cabbatch.exe is still to be "
                               "copied beside the lists.";

Phrase Refused(const NoteSubject &s) { return "the installer will refuse it: " + Phrase::Reason(s.line->verdict.why); }
Phrase MayRefuse(const NoteSubject &s) { return "the installer may refuse it: " + Phrase::Reason(s.line->verdict.why); }
Phrase SetupInvalid(const NoteSubject &s)
{
    return "its _setup.xml is not valid, so the .000 decides: "
         + Phrase::Reason(s.line->package->Reading(SetupForm::kXml).why);
}
Phrase TooLong(const NoteSubject &) { return "the line is longer than " + std::to_string(kMaxEntryLength) + " characters"; }

const Scope kLine = Scope::kLine, kList = Scope::kList, kFolder = Scope::kFolder;
const Severity kFailure = Severity::kFailure, kNote = Severity::kNote;
const Told kInWarnings = Told::kWarnings, kAsReason = Told::kReason, kByField = Told::kField;
const std::nullopt_t kNone = std::nullopt;

const std::vector<WarningRow> kRows = {
    {Warning::kDuplicate, "duplicate", kLine, kFailure, kInWarnings, kNone, Counted::kRepeated,
     "a package named again", Duplicate},
    {Warning::kNotFound, "not-found", kLine, kFailure, kInWarnings, kNone, Counted::kNotFound,
     "a package not found", NotFound},
    {Warning::kUnholdableName, "unholdable-name", kLine, kFailure, kInWarnings, kNone, Counted::kNotFound,
     "an entry naming what no file on the device can be named", Unholdable},
    {Warning::kQuote, "quote", kLine, kFailure, kInWarnings, kNone, kNone, "a quote in an entry", Quote},
    {Warning::kComment, "comment", kLine, kFailure, kInWarnings, kNone, kNone, "a line that looks like a comment",
     Fixed<kComment>},
    {Warning::kRefused, "refused", kLine, kFailure, kInWarnings, kNone, Counted::kRefused,
     "a package the installer refuses", Refused},
    {Warning::kMayRefuse, "may-refuse", kLine, kNote, kInWarnings, kNone, Counted::kMaybe,
     "a package the installer may refuse", MayRefuse},
    {Warning::kTrailing, "trailing-dot-or-space", kLine, kNote, kInWarnings, Warning::kNotFound, Counted::kMaybe,
     "an entry ending in a dot or a space", Trailing},
    {Warning::kCaseTwin, "case-twin", kLine, kNote, kInWarnings, kNone, Counted::kMaybe,
     "an entry that reaches files whose names differ only in case", Fixed<kCaseTwin>},
    {Warning::kAbsolute, "absolute", kLine, kNote, kInWarnings, kNone, kNone,
     "an entry starting with a backslash", Fixed<kAbsolute>},
    {Warning::kSlash, "slash", kLine, kNote, kInWarnings, kNone, kNone, "an entry holding a slash", Fixed<kSlash>},
    {Warning::kNotAFile, "not-a-file", kLine, kFailure, kInWarnings, Warning::kNotFound, kNone, nullptr,
     Fixed<kNotAFile>},
    {Warning::kUnreadable, "unreadable", kLine, kFailure, kInWarnings, Warning::kNotFound, kNone, nullptr,
     Fixed<kUnreadable>},
    {Warning::kUnpairedSurrogate, "unpaired-surrogate", kLine, kFailure, kInWarnings, kNone, kNone,
     "half of a UTF-16 pair in an entry", Fixed<kSurrogate>},
    {Warning::kSetupDll, "setup-dll", kLine, kNote, kInWarnings, kNone, kNone, "a setup DLL", SetupDll},
    {Warning::kSetupDisagrees, "setup-disagrees", kLine, kNote, kInWarnings, kNone, kNone,
     "a .000 and a _setup.xml that disagree", Disagrees},
    {Warning::kSetupInvalid, "setup-invalid", kLine, kNote, kInWarnings, kNone, kNone,
     "a _setup.xml that is not valid beside a valid .000", SetupInvalid},
    {Warning::kForeignCode, "foreign-code", kLine, kFailure, kInWarnings, kNone, kNone,
     "a program installed for another processor", ForeignCode},
    {Warning::kNeedsDotnet, "needs-dotnet", kLine, kNote, kInWarnings, kNone, kNone,
     "programs that need the .NET Compact Framework", Fixed<kNeedsDotnet>},
    {Warning::kStartsAtBoot, "starts-at-boot", kLine, kNote, kInWarnings, kNone, kNone,
     "a program started at every boot", StartsAtBootSentence},
    {Warning::kOverwrites, "overwrites", kLine, kNote, kInWarnings, kNone, kNone,
     "a file that an earlier line's package wrote", Overwrites},
    {Warning::kNul, "nul", kLine, kFailure, kAsReason, kNone, kNone, "a line holding a NUL", Fixed<kNul>},
    {Warning::kTooLong, "too-long", kLine, kFailure, kAsReason, kNone, kNone, "a line too long", TooLong},
    {Warning::kDoesNotFit, "does-not-fit", kLine, kFailure, kAsReason, kNone, kNone,
     "a package path too long for the installer's arguments", DoesNotFit},
    {Warning::kReadError, "read-error", kLine, kFailure, kAsReason, kNone, kNone, nullptr, Fixed<kReadError>},
    {Warning::kListUnnamable, "list-unnamable", kList, kFailure, kByField, kNone, kNone,
     "a list the program cannot name", Unnamable},
    {Warning::kListReadOnly, "read-only", kList, kFailure, kByField, kNone, kNone, "a read-only list",
     Fixed<kReadOnly>},
    {Warning::kDuplicateList, "duplicate-list", kList, kFailure, kInWarnings, kNone, kNone,
     "two lists for one version", DuplicateList},
    {Warning::kOddLength, "odd-length", kList, kNote, kInWarnings, kNone, kNone,
     "a UTF-16 list ending in a lone byte", Fixed<kOddLength>},
    {Warning::kUtf16WithoutMark, "utf-16-without-mark", kList, kFailure, kInWarnings, kNone, kNone,
     "a UTF-16 list without its mark", Fixed<kWithoutMark>},
    {Warning::kNoList, "no-list", kFolder, kFailure, kInWarnings, kNone, kNone, "no list", NoList},
    {Warning::kNoDeviceProgram, "no-device-program", kFolder, kFailure, kInWarnings, kNone, kNone,
     "programs in FOLDER and none for the device", Fixed<kNoDeviceProgram>},
    {Warning::kListMisnamed, "list-misnamed", kFolder, kFailure, kInWarnings, kNone, kNone,
     "a version whose only list is misnamed", Misnamed},
    {Warning::kListNearMiss, "list-near-miss", kFolder, kNote, kInWarnings, kNone, kNone,
     "a file named nearly as a list", NearMissed},
    {Warning::kCaseTwins, "case-twins", kFolder, kFailure, kInWarnings, kNone, kNone,
     "files in one folder whose names differ only in case", CaseTwins},
    {Warning::kUnholdableFiles, "unholdable-files", kFolder, kNote, kInWarnings, kNone, kNone,
     "files named as no file on the device can be", UnholdableFiles},
    {Warning::kUnlisted, "unlisted", kFolder, kNote, kInWarnings, kNone, kNone, "unlisted packages",
     Unlisted},
    {Warning::kWalkBound, "walk-bound", kFolder, kNote, kInWarnings, kNone, kNone,
     "a card larger than the check walks through", Fixed<kWalkBound>},
    {Warning::kProgramMissing, "program-missing", kFolder, kNote, kInWarnings, kNone, kNone,
     "no program in FOLDER yet", Fixed<kProgramMissing>},
    {Warning::kProgramOlder, "program-older", kFolder, kNote, kInWarnings, kNone, kNone,
     "a cabbatch older than this check", ProgramOlder},
};

}  // namespace

const std::vector<WarningRow> &WarningRows() { return kRows; }

const WarningRow &RowOf(Warning warning) { return kRows[size_t(warning)]; }

const WarningRow *RowOf(const std::string &code)
{
    for (const WarningRow &row : kRows) {
        if (code == row.code)
            return &row;
    }
    return nullptr;
}

Severity SeverityOf(Warning warning, const Options &options)
{
    bool named = std::find(options.failOn.begin(), options.failOn.end(), warning) != options.failOn.end();
    return options.strict || named ? Severity::kFailure : RowOf(warning).severity;
}

const char *SeverityName(Severity severity) { return severity == Severity::kFailure ? "failure" : "note"; }

}  // namespace check
