// What the card check is asked to do: its options, parsed from the command line by one table
// that also writes --help.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "text.h"
#include "warnings.h"

namespace check {

enum class Colour { kAuto, kAlways, kNever };

struct Options {
    std::string folder;                       // as given, UTF-8
    Text deviceDir = L"\\Storage Card";       // without a trailing backslash
    bool deviceDirGiven = false;
    std::optional<unsigned long> osVersion;
    unsigned long osMinor = 0;                // given as --os-version MAJOR.MINOR
    std::optional<unsigned long> processor;   // the device's, one of the ARM types
    int codePage = 1252;
    Text platform;                            // the device's platform name; empty: not known
    bool json = false;
    bool strict = false;                      // every note counts as a failure
    bool contents = false;                    // list every file, registry value and shortcut
    std::vector<Warning> failOn;              // these notes count as failures
    Colour colour = Colour::kAuto;            // of the plain report's notes; auto: on a terminal
};

// A command line that asks for nothing the check can do: its sentence.
struct UsageError {
    std::string message;
};

// The options of a command line (the program's name left out); nothing, with *answer set,
// for --help and --version. Throws UsageError.
std::optional<Options> ParseOptions(const std::vector<std::string> &arguments, std::string *answer);

}  // namespace check
