// The list's name as the device forms it, and the files on a card named nearly so.
#include <algorithm>

#include "card_folder.h"
#include "core/batch.h"

namespace check {

using desktop::Kind;

// The list's name as the device forms it, folded: "SETUPFILE.CE" and ".TXT".
static const Text kFoldedStart = desktop::FoldCase(kListNameStart), kFoldedEnd = desktop::FoldCase(kListNameEnd);

// The list's name with the version in decimal, as the device writes it: no leading zero.
bool ListVersion(const Text &foldedName, unsigned long *version)
{
    const Text &prefix = kFoldedStart, &suffix = kFoldedEnd;
    if (foldedName.size() <= prefix.size() + suffix.size()
        || foldedName.compare(0, prefix.size(), prefix) != 0
        || foldedName.compare(foldedName.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    Text digits = foldedName.substr(prefix.size(), foldedName.size() - prefix.size() - suffix.size());
    std::optional<unsigned long> value = WholeNumber(digits);
    if (!value || (digits.size() > 1 && digits[0] == L'0'))
        return false;
    *version = *value;
    return true;
}

std::vector<ListFile> CardFolder::Lists()
{
    const Listing &listing = ListingOf(root_);
    if (!listing.readable)
        throw CheckError("cannot read the folder " + shownRoot_ + ": " + listing.why);
    std::vector<ListFile> lists;
    for (const auto &[folded, name] : listing.names) {
        ListFile list;
        if (!ListVersion(folded, &list.osVersion))
            continue;
        list.path = root_ / name;
        NameText(name, &list.name);
        list.facts = FactsOf(list.path);
        if (list.facts.kind != Kind::kDirectory)  // a folder so named is no list to the device
            lists.push_back(list);
    }
    std::stable_sort(lists.begin(), lists.end(), [](const ListFile &a, const ListFile &b) {
        return a.osVersion != b.osVersion ? a.osVersion < b.osVersion : a.name < b.name;
    });
    return lists;
}


// Splits a folded name as "SETUPFILE" SEPARATOR "CE" DIGITS REST; false when it does not
// start so (the separator may be empty, the digits may not).
static bool SplitListName(const Text &folded, Text *separator, Text *digits, Text *rest)
{
    const size_t dot = kFoldedStart.rfind(L'.');
    const Text head = kFoldedStart.substr(0, dot), ceTail = kFoldedStart.substr(dot + 1);
    size_t ce = folded.find(ceTail, head.size());
    if (folded.compare(0, head.size(), head) != 0 || ce == Text::npos || ce > head.size() + 1)
        return false;
    size_t end = ce + ceTail.size();
    while (end < folded.size() && folded[end] >= L'0' && folded[end] <= L'9')
        end++;
    *separator = folded.substr(head.size(), ce - head.size());
    *digits = folded.substr(ce + ceTail.size(), end - ce - ceTail.size());
    *rest = folded.substr(end);
    return !digits->empty() && digits->size() <= 10;
}

static std::string ListName(unsigned long version)
{
    return "\"" + ToUtf8(kListNameStart) + std::to_string(version) + ToUtf8(kListNameEnd) + "\"";
}

// Part of a name, quoted as it is: the report escapes the reason it stands in as a whole.
static std::string Exact(const Text &part) { return "\"" + ToUtf8(part) + "\""; }

// What keeps a name (folded, and as it is) from being the list it nearly is, and that
// list's version; empty when it is not near one. *wouldRun: the device would run it under the
// right name; false for a second extension other than .txt, which puts a list aside.
static std::string NearMissWhy(const Text &folded, const Text &name, unsigned long *version, bool *wouldRun)
{
    Text separator, digits, rest;
    if (!SplitListName(folded, &separator, &digits, &rest))
        return "";
    size_t zeros = std::min(digits.find_first_not_of(L'0'), digits.size() - 1);
    std::optional<unsigned long> value = WholeNumber(digits);
    if (!value)
        return "";
    *version = *value;
    const std::string wanted = "; the device looks for " + ListName(*version);
    Text trimmed = rest.substr(0, rest.find_last_not_of(L' ') + 1);
    const size_t end = kFoldedEnd.size();
    *wouldRun = true;
    if (separator == L"." && zeros == 0 && rest.size() > end && rest.compare(0, end, kFoldedEnd) == 0 && rest[end] == L'.') {
        *wouldRun = rest == kFoldedEnd + kFoldedEnd;
        return "it has a second extension, " + Exact(name.substr(folded.size() - rest.size() + end))
             + ", which Windows hides" + wanted;
    }
    if (separator == L"." && zeros == 0 && trimmed == kFoldedEnd)
        return "its name ends in spaces after .txt" + wanted;
    if (separator == L"." && zeros == 0 && rest.empty())
        return "its name has no .txt at the end" + wanted;
    if (separator != L"." && zeros == 0 && rest == kFoldedEnd)
        return (separator.empty() ? std::string("the dot before CE is missing")
                                  : "it has " + Exact(separator) + " where the dot before CE goes") + wanted;
    if (separator == L"." && zeros > 0 && rest == kFoldedEnd)
        return "its version has a leading zero" + wanted;
    return "";
}

std::vector<NearMiss> CardFolder::NearMisses(std::optional<unsigned long> version)
{
    std::vector<NearMiss> misses;
    std::vector<unsigned long> listed;  // the versions that have a list
    for (const auto &[folded, name] : ListingOf(root_).names) {
        unsigned long listVersion;
        if (ListVersion(folded, &listVersion) && FactsOf(root_ / name).kind != Kind::kDirectory)
            listed.push_back(listVersion);
    }
    for (const auto &[folded, name] : ListingOf(root_).names) {
        unsigned long meant = 0, unused;
        bool wouldRun = true;
        Text text;
        if (ListVersion(folded, &unused) || !NameText(name, &text))
            continue;
        std::string why = NearMissWhy(folded, text, &meant, &wouldRun);
        if (why.empty() || (version && *version != meant) || FactsOf(root_ / name).kind != Kind::kFile)
            continue;
        bool alone = std::find(listed.begin(), listed.end(), meant) == listed.end();
        misses.push_back({text, why, meant, wouldRun && alone});
    }
    return misses;
}

}  // namespace check
