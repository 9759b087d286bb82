// A card folder read as the device's file system reads it: names match without regard to
// case, and a name relative to the folder is separated by backslashes.
#include <algorithm>
#include <tuple>

#include "desktop.h"

namespace desktop {

static bool NameOf(const fs::path &path, Text *name)
{
    try {
        std::u16string units = path.filename().u16string();
        name->assign(units.begin(), units.end());
        return true;
    } catch (const std::exception &) {
        return false;  // a name that is not text in the host's encoding can match nothing
    }
}

const std::multimap<Text, CardFolder::Item> &CardFolder::Listing(const fs::path &directory)
{
    auto known = listings_.find(directory);
    if (known != listings_.end())
        return known->second;
    std::multimap<Text, Item> &listing = listings_[directory];
    for (const fs::directory_entry &entry : fs::directory_iterator(directory)) {
        Text name;
        std::error_code ignored;
        if (NameOf(entry.path(), &name))
            listing.emplace(FoldCase(name), Item{entry.path(), entry.is_directory(ignored),
                                                 entry.is_regular_file(ignored)});
    }
    return listing;
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

static bool IsReadOnly(const fs::path &path)
{
    // Wine and the device both know only a read-only attribute, which a file without any
    // write permission bit stands for; root's access() would call every file writable.
    std::error_code error;
    fs::perms perms = fs::status(path, error).permissions();
    const fs::perms writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return !error && (perms & writable) == fs::perms::none;
}

std::vector<ListFile> CardFolder::Lists()
{
    std::vector<ListFile> lists;
    for (const auto &[folded, item] : Listing(root_)) {
        unsigned long version;
        if (!item.isDirectory && ListVersion(folded, &version))
            lists.push_back({item.path, item.path.filename().u8string(), version, IsReadOnly(item.path)});
    }
    std::sort(lists.begin(), lists.end(), [](const ListFile &a, const ListFile &b) {
        return a.osVersion != b.osVersion ? a.osVersion < b.osVersion : a.name < b.name;
    });
    return lists;
}

bool CardFolder::HasFile(const Text &relativeName)
{
    fs::path directory = root_;
    size_t start = 0;
    for (;;) {
        size_t end = std::min(relativeName.find(L'\\', start), relativeName.size());
        Text part = FoldCase(relativeName.substr(start, end - start));
        bool last = end == relativeName.size();
        if (!part.empty()) {  // an empty part comes of a doubled or leading backslash
            std::error_code error;
            if (!fs::is_directory(directory, error))
                return false;
            std::multimap<Text, Item>::const_iterator match, matchEnd;
            try {
                std::tie(match, matchEnd) = Listing(directory).equal_range(part);
            } catch (const fs::filesystem_error &) {
                return false;  // a folder the device could not read either
            }
            auto wanted = std::find_if(match, matchEnd, [last](const auto &item) {
                return last ? item.second.isFile : item.second.isDirectory;
            });
            if (wanted == matchEnd)
                return false;
            if (last)
                return true;
            directory = wanted->second.path;
        } else if (last) {
            return false;
        }
        start = end + 1;
    }
}

}  // namespace desktop
