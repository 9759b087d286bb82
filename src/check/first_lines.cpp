// An open-addressing table over one buffer of keys: a slot takes 16 bytes, and a key about
// a byte a character.
#include "first_lines.h"

#include <random>

namespace check {

// Each UTF-16 unit as one byte below 0x80, else as three whose first is 0x80 or more: no two
// keys share their bytes, lone surrogates included.
static void KeyBytes(const std::wstring &key, std::string &bytes)
{
    bytes.clear();
    for (wchar_t c : key) {
        unsigned unit = unsigned(c) & 0xFFFF;
        if (unit < 0x80) {
            bytes += char(unit);
        } else {
            bytes += char(0x80 | (unit >> 14));
            bytes += char((unit >> 7) & 0x7F);
            bytes += char(unit & 0x7F);
        }
    }
}

// A polynomial hash with a base chosen at random for each run, so that no list can be made
// to pile its entries into one slot.
std::uint32_t FirstLines::HashOf(const std::string &bytes) const
{
    std::uint64_t hash = 0;
    for (char c : bytes)
        hash = hash * base_ + std::uint8_t(c) + 1;
    hash = (hash ^ (hash >> 31)) * 0xBF58476D1CE4E5B9ull;
    return std::uint32_t(hash >> 32);
}

FirstLines::FirstLines()
{
    std::random_device random;
    base_ = (std::uint64_t(random()) << 32 | random()) | 1;
}

void FirstLines::Clear()
{
    keys_.clear();
    slots_.clear();
    used_ = 0;
}

void FirstLines::Grow()
{
    std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (const Slot &slot : old) {
        size_t at = slot.hash & mask;
        while (slot.line != 0 && slots_[at].line != 0)
            at = (at + 1) & mask;
        if (slot.line != 0)
            slots_[at] = slot;
    }
}

int FirstLines::Note(const std::wstring &key, int line, bool record)
{
    if (2 * (used_ + 1) > slots_.size())
        Grow();
    std::string &bytes = bytes_;  // kept from call to call, as a list may name millions
    KeyBytes(key, bytes);
    const std::uint32_t hash = HashOf(bytes);
    const size_t mask = slots_.size() - 1;
    size_t at = hash & mask;
    for (; slots_[at].line != 0; at = (at + 1) & mask) {
        const Slot &slot = slots_[at];
        if (slot.hash == hash && slot.length == bytes.size() && keys_.compare(slot.offset, slot.length, bytes) == 0)
            return slot.line;
    }
    if (!record)
        return line;
    slots_[at] = {std::uint32_t(keys_.size()), std::uint32_t(bytes.size()), hash, line};
    keys_ += bytes;
    used_++;
    return line;
}

}  // namespace check
