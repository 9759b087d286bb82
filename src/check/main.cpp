// cabbatch-check: shows, before a card goes into a device, what the device program will do
// with it. A second front end over the device program's core; it only reads.
#include <cstdlib>
#include <optional>

#include "report.h"

namespace {

const char kVersion[] = "cabbatch-check 1.0.0\n";
const char kUsage[] =
    "Usage: cabbatch-check [options] FOLDER\n"
    "Shows what cabbatch will do with the install lists in FOLDER, the folder on the card\n"
    "(or a copy of it) that holds cabbatch.exe, its lists and its packages.\n"
    "\n"
    "  --device-dir PATH  FOLDER's path on the device (default \\Storage Card)\n"
    "  --os-version N     check only SetupFile.CE<N>.txt (default: every list)\n"
    "  --codepage N       the device's ANSI code page, for lines that are not UTF-8\n"
    "                     (default 1252)\n"
    "  --json             print the report as one JSON object\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 when every list runs once and installs every line's package, found and\n"
    "without warnings; 1 when something needs looking at; 2 for a usage error or a folder\n"
    "or list that cannot be read.\n";

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

// The device's own directory never ends in a backslash; the root is the empty one.
desktop::Text DeviceDirectory(const std::string &path)
{
    desktop::Text directory = desktop::FromUtf8(path);
    while (!directory.empty() && directory.back() == L'\\')
        directory.pop_back();
    return directory;
}

// Parses the options; nullopt when --help or --version has been answered.
std::optional<check::Options> ParseOptions(const std::vector<std::string> &arguments)
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
        if (argument == "--help" || argument == "--version") {
            desktop::Write(false, argument == "--help" ? kUsage : kVersion);
            return std::nullopt;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--device-dir") {
            options.deviceDir = DeviceDirectory(takeValue());
        } else if (argument == "--os-version") {
            std::string text = takeValue();
            options.osVersion = Number(text, 0xFFFFFFFFul);
            if (!options.osVersion)
                throw UsageError{"--os-version takes a whole number, not '" + text + "'"};
        } else if (argument == "--codepage") {
            std::string text = takeValue();
            std::optional<unsigned long> page = Number(text, 65535);
            if (!page || !desktop::HasCodePage(int(*page)))
                throw UsageError{"--codepage takes one of the code pages " + desktop::CodePageNames()
                                 + ", not '" + text + "'"};
            options.codePage = int(*page);
        } else if (argument == "--") {
            folders.insert(folders.end(), arguments.begin() + i + 1, arguments.end());
            break;
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw UsageError{"unknown option '" + argument + "'"};
        } else {
            folders.push_back(argument);
        }
    }
    if (folders.size() != 1)
        throw UsageError{folders.empty() ? "no FOLDER given" : "more than one FOLDER given"};
    options.folder = folders[0];
    return options;
}

}  // namespace

int main(int argc, char **argv)
{
    try {
        std::optional<check::Options> options = ParseOptions(desktop::Arguments(argc, argv));
        if (!options)
            return 0;
        check::Report report = check::CheckCard(*options);
        desktop::Write(false, options->json ? check::JsonReport(report) : check::HumanReport(report));
        return check::ThingsToLookAt(report) ? 1 : 0;
    } catch (const UsageError &error) {
        desktop::Write(true, "cabbatch-check: " + error.message + ". Try 'cabbatch-check --help'.\n");
    } catch (const check::CheckError &error) {
        desktop::Write(true, "cabbatch-check: " + std::string(error.what()) + ".\n");
    } catch (const std::exception &error) {
        desktop::Write(true, "cabbatch-check: the check failed: " + std::string(error.what()) + ".\n");
    }
    return 2;
}
