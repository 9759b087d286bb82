// A card folder read as the device's file system reads it: names match without regard to
// case, through Windows' upper-case table, and a name relative to the folder is separated by
// backslashes. Each folder is listed once, its names in one order whatever the host's.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "near_names.h"
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
// A name on the card as the device would see it; false for one that is not text (on POSIX,
// bytes that are not UTF-8), which no entry can name.
bool NameText(const desktop::NativeName &name, Text *text);
// Whether a folded name is a list's, "SETUPFILE.CE<version>.TXT", and for which version.
bool ListVersion(const Text &foldedName, unsigned long *version);

enum class Lookup { kFound, kMissing, kNotAFile, kUnreadable };
struct PackageLookup {
    Lookup result = Lookup::kMissing;
    desktop::Path path;         // with kFound
    std::string failure;        // with kUnreadable: a sentence naming the file or folder and why
    bool twins = false;         // with kFound: another file there folds to the same name
    bool fileUnreadable = false;  // with kUnreadable: the file itself, not a folder on its way
};

// A file named nearly as a list, and what keeps it from being one.
struct NearMiss {
    Text file;
    std::string why;
    unsigned long version = 0;  // of the list it nearly is
    bool misnamed = false;      // the device would run it under the right name, and no list
                                // for its version is in the folder: nothing of that version runs
};

// The files of the card folder and its subfolders, as far as the walk goes: links are not
// followed, and it stops kDeepest folders down or after kMostNames names.
struct CardWalk {
    static constexpr size_t kDeepest = 8, kMostNames = 10'000;
    struct File {
        Text relative;          // "\" between folders, as on disk
        Text foldedName;        // its last part, folded
        size_t folder;          // its folder's place in folders
    };
    std::vector<File> files;    // folder by folder, nearest first, by folded name in each
    std::vector<Text> folders;  // relative and folded; "" for the card folder itself
    std::vector<std::vector<Text>> twins;  // files of one folder whose names fold alike
    bool cut = false;           // the bound of names was met: there may be more
    bool tooDeep = false;       // a folder kDeepest down holds folders, not walked
};

// Where a name that is not on the card may be: the same name in another folder, or a file
// whose name is close to it; entry is what the list should say instead.
enum class HintKind { kNone, kNear, kElsewhere, kOwnFolder };
struct Hint {
    HintKind kind = HintKind::kNone;
    Text entry;
};

class CardFolder {
public:
    CardFolder(desktop::Path root, std::string shownRoot);
    // Every list "SetupFile.CE<version>.txt" in the folder, by version; throws CheckError
    // when the folder cannot be read.
    std::vector<ListFile> Lists();
    PackageLookup Find(const Text &relativeName);
    const CardWalk &Walk();
    // For a name not found: the same name elsewhere on the card, else the file closest to it
    // (a difference of spaces, or of one or two characters), nearest its own folder first.
    Hint Suggest(const Text &relativeName);
    // Each ".exe" directly in the folder, by name.
    std::vector<std::pair<Text, desktop::Path>> Programs();
    // The files whose names come close to a list's without being one; with a version, only
    // those close to that version's list. A second extension other than .txt puts a list
    // aside on purpose: only the others are misnamed lists.
    std::vector<NearMiss> NearMisses(std::optional<unsigned long> version);

private:
    struct Listing {
        bool readable = false;
        std::string why;
        std::multimap<Text, desktop::NativeName> names;  // by folded name, then as on disk
    };
    // What Suggest searches: the walk's files by folded name, by the same without spaces,
    // and by their forms with characters removed.
    struct HintIndex {
        std::unordered_map<Text, std::vector<size_t>> byName, bySpaceless;
        std::unique_ptr<NearNames> near;
    };
    const Listing &ListingOf(const desktop::Path &folder);
    PackageLookup Resolve(const Text &relativeName, desktop::Kind lastKind);
    const desktop::Facts &FactsOf(const desktop::Path &path);
    std::string CannotRead(const Text &name, bool file, const std::string &why) const;
    void WalkFolder(const desktop::Path &path, const Text &relative, size_t depth,
                    std::vector<std::pair<desktop::Path, Text>> &deeper);
    const HintIndex &Index();

    desktop::Path root_;
    std::string shownRoot_;
    std::map<desktop::NativeName, Listing> listings_;
    std::map<desktop::NativeName, desktop::Facts> facts_;
    std::optional<CardWalk> walk_;
    size_t walkedNames_ = 0;
    std::optional<HintIndex> index_;
};

}  // namespace check
