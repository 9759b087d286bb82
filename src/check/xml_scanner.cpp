// The setup document's structure, read as the check's rules allow it and no further: the
// declaration, white space, comments and processing instructions around the root element,
// and the root element itself, a tag at a time.
#include "xml_scanner.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "platform/desktop/desktop.h"

namespace check {

namespace {

const char kMalformed[] = "its _setup.xml is not well-formed XML: ";

// Wine's XmlLite drops such a character from an attribute value, or fails the document.
// Windows' XmlLite holds a document to the namespace rules, which expat, run without them, and
// Wine's XmlLite do not; setup documents use no namespaces.
const char kNamespaces[] = "its _setup.xml uses XML namespaces (a \":\" in a name, or an xmlns attribute), which the "
                           "check does not read";
const char kPastBmp[] = "its _setup.xml has a character past U+FFFF in an attribute value, which the check does not read";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool SameLetters(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++) {
        if ((a[i] | 0x20) != (b[i] | 0x20))
            return false;
    }
    return true;
}

}  // namespace

bool XmlScanner::Malformed(const char *what) { return Fail(kMalformed + std::string(what)); }

bool XmlScanner::SkipSpace()
{
    size_t from = at_;
    while (at_ < text_.size() && IsSpace(text_[at_]))
        at_++;
    return at_ > from;
}

// Past the next `end`, or false when the text ends first.
bool XmlScanner::Past(const char *end, const char *unfinished)
{
    size_t found = text_.find(end, at_);
    if (found == std::string::npos)
        return Malformed(unfinished);
    at_ = found + std::strlen(end);
    return true;
}

bool XmlScanner::Quoted(std::string_view *value)
{
    if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\''))
        return false;
    size_t end = text_.find(text_[at_], at_ + 1);
    if (end == std::string::npos)
        return false;
    *value = std::string_view(text_).substr(at_ + 1, end - at_ - 1);
    at_ = end + 1;
    return true;
}

// One of the declaration's name="value"; false, with nothing read, where it does not follow.
bool XmlScanner::Pseudo(const char *name, std::string_view *value)
{
    size_t start = at_;
    if (Skip(name) && (SkipSpace(), Skip("=")) && (SkipSpace(), Quoted(value)))
        return true;
    at_ = start;
    return false;
}

bool XmlScanner::NamesEncoding(std::string_view name)
{
    const char *own = encoding_ == XmlEncoding::kUtf8 ? "UTF-8" : "UTF-16";
    if (name.empty() || name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-")
                            != std::string_view::npos)
        return Malformed("an encoding name that is not one");
    if (SameLetters(name, own))
        return true;
    std::string said = "its _setup.xml declares the encoding \"" + std::string(name) + "\", ";
    if (SameLetters(name, "UTF-8") || SameLetters(name, "UTF-16"))
        return Fail(said + "which its bytes contradict");
    return Fail(said + "which the check does not read (only \"UTF-8\", and \"UTF-16\" with a little-endian "
                       "byte-order mark)");
}

bool XmlScanner::Declaration()
{
    if (!At("<?xml") || at_ + 5 >= text_.size() || !IsSpace(text_[at_ + 5]))
        return true;
    at_ += 5;
    std::string_view version, encoding, standalone;
    if (!(SkipSpace(), Pseudo("version", &version)) || version != "1.0")
        return Malformed("an XML declaration without version 1.0");
    bool space = SkipSpace();
    if (space && Pseudo("encoding", &encoding))
        space = SkipSpace();
    if (space && Pseudo("standalone", &standalone)) {
        if (standalone != "yes" && standalone != "no")
            return Malformed("an XML declaration with standalone other than yes or no");
        SkipSpace();
    }
    if (!Skip("?>"))
        return Malformed("an XML declaration that does not end as one");
    return encoding.empty() || NamesEncoding(encoding);
}

// A name as the rules allow it; another run of name characters breaks the names rule.
bool XmlScanner::Name(std::string_view *name)
{
    size_t start = at_;
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    auto inName = [&letter](char c) {
        return letter(c) || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':' || (unsigned char)c >= 0x80;
    };
    while (at_ < text_.size() && inName(text_[at_]))
        at_++;
    *name = std::string_view(text_).substr(start, at_ - start);
    if (name->empty())
        return Malformed("a name missing");
    bool plain = letter(name->front())
              && std::none_of(name->begin(), name->end(), [](char c) { return (unsigned char)c >= 0x80; });
    if (!plain)
        return Fail("its _setup.xml has a name that is not plain ASCII (a letter or \"_\", then letters, digits, "
                    "\".\", \"-\" and \"_\")");
    return name->find(':') == std::string_view::npos || Fail(kNamespaces);
}

// An entity or character reference, at its "&".
bool XmlScanner::Reference(bool inValue)
{
    size_t end = text_.find(';', at_);
    if (end == std::string::npos)
        return Malformed("a reference that does not end");
    std::string_view name = std::string_view(text_).substr(at_ + 1, end - at_ - 1);
    at_ = end + 1;
    if (name == "lt" || name == "gt" || name == "amp" || name == "apos" || name == "quot")
        return true;
    if (name.empty() || name[0] != '#')
        return Malformed("a reference to an entity that it does not define");
    bool hex = name.size() > 1 && name[1] == 'x';
    std::string_view digits = name.substr(hex ? 2 : 1);
    unsigned long c = 0;
    for (char digit : digits) {
        int value = digit >= '0' && digit <= '9' ? digit - '0'
                  : hex && (digit | 0x20) >= 'a' && (digit | 0x20) <= 'f' ? (digit | 0x20) - 'a' + 10 : -1;
        if (value < 0 || c > 0x10FFFF)
            return Malformed("a character reference that is not one");
        c = c * (hex ? 16 : 10) + unsigned(value);
    }
    if (digits.empty() || !IsXmlCharacter(c))
        return Malformed("a reference to a character that XML does not allow");
    return c <= 0xFFFF || !inValue || Fail(kPastBmp);
}

bool XmlScanner::Instruction()
{
    at_ += 2;
    std::string_view target;
    if (!Name(&target))
        return false;
    if (SameLetters(target, "xml"))
        return Malformed("an XML declaration that is not at its start");
    if (Skip("?>"))
        return true;
    if (!SkipSpace())
        return Malformed("a processing instruction without white space after its target");
    return Past("?>", "a processing instruction that does not end");
}

// White space, comments and processing instructions, before the root element.
bool XmlScanner::Misc()
{
    while (SkipSpace() || At("<!--") || At("<?")) {
        if (Skip("<!--") ? !Comment() : At("<?") && !Instruction())
            return false;
    }
    return true;
}

bool XmlScanner::AttributeValue()
{
    if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\''))
        return Malformed("an attribute value without quotes");
    char quote = text_[at_++];
    for (; at_ < text_.size() && text_[at_] != quote;) {
        if (text_[at_] == '<')
            return Malformed("a \"<\" in an attribute value");
        unsigned char lead = static_cast<unsigned char>(text_[at_]);
        if (lead >= 0xF0 && lead <= 0xF4)  // the first of four bytes in UTF-8
            return Fail(kPastBmp);
        if (text_[at_] == '&' ? !Reference(true) : (at_++, false))
            return false;
    }
    return Skip(quote == '"' ? "\"" : "'") || Malformed("an attribute value that does not end");
}

bool XmlScanner::StartTag()
{
    at_++;
    std::string_view name, attribute;
    if (!Name(&name))
        return false;
    std::unordered_set<std::string_view> given;
    for (bool space = SkipSpace(); !At(">") && !At("/>"); space = SkipSpace()) {
        if (!space)
            return Malformed(at_ < text_.size() ? "a tag that does not end as one" : "a tag that does not end");
        if (!Name(&attribute) || (attribute == "xmlns" && !Fail(kNamespaces))
            || !((SkipSpace(), Skip("=")) || Malformed("an attribute without a value"))
            || !(SkipSpace(), AttributeValue()))
            return false;
        if (!given.insert(attribute).second)
            return Fail("its _setup.xml gives an element the attribute \"" + std::string(attribute) + "\" twice");
    }
    if (open_.size() >= size_t(desktop::kXmlDepthMost))
        return Fail("its _setup.xml nests elements more than " + std::to_string(desktop::kXmlDepthMost) + " deep");
    if (Skip(">"))
        open_.push_back(name);
    else
        at_ += 2;
    return true;
}

bool XmlScanner::EndTag()
{
    at_ += 2;
    std::string_view name;
    if (!Name(&name))
        return false;
    if (name != open_.back())
        return Malformed("an end tag that does not match its start tag");
    open_.pop_back();
    return (SkipSpace(), Skip(">")) || Malformed("an end tag that does not end as one");
}

// The root element, from its start tag to its end tag.
bool XmlScanner::Content()
{
    bool kept = StartTag();
    while (kept && !open_.empty()) {
        if (at_ >= text_.size())
            return Malformed("an element that does not end");
        if (text_[at_] == '&')
            kept = Reference(false);
        else if (text_[at_] != '<')
            kept = !At("]]>") ? (at_++, true) : Malformed("\"]]>\" in text");
        else if (At("</"))
            kept = EndTag();
        else if (Skip("<![CDATA["))
            kept = Past("]]>", "a CDATA section that does not end");
        else if (At("<!--") || At("<?")) {
            size_t start = at_;
            kept = Skip("<!--") ? Comment() : Instruction();
            dropped_.emplace_back(start, at_);
        } else
            kept = !At("<!") ? StartTag() : Malformed("a declaration inside an element");
    }
    return kept;
}

std::string XmlScanner::Broken()
{
    if (!Declaration() || !Misc())
        return why_;
    if (At("<!DOCTYPE"))
        return "its _setup.xml has a DOCTYPE, which the check does not read";
    if (at_ >= text_.size() || text_[at_] != '<')
        return kMalformed + std::string(at_ >= text_.size() ? "no root element" : "text before the root element");
    dropped_.emplace_back(0, at_);
    if (!Content())
        return why_;
    dropped_.emplace_back(at_, text_.size());
    SkipSpace();
    return at_ < text_.size() ? "its _setup.xml has more than white space after its root element" : "";
}

}  // namespace check
