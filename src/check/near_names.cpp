// The index of names with one or two characters removed. Each form is held by a 64-bit hash,
// found in a few operations from the name's prefix hashes; a name that shares a hash with a
// wanted one is then compared with it exactly, so a clash of hashes costs time, never a
// wrong answer. The hash's base is chosen at random for each run, so that no card can be
// made to clash on purpose.
#include "near_names.h"

#include <algorithm>
#include <random>

namespace check {

// Row by row, stopping once a whole row lies past most; rows of indexed names on the stack.
size_t EditDistance(const Text &a, const Text &b, size_t most)
{
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > most)
        return most + 1;
    constexpr size_t kShort = NearNames::kLongestIndexed + 3;
    size_t shortRows[2][kShort];
    std::vector<size_t> longRows[2];
    size_t *row = shortRows[0], *next = shortRows[1];
    if (b.size() >= kShort) {
        longRows[0].resize(b.size() + 1), longRows[1].resize(b.size() + 1);
        row = longRows[0].data(), next = longRows[1].data();
    }
    for (size_t j = 0; j <= b.size(); j++)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); i++) {
        size_t least = next[0] = i;
        for (size_t j = 1; j <= b.size(); j++) {
            next[j] = std::min({row[j] + 1, next[j - 1] + 1, row[j - 1] + (a[i - 1] != b[j - 1])});
            least = std::min(least, next[j]);
        }
        if (least > most)
            return most + 1;
        std::swap(row, next);
    }
    return std::min(row[b.size()], most + 1);
}

// A form's hash, its length mixed in, its high bits folded into the low ones that place it.
static std::uint64_t Finished(std::uint64_t hash, size_t length)
{
    hash = (hash ^ length) * 0x9E3779B97F4A7C15ull;
    return hash ^ (hash >> 29);
}

// Calls each(hash, length) for the name (at most kLongestIndexed + 2 units, when whole is
// wanted) and for its forms with one unit removed (when one is) and with two (when two are).
// A form's polynomial hash is its head's times a power of the base, plus its tail's: the
// heads grow unit by unit, the tails' hashes are made once.
template <typename Each>
void NearNames::ForEachForm(const Text &name, bool whole, bool one, bool two, Each each) const
{
    constexpr size_t kMost = kLongestIndexed + 3;
    std::uint64_t prefix[kMost], power[kMost], tail[kMost];
    const size_t n = name.size();
    prefix[0] = 0, power[0] = 1;
    for (size_t i = 0; i < n; i++) {
        prefix[i + 1] = prefix[i] * base_ + (std::uint64_t(name[i]) & 0xFFFF) + 1;
        power[i + 1] = power[i] * base_;
    }
    for (size_t i = 0; i <= n; i++)
        tail[i] = prefix[n] - prefix[i] * power[n - i];
    if (whole)
        each(Finished(prefix[n], n), n);
    for (size_t i = 0; i < n; i++) {
        if (one && (i == 0 || name[i] != name[i - 1]))  // removing either of two equal units gives one form
            each(Finished(prefix[i] * power[n - i - 1] + tail[i + 1], n - 1), n - 1);
        std::uint64_t head = prefix[i];  // the units before j, but the one at i
        for (size_t j = i + 1; two && j < n; j++) {
            each(Finished(head * power[n - j - 1] + tail[j + 1], n - 2), n - 2);
            head = head * base_ + (std::uint64_t(name[j]) & 0xFFFF) + 1;
        }
    }
}

// A name's characters as bits of 64, each unit's bit from its hash. Units may share a bit,
// so a bit that one set holds and the other lacks always comes of a character that one name
// holds and the other lacks: the sets never tell more differences than the names have.
static std::uint64_t CharacterSet(const Text &name)
{
    std::uint64_t set = 0;
    for (wchar_t unit : name)
        set |= std::uint64_t(1) << ((std::uint32_t(unit & 0xFFFF) * 2654435761u) >> 26);
    return set;
}

// Whether these hold at most most bits that those lack. Clearing the lowest bit at most
// most times stops early, and needs no popcount, which is a library call on some builds.
static bool AtMostMissing(std::uint64_t these, std::uint64_t those, size_t most)
{
    std::uint64_t missing = these & ~those;
    for (size_t cleared = 0; cleared < most && missing != 0; cleared++)
        missing &= missing - 1;
    return missing == 0;
}

void NearNames::KeepSet(const Text &name)
{
    const std::uint64_t set = CharacterSet(name);
    if (std::find(sets_.begin(), sets_.end(), set) == sets_.end())
        sets_.push_back(set);
}

bool NearNames::AnySetNear(const Text &wanted, size_t most) const
{
    if (sets_.empty())
        return true;
    const std::uint64_t set = CharacterSet(wanted);
    return std::any_of(sets_.begin(), sets_.end(), [&](std::uint64_t held) {
        return AtMostMissing(held, set, most) && AtMostMissing(set, held, most);
    });
}

static size_t FormsOf(size_t length) { return 1 + length + length * (length - (length > 0)) / 2; }

// Two passes over the names: the first numbers the forms and counts the names sharing each,
// the second lays those names out, each form's together.
NearNames::NearNames(const std::vector<Text> &names) : names_(names), lengths_(kLongestIndexed + 1)
{
    std::random_device random;
    base_ = (std::uint64_t(random()) << 32 | random()) | 1;
    size_t forms = 0, indexed = 0;
    for (; indexed < names.size(); indexed++) {
        const size_t length = names[indexed].size();
        if (length <= kLongestIndexed && forms + FormsOf(length) > kMostForms)
            break;
        forms += length <= kLongestIndexed ? FormsOf(length) : 0;
        if (length <= kLongestIndexed && sets_.size() <= kMostSets)
            KeepSet(names[indexed]);
    }
    if (sets_.size() > kMostSets)
        sets_.clear();
    size_t capacity = 16;
    while (capacity < 2 * forms)
        capacity *= 2;
    slots_.assign(capacity, 0);
    filter_.assign(capacity / 8, 0);  // 8 bits a form, so that most forms not held are told at once
    std::vector<std::uint32_t> counts, last;  // last: the number + 1 of the name a form last got
    auto eachIndexed = [&](auto each) {
        for (size_t number = 0; number < indexed; number++) {
            if (names[number].size() <= kLongestIndexed)
                ForEachForm(names[number], true, true, true, [&](std::uint64_t hash, size_t length) { each(hash, length, number); });
        }
    };
    eachIndexed([&](std::uint64_t hash, size_t length, size_t number) {
        lengths_[length] = true;
        const size_t form = Place(hash, counts.size());
        if (form == counts.size())
            counts.push_back(0), last.push_back(0);
        if (last[form] != number + 1)  // a name may give one form twice ("abab" less either "ab")
            last[form] = std::uint32_t(number + 1), counts[form]++;
    });
    starts_.assign(counts.size() + 1, 0);
    for (size_t form = 0; form < counts.size(); form++)
        starts_[form + 1] = starts_[form] + counts[form];
    numbers_.resize(starts_.back());
    std::vector<std::uint32_t> &next = counts;
    std::copy(starts_.begin(), starts_.end() - 1, next.begin());
    eachIndexed([&](std::uint64_t hash, size_t, size_t number) {
        const size_t form = Find(hash);
        if (next[form] == starts_[form] || numbers_[next[form] - 1] != number)
            numbers_[next[form]++] = std::uint32_t(number);
    });
    seen_.assign(indexed, 0);
}

// The number of the form with this hash, which becomes added where none has it yet.
size_t NearNames::Place(std::uint64_t hash, size_t added)
{
    const size_t bit = FilterBit(hash);
    filter_[bit / 64] |= std::uint64_t(1) << (bit % 64);
    const std::uint64_t mask = slots_.size() - 1;
    for (std::uint64_t at = hash & mask;; at = (at + 1) & mask) {
        if (slots_[at] == 0) {
            slots_[at] = (hash & ~0xFFFFFFFFull) | std::uint64_t(added + 1);
            return added;
        }
        if ((slots_[at] ^ hash) >> 32 == 0)
            return size_t(slots_[at] & 0xFFFFFFFF) - 1;
    }
}

size_t NearNames::Find(std::uint64_t hash) const
{
    const std::uint64_t mask = slots_.size() - 1;
    for (std::uint64_t at = hash & mask; slots_[at] != 0; at = (at + 1) & mask) {
        if ((slots_[at] ^ hash) >> 32 == 0)
            return size_t(slots_[at] & 0xFFFFFFFF) - 1;
    }
    return kNone;
}

// Compares wanted with the names that share the chosen forms of it, the forms that fewest
// names share first, within the bounds of one search, each name once.
void NearNames::Compare(const Text &wanted, size_t most, bool whole, bool one, bool two,
                        std::vector<std::pair<size_t, size_t>> &near) const
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> shared;  // each form's names in numbers_
    // The caller asks only for forms of lengths held; most forms then fail the filter alone.
    ForEachForm(wanted, whole, one, two, [&](std::uint64_t hash, size_t) {
        if (size_t form = MayHold(hash) ? Find(hash) : kNone; form != kNone)
            shared.emplace_back(starts_[form], starts_[form + 1]);
    });
    std::sort(shared.begin(), shared.end(), [](const auto &a, const auto &b) { return a.second - a.first < b.second - b.first; });
    size_t looked = 0, compared = 0;
    for (const auto &[begin, end] : shared) {
        for (size_t at = begin; at < std::min<size_t>(end, begin + kMostPerForm); at++) {
            if (++looked > kMostLooked || compared == kMostCompared)
                return;
            const std::uint32_t number = numbers_[at];
            if (seen_[number] == search_)
                continue;
            seen_[number] = search_, compared++;
            if (size_t distance = EditDistance(names_[number], wanted, most); distance <= most)
                near.emplace_back(number, distance);
        }
    }
}

std::vector<std::pair<size_t, size_t>> NearNames::Within(const Text &wanted, size_t most) const
{
    std::vector<std::pair<size_t, size_t>> near;
    const size_t n = wanted.size();
    if (n > kLongestIndexed + most || seen_.empty() || !AnySetNear(wanted, most))
        return near;
    if (++search_ == 0)
        std::fill(seen_.begin(), seen_.end(), 0), search_ = 1;
    auto held = [&](size_t length) { return length < lengths_.size() && lengths_[length]; };
    // The whole name and its forms less one unit find every name a single edit away.
    Compare(wanted, most, held(n), most >= 1 && held(n - 1), false, near);
    const bool oneAway = std::any_of(near.begin(), near.end(), [](const auto &found) { return found.second == 1; });
    if (oneAway)  // nearer than any two away: the forms less two units need no search
        near.erase(std::remove_if(near.begin(), near.end(), [](const auto &found) { return found.second == 2; }), near.end());
    else if (most >= 2 && n >= 2 && held(n - 2))
        Compare(wanted, most, false, false, true, near);
    std::sort(near.begin(), near.end());
    return near;
}

}  // namespace check
