// Names close to a wanted one, without comparing it with every name: an index of every name
// with one or two characters removed. Two names within two edits of each other share such a
// form (a character put in, left out or changed is one removal on either side), so only the
// names that share one are compared.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace check {

using Text = std::wstring;

// The edit distance between two names, or most + 1 when it is more than most.
size_t EditDistance(const Text &a, const Text &b, size_t most);

class NearNames {
public:
    // Names longer than this, and names past kMostForms forms in all, are left out of the
    // index (they are still found by the exact and space-blind searches of the caller).
    static constexpr size_t kLongestIndexed = 64, kMostForms = 2'000'000;
    // What one search may cost, whatever the card: of the names that share a form, the first
    // kMostPerForm; at most kMostLooked of those in all, the forms that fewest names share
    // first, and kMostCompared distinct names compared. A card of 5,000 names that differ in
    // one place shares a form among them all; a real typo shares a form with few names.
    static constexpr size_t kMostPerForm = 64, kMostLooked = 8192, kMostCompared = 256;
    // The indexed names' sets of characters are kept while they are at most this many.
    static constexpr size_t kMostSets = 128;

    // Every name, before the first search: a name's number is its place in this list.
    explicit NearNames(const std::vector<Text> &names);
    // The numbers of the names within most (at most 2) edits of wanted, with the distance of
    // each, in the order of their numbers; where some are a single edit away, only those
    // (and any equal to it). Within the bounds above, none is left out.
    std::vector<std::pair<size_t, size_t>> Within(const Text &wanted, size_t most) const;

private:
    static constexpr size_t kNone = ~size_t(0);

    template <typename Each>
    void ForEachForm(const Text &name, bool whole, bool one, bool two, Each each) const;
    // A form's bit in the filter, from other bits of its hash than its slot's.
    size_t FilterBit(std::uint64_t hash) const { return size_t(hash >> 12) & (filter_.size() * 64 - 1); }
    bool MayHold(std::uint64_t hash) const { return filter_[FilterBit(hash) / 64] >> (FilterBit(hash) % 64) & 1; }
    size_t Place(std::uint64_t hash, size_t added);
    void KeepSet(const Text &name);
    bool AnySetNear(const Text &wanted, size_t most) const;
    size_t Find(std::uint64_t hash) const;
    void Compare(const Text &wanted, size_t most, bool whole, bool one, bool two,
                 std::vector<std::pair<size_t, size_t>> &near) const;

    std::vector<Text> names_;
    std::uint64_t base_;
    std::vector<bool> lengths_;            // the lengths of the forms held
    std::vector<std::uint64_t> slots_;     // a form's check bits, then its number + 1
    std::vector<std::uint64_t> filter_;    // a bit for each form held, perhaps shared
    std::vector<std::uint32_t> starts_;    // where each form's names begin in numbers_
    std::vector<std::uint32_t> numbers_;   // the names sharing each form, in order
    // Each name's characters as bits of 64; a name within most edits of another holds at most
    // most characters that the other lacks, and lacks at most most of the other's, so a wanted
    // name that is so near no set needs no search. Empty once the names give too many sets.
    std::vector<std::uint64_t> sets_;
    mutable std::vector<std::uint32_t> seen_;  // the search that last looked at each name
    mutable std::uint32_t search_ = 0;
};

}  // namespace check
