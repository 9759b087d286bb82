// UTF-8, JSON strings and the terminal-safe form of every outside text.
#include "text.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "core/batch.h"

namespace check {

static bool IsHigh(unsigned long unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
static bool IsLow(unsigned long unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

static void AppendUtf8(std::string &out, unsigned long codePoint)
{
    if (codePoint < 0x80) {
        out += char(codePoint);
        return;
    }
    int extra = codePoint < 0x800 ? 1 : codePoint < 0x10000 ? 2 : 3;
    static const unsigned char kLeads[] = {0, 0xC0, 0xE0, 0xF0};
    out += char(kLeads[extra] | (codePoint >> (6 * extra)));
    for (int shift = 6 * (extra - 1); shift >= 0; shift -= 6)
        out += char(0x80 | ((codePoint >> shift) & 0x3F));
}

// Calls each(code point, lone) for the code points of UTF-16 text; a lone surrogate comes
// as itself with lone set. The unit after is looked at only after a high surrogate: most
// text is ASCII, and this runs over every name of a list.
template <typename Each> static void ForEachCodePoint(const Text &text, Each each)
{
    const size_t size = text.size();
    for (size_t i = 0; i < size; i++) {
        const unsigned long unit = text[i] & 0xFFFF;
        if (unit < 0xD800 || unit > 0xDFFF) {
            each(unit, false);
        } else if (IsHigh(unit) && i + 1 < size && IsLow(text[i + 1] & 0xFFFF)) {
            each(0x10000 + ((unit - 0xD800) << 10) + ((text[i + 1] & 0xFFFF) - 0xDC00), false);
            i++;
        } else {
            each(unit, true);
        }
    }
}

std::string ToUtf8(const Text &text)
{
    std::string out;
    ForEachCodePoint(text, [&](unsigned long c, bool lone) { AppendUtf8(out, lone ? 0xFFFD : c); });
    return out;
}

bool HasLoneSurrogate(const Text &text)
{
    bool found = false;
    ForEachCodePoint(text, [&](unsigned long, bool lone) { found = found || lone; });
    return found;
}

static void AppendUtf16(Text &out, unsigned long codePoint)
{
    if (codePoint >= 0x10000) {
        out += wchar_t(0xD800 + ((codePoint - 0x10000) >> 10));
        out += wchar_t(0xDC00 + (codePoint & 0x3FF));
    } else {
        out += wchar_t(codePoint);
    }
}

// Walks bytes by the device program's own UTF-8 rules, so that names read the same on both
// sides: valid(code point) for each sequence, invalid(byte) for each byte that starts none.
template <typename Valid, typename Invalid>
static void ForEachUtf8(const std::string &bytes, Valid valid, Invalid invalid)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    for (size_t i = 0; i < bytes.size();) {
        unsigned long codePoint;
        int length = ReadUtf8Sequence(data + i, int(bytes.size() - i), &codePoint);
        if (length == kNotFound) {
            invalid(data[i++]);
            continue;
        }
        valid(codePoint);
        i += size_t(length);
    }
}

Text FromUtf8(const std::string &bytes)
{
    Text out;
    ForEachUtf8(bytes, [&](unsigned long c) { AppendUtf16(out, c); }, [&](unsigned char) { out += wchar_t(0xFFFD); });
    return out;
}

bool DecodeUtf8Name(const std::string &bytes, Text *text)
{
    bool valid = true;
    text->clear();
    ForEachUtf8(bytes, [&](unsigned long c) { AppendUtf16(*text, c); }, [&](unsigned char) { valid = false; });
    return valid;
}

Text FromCodePage(const std::string &bytes, int codePage)
{
    Text text(bytes.size(), L'\0');  // a code page makes at most one unit of each byte
    int length = 0;
    PlatformDecodeAnsi(codePage, reinterpret_cast<const unsigned char *>(bytes.data()), int(bytes.size()),
                       text.data(), int(text.size()), &length);
    text.resize(size_t(length));
    return text;
}

template <typename Char> static std::optional<unsigned long> ParseWhole(const std::basic_string<Char> &digits)
{
    if (digits.empty() || digits.size() > 10)
        return std::nullopt;
    unsigned long long value = 0;
    for (Char digit : digits) {
        if (digit < '0' || digit > '9')
            return std::nullopt;
        value = value * 10 + unsigned(digit - '0');
    }
    return value <= 0xFFFFFFFFull ? std::optional<unsigned long>(value) : std::nullopt;
}

std::optional<unsigned long> WholeNumber(const std::string &digits) { return ParseWhole(digits); }
std::optional<unsigned long> WholeNumber(const Text &digits) { return ParseWhole(digits); }

// ---- For a terminal

// What is spelt out rather than passed: what a terminal acts on, and what it shows as nothing
// (or lets change what follows), so that two names that look alike are told apart. The same
// set as the dry run's; first and last of each range.
static const struct { unsigned long first, last; } kSpeltOut[] = {
    {0x0000, 0x001F},    // C0 controls
    {0x007F, 0x009F},    // DEL and the C1 controls
    {0x00AD, 0x00AD},    // soft hyphen
    {0x0600, 0x0605},    // Arabic number signs, which take the digits after them
    {0x061C, 0x061C},    // Arabic letter mark
    {0x06DD, 0x06DD},    // end of ayah
    {0x070F, 0x070F},    // Syriac abbreviation mark
    {0x0890, 0x0891},    // Arabic pound and piastre marks above
    {0x08E2, 0x08E2},    // Arabic disputed end of ayah
    {0x180E, 0x180E},    // Mongolian vowel separator
    {0x200B, 0x200F},    // zero width space, non-joiner and joiner; left-to-right and right-to-left marks
    {0x2028, 0x202E},    // line and paragraph separators; bidi embeddings and overrides
    {0x2060, 0x2064},    // word joiner and the invisible operators
    {0x2066, 0x206F},    // bidi isolates; deprecated format characters
    {0xFEFF, 0xFEFF},    // zero width no-break space (byte-order mark)
    {0xFFF9, 0xFFFB},    // interlinear annotation marks
    {0x110BD, 0x110BD},  // Kaithi number sign
    {0x110CD, 0x110CD},  // Kaithi number sign above
    {0x13430, 0x1343F},  // Egyptian hieroglyph format controls
    {0x1BCA0, 0x1BCA3},  // shorthand format controls
    {0x1D173, 0x1D17A},  // musical symbol format controls
    {0xE0001, 0xE0001},  // language tag
    {0xE0020, 0xE007F},  // tag characters
};

static bool TerminalActsOn(unsigned long c)
{
    return std::any_of(std::begin(kSpeltOut), std::end(kSpeltOut),
                       [c](const auto &range) { return c >= range.first && c <= range.last; });
}

static void AppendShown(std::string &out, unsigned long c, bool lone)
{
    char spelt[16];
    if (c > 0x20 && c < 0x7F && c != '<')
        out += char(c);  // most names are plain ASCII
    else if (c == '<')
        out += "<<";
    else if (c == '\t')
        out += "<TAB>";
    else if (c == '\r')
        out += "<CR>";
    else if (c == '\n')
        out += "<LF>";
    else if (lone || TerminalActsOn(c)) {
        std::snprintf(spelt, sizeof spelt, "<U+%04lX>", c);
        out += spelt;
    } else {
        AppendUtf8(out, c);
    }
}

static void AppendShown(std::string &out, const Text &text)
{
    out.reserve(out.size() + text.size() + 2);
    ForEachCodePoint(text, [&](unsigned long c, bool lone) { AppendShown(out, c, lone); });
}

std::string Shown(const Text &text)
{
    std::string out;
    AppendShown(out, text);
    return out;
}

std::string ShownBytes(const std::string &bytes)
{
    std::string out;
    ForEachUtf8(bytes, [&](unsigned long c) { AppendShown(out, c, false); }, [&](unsigned char byte) {
        char spelt[8];
        std::snprintf(spelt, sizeof spelt, "<0x%02X>", byte);
        out += spelt;
    });
    return out;
}

std::string Quoted(const Text &text)
{
    std::string out(1, '"');
    AppendShown(out, text);
    return out += '"';
}

std::string Hex4(unsigned value)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04x", value & 0xFFFF);
    return hex;
}

// ---- JSON

static bool PlainJson(unsigned long c) { return c >= 0x20 && c < 0x80 && c != '"' && c != '\\'; }

// A code point that is not plain, escaped where JSON asks it.
static void AppendJsonEscaped(std::string &out, unsigned long c, bool lone)
{
    if (c == '"' || c == '\\') {
        out += '\\';
        out += char(c);
    } else if (c < 0x20) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04lx", c);
        out += escape;
    } else {
        AppendUtf8(out, lone ? 0xFFFD : c);
    }
}

// A JSON string's body: what lies between its quotes.
static void AppendJsonBody(std::string &out, const Text &text)
{
    ForEachCodePoint(text, [&](unsigned long c, bool lone) {
        if (PlainJson(c))
            out += char(c);  // most of a list is plain ASCII
        else
            AppendJsonEscaped(out, c, lone);
    });
}

void AppendJson(std::string &out, const Text &text)
{
    out.reserve(out.size() + text.size() + 2);
    out += '"';
    AppendJsonBody(out, text);
    out += '"';
}

void AppendJson(std::string &out, const std::string &utf8)
{
    // The check's own sentences are ASCII but for the names they quote: ASCII bytes are
    // written as they are, or escaped, and from the first byte past it the rest is decoded.
    // No sequence holds an ASCII byte, so the rest decodes as it would with them.
    out.reserve(out.size() + utf8.size() + 2);
    out += '"';
    auto byte = [&](size_t at) { return static_cast<unsigned char>(utf8[at]); };
    size_t at = 0;
    while (at < utf8.size() && byte(at) < 0x80) {
        size_t plain = at;
        while (plain < utf8.size() && PlainJson(byte(plain)))
            plain++;
        out.append(utf8, at, plain - at);
        if (plain < utf8.size() && byte(plain) < 0x80)
            AppendJsonEscaped(out, byte(plain++), false);
        at = plain;
    }
    if (at < utf8.size())
        AppendJsonBody(out, FromUtf8(utf8.substr(at)));
    out += '"';
}

std::string Json(const Text &text)
{
    std::string out;
    AppendJson(out, text);
    return out;
}

std::string Json(const std::string &utf8)
{
    std::string out;
    AppendJson(out, utf8);
    return out;
}

}  // namespace check
