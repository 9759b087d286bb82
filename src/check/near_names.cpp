// The index of names with one or two characters removed. Each form is held by a 64-bit hash,
// found in a few operations from the name's prefix hashes; a name that shares a hash with a
// wanted one is then compared with it exactly, so a clash of hashes costs time, never a
// wrong answer. The hash's base is chosen at random for each run, so that no card can be
// made to clash on purpose.
#include "near_names.h"

#include <algorithm>
#include <random>

namespace check {

size_t EditDistance(const Text &a, const Text &b, size_t most)
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

// A form's hash, its length mixed in, its high bits folded into the low ones that place it.
static std::uint64_t Finished(std::uint64_t hash, size_t length)
{
    hash = (hash ^ length) * 0x9E3779B97F4A7C15ull;
    return hash ^ (hash >> 29);
}

// Calls each(hash, length) for the name (at most kLongestIndexed + 2 units) and for its
// forms with one unit removed (when one is wanted) and with two (when two are). A form's
// polynomial hash is its head's times a power of the base, plus its tail's: the heads grow
// unit by unit, the tails' hashes are made once.
template <typename Each> void NearNames::ForEachForm(const Text &name, bool one, bool two, Each each) const
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

static size_t FormsOf(size_t length) { return 1 + length + length * (length - (length > 0)) / 2; }

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
    }
    size_t capacity = 16;
    while (capacity < 2 * forms)
        capacity *= 2;
    slots_.assign(capacity, 0);
    filter_.assign(capacity / 8, 0);  // 8 bits a form, so that most forms not held are told at once
    for (size_t number = 0; number < indexed; number++) {
        if (names[number].size() > kLongestIndexed)
            continue;
        ForEachForm(names[number], true, true, [&](std::uint64_t hash, size_t length) {
            lengths_[length] = true;
            Insert(hash, number);
        });
    }
}

// A form's bit in the filter, from other bits of its hash than its slot's.
static size_t FilterBit(std::uint64_t hash, size_t bits) { return size_t(hash >> 12) & (bits - 1); }

void NearNames::Insert(std::uint64_t hash, size_t number)
{
    const size_t bit = FilterBit(hash, filter_.size() * 64);
    filter_[bit / 64] |= std::uint64_t(1) << (bit % 64);
    const std::uint64_t mask = slots_.size() - 1, held = (hash & ~0xFFFFFFFFull) | std::uint64_t(number + 1);
    for (std::uint64_t at = hash & mask;; at = (at + 1) & mask) {
        if (slots_[at] == 0 || slots_[at] == held) {
            slots_[at] = held;
            return;
        }
    }
}

std::vector<std::pair<size_t, size_t>> NearNames::Within(const Text &wanted, size_t most) const
{
    std::vector<size_t> candidates;
    auto held = [&](size_t length) { return length < lengths_.size() && lengths_[length]; };
    const size_t n = wanted.size();
    if (n <= kLongestIndexed + most) {
        const std::uint64_t mask = slots_.size() - 1;
        ForEachForm(wanted, most >= 1 && held(n - 1), most >= 2 && n >= 2 && held(n - 2), [&](std::uint64_t hash, size_t length) {
            const size_t bit = FilterBit(hash, filter_.size() * 64);
            if (!held(length) || (filter_[bit / 64] >> (bit % 64) & 1) == 0)
                return;
            for (std::uint64_t at = hash & mask; slots_[at] != 0; at = (at + 1) & mask) {
                if ((slots_[at] ^ hash) >> 32 == 0)
                    candidates.push_back(size_t(slots_[at] & 0xFFFFFFFF) - 1);
            }
        });
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    std::vector<std::pair<size_t, size_t>> near;
    for (size_t number : candidates) {
        size_t distance = EditDistance(names_[number], wanted, most);
        if (distance <= most)
            near.emplace_back(number, distance);
    }
    return near;
}

}  // namespace check
