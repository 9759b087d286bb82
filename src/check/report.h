// The card check's report as a model: what the check found of each line, list and the card
// folder. CheckCard (check_card.h) fills it as the lists are read, and hands each part to a
// writer as soon as it is known, so that memory does not grow with a list; the plain and the
// JSON writer write it out. Which notes each part shows, and what they count as, is the
// warnings table's (warnings.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "card_folder.h"
#include "collisions.h"
#include "core/batch.h"
#include "names.h"
#include "options.h"
#include "package.h"
#include "program_header.h"
#include "program_version.h"
#include "text.h"
#include "verdict.h"
#include "warnings.h"

namespace check {

// Why a line installs nothing; kNone for a line that installs a package.
enum class Reason { kNone, kBlank, kNul, kTooLong, kDoesNotFit, kReadError };

struct LineReport {
    int number = 0;
    Reason reason = Reason::kNone;
    Text entry, packagePath, arguments;  // for lines that name a package
    Text packageEntry;                // the entry up to a double quote: what names the package
    Text switches;                    // with a quote: the rest, which reaches the installer as switches
    bool keepsPackage = false;        // "/delete 0" is among those switches
    bool found = false;               // the package file is in the card folder
    HintKind hint = HintKind::kNone;  // where a package not found may be instead, and the entry
    Text suggestion;                  // to write; for one ending in dots or spaces, the name
                                      // without them, where the card holds that
    Cause cause = Cause::kNone;       // what made it miss, where that is known
    wchar_t unholdable = 0;           // with Warning::kUnholdableName: the character
    std::vector<Warning> warnings;    // as they were found
    int sameAs = 0;                   // with Warning::kDuplicate: the line it repeats
    const PackageFacts *package = nullptr;  // for a package found: what the installer will find in it
    Verdict verdict;                  // and whether it takes it
    std::optional<Collision> collision;  // with Warning::kOverwrites: a file an earlier line wrote
    Counted counted = Counted::kBlank;  // what the list's counts hold it as (CountOf)
};

// The installer's arguments for a line's package, with the switches and the two quotes, and
// the most the program passes.
size_t ArgumentsLength(const LineReport &line);
constexpr size_t kArgumentsMost = kArgumentsCapacity - 1;

// Every line of a list counted once: lines = starts + blank + skipped, starts = install +
// maybe + fail, fail = notFound + refused + repeated + other.
struct Counts {
    size_t lines = 0, starts = 0, install = 0, maybe = 0, fail = 0;
    size_t notFound = 0, refused = 0, repeated = 0, other = 0;
    size_t blank = 0, skipped = 0;   // skipped: lines neither blank nor starting the installer
    std::uint64_t bytes = 0;         // what the packages of starts that install or may install
    void Add(const LineReport &line);  // as line.counted says
};

struct ListReport {
    ListFile file;
    ListEncoding encoding = kListBytes;
    bool runs = false;                // the device program can name the list
    std::vector<Warning> warnings;    // those told among the list's warnings, as found
    Counts counts;
};

// A program directly in the card folder, and whether a device can run it.
struct Program {
    Text file;
    bool portable = false;            // a PE image at all
    ProgramHeader header;
    bool device = false;              // a Windows CE program for ARM with a GUI, that its loader starts
    std::optional<ProgramVersion> version;  // its version resource, where it has one
    bool older = false;               // a cabbatch older than this check
};

struct Totals {
    size_t lists = 0, installs = 0;   // installs: starts that install or may
    std::vector<Program> programs;
    std::vector<NearMiss> nearMisses;  // files named nearly as a list
    std::vector<std::vector<Text>> caseTwins;  // files of one folder whose names fold alike
    std::vector<Text> unholdable;     // files named as no file on the device can be
    std::vector<Text> unlisted;       // packages that no list names
    bool walkCut = false;             // the card holds more names than the check walked through
    bool walkTooDeep = false;         // or folders deeper down
    std::vector<Warning> warnings;    // the folder's, in the table's order
    size_t attention = 0;             // the notes ("!") of the plain report, failures and hazards
    size_t failures = 0;              // those that fail the card, as this run judges them
    size_t promoted = 0;              // of those, the notes that --fail-on or --strict made failures
    bool ready = true;                // no failure: exit status 0
    void Count(const std::vector<Warning> &notes, const Options &options);
};

// What a run came to: its totals, and a sentence when reading failed after the report had begun.
struct Outcome {
    Totals totals;
    std::string failure;
};

// What a sentence of the warnings table speaks of: the line, list or near miss it is on.
struct NoteSubject {
    const Options &options;
    const LineReport *line = nullptr;
    const ListReport *list = nullptr;
    const NearMiss *nearMiss = nullptr;
    const Program *program = nullptr;
    const Totals *totals = nullptr;
};

// The notes the plain report gives, in its order, each a "!": a line's (the reason for a
// skipped line, else its warnings but those another note already tells), a list's (that it
// stays, then its warnings) and the folder's (no list, a near miss once for each file, the
// others on the card, the program still to copy, an older program once for each, then that
// no program is the device's), each with what it speaks of.
std::vector<Warning> LineNotes(const LineReport &line);
std::vector<Warning> ListNotes(const ListReport &list);
struct FolderNote {
    Warning warning;
    const NearMiss *nearMiss = nullptr;
    const Program *program = nullptr;
};
std::vector<FolderNote> FolderNotes(const Totals &totals);
Warning NearMissWarning(const NearMiss &miss);  // a misnamed list, or a name that is only near
bool HasWarning(const LineReport &line, Warning warning);
// What a line counts as: for one that starts the installer, the first row whose warning it
// carries that says so, else an install. A list that does not run starts nothing: each of
// its lines is skipped, but for the blank ones.
Counted CountOf(const LineReport &line, bool listRuns);
const char *CountedName(Counted counted);  // in the JSON, as the counts name it
// The warning a skipped line is told by; none for a blank line or one that installs.
std::optional<Warning> WarningOf(Reason reason);
const char *ReasonName(Reason reason);  // its name in the JSON: "blank", then the rows' codes

// Receives the report as it is made; the plain and the JSON writer write it out.
class ReportWriter {
public:
    virtual ~ReportWriter() = default;
    virtual void Begin(const Options &options) = 0;
    virtual void BeginList(const ListReport &list) = 0;
    virtual void Line(const LineReport &line) = 0;
    virtual void EndList(const ListReport &list) = 0;
    virtual void End(const Totals &totals) = 0;
};

}  // namespace check
