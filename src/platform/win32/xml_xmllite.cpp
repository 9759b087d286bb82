// XML documents read with XmlLite, which Windows ships. mingw-w64 has its header but no
// import library, so CreateXmlReader is found at run time. Nothing outside the document is
// ever loaded (no resolver is given), and a DTD is refused: Wine's XmlLite cannot bound what
// entities add, and the check refuses documents with one before they get here.
#include <windows.h>
#include <shlwapi.h>
#include <xmllite.h>

#include "platform/desktop/desktop.h"
#include "utf8.h"

namespace desktop {

namespace {

using CreateReader = HRESULT(WINAPI *)(REFIID, void **, IMalloc *);

CreateReader Creator()
{
    static const CreateReader create = [] {
        HMODULE library = LoadLibraryW(L"xmllite.dll");
        FARPROC found = library ? GetProcAddress(library, "CreateXmlReader") : nullptr;
        return reinterpret_cast<CreateReader>(reinterpret_cast<void *>(found));
    }();
    return create;
}

std::string Text(const wchar_t *text, UINT length) { return Utf8(std::wstring(text, length)); }

// The element the reader stands on, with its attributes.
bool ReadElement(IXmlReader *reader, XmlElement *element)
{
    const wchar_t *text;
    UINT length, depth;
    if (FAILED(reader->GetDepth(&depth)) || FAILED(reader->GetQualifiedName(&text, &length)))
        return false;
    element->depth = int(depth);
    element->name = Text(text, length);
    for (HRESULT at = reader->MoveToFirstAttribute(); at == S_OK; at = reader->MoveToNextAttribute()) {
        std::string name;
        if (FAILED(reader->GetQualifiedName(&text, &length)))
            return false;
        name = Text(text, length);
        if (FAILED(reader->GetValue(&text, &length)))
            return false;
        element->attributes.emplace_back(name, Text(text, length));
    }
    return SUCCEEDED(reader->MoveToElement());
}

// Where a read left the reader: its node's kind and place in the document.
struct Place {
    XmlNodeType type = XmlNodeType_None;
    UINT line = 0, position = 0;
    bool operator==(const Place &other) const
    {
        return type == other.type && line == other.line && position == other.position;
    }
};

bool Read(IXmlReader *reader, std::vector<XmlElement> *elements)
{
    Place last, here;
    HRESULT result;
    while ((result = reader->Read(&here.type)) == S_OK) {
        // Wine's reader answers S_OK for ever on the same node at the same place when the
        // document ends inside a comment, a CDATA section, a PI or a reference.
        if (FAILED(reader->GetLineNumber(&here.line)) || FAILED(reader->GetLinePosition(&here.position))
            || here == last)
            return false;
        last = here;
        if (here.type != XmlNodeType_Element)
            continue;
        XmlElement element;
        if (!ReadElement(reader, &element))
            return false;
        elements->push_back(std::move(element));
    }
    return result == S_FALSE;  // the end of the document
}

}  // namespace

Status ReadXml(const std::string &document, std::vector<XmlElement> *elements)
{
    CreateReader create = Creator();
    if (create == nullptr || document.size() > kMemberBytesKept)
        return kFailed;
    IStream *stream = SHCreateMemStream(reinterpret_cast<const BYTE *>(document.data()), UINT(document.size()));
    IXmlReader *reader = nullptr;
    bool parsed = false;
    if (stream != nullptr && SUCCEEDED(create(__uuidof(IXmlReader), reinterpret_cast<void **>(&reader), nullptr))) {
        // Wine's reader counts the content of the deepest element as a level of its own.
        parsed = SUCCEEDED(reader->SetProperty(XmlReaderProperty_MaxElementDepth, kXmlDepthMost + 1))
              && SUCCEEDED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit))
              && SUCCEEDED(reader->SetProperty(XmlReaderProperty_XmlResolver, 0))
              && SUCCEEDED(reader->SetInput(stream)) && Read(reader, elements);
    }
    if (reader != nullptr)
        reader->Release();
    if (stream != nullptr)
        stream->Release();
    return parsed ? kOk : kFailed;
}

}  // namespace desktop
