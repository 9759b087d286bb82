// A card folder read as the device's file system reads it: names match without regard to
// case, through Windows' upper-case table, and a name relative to the folder is separated by
// backslashes. Each folder is listed once.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/desktop/desktop.h"
#include "text.h"

namespace check {

// A folder or list that cannot be read, found before any of the report is written.
struct CheckError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ListFile {
    desktop::Path path;
    Text name;                  // as on disk
    unsigned long osVersion;
    desktop::Facts facts;
};

enum class Lookup { kFound, kMissing, kNotAFile, kUnreadable };
struct PackageLookup {
    Lookup result = Lookup::kMissing;
    desktop::Path path;         // with kFound
    std::string failure;        // with kUnreadable: a sentence naming the folder and why
};

// A file named nearly as a list, and what keeps it from being one.
struct NearMiss {
    Text file;
    std::string why;
};

class CardFolder {
public:
    CardFolder(desktop::Path root, std::string shownRoot);
    // Every list "SetupFile.CE<version>.txt" in the folder, by version; throws CheckError
    // when the folder cannot be read.
    std::vector<ListFile> Lists();
    PackageLookup Find(const Text &relativeName);
    // For a name not found: the same name with its last part replaced by the file in its
    // folder closest to it (a difference of spaces, or of one or two characters); empty
    // when none is that close.
    Text Suggest(const Text &relativeName);
    // Each ".exe" directly in the folder, by name.
    std::vector<std::pair<Text, desktop::Path>> Programs();
    // The files whose names come close to a list's without being one; with a version, only
    // those close to that version's list.
    std::vector<NearMiss> NearMisses(std::optional<unsigned long> version);

private:
    struct Listing {
        bool readable = false;
        std::string why;
        std::multimap<Text, desktop::NativeName> names;  // by folded name
    };
    const Listing &ListingOf(const desktop::Path &folder);
    PackageLookup Resolve(const Text &relativeName, desktop::Kind lastKind);
    const desktop::Facts &FactsOf(const desktop::Path &path);
    std::string CannotRead(const Text &subfolder, const std::string &why) const;

    desktop::Path root_;
    std::string shownRoot_;
    std::map<desktop::NativeName, Listing> listings_;
    std::map<desktop::NativeName, desktop::Facts> facts_;
};

}  // namespace check
