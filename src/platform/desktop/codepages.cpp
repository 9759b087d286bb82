// The device's ANSI code pages: each byte maps to one UTF-16 unit, as MultiByteToWideChar
// maps it, unassigned bytes included. Bytes below 0x80 are ASCII in all of them.
#include <algorithm>
#include <iterator>

#include "desktop.h"

namespace desktop {

namespace {
struct CodePage {
    int number;
    unsigned short upperHalf[128];
};
const CodePage kCodePages[] = {
#include "codepage_tables.inc"
};

const CodePage *Find(int number)
{
    auto page = std::find_if(std::begin(kCodePages), std::end(kCodePages),
                             [number](const CodePage &p) { return p.number == number; });
    return page == std::end(kCodePages) ? nullptr : page;
}
}  // namespace

bool HasCodePage(int codePage) { return Find(codePage) != nullptr; }

std::string CodePageNames()
{
    std::string names;
    for (const CodePage &page : kCodePages)
        names += (names.empty() ? "" : ", ") + std::to_string(page.number);
    return names;
}

wchar_t CodePageUnit(int codePage, unsigned char byte)
{
    return byte < 0x80 ? wchar_t(byte) : wchar_t(Find(codePage)->upperHalf[byte - 0x80]);
}

}  // namespace desktop
