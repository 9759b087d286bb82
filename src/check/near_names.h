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

    // Every name, before the first search: a name's number is its place in this list.
    explicit NearNames(const std::vector<Text> &names);
    // The numbers of the names within most (at most 2) edits of wanted, with the distance of
    // each, in the order of their numbers.
    std::vector<std::pair<size_t, size_t>> Within(const Text &wanted, size_t most) const;

private:
    template <typename Each> void ForEachForm(const Text &name, bool one, bool two, Each each) const;
    void Insert(std::uint64_t hash, size_t number);

    std::vector<Text> names_;
    std::uint64_t base_;
    std::vector<bool> lengths_;           // the lengths of the forms held
    std::vector<std::uint64_t> slots_;    // a form's check bits, then its name's number + 1
    std::vector<std::uint64_t> filter_;   // a bit for each form held, perhaps shared
};

}  // namespace check
