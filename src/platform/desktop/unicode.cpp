// UTF-8 for the desktop's files, names and output, and upper case for comparing names.
#include "desktop.h"

#include "batch.h"

namespace desktop {

static void AppendUtf8(std::string &out, unsigned long codePoint)
{
    if (codePoint < 0x80) {
        out += char(codePoint);
        return;
    }
    int extra = codePoint < 0x800 ? 1 : codePoint < 0x10000 ? 2 : 3;
    static const unsigned char kLeads[] = {0, 0xC0, 0xE0, 0xF0};
    out += char(kLeads[extra] | (codePoint >> (6 * extra)));
    for (int shift = 6 * (extra - 1); shift >= 0; shift -= 6)
        out += char(0x80 | ((codePoint >> shift) & 0x3F));
}

std::string ToUtf8(const Text &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        unsigned long unit = text[i] & 0xFFFF;
        unsigned long next = i + 1 < text.size() ? text[i + 1] & 0xFFFF : 0;
        if (unit >= 0xD800 && unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            i++;
        } else {
            AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
        }
    }
    return out;
}

Text FromUtf8(const std::string &bytes)
{
    Text out;
    for (size_t i = 0; i < bytes.size();) {
        unsigned long codePoint;
        // The device program's own UTF-8 rules, so that names read the same on both sides.
        int length = ReadUtf8Sequence(reinterpret_cast<const unsigned char *>(bytes.data()) + i,
                                      int(bytes.size() - i), &codePoint);
        if (length == 0) {
            out += wchar_t(0xFFFD);
            i++;
        } else if (codePoint >= 0x10000) {
            out += wchar_t(0xD800 + ((codePoint - 0x10000) >> 10));
            out += wchar_t(0xDC00 + (codePoint & 0x3FF));
        } else {
            out += wchar_t(codePoint);
        }
        i += length;
    }
    return out;
}

static wchar_t UpperCase(wchar_t c)
{
    if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return wchar_t(c - 0x20);
    if (c == 0xFF)
        return 0x178;
    if (c == 0x131)  // dotless i
        return L'I';
    // Latin Extended-A pairs capital and small letter: capital first, except in these runs.
    bool smallIsEven = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c >= 0x100 && c <= 0x17E && c != 0x138 && c != 0x149)
        return (c % 2 == 0) == smallIsEven ? wchar_t(c - 1) : c;
    if (c == 0x3C2)  // final sigma
        return 0x3A3;
    if ((c >= 0x3B1 && c <= 0x3C9) || (c >= 0x430 && c <= 0x44F))
        return wchar_t(c - 0x20);
    if (c >= 0x450 && c <= 0x45F)
        return wchar_t(c - 0x50);
    return c;
}

Text FoldCase(const Text &text)
{
    Text folded(text);
    for (wchar_t &c : folded)
        c = UpperCase(c);
    return folded;
}

}  // namespace desktop
