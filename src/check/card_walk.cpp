// The card beyond the folders a list names: the walk through its subfolders, which hints,
// unlisted packages and case twins read, and the search for a name that is not found.
#include <algorithm>
#include <tuple>

#include "card_folder.h"
#include "names.h"

namespace check {

using desktop::Kind;

const CardWalk &CardFolder::Walk()
{
    if (walk_)
        return *walk_;
    walk_.emplace();
    // Folder by folder, nearest first, so that what a bound leaves out lies deepest.
    std::vector<std::pair<desktop::Path, Text>> level = {{root_, Text()}}, deeper;
    for (size_t depth = 0; !level.empty() && !walk_->cut; depth++) {
        for (size_t i = 0; i < level.size() && !walk_->cut; i++)
            WalkFolder(level[i].first, level[i].second, depth, deeper);
        level.swap(deeper);
        deeper.clear();
    }
    return *walk_;
}

void CardFolder::WalkFolder(const desktop::Path &path, const Text &relative, size_t depth,
                            std::vector<std::pair<desktop::Path, Text>> &deeper)
{
    CardWalk &walk = *walk_;
    const size_t folder = walk.folders.size(), firstFile = walk.files.size();
    walk.folders.push_back(desktop::FoldCase(relative));
    for (const auto &[folded, name] : ListingOf(path).names) {  // one that cannot be read holds nothing here
        if (++walkedNames_ > CardWalk::kMostNames) {
            walk.cut = true;
            return;
        }
        const desktop::Facts &facts = FactsOf(path / name);
        Text text;
        NameText(name, &text);
        const Text child = relative.empty() ? text : relative + L"\\" + text;
        if (facts.link)
            continue;  // a link may lead out of the card, or round in a loop
        if (facts.kind == Kind::kDirectory && depth < CardWalk::kDeepest)
            deeper.emplace_back(path / name, child);
        else if (facts.kind == Kind::kDirectory)
            walk.tooDeep = true;
        if (facts.kind != Kind::kFile)
            continue;
        // Names are sorted by their folded form, so twins come together. Two lists for one
        // version are told as such.
        unsigned long version;
        const bool twin = walk.files.size() > firstFile && walk.files.back().foldedName == folded
                       && !(depth == 0 && ListVersion(folded, &version));
        if (twin && (walk.twins.empty() || desktop::FoldCase(walk.twins.back().front()) != desktop::FoldCase(child)))
            walk.twins.push_back({walk.files.back().relative});
        if (twin)
            walk.twins.back().push_back(child);
        walk.files.push_back({child, folded, folder});
    }
}

const CardFolder::HintIndex &CardFolder::Index()
{
    if (index_)
        return *index_;
    const CardWalk &walk = Walk();
    index_.emplace();
    std::vector<Text> names;
    for (size_t i = 0; i < walk.files.size(); i++) {
        const Text &folded = walk.files[i].foldedName;
        index_->byName[folded].push_back(i);
        index_->bySpaceless[WithoutSpaces(folded)].push_back(i);
        names.push_back(folded);
    }
    index_->near = std::make_unique<NearNames>(names);
    return *index_;
}

Hint CardFolder::Suggest(const Text &relativeName)
{
    const Text wanted = desktop::FoldCase(LastPart(relativeName)), folder = FoldedRelative(FolderPart(relativeName));
    const HintIndex &index = Index();
    const CardWalk &walk = *walk_;
    auto inFolder = [&](size_t file) { return walk.folders[walk.files[file].folder] == folder; };
    // The same name in another folder first: the package is there, and only its path is off.
    auto same = index.byName.find(wanted);
    for (size_t i = 0; same != index.byName.end() && i < same->second.size(); i++) {
        if (!inFolder(same->second[i]))
            return {HintKind::kElsewhere, walk.files[same->second[i]].relative};
    }
    // A difference of spaces counts 0, then one or two characters, but never half the name
    // before its extension: "x.cab" is not close to "a.cab".
    const size_t stem = std::min(wanted.rfind(L'.'), wanted.size());
    const size_t best = std::min<size_t>(3, (stem + 1) / 2);
    if (best == 0)
        return {};
    std::vector<std::pair<size_t, size_t>> near = index.near->Within(wanted, best - 1);
    auto spaceless = index.bySpaceless.find(WithoutSpaces(wanted));
    for (size_t i = 0; spaceless != index.bySpaceless.end() && i < spaceless->second.size(); i++)
        near.emplace_back(spaceless->second[i], 0);
    // The fewest edits, then the entry's own folder, then the nearest the card folder.
    std::optional<std::tuple<size_t, bool, size_t>> chosen;
    for (const auto &[file, distance] : near) {
        auto rank = std::make_tuple(distance, !inFolder(file), file);
        if (walk.files[file].foldedName != wanted && (!chosen || rank < *chosen))
            chosen = rank;
    }
    return chosen ? Hint{HintKind::kNear, walk.files[std::get<2>(*chosen)].relative} : Hint{};
}

}  // namespace check
