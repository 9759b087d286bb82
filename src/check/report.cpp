// Builds the card check's report: the core reads and classifies every line and builds each
// argument string; this file only gathers what it decided and looks the packages up.
#include "report.h"

#include <map>

namespace check {

static Reason ReasonFor(LineOutcome outcome)
{
    switch (outcome) {
    case kLineEntry: return Reason::kNone;
    case kLineBlank: return Reason::kBlank;
    case kLineNul: return Reason::kNul;
    case kLineTooLong: return Reason::kTooLong;
    case kLineReadError: return Reason::kReadError;
    }
    return Reason::kReadError;
}

static Text PackagePath(const Text &deviceDir, const Text &entry)
{
    std::vector<wchar_t> path(deviceDir.size() + entry.size() + 2);
    int length = 0;
    AppendPackagePath(path.data(), int(path.size()), &length, deviceDir.c_str(), entry.c_str());
    return Text(path.data(), length);
}

// The installer's arguments, the package and what the device would not tell about it.
static void DescribeEntry(LineReport &line, const Text &deviceDir, desktop::CardFolder &folder,
                          std::map<Text, int> &firstLineOf)
{
    wchar_t arguments[kArgumentsCapacity];
    line.package = PackagePath(deviceDir, line.entry);
    if (FormatInstallArguments(deviceDir.c_str(), line.entry.c_str(), arguments) != 0) {
        line.reason = Reason::kDoesNotFit;
        return;
    }
    line.arguments = arguments;
    line.found = folder.HasFile(line.entry);
    if (line.entry.find(L'"') != Text::npos)
        line.warnings.push_back(Warning::kQuote);
    if (line.entry[0] == L'\\')
        line.warnings.push_back(Warning::kAbsolute);
    auto [first, isNew] = firstLineOf.emplace(desktop::FoldCase(line.package), line.number);
    if (!isNew) {
        line.warnings.push_back(Warning::kDuplicate);
        line.sameAs = first->second;
    }
}

static ListReport CheckList(const desktop::ListFile &file, const Options &options,
                            desktop::CardFolder &folder)
{
    ListReport report;
    report.file = file;
    wchar_t listPath[kListPathCapacity];
    report.runs = FormatListPath(options.deviceDir.c_str(), file.osVersion, listPath) == 0;

    PlatformHandle handle = desktop::OpenForReading(file.path);
    if (handle == nullptr)
        throw CheckError("cannot read the list " + file.name);
    InstallList list;
    BeginInstallList(&list, handle);
    report.encoding = list.encoding;
    wchar_t text[kLineCapacity];
    ListLine read;
    std::map<Text, int> firstLineOf;  // folded package path -> its first line
    while (ReadListLine(&list, text, &read)) {
        LineReport line;
        line.number = read.number;
        line.reason = ReasonFor(read.outcome);
        if (line.reason == Reason::kNone) {
            line.entry = text;
            DescribeEntry(line, options.deviceDir, folder, firstLineOf);
        }
        report.lines.push_back(line);
    }
    desktop::CloseForReading(handle);
    return report;
}

Report CheckCard(const Options &options)
{
    desktop::SelectCodePage(options.codePage);
    desktop::CardFolder folder(desktop::fs::u8path(options.folder));
    std::vector<desktop::ListFile> lists;
    try {
        lists = folder.Lists();
    } catch (const desktop::fs::filesystem_error &error) {
        throw CheckError("cannot read the folder " + options.folder + ": "
                         + error.code().message());
    }
    Report report{options, {}};
    for (const desktop::ListFile &file : lists) {
        if (!options.osVersion || *options.osVersion == file.osVersion)
            report.lists.push_back(CheckList(file, options, folder));
    }
    return report;
}

bool LineIsClean(const LineReport &line)
{
    return line.reason == Reason::kBlank
        || (line.reason == Reason::kNone && line.found && line.warnings.empty());
}

size_t ThingsToLookAt(const Report &report)
{
    size_t count = report.lists.empty();
    for (const ListReport &list : report.lists) {
        count += !list.runs || list.file.readOnly;
        for (const LineReport &line : list.lines)
            count += !LineIsClean(line);
    }
    return count;
}

}  // namespace check
