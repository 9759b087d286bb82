// The first line that named each package not on the card, in little memory: a list may name
// a million packages, none of them there, and each is kept only to know a repeat of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace check {

class FirstLines {
public:
    FirstLines();
    // The line that first named key; when none did, line itself, which record keeps.
    int Note(const std::wstring &key, int line, bool record = true);
    void Clear();

private:
    struct Slot {
        std::uint32_t offset = 0, length = 0;  // the key's bytes in keys_
        std::uint32_t hash = 0;
        int line = 0;                          // 0: the slot is free
    };
    void Grow();
    std::uint32_t HashOf(const std::string &bytes) const;

    std::string keys_;        // every key, each unit as one byte or, beyond ASCII, three
    std::string bytes_;       // the key being noted, in those bytes
    std::vector<Slot> slots_;
    size_t used_ = 0;
    std::uint64_t base_;
};

}  // namespace check
