// The setup document's rules, checked before any parser reads it: its size, its encoding and
// its characters here, its structure by the scanner. The text is scanned as UTF-8 whatever
// the document's encoding (UTF-16LE is converted first). The parsers then get it in ASCII,
// every other character as a reference, since Wine's XmlLite misreads multi-byte characters
// in a document of over a few KB, and fails on some.
#include "xml_rules.h"

#include <algorithm>
#include <cstdio>

#include "core/batch.h"
#include "xml_scanner.h"

namespace check {

namespace {

enum class Encoding { kUtf8, kUtf16, kOther };

// The encoding that the first bytes show: a byte-order mark, or the zero bytes that UTF-16
// and UTF-32 without a mark put there. *mark is the mark's length.
Encoding EncodingOf(const std::string &bytes, size_t *mark)
{
    auto starts = [&bytes](const char *prefix, size_t length) { return bytes.compare(0, length, prefix, length) == 0; };
    *mark = starts("\xEF\xBB\xBF", 3) ? 3 : starts("\xFF\xFE", 2) ? 2 : 0;
    if (starts("\xFF\xFE\0\0", 4) || starts("\xFE\xFF", 2) || starts("\0\0\xFE\xFF", 4)
        || (!bytes.empty() && bytes[0] == '\0') || (bytes.size() > 1 && bytes[1] == '\0'))
        return Encoding::kOther;
    return *mark == 2 ? Encoding::kUtf16 : Encoding::kUtf8;
}

void AppendUtf8(std::string &out, unsigned long c)
{
    if (c < 0x80) {
        out += char(c);
        return;
    }
    static const unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    int trail = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    out += char(kLead[trail] | (c >> (6 * trail)));
    for (int shift = 6 * (trail - 1); shift >= 0; shift -= 6)
        out += char(0x80 | ((c >> shift) & 0x3F));
}

// UTF-16LE as UTF-8; false for an odd byte or half a surrogate pair.
bool FromUtf16(const std::string &bytes, std::string *text)
{
    if (bytes.size() % 2 != 0)
        return false;
    auto unit = [&bytes](size_t i) { return (unsigned char)bytes[i] | (unsigned char)bytes[i + 1] << 8; };
    for (size_t i = 0; i < bytes.size(); i += 2) {
        unsigned long c = unit(i);
        if (c >= 0xDC00 && c <= 0xDFFF)
            return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            unsigned long low = i + 2 < bytes.size() ? unit(i + 2) : 0;
            if (low < 0xDC00 || low > 0xDFFF)
                return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        AppendUtf8(*text, c);
    }
    return true;
}

// Every character of the text valid UTF-8 and one that XML allows.
std::string CharactersBroken(const std::string &text)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    for (size_t at = 0; at < text.size();) {
        unsigned long c = 0;
        int length = ReadUtf8Sequence(bytes + at, int(std::min<size_t>(text.size() - at, 4)), &c);
        if (length == kNotFound)
            return "its _setup.xml holds bytes that are not UTF-8, its encoding";
        if (!IsXmlCharacter(c)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04lX", c);
            return "its _setup.xml holds " + std::string(code) + ", a character that XML does not allow";
        }
        at += size_t(length);
    }
    return "";
}

// The text as the parsers get it: without what the scanner dropped, in ASCII.
std::string Ascii(const std::string &text, const std::vector<std::pair<size_t, size_t>> &dropped)
{
    std::string plain;
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    size_t at = 0;
    for (const auto &[from, to] : dropped) {
        while (at < from) {
            unsigned long c = bytes[at];
            int length = c < 0x80 ? 1 : ReadUtf8Sequence(bytes + at, int(std::min<size_t>(from - at, 4)), &c);
            at += size_t(std::max(length, 1));
            char reference[16];
            std::snprintf(reference, sizeof reference, "&#x%lX;", c);
            plain += c < 0x80 ? std::string(1, char(c)) : reference;
        }
        at = to;
    }
    return plain;
}

}  // namespace

std::string XmlRuleBroken(const std::string &bytes, std::string *plain)
{
    if (bytes.size() > kXmlDocumentMost)
        return "its _setup.xml is larger than 256 KiB, which the check does not read";
    size_t mark;
    Encoding encoding = EncodingOf(bytes, &mark);
    if (encoding == Encoding::kOther)
        return "its _setup.xml is in an encoding that the check does not read (only UTF-8, and UTF-16LE with "
               "its byte-order mark)";
    std::string text;
    if (encoding == Encoding::kUtf8)
        text = bytes.substr(mark);
    else if (!FromUtf16(bytes.substr(mark), &text))
        return "its _setup.xml holds bytes that are not UTF-16LE, its encoding";
    XmlScanner scanner(text, encoding == Encoding::kUtf8 ? XmlEncoding::kUtf8 : XmlEncoding::kUtf16);
    std::string broken = scanner.Broken();
    if (broken.empty())
        broken = CharactersBroken(text);
    if (broken.empty())
        *plain = Ascii(text, scanner.Dropped());
    return broken;
}

}  // namespace check
