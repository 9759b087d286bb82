// Every warning the card check gives, as rows of one table: its code in the JSON, what it is
// attached to, whether it is a failure or a note, how it is told, and its sentence. The report
// model, the counts, both report forms, the exit status and the help all read the rows: a new
// warning is a row in warning_rows.cpp plus the code that detects it.
#pragma once

#include <optional>
#include <vector>

#include "phrase.h"

namespace check {

enum class Warning {
    // On a line that starts the installer, in the order that decides what the start counts as.
    kDuplicate, kNotFound, kUnholdableName, kQuote, kComment, kRefused, kMayRefuse, kTrailing, kCaseTwin,
    kAbsolute, kSlash, kNotAFile, kUnreadable, kUnpairedSurrogate, kSetupDll, kSetupDisagrees, kSetupInvalid,
    // What a package the installer may take does on the device.
    kForeignCode, kNeedsDotnet, kStartsAtBoot, kOverwrites,
    // Why a line other than a blank one is skipped.
    kNul, kTooLong, kDoesNotFit, kReadError,
    // On a list.
    kListUnnamable, kListReadOnly, kDuplicateList, kOddLength, kUtf16WithoutMark,
    // On the card folder.
    kNoList, kNoDeviceProgram, kListMisnamed, kListNearMiss, kCaseTwins, kUnholdableFiles, kUnlisted,
    kWalkBound, kProgramMissing, kProgramOlder,
};

enum class Scope { kLine, kList, kFolder };
enum class Severity { kFailure, kNote };  // a failure: something will not happen as written
// Where the JSON tells it: among the warnings of its line, list or folder, as the reason a
// line is skipped, or by a field of its own (a list's "runs" and "read_only").
enum class Told { kWarnings, kReason, kField };
// What a line counts as: a start by what becomes of it, a blank line or a skipped one.
enum class Counted { kInstall, kMaybe, kNotFound, kRefused, kRepeated, kOther, kBlank, kSkipped };

struct NoteSubject;  // what a sentence speaks of (report.h)
struct Options;      // (options.h)

struct WarningRow {
    Warning warning;
    const char *code;                    // in the JSON; stable
    Scope scope;
    Severity severity;
    Told told;
    std::optional<Warning> toldWith;     // a note that already tells it, when it comes along;
                                         // any other is a "!" of the plain report
    std::optional<Counted> counts;       // what a start carrying it counts as, the first row deciding
    const char *help;                    // for --help's exit statuses; null: not listed there
    Phrase (*sentence)(const NoteSubject &subject);
};

// Every row, in the order of Warning.
const std::vector<WarningRow> &WarningRows();
const WarningRow &RowOf(Warning warning);
// The row of a JSON code; null for a code that is none.
const WarningRow *RowOf(const std::string &code);
// A warning's severity in this run: --strict makes every note a failure, --fail-on the notes
// it names.
Severity SeverityOf(Warning warning, const Options &options);
const char *SeverityName(Severity severity);  // "failure" or "note"

}  // namespace check
