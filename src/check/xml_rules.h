// The check's own rules for a setup document, enforced before either platform's XML parser
// sees it. expat and XmlLite (Wine's above all) disagree on what is well-formed, and Wine's
// crashes on some documents, so the check takes only a plain subset of XML that both read
// alike, and says which rule a document breaks.
#pragma once

#include <string>

namespace check {

// Real setup documents are a few KB; Wine's XmlLite crashes on a comment of 384 KiB.
constexpr size_t kXmlDocumentMost = 256 << 10;

// Empty when the document keeps every rule, else one sentence on the first rule it breaks:
// - at most kXmlDocumentMost bytes;
// - UTF-8, with or without its mark, or UTF-16LE with its mark, valid throughout, and a
//   declaration (version 1.0) that names that encoding if it names one;
// - no DOCTYPE; nothing but white space, comments and processing instructions before the
//   root element, nothing but white space after it;
// - elements nested at most desktop::kXmlDepthMost deep;
// - names of ASCII letters, digits, ".", "-" and "_", starting with a letter or "_": no ":"
//   and no xmlns attribute, since Windows' XmlLite alone holds documents to the namespace rules;
// - no attribute twice in one element; only the five predefined entities referred to;
// - only characters that XML allows, written or referred to, and none past U+FFFF in an
//   attribute value;
// - otherwise well-formed.
// *plain is then what the parsers read: the root element alone, without comments and
// processing instructions, in ASCII, every other character as a reference.
std::string XmlRuleBroken(const std::string &bytes, std::string *plain);

}  // namespace check
