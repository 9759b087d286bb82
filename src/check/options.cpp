// The card check's options, as one table that drives both the parsing and --help, and the
// help's exit statuses, read off the warnings table.
#include "options.h"

#include <algorithm>
#include <functional>

#include "cabbatch_version.h"
#include "platform/desktop/desktop.h"
#include "processors.h"
#include "warnings.h"

namespace check {

namespace {

const char kVersion[] = "cabbatch-check " CABBATCH_VERSION "\n" CABBATCH_LICENSE_LINE "\n";
const char kIntroduction[] =
    "Usage: cabbatch-check [options] FOLDER\n"
    "Shows what cabbatch will do with the install lists in FOLDER, the folder on the\n"
    "card (or a copy of it) that holds cabbatch.exe, its lists and its packages.\n";
const char kPackages[] =
    "Each package found is read through, and the report says whether the device's installer will take it: its "
    "cabinet, setup information, processor type and OS range, and the code of its programs; and what it puts on the "
    "device: its files, registry values and shortcuts. Each thing to look at is marked !.";

// Why a device folder could not be one, or empty when it can: it is where the installer is
// told to find each package, inside double quotes.
std::string DeviceDirectoryFault(const Text &path)
{
    bool drive = desktop::StartsWithDrive(path);
    if (!path.empty() && path[0] != L'\\' && !drive)
        return "must be empty (the root) or start with \\ or a drive such as C:\\";
    for (size_t i = 0; i < path.size(); i++) {
        wchar_t c = path[i];
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            return "holds a control character";
        if (Text(L"\"*?<>|/").find(c) != Text::npos || (c == L':' && !(drive && i == 1)))
            return "holds a character that a device path cannot: " + Shown(Text(1, c));
    }
    return "";
}

// The device's own directory never ends in a backslash; the root is the empty one.
void SetDeviceDirectory(Options &options, const std::string &given)
{
    Text directory;
    bool text = DecodeUtf8Name(given, &directory);  // a U+FFFD given is text like any other
    std::string fault = DeviceDirectoryFault(directory);
    if (!fault.empty() || !text)
        throw UsageError{"--device-dir '" + ShownBytes(given) + "' " + (fault.empty() ? "is not UTF-8 text" : fault)};
    while (!directory.empty() && directory.back() == L'\\')
        directory.pop_back();
    options.deviceDir = directory;
    options.deviceDirGiven = true;
}

void SetOsVersion(Options &options, const std::string &text)
{
    size_t dot = text.find('.');
    options.osVersion = WholeNumber(text.substr(0, dot));
    std::optional<unsigned long> minor = dot == std::string::npos ? 0ul : WholeNumber(text.substr(dot + 1));
    if (!options.osVersion || !minor)
        throw UsageError{"--os-version takes MAJOR or MAJOR.MINOR, whole numbers, not '" + ShownBytes(text) + "'"};
    options.osMinor = *minor;
}

void SetProcessor(Options &options, const std::string &text)
{
    options.processor = WholeNumber(text);
    if (!options.processor || !IsArmProcessor(*options.processor))
        throw UsageError{"--processor takes one of the ARM types " + ArmProcessorList() + ", not '" + ShownBytes(text) + "'"};
}

void SetCodePage(Options &options, const std::string &text)
{
    std::optional<unsigned long> page = WholeNumber(text);
    if (!page || *page > 65535 || !desktop::HasCodePage(int(*page)))
        throw UsageError{"--codepage takes one of the code pages " + desktop::CodePageNames() + ", not '"
                         + ShownBytes(text) + "'"};
    options.codePage = int(*page);
}

void SetPlatform(Options &options, const std::string &text)
{
    options.platform = FromUtf8(text);
    if (text.empty() || options.platform.find(0xFFFD) != Text::npos)
        throw UsageError{"--platform takes the device's platform name, as UTF-8 text, not '" + ShownBytes(text) + "'"};
}

// The codes of the notes, which --fail-on makes failures: "absolute, slash, ...".
std::string NoteCodes()
{
    std::string codes;
    for (const WarningRow &row : WarningRows()) {
        if (row.severity == Severity::kNote)
            codes += (codes.empty() ? "" : ", ") + std::string(row.code);
    }
    return codes;
}

void SetFailOn(Options &options, const std::string &codes)
{
    for (size_t at = 0; at <= codes.size();) {
        size_t comma = std::min(codes.find(',', at), codes.size());
        const WarningRow *row = RowOf(codes.substr(at, comma - at));
        if (row == nullptr)
            throw UsageError{"--fail-on takes warning codes separated by commas, not '" + ShownBytes(codes.substr(at, comma - at))
                             + "'; the notes it can make failures are " + NoteCodes()};
        options.failOn.push_back(row->warning);
        at = comma + 1;
    }
}

void SetColour(Options &options, const std::string &when)
{
    const std::pair<const char *, Colour> kWhens[] = {
        {"auto", Colour::kAuto}, {"always", Colour::kAlways}, {"never", Colour::kNever}};
    for (const auto &[name, colour] : kWhens) {
        if (when == name) {
            options.colour = colour;
            return;
        }
    }
    throw UsageError{"--color takes auto, always or never, not '" + ShownBytes(when) + "'"};
}

struct Option {
    std::vector<std::string> names;
    const char *value;            // what it takes, for the help; null for a flag
    std::string help;
    std::function<void(Options &, const std::string &value)> set;  // null: it answers instead
};

const std::vector<Option> &Table()
{
    static const std::vector<Option> kOptions = {
        {{"--device-dir"}, "PATH", "FOLDER's path on the device (default \\Storage Card); empty for the root, else "
         "starting with \\ or a drive such as C:\\", SetDeviceDirectory},
        {{"--os-version"}, "N[.M]", "check only SetupFile.CE<N>.txt (default: every list); a package's OS range is "
         "checked against N.M (default: each list's N.0)", SetOsVersion},
        {{"--processor"}, "N", "the device's processor type, one of " + ArmProcessorList() + "; default: any ARM "
         "type may do", SetProcessor},
        {{"--codepage"}, "N", "the device's ANSI code page, for lines that are not UTF-8 (default 1252)", SetCodePage},
        {{"--platform"}, "NAME", "the device's platform name: a package that lists it among the platforms it does "
         "not support is refused", SetPlatform},
        {{"--contents"}, nullptr, "list every file, registry value and shortcut that each package puts on the device",
         [](Options &options, const std::string &) { options.contents = true; }},
        {{"--json"}, nullptr, "print the report as one JSON object",
         [](Options &options, const std::string &) { options.json = true; }},
        {{"--color"}, "WHEN", "colour the failures and notes of the plain report: auto (on a terminal, unless "
         "NO_COLOR is set), always or never", SetColour},
        {{"--fail-on"}, "CODE[,CODE...]", "count these notes as failures: " + NoteCodes(), SetFailOn},
        {{"--strict"}, nullptr, "count every note as a failure",
         [](Options &options, const std::string &) { options.strict = true; }},
        {{"-h", "--help"}, nullptr, "print this help", nullptr},
        {{"--version"}, nullptr, "print the version and the license", nullptr},
    };
    return kOptions;
}

// text in lines of at most 80 columns, the first after first, the others after an indent.
std::string Wrapped(const std::string &first, const std::string &text, size_t indent)
{
    return LaidOut(first + text, {80, indent, nullptr, 0}) + "\n";
}

std::string ExitStatuses()
{
    std::string notes, failures;
    for (const WarningRow &row : WarningRows()) {
        std::string &list = row.severity == Severity::kNote ? notes : failures;
        if (row.help != nullptr)
            list += (list.empty() ? "" : ", ") + std::string(row.help);
    }
    return "Exit status:\n" + Wrapped("  0  ", "every list runs as written; notes may remain: " + notes, 5)
         + Wrapped("  1  ", "something will not happen as written: " + failures + "; with --fail-on, the notes it "
                   "names too, and with --strict, any note", 5)
         + Wrapped("  2  ", "a usage error, a folder or list that cannot be read, or a report that cannot be written", 5);
}

std::string Help()
{
    std::string out = std::string(kIntroduction) + "\n";
    for (const Option &option : Table()) {
        std::string names;
        for (const std::string &name : option.names)
            names += (names.empty() ? "" : ", ") + name;
        names = "  " + names + (option.value ? std::string(" ") + option.value : "");
        // Names too long for their column stand on a line of their own.
        out += names.size() < 22 ? Wrapped(names + std::string(22 - names.size(), ' '), option.help, 22)
                                 : names + "\n" + Wrapped(std::string(22, ' '), option.help, 22);
    }
    return out + "\n" + Wrapped("", kPackages, 0) + "\n" + ExitStatuses();
}

const Option *Find(const std::string &name)
{
    for (const Option &option : Table()) {
        for (const std::string &each : option.names) {
            if (each == name)
                return &option;
        }
    }
    return nullptr;
}

}  // namespace

std::optional<Options> ParseOptions(const std::vector<std::string> &arguments, std::string *answer)
{
    Options options;
    std::vector<std::string> folders;
    for (size_t i = 0; i < arguments.size(); i++) {
        std::string name = arguments[i], value;
        size_t equals = name.rfind("--", 0) == 0 ? name.find('=') : std::string::npos;
        bool inlineValue = equals != std::string::npos;
        if (inlineValue) {
            value = name.substr(equals + 1);
            name.erase(equals);
        }
        const Option *option = Find(name);
        if (name == "--" && !inlineValue) {
            folders.insert(folders.end(), arguments.begin() + i + 1, arguments.end());
            break;
        }
        if (option == nullptr && name.size() > 1 && name[0] == '-')
            throw UsageError{"unknown option '" + ShownBytes(arguments[i]) + "'"};
        if (option == nullptr) {
            folders.push_back(name);
            continue;
        }
        if (option->value == nullptr && inlineValue)
            throw UsageError{name + " takes no value"};
        if (option->value != nullptr && !inlineValue && i + 1 >= arguments.size())
            throw UsageError{name + " needs a value"};
        if (option->set == nullptr) {
            *answer = name == "--version" ? kVersion : Help();
            return std::nullopt;
        }
        option->set(options, option->value == nullptr || inlineValue ? value : arguments[++i]);
    }
    if (folders.size() != 1)
        throw UsageError{folders.empty() ? "no FOLDER given" : "more than one FOLDER given"};
    options.folder = folders[0];
    return options;
}

}  // namespace check
