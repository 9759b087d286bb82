// A sentence of the report: the check's own words around text from outside. The JSON takes
// it exact; the plain report shows the outside text through the one escaping function and
// lays the sentence out in lines without breaking a name.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text.h"

namespace check {

class Phrase {
public:
    Phrase() = default;
    Phrase(std::string own);             // the check's own words, UTF-8, shown as they are
    Phrase(const char *own) : Phrase(std::string(own)) {}
    static Phrase Name(const Text &text);            // a name from outside, never broken
    static Phrase QuotedName(const Text &text);      // the same in double quotes
    static Phrase NameBytes(const std::string &bytes);  // one given as bytes, UTF-8 where valid
    static Phrase QuotedNameBytes(const std::string &bytes);
    // A sentence that holds outside text (a package's "why"), exact UTF-8: shown escaped as a
    // whole, so its own words must hold no "<", and broken at its spaces like own words.
    static Phrase Reason(const std::string &utf8);

    Phrase &operator+=(const Phrase &more);
    // Exact UTF-8, for the JSON: a lone surrogate becomes U+FFFD, as everywhere in it.
    const std::string &Exact() const { return exact_; }
    // For a terminal, and the byte ranges of the names in it, which a line must not break.
    const std::string &Shown() const { return shown_; }
    const std::vector<std::pair<size_t, size_t>> &Names() const { return names_; }

private:
    static Phrase Outside(std::string exact, std::string shown, bool name);
    // Both forms are made as the phrase is: most are written in one of them, but they are short.
    std::string exact_, shown_;
    std::vector<std::pair<size_t, size_t>> names_;
};

Phrase operator+(Phrase first, const Phrase &second);

// How the plain report's lines are laid out: at most width columns, in colour from a column.
struct LineStyle {
    size_t width = 80;
    size_t hang = 0;                 // the indent of each line after the first
    const char *colour = nullptr;    // an SGR sequence, or none
    size_t colourFrom = 0;           // where the colour starts in the first line, in bytes of
                                     // the check's own words before it
};

// The phrase as lines of at most style.width columns, broken only at spaces of its own words
// and reasons, each further line indented by style.hang. A name too long for any line stands
// alone on one. With a colour, each line's text after the indent (on the first, from
// colourFrom) is coloured and reset before the line ends. No final line break.
std::string LaidOut(const Phrase &phrase, const LineStyle &style);

// The columns a terminal gives UTF-8 text: two for wide East Asian characters and emoji,
// none for combining marks, one for the rest.
size_t Columns(std::string_view utf8);

}  // namespace check
