// The facts of a package's contents that both forms share: whole paths through the %CEn%
// folders, the flags' names, the bounds, and what the contents mean on the device.
#include "contents.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace check {

namespace {

// The Windows CE 6 (and Handheld PC) layout of ce-package-contents.md; Pocket PC devices
// put %CE11% to %CE14% and %CE17% under \Windows\Start Menu instead.
const wchar_t *const kCeFolders[] = {
    L"\\Program Files", L"\\Windows", L"\\Windows\\Desktop", L"\\Windows\\StartUp", L"\\My Documents",
    L"\\Program Files\\Accessories", L"\\Program Files\\Communications", L"\\Program Files\\Games",
    L"\\Program Files\\Pocket Outlook", L"\\Program Files\\Office", L"\\Windows\\Programs",
    L"\\Windows\\Programs\\Accessories", L"\\Windows\\Programs\\Communications", L"\\Windows\\Programs\\Games",
    L"\\Windows\\Fonts", L"\\Windows\\Recent", L"\\Windows\\Favorites",
};
const unsigned kStartUp = 4;             // a program placed there starts at every boot

const std::pair<unsigned long, const char *> kFlags[] = {
    {kFileShared, "shared"}, {kFileAlwaysOverwrite, "always-overwrite"}, {kFileKeepNewer, "keep-newer"},
    {kFileNeverOverwrite, "never-overwrite"}, {kFileOnlyIfPresent, "only-if-present"},
    {kFileSelfRegister, "self-register"}, {kFileNeverSkip, "never-skip"}, {kFileWarnIfSkipped, "warn-if-skipped"},
};

// The folder of a macro such as "%CE2%" (folded); empty for any other.
Text MacroFolder(const Text &folded)
{
    if (folded.size() < 5 || folded.compare(0, 3, L"%CE") != 0)
        return L"";
    std::optional<unsigned long> number = WholeNumber(folded.substr(3, folded.size() - 4));
    return number && *number <= 17 ? CeFolder(unsigned(*number)) : L"";
}

}  // namespace

std::string BoundSentence(SetupBound bound)
{
    switch (bound) {
    case SetupBound::kOutside: return "a count, offset, length or id in its setup information leads outside it";
    case SetupBound::kTooLarge: return "its setup information is over 1 MiB, more than the check reads";
    case SetupBound::kTooLong: break;
    }
    return "a string or path in its setup information is over " + std::to_string(kTextMost) + " characters";
}

Text CeFolder(unsigned number)
{
    return number >= 1 && number <= std::size(kCeFolders) ? kCeFolders[number - 1] : L"";
}

// The device's file system takes a run of backslashes as one: "\\Windows\\x.dll" is
// \Windows\x.dll, to compare and to show.
static Text OneBackslash(Text path)
{
    path.erase(std::unique(path.begin(), path.end(), [](wchar_t a, wchar_t b) { return a == L'\\' && b == L'\\'; }),
               path.end());
    return path;
}

Text WholePath(const Text &written, const std::optional<Text> &installDir)
{
    Text path = written;
    size_t end = path.empty() || path[0] != L'%' ? Text::npos : path.find(L'%', 1);
    if (end != Text::npos) {
        const Text macro = desktop::FoldCase(path.substr(0, end + 1)), rest = path.substr(end + 1);
        Text base = macro == L"%INSTALLDIR%" && installDir ? *installDir : MacroFolder(macro);
        if (!base.empty())
            path = base + (rest.empty() || rest[0] == L'\\' ? rest : L"\\" + rest);
    }
    if (path.empty() || (path[0] != L'\\' && !Unresolved(path)))
        path = L"\\" + path;
    path = OneBackslash(path);
    while (path.size() > 1 && path.back() == L'\\')
        path.pop_back();
    return path;
}

Text JoinPath(const Text &folder, const Text &name) { return OneBackslash(folder + L"\\" + name); }

Text FolderOf(const Text &path)
{
    size_t end = path.rfind(L'\\');
    return end == Text::npos || end == 0 ? L"\\" : path.substr(0, end);
}

bool Unresolved(const Text &path) { return !path.empty() && path[0] == L'%'; }

std::vector<std::string> FlagNames(unsigned long flags)
{
    std::vector<std::string> names;
    for (const auto &[bit, name] : kFlags) {
        if (flags & bit)
            names.push_back(name);
        flags &= ~bit;
    }
    for (unsigned long bit = 1; bit != 0 && bit <= 0x80000000ul; bit <<= 1) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08lx", bit);
        if (flags & bit)
            names.push_back(hex);
    }
    return names;
}

const char *RegistryTypeName(RegistryType type)
{
    static const char *const kNames[] = {"string", "dword", "multi-string", "binary"};
    return kNames[int(type)];
}

std::vector<const InstalledFile *> ForeignFiles(const Contents &contents)
{
    std::vector<const InstalledFile *> foreign;
    for (const InstalledFile &file : contents.files) {
        if (IsForeign(file.code))
            foreign.push_back(&file);
    }
    return foreign;
}

bool HasDotnet(const Contents &contents)
{
    for (const InstalledFile &file : contents.files) {
        if (file.code.kind == CodeKind::kDotnet)
            return true;
    }
    return false;
}

std::vector<Text> StartsAtBoot(const Contents &contents)
{
    const Text startUp = desktop::FoldCase(CeFolder(kStartUp));
    auto there = [&](const Text &path) { return desktop::FoldCase(FolderOf(path)) == startUp; };
    std::vector<Text> programs;
    for (const Shortcut &shortcut : contents.shortcuts) {
        if (there(shortcut.path))
            programs.push_back(shortcut.target);
    }
    for (const InstalledFile &file : contents.files) {
        if (there(file.path))
            programs.push_back(file.path);
    }
    return programs;
}

}  // namespace check
