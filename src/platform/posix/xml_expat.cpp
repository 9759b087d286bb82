// XML documents read with expat. Nothing outside the document is ever loaded: no external
// DTD, no parameter entity, and an external entity fails the document; the entities of its
// own DTD may add no more than kXmlExpansionMost to it. The check refuses a document with a
// DTD before it gets here: these bounds stay as a second line.
// The library is built with DTD support, which its header shows only with this defined:
// without it, the bounds on entity expansion are not declared.
#define XML_DTD 1
#include <expat.h>

#include "platform/desktop/desktop.h"

namespace desktop {

namespace {

struct Reading {
    XML_Parser parser;
    std::vector<XmlElement> *elements;
    int depth = 0;
};

void XMLCALL Start(void *data, const XML_Char *name, const XML_Char **attributes)
{
    auto *reading = static_cast<Reading *>(data);
    if (reading->depth >= kXmlDepthMost) {
        XML_StopParser(reading->parser, XML_FALSE);
        return;
    }
    XmlElement element;
    element.depth = reading->depth++;
    element.name = name;
    for (const XML_Char **at = attributes; at[0] != nullptr; at += 2)
        element.attributes.emplace_back(at[0], at[1]);
    reading->elements->push_back(std::move(element));
}

void XMLCALL End(void *data, const XML_Char *) { static_cast<Reading *>(data)->depth--; }

int XMLCALL ExternalEntity(XML_Parser, const XML_Char *, const XML_Char *, const XML_Char *, const XML_Char *)
{
    return XML_STATUS_ERROR;
}

}  // namespace

Status ReadXml(const std::string &document, std::vector<XmlElement> *elements)
{
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (parser == nullptr)
        return kFailed;
    Reading reading{parser, elements};
    XML_SetUserData(parser, &reading);
    XML_SetElementHandler(parser, Start, End);
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetExternalEntityRefHandler(parser, ExternalEntity);
    // Past kXmlExpansionMost of input and expansion together, entities may at most double it.
    XML_SetBillionLaughsAttackProtectionActivationThreshold(parser, kXmlExpansionMost);
    XML_SetBillionLaughsAttackProtectionMaximumAmplification(parser, 2.0f);
    bool parsed = document.size() <= kMemberBytesKept
               && XML_Parse(parser, document.data(), int(document.size()), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return parsed ? kOk : kFailed;
}

}  // namespace desktop
