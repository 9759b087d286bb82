// Sentences of own words and outside text, exact for the JSON, escaped and laid out in lines
// for the plain report.
#include "phrase.h"

#include <algorithm>

namespace check {

Phrase::Phrase(std::string own) : exact_(own), shown_(std::move(own)) {}

Phrase Phrase::Outside(std::string exact, std::string shown, bool name)
{
    Phrase outside;
    if (name)
        outside.names_.emplace_back(0, shown.size());
    outside.exact_ = std::move(exact);
    outside.shown_ = std::move(shown);
    return outside;
}

Phrase Phrase::Name(const Text &text) { return Outside(ToUtf8(text), check::Shown(text), true); }

Phrase Phrase::QuotedName(const Text &text) { return Outside("\"" + ToUtf8(text) + "\"", Quoted(text), true); }

Phrase Phrase::NameBytes(const std::string &bytes) { return Outside(ToUtf8(FromUtf8(bytes)), ShownBytes(bytes), true); }

Phrase Phrase::QuotedNameBytes(const std::string &bytes)
{
    return Outside("\"" + ToUtf8(FromUtf8(bytes)) + "\"", "\"" + ShownBytes(bytes) + "\"", true);
}

Phrase Phrase::Reason(const std::string &utf8) { return Outside(utf8, ShownBytes(utf8), false); }

Phrase &Phrase::operator+=(const Phrase &more)
{
    for (const auto &[start, end] : more.names_)
        names_.emplace_back(shown_.size() + start, shown_.size() + end);
    exact_ += more.exact_;
    shown_ += more.shown_;
    return *this;
}

Phrase operator+(Phrase first, const Phrase &second)
{
    first += second;
    return first;  // moved, where returning the reference += gives would copy
}

// ---- Lines

namespace {

bool Wide(unsigned long c)
{
    static const unsigned long kRanges[][2] = {
        {0x1100, 0x115F}, {0x2E80, 0x303E}, {0x3041, 0x33FF}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF},
        {0xA000, 0xA4CF}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF}, {0xFE30, 0xFE4F}, {0xFF00, 0xFF60},
        {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD}};
    for (const auto &range : kRanges) {
        if (c >= range[0] && c <= range[1])
            return true;
    }
    return false;
}

// The first space at or after from, else the text's end. Words are short: a loop of our
// own finds it sooner than a call to search the string.
size_t SpaceFrom(const std::string &text, size_t from)
{
    while (from < text.size() && text[from] != ' ')
        from++;
    return from;
}

// Calls each(start, end, gap) for the words of shown text after from: a word ends at a space
// that is not a name's, and gap is the spaces before it, where a line may break instead.
template <typename Each>
void ForEachWord(const std::string &text, const std::vector<std::pair<size_t, size_t>> &names, size_t from, Each each)
{
    size_t name = 0;  // the first name that does not end before the place asked about
    auto inName = [&](size_t i) {
        while (name < names.size() && names[name].second <= i)
            name++;
        return name < names.size() && names[name].first <= i;
    };
    for (size_t at = from; at < text.size();) {
        size_t start = at, end;
        while (start < text.size() && text[start] == ' ' && !inName(start))
            start++;
        for (end = SpaceFrom(text, start); end < text.size() && inName(end);)
            end = SpaceFrom(text, names[name].second);
        if (end > start)
            each(start, end, start - at);
        at = end;
    }
}

// Colours a line of out from its byte from to its end.
void Colour(std::string &out, size_t from, const char *colour)
{
    if (colour != nullptr && from < out.size())
        out.insert(from, colour).append("\x1b[0m");
}

}  // namespace

size_t Columns(std::string_view utf8)
{
    size_t columns = 0;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {  // most of a report is ASCII, a column a byte
            columns++, i++;
            continue;
        }
        int extra = lead < 0xC0 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        unsigned long c = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra && i + size_t(k) < utf8.size(); k++)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + size_t(k)]) & 0x3F);
        i += size_t(extra) + 1;
        columns += (c >= 0x300 && c <= 0x36F) || c == 0x200B ? 0 : Wide(c) ? 2 : 1;
    }
    return columns;
}

std::string LaidOut(const Phrase &phrase, const LineStyle &style)
{
    const std::string &text = phrase.Shown();
    const std::vector<std::pair<size_t, size_t>> &names = phrase.Names();
    if (style.colour == nullptr && text.size() <= style.width)
        return text;  // no wider than its bytes
    const size_t lead = std::min(text.find_first_not_of(' '), text.size());
    std::string out;
    out.reserve(2 * text.size());
    // The line being laid out: where it starts in out, its width so far, where its colour
    // starts, and the text it holds, which is copied at its end.
    size_t line = 0, columns = lead, colourFrom = std::max(style.colourFrom, lead), held = 0, heldEnd = lead;
    bool placed = false;  // a word is on it
    auto endLine = [&]() {
        out.append(text, held, heldEnd - held);
        Colour(out, line + colourFrom, style.colour);
    };
    ForEachWord(text, names, lead, [&](size_t start, size_t end, size_t gap) {
        const size_t wordColumns = Columns(std::string_view(text).substr(start, end - start));
        if (placed && columns + gap + wordColumns > style.width) {
            endLine();
            line = out.append("\n").size();
            out.append(style.hang, ' ');
            columns = colourFrom = style.hang;
            held = start;
            gap = 0;
        }
        heldEnd = end;
        columns += gap + wordColumns;
        placed = true;
    });
    endLine();
    return out;
}

}  // namespace check
