// Sentences of own words and outside text, exact for the JSON, escaped for the plain report.
#include "phrase.h"

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
            out += ToUtf8(FromUtf8(piece.bytes));
        else
            out += piece.bytes;
    }
    return out;
}

std::string Phrase::Shown() const
{
    std::string out;
    for (const Piece &piece : pieces_) {
        if (piece.kind == Kind::kOwn)
            out += piece.bytes;
        else if (piece.kind == Kind::kReason || piece.kind == Kind::kNameBytes)
            out += ShownBytes(piece.bytes);
        else
            out += piece.quoted ? Quoted(piece.text) : check::Shown(piece.text);
    }
    return out;
}

}  // namespace check
