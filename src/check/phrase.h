// A sentence of the report: the check's own words around text from outside. The JSON takes
// it exact; the plain report shows the outside text through the one escaping function.
#pragma once

#include <string>
#include <vector>

#include "text.h"

namespace check {

class Phrase {
public:
    Phrase() = default;
    Phrase(std::string own);             // the check's own words, UTF-8, shown as they are
    Phrase(const char *own) : Phrase(std::string(own)) {}
    static Phrase Name(const Text &text);            // a name from outside
    static Phrase QuotedName(const Text &text);      // the same in double quotes
    static Phrase NameBytes(const std::string &bytes);  // one given as bytes, UTF-8 where valid
    // A sentence that holds outside text (a package's "why"), exact UTF-8: shown escaped as a
    // whole, so its own words must hold no "<".
    static Phrase Reason(const std::string &utf8);

    Phrase &operator+=(const Phrase &more);
    bool Empty() const { return pieces_.empty(); }
    // Exact UTF-8, for the JSON: a lone surrogate becomes U+FFFD, as everywhere in it.
    std::string Exact() const;
    // For a terminal.
    std::string Shown() const;

private:
    enum class Kind { kOwn, kName, kNameBytes, kReason };
    struct Piece {
        Kind kind;
        std::string bytes;  // own words, a reason, or a name given as bytes
        Text text;          // a name
        bool quoted = false;
    };
    std::vector<Piece> pieces_;
};

Phrase operator+(Phrase first, const Phrase &second);

}  // namespace check
