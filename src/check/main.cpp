// cabbatch-check: shows, before a card goes into a device, what the device program will do
// with it. A second front end over the device program's core; it only reads.
#include <cstdlib>
#include <optional>

#include "report.h"

namespace {

const char kVersion[] = "cabbatch-check 1.1.0\n";
const char kUsage[] =
    "Usage: cabbatch-check [options] FOLDER\n"
    "Shows what cabbatch will do with the install lists in FOLDER, the folder on the\n"
    "card (or a copy of it) that holds cabbatch.exe, its lists and its packages.\n"
    "\n"
    "  --device-dir PATH   FOLDER's path on the device (default \\Storage Card); empty\n"
    "                      for the root, else starting with \\ or a drive such as C:\\\n"
    "  --os-version N[.M]  check only SetupFile.CE<N>.txt (default: every list); a\n"
    "                      package's OS range is checked against N.M (default: each\n"
    "                      list's N.0)\n"
    "  --processor N       the device's processor type, one of 1824 (ARM720), 2080\n"
    "                      (ARM820), 2336 (ARM920), 2577 (StrongARM) and 70001\n"
    "                      (ARM7TDMI); default: any ARM type may do\n"
    "  --codepage N        the device's ANSI code page, for lines that are not UTF-8\n"
    "                      (default 1252)\n"
    "  --json              print the report as one JSON object\n"
    "  --strict            count every note as a failure\n"
    "  -h, --help, --version\n"
    "\n"
    "Each package found is read through, and the report says whether the device's\n"
    "installer will take it: its cabinet, setup information, processor type and OS\n"
    "range. Each thing to look at is marked !.\n"
    "\n"
    "Exit status:\n"
    "  0  every list runs as written; notes may remain: a setup DLL, a package the\n"
    "     installer may refuse, an entry starting with a backslash or holding a\n"
    "     slash, a list ending in a lone byte, a file named nearly as a list, no\n"
    "     program in FOLDER yet\n"
    "  1  something will not happen as written: an installer start fails (package\n"
    "     not found, refused, repeated, or a quote in the entry), a line other than\n"
    "     a blank one is skipped, a list stays (unnamable, read-only, two for one\n"
    "     version, UTF-16 without its mark), no list runs, or FOLDER holds programs\n"
    "     and none is for the device; with --strict, any note too\n"
    "  2  a usage error, a folder or list that cannot be read, or a report that\n"
    "     cannot be written\n";

struct UsageError {
    std::string message;
};

std::optional<unsigned long> Number(const std::string &text, unsigned long most)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    return value <= most ? std::optional<unsigned long>(value) : std::nullopt;
}

// Why a device folder could not be one, or empty when it can: it is where the installer is
// told to find each package, inside double quotes.
std::string DeviceDirectoryFault(const check::Text &path)
{
    bool drive = desktop::StartsWithDrive(path);
    if (!path.empty() && path[0] != L'\\' && !drive)
        return "must be empty (the root) or start with \\ or a drive such as C:\\";
    for (size_t i = 0; i < path.size(); i++) {
        wchar_t c = path[i];
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            return "holds a control character";
        if (check::Text(L"\"*?<>|/").find(c) != check::Text::npos || (c == L':' && !(drive && i == 1)))
            return "holds a character that a device path cannot: " + check::Shown(check::Text(1, c));
    }
    return "";
}

// The device's own directory never ends in a backslash; the root is the empty one.
check::Text DeviceDirectory(const std::string &given)
{
    check::Text directory = check::FromUtf8(given);
    std::string fault = DeviceDirectoryFault(directory);
    if (!fault.empty() || directory.find(0xFFFD) != check::Text::npos)
        throw UsageError{"--device-dir '" + check::ShownBytes(given) + "' "
                         + (fault.empty() ? "is not UTF-8 text" : fault)};
    while (!directory.empty() && directory.back() == L'\\')
        directory.pop_back();
    return directory;
}

// Parses the options; nullopt with *answer set for --help and --version.
std::optional<check::Options> ParseOptions(const std::vector<std::string> &arguments,
                                           std::string *answer)
{
    check::Options options;
    std::vector<std::string> folders;
    for (size_t i = 0; i < arguments.size(); i++) {
        std::string argument = arguments[i], value;
        bool inlineValue = false;
        if (argument.rfind("--", 0) == 0 && argument.find('=') != std::string::npos) {
            value = argument.substr(argument.find('=') + 1);
            argument.erase(argument.find('='));
            inlineValue = true;
        }
        auto takeValue = [&]() {
            if (!inlineValue && i + 1 >= arguments.size())
                throw UsageError{argument + " needs a value"};
            return inlineValue ? value : arguments[++i];
        };
        auto noValue = [&]() {
            if (inlineValue)
                throw UsageError{argument + " takes no value"};
        };
        if (argument == "--help" || argument == "-h" || argument == "--version") {
            noValue();
            *answer = argument == "--version" ? kVersion : kUsage;
            return std::nullopt;
        } else if (argument == "--json") {
            noValue();
            options.json = true;
        } else if (argument == "--strict") {
            noValue();
            options.strict = true;
        } else if (argument == "--device-dir") {
            options.deviceDir = DeviceDirectory(takeValue());
            options.deviceDirGiven = true;
        } else if (argument == "--os-version") {
            std::string text = takeValue();
            size_t dot = text.find('.');
            options.osVersion = Number(text.substr(0, dot), 0xFFFFFFFFul);
            std::optional<unsigned long> minor = dot == std::string::npos ? 0ul : Number(text.substr(dot + 1), 0xFFFFFFFFul);
            if (!options.osVersion || !minor)
                throw UsageError{"--os-version takes MAJOR or MAJOR.MINOR, whole numbers, not '" + check::ShownBytes(text) + "'"};
            options.osMinor = *minor;
        } else if (argument == "--processor") {
            std::string text = takeValue();
            options.processor = Number(text, 0xFFFFFFFFul);
            if (!options.processor || !check::IsArmProcessor(*options.processor))
                throw UsageError{"--processor takes one of the ARM types 1824 (ARM720), 2080 (ARM820), 2336 (ARM920), "
                                 "2577 (StrongARM) and 70001 (ARM7TDMI), not '"
                                 + check::ShownBytes(text) + "'"};
        } else if (argument == "--codepage") {
            std::string text = takeValue();
            std::optional<unsigned long> page = Number(text, 65535);
            if (!page || !desktop::HasCodePage(int(*page)))
                throw UsageError{"--codepage takes one of the code pages " + desktop::CodePageNames()
                                 + ", not '" + check::ShownBytes(text) + "'"};
            options.codePage = int(*page);
        } else if (argument == "--" && !inlineValue) {
            folders.insert(folders.end(), arguments.begin() + i + 1, arguments.end());
            break;
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw UsageError{"unknown option '" + check::ShownBytes(arguments[i]) + "'"};
        } else {
            folders.push_back(argument);
        }
    }
    if (folders.size() != 1)
        throw UsageError{folders.empty() ? "no FOLDER given" : "more than one FOLDER given"};
    options.folder = folders[0];
    return options;
}

int Fail(const std::string &sentence)
{
    std::string ignored;  // stderr is the last place left to tell it
    desktop::Write(true, "cabbatch-check: " + sentence + "\n", &ignored);
    return 2;
}

int Check(int argc, char **argv)
{
    check::Output out;
    try {
        std::string answer;
        std::optional<check::Options> options = ParseOptions(desktop::Arguments(argc, argv), &answer);
        if (!options) {
            out.Add(answer);
            out.Flush();
            return out.Failed() ? Fail("cannot write the answer: " + out.Why() + ".") : 0;
        }
        std::unique_ptr<check::ReportWriter> writer =
            options->json ? check::JsonWriter(out) : check::HumanWriter(out);
        check::Outcome outcome = check::CheckCard(*options, *writer);
        if (out.Failed())
            return Fail("cannot write the report: " + out.Why() + ".");
        if (!outcome.failure.empty())
            return Fail(outcome.failure + ".");
        return outcome.totals.ready ? 0 : 1;
    } catch (const UsageError &error) {
        return Fail(error.message + ". Try 'cabbatch-check --help'.");
    } catch (const check::CheckError &error) {
        return Fail(std::string(error.what()) + ".");
    } catch (const std::exception &error) {
        return Fail("the check failed: " + std::string(error.what()) + ".");
    }
}

}  // namespace

int main(int argc, char **argv)
{
    int status = Check(argc, argv);
    desktop::HoldOwnConsole();
    return status;
}
