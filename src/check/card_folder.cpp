// A card folder read as the device's file system reads it: names match without regard to
// case, and a name relative to the folder is separated by backslashes.
#include "card_folder.h"

#include <algorithm>

namespace check {

using desktop::Kind;

[[maybe_unused]] static bool TextOf(const std::string &name, Text *text) { return DecodeUtf8Name(name, text); }

[[maybe_unused]] static bool TextOf(const std::wstring &name, Text *text)
{
    *text = name;
    return true;
}

bool NameText(const desktop::NativeName &name, Text *text) { return TextOf(name, text); }

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
    // Sorted, so that of names folding alike the same one comes first on every host.
    std::sort(names.begin(), names.end());
    for (const desktop::NativeName &name : names) {
        Text text;
        if (NameText(name, &text))
            listing.names.emplace_hint(listing.names.end(), desktop::FoldCase(text), name);
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

// A name that cannot be looked at where a file is wanted is a file that cannot be read.
std::string CardFolder::CannotRead(const Text &name, bool file, const std::string &why) const
{
    if (name.empty())
        return "cannot read the folder " + shownRoot_ + ": " + why;
    return std::string("cannot read the card's ") + (file ? "file " : "folder ") + Quoted(name.substr(1)) + ": " + why;
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
            return {Lookup::kUnreadable, {}, CannotRead(shownFolder, false, listing.why), false};
        // On a host that tells case apart, several names may fold alike: the first of the
        // wanted kind counts, and a second is a twin that the device could not hold beside it.
        const Kind wanted = last ? lastKind : Kind::kDirectory;
        PackageLookup lookup;
        auto [match, matchEnd] = listing.names.equal_range(desktop::FoldCase(part));
        for (; match != matchEnd; ++match) {
            const desktop::Facts &facts = FactsOf(folder / match->second);
            if (facts.kind == wanted && lookup.result == Lookup::kFound)
                lookup.twins = last;
            else if (facts.kind == wanted)
                lookup = {Lookup::kFound, folder / match->second, {}, false};
            else if (facts.kind == Kind::kUnreadable && (lookup.result == Lookup::kMissing || lookup.result == Lookup::kNotAFile))
                lookup = {Lookup::kUnreadable, {}, CannotRead(shownFolder + L"\\" + part, last, facts.why), false, last};
            else if (facts.kind != Kind::kMissing && last && lookup.result == Lookup::kMissing)
                lookup.result = Lookup::kNotAFile;
        }
        if (lookup.result != Lookup::kFound || last)
            return lookup;
        folder = lookup.path;
        shownFolder += L"\\" + part;
    }
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
