// The setup document's structure, read as the check's rules allow it and no further, in one
// pass over its text: UTF-8, whatever the document's encoding was.
#pragma once

#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace check {

// The encoding the text came in, which a declaration must name.
enum class XmlEncoding { kUtf8, kUtf16 };

inline bool IsXmlCharacter(unsigned long c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

class XmlScanner {
public:
    XmlScanner(const std::string &text, XmlEncoding encoding) : text_(text), encoding_(encoding) {}
    // Empty when the structure keeps the rules, else one sentence on the first it breaks.
    std::string Broken();
    // Then the parts of the text that the parsers need not see: the declaration, white space,
    // comments and processing instructions, as [from, to) in order.
    const std::vector<std::pair<size_t, size_t>> &Dropped() const { return dropped_; }

private:
    bool At(const char *literal) const { return text_.compare(at_, std::strlen(literal), literal) == 0; }
    bool Skip(const char *literal) { return At(literal) && ((at_ += std::strlen(literal)), true); }
    bool SkipSpace();
    bool Fail(std::string why) { return why_ = std::move(why), false; }
    bool Malformed(const char *what);
    bool Past(const char *end, const char *unfinished);
    bool Quoted(std::string_view *value);
    bool Pseudo(const char *name, std::string_view *value);
    bool NamesEncoding(std::string_view name);
    bool Declaration();
    bool Name(std::string_view *name);
    bool Reference(bool inValue);
    bool Comment() { return Past("--", "a comment that does not end") && (Skip(">") || Malformed("\"--\" inside a comment")); }
    bool Instruction();
    bool Misc();
    bool AttributeValue();
    bool StartTag();
    bool EndTag();
    bool Content();

    const std::string &text_;
    XmlEncoding encoding_;
    size_t at_ = 0;
    std::string why_;
    std::vector<std::string_view> open_;  // the elements not yet ended, the root first
    std::vector<std::pair<size_t, size_t>> dropped_;  // what the parsers need not see, in order
};

}  // namespace check
