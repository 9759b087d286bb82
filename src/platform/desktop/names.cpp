// Names as Windows file systems treat them: compared through Windows' own upper-case table,
// and reached beyond 260 characters through the extended-length form of a path.
#include <algorithm>
#include <vector>

#include "desktop.h"

namespace desktop {

namespace {
struct CaseMapping {
    unsigned short unit, upper;
};

#include "case_table.inc"
}  // namespace

// Every unit's upper case at hand, made once from the pairs: names are folded on every line
// of a list.
static const unsigned short *UpperCaseTable()
{
    static const std::vector<unsigned short> kTable = [] {
        std::vector<unsigned short> table(0x10000);
        for (unsigned i = 0; i < table.size(); i++)
            table[i] = static_cast<unsigned short>(i);
        for (const CaseMapping &mapping : kUpperCase)
            table[mapping.unit] = mapping.upper;
        return table;
    }();
    return kTable.data();
}

wchar_t UpperCase(wchar_t unit)
{
    return wchar_t(UpperCaseTable()[static_cast<unsigned short>(unit & 0xFFFF)]);
}

Text FoldCase(const Text &text)
{
    const unsigned short *table = UpperCaseTable();
    Text folded(text);
    for (wchar_t &unit : folded)
        unit = wchar_t(table[static_cast<unsigned short>(unit & 0xFFFF)]);
    return folded;
}

std::wstring ExtendedLengthPath(const std::wstring &fullPath)
{
    std::wstring path(fullPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0)
        return path;  // already extended, or a device
    if (path.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + path.substr(2);
    return StartsWithDrive(path) ? L"\\\\?\\" + path : path;  // a relative path is left to the caller's folder
}

bool StartsWithDrive(const std::wstring &path)
{
    return path.size() >= 3 && path[1] == L':' && path[2] == L'\\'
        && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

}  // namespace desktop
