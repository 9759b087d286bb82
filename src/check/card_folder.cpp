// A card folder read as the device's file system reads it: names match without regard to
// case, and a name relative to the folder is separated by backslashes.
#include "card_folder.h"

#include <algorithm>

#include "core/batch.h"

namespace check {

using desktop::Kind;

// A name as the device would see it; false for one that is not text (on POSIX, bytes that
// are not UTF-8), which no entry can name.
[[maybe_unused]] static bool NameText(const std::string &name, Text *text) { return DecodeUtf8Name(name, text); }

[[maybe_unused]] static bool NameText(const std::wstring &name, Text *text)
{
    *text = name;
    return true;
}

CardFolder::CardFolder(desktop::Path root, std::string shownRoot)
    : root_(std::move(root)), shownRoot_(std::move(shownRoot))
{
}

const CardFolder::Listing &CardFolder::ListingOf(const desktop::Path &folder)
{
    auto known = listings_.find(folder.native());
    if (known != listings_.end())
        return known->second;
    Listing &listing = listings_[folder.native()];
    std::vector<desktop::NativeName> names;
    listing.readable = desktop::ListFolder(folder, &names, &listing.why) == kOk;
    for (const desktop::NativeName &name : names) {
        Text text;
        if (NameText(name, &text))
            listing.names.emplace(desktop::FoldCase(text), name);
    }
    return listing;
}

const desktop::Facts &CardFolder::FactsOf(const desktop::Path &path)
{
    auto known = facts_.find(path.native());
    if (known != facts_.end())
        return known->second;
    return facts_[path.native()] = desktop::Inspect(path);
}

// The list's name as the device forms it, folded: "SETUPFILE.CE" and ".TXT".
static const Text kFoldedStart = desktop::FoldCase(kListNameStart), kFoldedEnd = desktop::FoldCase(kListNameEnd);

// The list's name with the version in decimal, as the device writes it: no leading zero.
static bool ListVersion(const Text &foldedName, unsigned long *version)
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

std::string CardFolder::CannotRead(const Text &subfolder, const std::string &why) const
{
    if (subfolder.empty())
        return "cannot read the folder " + shownRoot_ + ": " + why;
    return "cannot read the card's folder " + Quoted(subfolder.substr(1)) + ": " + why;
}

PackageLookup CardFolder::Find(const Text &relativeName) { return Resolve(relativeName, Kind::kFile); }

PackageLookup CardFolder::Resolve(const Text &relativeName, desktop::Kind lastKind)
{
    desktop::Path folder = root_;
    Text shownFolder;
    for (size_t start = 0;; ) {
        size_t end = std::min(relativeName.find(L'\\', start), relativeName.size());
        const Text part = relativeName.substr(start, end - start);
        const bool last = end == relativeName.size();
        start = end + 1;
        if (part.empty()) {  // an empty part comes of a doubled or leading backslash
            if (last)
                return {};
            continue;
        }
        const Listing &listing = ListingOf(folder);
        if (!listing.readable)
            return {Lookup::kUnreadable, {}, CannotRead(shownFolder, listing.why)};
        // On a host that tells case apart, several names may fold alike: the one of the
        // wanted kind counts, as it is the one the device could hold.
        const Kind wanted = last ? lastKind : Kind::kDirectory;
        PackageLookup lookup;
        auto [match, matchEnd] = listing.names.equal_range(desktop::FoldCase(part));
        for (; match != matchEnd; ++match) {
            const desktop::Facts &facts = FactsOf(folder / match->second);
            if (facts.kind == wanted) {
                lookup.result = Lookup::kFound;
                folder /= match->second;
                lookup.path = folder;
                break;
            }
            if (facts.kind == Kind::kUnreadable && lookup.result != Lookup::kUnreadable)
                lookup = {Lookup::kUnreadable, {}, CannotRead(shownFolder + L"\\" + part, facts.why)};
            else if (facts.kind == Kind::kOther && last && lookup.result == Lookup::kMissing)
                lookup.result = Lookup::kNotAFile;
        }
        if (lookup.result != Lookup::kFound || last)
            return lookup;
        shownFolder += L"\\" + part;
    }
}

}  // namespace check

namespace check {

// The edit distance between two names, or most + 1 when it is more than most.
static size_t Distance(const Text &a, const Text &b, size_t most)
{
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > most)
        return most + 1;
    std::vector<size_t> row(b.size() + 1), next(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); i++) {
        next[0] = i;
        for (size_t j = 1; j <= b.size(); j++)
            next[j] = std::min({row[j] + 1, next[j - 1] + 1, row[j - 1] + (a[i - 1] != b[j - 1])});
        row.swap(next);
    }
    return std::min(row[b.size()], most + 1);
}

static Text WithoutSpaces(Text text)
{
    text.erase(std::remove(text.begin(), text.end(), L' '), text.end());
    return text;
}

Text CardFolder::Suggest(const Text &relativeName)
{
    const size_t cut = relativeName.rfind(L'\\');
    const Text head = cut == Text::npos ? Text() : relativeName.substr(0, cut + 1);
    const Text wanted = desktop::FoldCase(relativeName.substr(head.size()));
    desktop::Path folder = root_;
    if (!head.empty()) {
        PackageLookup found = Resolve(head.substr(0, head.size() - 1), Kind::kDirectory);
        if (found.result != Lookup::kFound)
            return {};
        folder = found.path;
    }
    const Listing &listing = ListingOf(folder);
    // A difference of spaces counts 0, then one or two characters, but never half the name
    // before its extension: "x.cab" is not close to "a.cab".
    const size_t stem = std::min(wanted.rfind(L'.'), wanted.size());
    size_t best = std::min<size_t>(3, (stem + 1) / 2);
    Text suggestion;
    for (const auto &[folded, name] : listing.names) {
        size_t distance = WithoutSpaces(folded) == WithoutSpaces(wanted) ? 0 : Distance(folded, wanted, 2);
        if (distance < best && folded != wanted && FactsOf(folder / name).kind == Kind::kFile) {
            best = distance;
            NameText(name, &suggestion);
        }
    }
    return suggestion.empty() ? Text() : head + suggestion;
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

// What keeps a name (folded, and as it is) from being the list it nearly is, and that
// list's version; empty when it is not near one.
static std::string NearMissWhy(const Text &folded, const Text &name, unsigned long *version)
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
    if (separator == L"." && zeros == 0 && rest.size() > end && rest.compare(0, end, kFoldedEnd) == 0 && rest[end] == L'.')
        return "it has a second extension, " + Quoted(name.substr(folded.size() - rest.size() + end))
             + ", which Windows hides" + wanted;
    if (separator == L"." && zeros == 0 && trimmed == kFoldedEnd)
        return "its name ends in spaces after .txt" + wanted;
    if (separator == L"." && zeros == 0 && rest.empty())
        return "its name has no .txt at the end" + wanted;
    if (separator != L"." && zeros == 0 && rest == kFoldedEnd)
        return (separator.empty() ? std::string("the dot before CE is missing")
                                  : "it has " + Quoted(separator) + " where the dot before CE goes") + wanted;
    if (separator == L"." && zeros > 0 && rest == kFoldedEnd)
        return "its version has a leading zero" + wanted;
    return "";
}

std::vector<NearMiss> CardFolder::NearMisses(std::optional<unsigned long> version)
{
    std::vector<NearMiss> misses;
    for (const auto &[folded, name] : ListingOf(root_).names) {
        unsigned long listed, meant = 0;
        Text text;
        if (ListVersion(folded, &listed) || !NameText(name, &text))
            continue;
        std::string why = NearMissWhy(folded, text, &meant);
        if (why.empty() || (version && *version != meant) || FactsOf(root_ / name).kind != Kind::kFile)
            continue;
        misses.push_back({text, why});
    }
    return misses;
}

std::vector<std::pair<Text, desktop::Path>> CardFolder::Programs()
{
    std::vector<std::pair<Text, desktop::Path>> programs;
    for (const auto &[folded, name] : ListingOf(root_).names) {
        Text text;
        if (folded.size() > 4 && folded.compare(folded.size() - 4, 4, L".EXE") == 0 && NameText(name, &text)
            && FactsOf(root_ / name).kind == Kind::kFile)
            programs.emplace_back(text, root_ / name);
    }
    return programs;
}

}  // namespace check
