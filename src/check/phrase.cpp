// Sentences of own words and outside text, exact for the JSON, escaped and laid out in lines
// for the plain report.
#include "phrase.h"

#include <algorithm>

namespace check {

Phrase::Phrase(std::string own)
{
    if (!own.empty())
        pieces_.push_back({Kind::kOwn, std::move(own), {}});
}

Phrase Phrase::Name(const Text &text)
{
    Phrase name;
    name.pieces_.push_back({Kind::kName, {}, text});
    return name;
}

Phrase Phrase::QuotedName(const Text &text)
{
    Phrase name = Name(text);
    name.pieces_.back().quoted = true;
    return name;
}

Phrase Phrase::NameBytes(const std::string &bytes)
{
    Phrase name;
    name.pieces_.push_back({Kind::kNameBytes, bytes, {}});
    return name;
}

Phrase Phrase::QuotedNameBytes(const std::string &bytes)
{
    Phrase name = NameBytes(bytes);
    name.pieces_.back().quoted = true;
    return name;
}

Phrase Phrase::Reason(const std::string &utf8)
{
    Phrase reason;
    if (!utf8.empty())
        reason.pieces_.push_back({Kind::kReason, utf8, {}});
    return reason;
}

Phrase &Phrase::operator+=(const Phrase &more)
{
    for (const Piece &piece : more.pieces_) {
        if (piece.kind == Kind::kOwn && !pieces_.empty() && pieces_.back().kind == Kind::kOwn)
            pieces_.back().bytes += piece.bytes;
        else
            pieces_.push_back(piece);
    }
    return *this;
}

Phrase operator+(Phrase first, const Phrase &second) { return first += second; }

std::string Phrase::Exact() const
{
    std::string out;
    for (const Piece &piece : pieces_) {
        const char *quote = piece.quoted ? "\"" : "";
        if (piece.kind == Kind::kName)
            out.append(quote).append(ToUtf8(piece.text)).append(quote);
        else if (piece.kind == Kind::kNameBytes)
            out.append(quote).append(ToUtf8(FromUtf8(piece.bytes))).append(quote);
        else
            out += piece.bytes;
    }
    return out;
}

std::string Phrase::Shown(std::vector<std::pair<size_t, size_t>> *names) const
{
    std::string out;
    for (const Piece &piece : pieces_) {
        size_t start = out.size();
        if (piece.kind == Kind::kOwn)
            out += piece.bytes;
        else if (piece.kind == Kind::kReason)
            out += ShownBytes(piece.bytes);
        else if (piece.kind == Kind::kNameBytes)
            out.append(piece.quoted ? "\"" : "").append(ShownBytes(piece.bytes)).append(piece.quoted ? "\"" : "");
        else
            out += piece.quoted ? Quoted(piece.text) : check::Shown(piece.text);
        if (names != nullptr && (piece.kind == Kind::kName || piece.kind == Kind::kNameBytes))
            names->emplace_back(start, out.size());
    }
    return out;
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

// A line being laid out: its text, its width so far, and where its words start.
struct Line {
    std::string text;
    size_t columns = 0;
    size_t indent = 0;   // bytes of leading spaces, left out of the colour
};

// A word of shown text, and the spaces before it, which a line may break at instead.
struct Word {
    size_t start, end, gap;
};

// The words after the leading spaces: they end at a space that is not a name's.
std::vector<Word> Words(const std::string &text, const std::vector<std::pair<size_t, size_t>> &names, size_t from)
{
    auto breaksAt = [&](size_t i) {
        for (const auto &[start, end] : names) {
            if (i >= start && i < end)
                return false;
        }
        return text[i] == ' ';
    };
    std::vector<Word> words;
    for (size_t at = from; at < text.size();) {
        size_t start = at;
        while (start < text.size() && breaksAt(start))
            start++;
        size_t end = start;
        while (end < text.size() && !breaksAt(end))
            end++;
        if (end > start)
            words.push_back({start, end, start - at});
        at = end;
    }
    return words;
}

}  // namespace

size_t Columns(const std::string &utf8)
{
    size_t columns = 0;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char lead = static_cast<unsigned char>(utf8[i]);
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
    std::vector<std::pair<size_t, size_t>> names;
    const std::string text = phrase.Shown(&names);
    if (style.colour == nullptr && text.size() <= style.width)
        return text;  // no wider than its bytes
    const size_t lead = std::min(text.find_first_not_of(' '), text.size());
    std::vector<Line> lines = {{text.substr(0, lead), lead, lead}};
    for (const Word &word : Words(text, names, lead)) {
        const size_t columns = Columns(text.substr(word.start, word.end - word.start));
        bool empty = lines.back().text.size() == lines.back().indent;
        if (!empty && lines.back().columns + word.gap + columns > style.width) {
            lines.push_back({std::string(style.hang, ' '), style.hang, style.hang});
            empty = true;
        }
        Line &line = lines.back();
        size_t from = empty ? word.start : word.start - word.gap;
        line.text.append(text, from, word.end - from);
        line.columns += columns + (word.start - from);
    }
    std::string out;
    for (size_t i = 0; i < lines.size(); i++) {
        const std::string &line = lines[i].text;
        size_t from = i == 0 ? std::max(style.colourFrom, lines[i].indent) : lines[i].indent;
        out += i ? "\n" : "";
        if (style.colour == nullptr || from >= line.size())
            out += line;
        else
            out.append(line, 0, from).append(style.colour).append(line, from, std::string::npos).append("\x1b[0m");
    }
    return out;
}

}  // namespace check
