// The card check: what the device program will do with each install list in a card folder,
// line by line, as the core's own reader and argument building decide it.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "batch.h"
#include "platform/desktop/desktop.h"

namespace check {

using desktop::Text;

// Why a line installs nothing; kNone for a line that installs a package.
enum class Reason { kNone, kBlank, kNul, kTooLong, kDoesNotFit, kReadError };
enum class Warning { kQuote, kAbsolute, kDuplicate };

struct LineReport {
    int number = 0;
    Reason reason = Reason::kNone;
    Text entry, package, arguments;   // for lines that name a package
    bool found = false;               // the package file is in the card folder
    std::vector<Warning> warnings;
    int sameAs = 0;                   // with Warning::kDuplicate: the line it repeats
};

struct ListReport {
    desktop::ListFile file;
    ListEncoding encoding = kListBytes;
    bool runs = false;                // the device program can name the list
    std::vector<LineReport> lines;
};

struct Options {
    std::string folder;                       // as given, UTF-8
    Text deviceDir = L"\\Storage Card";       // without a trailing backslash
    std::optional<unsigned long> osVersion;
    int codePage = 1252;
    bool json = false;
};

struct Report {
    Options options;
    std::vector<ListReport> lists;
};

// A folder or list that cannot be read at all.
struct CheckError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

Report CheckCard(const Options &options);
// No list; each list that does not run or cannot be deleted; each line that is neither blank
// nor installs a package on the card without a warning. None means the card is ready.
size_t ThingsToLookAt(const Report &report);
bool LineIsClean(const LineReport &line);

std::string HumanReport(const Report &report);
std::string JsonReport(const Report &report);

}  // namespace check
