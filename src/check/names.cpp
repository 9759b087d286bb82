// Names as the device and its installer take them.
#include "names.h"

#include <algorithm>

namespace check {

std::optional<wchar_t> UnholdableCharacter(const Text &name)
{
    for (wchar_t c : name) {
        switch (c) {
        case L'?': case L'*': case L':': case L'<': case L'>': case L'|': case L'"':
            return c;
        default:
            if ((c & 0xFFFF) < 0x20)
                return c;
        }
    }
    return std::nullopt;
}

size_t TrailingDotsAndSpaces(const Text &name)
{
    size_t kept = name.find_last_not_of(L". ");
    return kept == Text::npos ? name.size() : name.size() - kept - 1;
}

Text WithoutTrailing(const Text &name) { return name.substr(0, name.size() - TrailingDotsAndSpaces(name)); }

std::string TrailingWords(const Text &name)
{
    const Text tail = name.substr(name.size() - TrailingDotsAndSpaces(name));
    const size_t dots = size_t(std::count(tail.begin(), tail.end(), L'.'));
    if (dots > 0 && dots < tail.size())
        return "dots and spaces";
    const std::string what = dots > 0 ? "dot" : "space";
    return tail.size() == 1 ? "a " + what : std::to_string(tail.size()) + " " + what + "s";
}

Text WithoutSpaces(Text name)
{
    name.erase(std::remove_if(name.begin(), name.end(), [](wchar_t c) { return c == L' ' || c == L'\u00a0'; }),
               name.end());
    return name;
}

Cause CauseOf(const Text &name, const Text &found)
{
    if (TrailingDotsAndSpaces(name) > 0)
        return Cause::kTrailing;
    const size_t start = name.rfind(L'\\') + 1;  // 0 without a folder
    if (found.empty() || (name[start] != L' ' && name.find(L'\u00a0', start) == Text::npos))
        return Cause::kNone;  // most names: nothing to compare
    const Text last = name.substr(start), foundLast = desktop::FoldCase(LastPart(found));
    if (!last.empty() && last[0] == L' ' && desktop::FoldCase(last.substr(last.find_first_not_of(L' '))) == foundLast)
        return Cause::kLeadingSpace;
    if (last.find(L'\u00a0') != Text::npos && WithoutSpaces(desktop::FoldCase(last)) == WithoutSpaces(foundLast))
        return Cause::kNonBreakingSpace;
    return Cause::kNone;
}

std::string CauseWords(Cause cause, const Text &name)
{
    switch (cause) {
    case Cause::kTrailing: return "the entry ends with " + TrailingWords(name);
    case Cause::kLeadingSpace: return "the entry starts with a space";
    case Cause::kNonBreakingSpace: return "the entry holds a non-breaking space";
    case Cause::kNone: break;
    }
    return "";
}

bool LooksLikeComment(const Text &entry)
{
    auto is = [&](size_t at, wchar_t upper) { return at < entry.size() && desktop::UpperCase(entry[at]) == upper; };
    return is(0, L';') || is(0, L'#') || (is(0, L'/') && is(1, L'/'))
        || (is(0, L'R') && is(1, L'E') && is(2, L'M') && is(3, L' '));
}

// The installer's switches are words between ASCII white space, their quotes dropped;
// "/delete" in any ASCII case followed by "0" keeps the package on the card.
static bool KeepsPackage(const Text &switches)
{
    std::vector<Text> words(1);
    for (wchar_t c : switches) {
        if (c == L' ' || (c >= L'\t' && c <= L'\r')) {
            if (!words.back().empty())
                words.emplace_back();
        } else if (c != L'"') {
            words.back() += c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c;
        }
    }
    for (size_t i = 0; i + 1 < words.size(); i++) {
        if (words[i] == L"/delete" && words[i + 1] == L"0")
            return true;
    }
    return false;
}

InstallerView AsInstallerReads(const Text &entry)
{
    InstallerView view;
    const size_t quote = entry.find(L'"');
    view.package = entry.substr(0, quote);
    if (quote != Text::npos) {
        view.switches = entry.substr(quote + 1) + L"\"";
        view.keepsPackage = KeepsPackage(*view.switches);
    }
    return view;
}

std::optional<Text> AfterDeviceFolder(const Text &entry, const Text &deviceDir)
{
    const size_t at = std::min(entry.find_first_not_of(L'\\'), entry.size());
    const size_t folderStart = std::min(deviceDir.find_first_not_of(L'\\'), deviceDir.size());
    const size_t length = deviceDir.size() - folderStart;
    if (length == 0 || entry.size() <= at + length || entry[at + length] != L'\\')
        return std::nullopt;
    for (size_t i = 0; i < length; i++) {
        if (desktop::UpperCase(entry[at + i]) != desktop::UpperCase(deviceDir[folderStart + i]))
            return std::nullopt;
    }
    return entry.substr(at + length + 1);
}

Text FoldedRelative(const Text &name)
{
    Text folded;
    for (size_t start = 0; start <= name.size();) {
        size_t end = std::min(name.find(L'\\', start), name.size());
        if (end > start)
            folded += (folded.empty() ? L"" : L"\\") + desktop::FoldCase(name.substr(start, end - start));
        start = end + 1;
    }
    return folded;
}

Text LastPart(const Text &name)
{
    const size_t cut = name.rfind(L'\\');
    return cut == Text::npos ? name : name.substr(cut + 1);
}

Text FolderPart(const Text &name)
{
    const size_t cut = name.rfind(L'\\');
    return cut == Text::npos ? Text() : name.substr(0, cut);
}

}  // namespace check
