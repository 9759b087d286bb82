// The card check: what the device program will do with each install list in a card folder,
// line by line, as the core's own reader and argument building decide it. The report is
// written while the lists are read, so that memory does not grow with a list.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/batch.h"
#include "package.h"
#include "text.h"

namespace check {

// A folder or list that cannot be read, found before any of the report is written.
struct CheckError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// ---- The card folder, as the device's file system sees it

struct ListFile {
    desktop::Path path;
    Text name;                  // as on disk
    unsigned long osVersion;
    desktop::Facts facts;
};

enum class Lookup { kFound, kMissing, kNotAFile, kUnreadable };
struct PackageLookup {
    Lookup result = Lookup::kMissing;
    desktop::Path path;         // with kFound
    std::string failure;        // with kUnreadable: a sentence naming the folder and why
};

// Names match without regard to case, through Windows' upper-case table; a name relative to
// the folder is separated by backslashes. Each folder is listed once.
class CardFolder {
public:
    CardFolder(desktop::Path root, std::string shownRoot);
    // Every list "SetupFile.CE<version>.txt" in the folder, by version; throws CheckError
    // when the folder cannot be read.
    std::vector<ListFile> Lists();
    PackageLookup Find(const Text &relativeName);
    // For a name not found: the same name with its last part replaced by the file in its
    // folder closest to it (a difference of spaces, or of one or two characters); empty
    // when none is that close.
    Text Suggest(const Text &relativeName);
    // Each ".exe" directly in the folder, by name.
    std::vector<std::pair<Text, desktop::Path>> Programs();
    // The files whose names come close to a list's without being one, each with what is
    // wrong with it; with a version, only those close to that version's list.
    std::vector<std::pair<Text, std::string>> NearMisses(std::optional<unsigned long> version);

private:
    struct Listing {
        bool readable = false;
        std::string why;
        std::multimap<Text, desktop::NativeName> names;  // by folded name
    };
    const Listing &ListingOf(const desktop::Path &folder);
    PackageLookup Resolve(const Text &relativeName, desktop::Kind lastKind);
    const desktop::Facts &FactsOf(const desktop::Path &path);
    std::string CannotRead(const Text &subfolder, const std::string &why) const;

    desktop::Path root_;
    std::string shownRoot_;
    std::map<desktop::NativeName, Listing> listings_;
    std::map<desktop::NativeName, desktop::Facts> facts_;
};

// ---- What the check reports

// Why a line installs nothing; kNone for a line that installs a package.
enum class Reason { kNone, kBlank, kNul, kTooLong, kDoesNotFit, kReadError };
enum class Warning {
    kQuote, kAbsolute, kDuplicate, kUnpairedSurrogate, kNotAFile, kRefused, kMayRefuse, kSetupDll,
    kNotFound, kSlash, kSetupDisagrees, kSetupInvalid
};
enum class ListWarning { kDuplicateList, kOddLength, kUtf16WithoutMark };
// What becomes of a line that starts the installer.
enum class Start { kInstall, kMaybe, kNotFound, kRefused, kRepeated, kOther };

struct LineReport {
    int number = 0;
    Reason reason = Reason::kNone;
    Text entry, packagePath, arguments;  // for lines that name a package
    bool found = false;               // the package file is in the card folder
    Text suggestion;                  // for one not found: the entry naming a file close to it, or
                                      // the same with '\\' for '/', where that is found
    std::vector<Warning> warnings;
    int sameAs = 0;                   // with Warning::kDuplicate: the line it repeats
    const PackageFacts *package = nullptr;  // for a package found: what the installer will find in it
    Verdict verdict;                  // and whether it takes it
};

// Every line of a list counted once: lines = starts + blank + skipped, starts = install +
// maybe + fail, fail = notFound + refused + repeated + other.
struct Counts {
    size_t lines = 0, starts = 0, install = 0, maybe = 0, fail = 0;
    size_t notFound = 0, refused = 0, repeated = 0, other = 0;
    size_t blank = 0, skipped = 0;   // skipped: lines neither blank nor starting the installer
    void Add(const LineReport &line);
};

struct ListReport {
    ListFile file;
    ListEncoding encoding = kListBytes;
    bool runs = false;                // the device program can name the list
    std::vector<ListWarning> warnings;
    Counts counts;
};

struct Options {
    std::string folder;                       // as given, UTF-8
    Text deviceDir = L"\\Storage Card";       // without a trailing backslash
    bool deviceDirGiven = false;
    std::optional<unsigned long> osVersion;
    unsigned long osMinor = 0;                // given as --os-version MAJOR.MINOR
    std::optional<unsigned long> processor;   // the device's, one of the ARM types
    int codePage = 1252;
    bool json = false;
    bool strict = false;                      // every note counts as a failure
};

// A program directly in the card folder, and whether a device can run it.
struct Program {
    Text file;
    bool portable = false;            // a PE image at all
    unsigned machine = 0, subsystem = 0;
    bool device = false;              // a Windows CE program for ARM with a GUI
};

struct Totals {
    size_t lists = 0, installs = 0;   // installs: starts that install or may
    std::vector<Program> programs;
    bool noDeviceProgram = false;     // programs there, none of them for the device
    bool programMissing = false;      // no program there at all: it is often copied last
    std::vector<std::pair<Text, std::string>> nearMisses;  // files named nearly as a list
    size_t attention = 0;             // the notes ("!") of the plain report, failures and hazards
    size_t failures = 0;              // those notes that say something will not happen as written
    bool ready = true;                // no failure (with --strict, no note either): exit status 0
};

// Receives the report as it is made; HumanWriter and JsonWriter write it out.
class ReportWriter {
public:
    virtual ~ReportWriter() = default;
    virtual void Begin(const Options &options) = 0;
    virtual void BeginList(const ListReport &list) = 0;
    virtual void Line(const LineReport &line) = 0;
    virtual void EndList(const ListReport &list) = 0;
    virtual void End(const Totals &totals) = 0;
};

// Standard output, written in pieces; the first failure to write is kept.
class Output {
public:
    void Add(const std::string &text);
    void Flush();
    bool Failed() const { return failed_; }
    const std::string &Why() const { return why_; }

private:
    std::string pending_;
    bool failed_ = false;
    std::string why_;
};

std::unique_ptr<ReportWriter> HumanWriter(Output &out);
std::unique_ptr<ReportWriter> JsonWriter(Output &out);

struct Outcome {
    Totals totals;
    std::string failure;  // a sentence when reading failed after the report had begun
};

// Throws CheckError for what makes the card unreadable before anything is written.
Outcome CheckCard(const Options &options, ReportWriter &writer);

// The plain report's notes: one "!" for each warning a line carries, but that a name that
// is not a file is told with its not-found note, and a repeated package's refusal with its
// duplicate note.
bool HasNote(const LineReport &line, Warning warning);
size_t NoteCount(const LineReport &line);
bool HasWarning(const LineReport &line, Warning warning);
// Whether a note says that something will not happen as written; the others are hazards
// that may be fine (a setup DLL, a "maybe", an entry starting with a backslash, a slash, two
// setup formats that disagree, a setup document that is not valid beside a valid .000).
bool IsFailure(Warning warning);
Start StartOf(const LineReport &line);  // for a line that starts the installer

}  // namespace check
