// A card folder read as the device's file system reads it: names match without regard to
// case, and a name relative to the folder is separated by backslashes.
#include <algorithm>

#include "report.h"

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
    listing.readable = desktop::ListFolder(folder, &names, &listing.why);
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

// "SetupFile.CE" and the version in decimal, as the device writes it: no leading zero.
static bool ListVersion(const Text &foldedName, unsigned long *version)
{
    const Text prefix = L"SETUPFILE.CE", suffix = L".TXT";
    if (foldedName.size() <= prefix.size() + suffix.size()
        || foldedName.compare(0, prefix.size(), prefix) != 0
        || foldedName.compare(foldedName.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    Text digits = foldedName.substr(prefix.size(), foldedName.size() - prefix.size() - suffix.size());
    if (digits.size() > 10 || (digits.size() > 1 && digits[0] == L'0'))
        return false;
    unsigned long long value = 0;
    for (wchar_t digit : digits) {
        if (digit < L'0' || digit > L'9')
            return false;
        value = value * 10 + (digit - L'0');
    }
    *version = static_cast<unsigned long>(value);
    return value <= 0xFFFFFFFFull;
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

PackageLookup CardFolder::Find(const Text &relativeName)
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
        const Kind wanted = last ? Kind::kFile : Kind::kDirectory;
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
