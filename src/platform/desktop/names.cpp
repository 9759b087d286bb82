// Names as Windows file systems treat them: compared through Windows' own upper-case table,
// and reached beyond 260 characters through the extended-length form of a path.
#include <algorithm>
#include <iterator>

#include "desktop.h"

namespace desktop {

namespace {
struct CaseMapping {
    unsigned short unit, upper;
};

#include "case_table.inc"
}  // namespace

wchar_t UpperCase(wchar_t unit)
{
    const unsigned short key = static_cast<unsigned short>(unit & 0xFFFF);
    const CaseMapping *mapping = std::lower_bound(
        std::begin(kUpperCase), std::end(kUpperCase), key,
        [](const CaseMapping &entry, unsigned short wanted) { return entry.unit < wanted; });
    return mapping != std::end(kUpperCase) && mapping->unit == key ? wchar_t(mapping->upper) : unit;
}

Text FoldCase(const Text &text)
{
    Text folded(text);
    for (wchar_t &unit : folded)
        unit = UpperCase(unit);
    return folded;
}

// The installer knows its setup information by the three digits of an 8.3 name's extension.
bool IsSetupMember(const std::string &name)
{
    return name.size() >= 4 && name.compare(name.size() - 4, 4, ".000") == 0;
}

std::wstring ExtendedLengthPath(const std::wstring &fullPath)
{
    std::wstring path(fullPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0)
        return path;  // already extended, or a device
    if (path.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + path.substr(2);
    bool drive = path.size() >= 3 && path[1] == L':' && path[2] == L'\\'
              && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    return drive ? L"\\\\?\\" + path : path;  // a relative path is left to the caller's folder
}

}  // namespace desktop
