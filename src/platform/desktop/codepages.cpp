// The device's ANSI code pages, decoded as MultiByteToWideChar decodes them, unassigned bytes
// included. Bytes below 0x80 are ASCII in all of them; a double-byte page also pairs a lead
// byte with the byte after it.
#include <algorithm>
#include <iterator>

#include "desktop.h"

namespace desktop {

namespace {
const int kFirstTrail = 0x40, kTrailCount = 0xFE - kFirstTrail + 1;

struct CodePage {
    int number;
    unsigned short defaultUnit;               // for a pair the page does not assign
    unsigned short upperHalf[128];            // single bytes 0x80 to 0xFF
    const unsigned char *rowOfLead;           // double-byte pages: 1 + the lead's row, or 0
    const unsigned short (*rows)[kTrailCount];
};

#include "codepage_tables.inc"

const CodePage *Find(int number)
{
    auto page = std::find_if(std::begin(kCodePages), std::end(kCodePages),
                             [number](const CodePage &p) { return p.number == number; });
    return page == std::end(kCodePages) ? nullptr : page;
}

// The unit a lead byte and the byte after it stand for.
wchar_t PairUnit(const CodePage &page, unsigned char lead, unsigned char trail)
{
    if (trail < kFirstTrail || trail >= kFirstTrail + kTrailCount)
        return wchar_t(page.defaultUnit);
    return wchar_t(page.rows[page.rowOfLead[lead] - 1][trail - kFirstTrail]);
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

}  // namespace desktop

Status PlatformDecodeAnsi(int codePage, const unsigned char *bytes, int count, wchar_t *wide,
                          int capacity, int *decoded)
{
    const desktop::CodePage &page = *desktop::Find(codePage);
    int length = 0;
    for (int i = 0; i < count; i++) {
        if (length == capacity)
            return kFailed;
        unsigned char byte = bytes[i];
        if (byte < 0x80)
            wide[length++] = wchar_t(byte);
        else if (page.rowOfLead == nullptr || page.rowOfLead[byte] == 0)
            wide[length++] = wchar_t(page.upperHalf[byte - 0x80]);
        else if (i + 1 < count && bytes[i + 1] != 0)  // a NUL is never a trail byte
            wide[length++] = desktop::PairUnit(page, byte, bytes[++i]);
        else
            wide[length++] = wchar_t(page.defaultUnit);  // a lead byte with no trail byte
    }
    *decoded = length;
    return kOk;
}
