/* The list path and the installer's arguments, built bounded, and UTF-8 decoding. A text
 * that does not fit is refused whole, never cut: a cut package name installs the wrong file. */
#include "batch.h"

int AppendText(wchar_t *target, int capacity, int *length, const wchar_t *text)
{
    int textLength = (int)wcslen(text);
    if (textLength >= capacity - *length)
        return 1;
    memcpy(target + *length, text, textLength * sizeof(wchar_t));
    *length += textLength;
    target[*length] = L'\0';
    return 0;
}

int AppendDecimal(wchar_t *target, int capacity, int *length, unsigned long value)
{
    wchar_t digits[24];
    int first = (int)(sizeof digits / sizeof digits[0]) - 1;
    digits[first] = L'\0';
    do {
        digits[--first] = (wchar_t)(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return AppendText(target, capacity, length, digits + first);
}

const wchar_t kListNameStart[] = L"SetupFile.CE";
const wchar_t kListNameEnd[] = L".txt";
const wchar_t kInstallerSwitches[] = L" /noui /pbar ";

int FormatListPath(const wchar_t *ownDirectory, unsigned long majorVersion, wchar_t *listPath)
{
    int length = 0;
    listPath[0] = L'\0';
    if (AppendText(listPath, kListPathCapacity, &length, ownDirectory) != 0
        || AppendText(listPath, kListPathCapacity, &length, L"\\") != 0
        || AppendText(listPath, kListPathCapacity, &length, kListNameStart) != 0
        || AppendDecimal(listPath, kListPathCapacity, &length, majorVersion) != 0
        || AppendText(listPath, kListPathCapacity, &length, kListNameEnd) != 0)
        return 1;
    return 0;
}

int AppendPackagePath(wchar_t *target, int capacity, int *length,
                      const wchar_t *ownDirectory, const wchar_t *entry)
{
    if (AppendText(target, capacity, length, ownDirectory) != 0
        || AppendText(target, capacity, length, L"\\") != 0
        || AppendText(target, capacity, length, entry) != 0)
        return 1;
    return 0;
}

int FormatInstallArguments(const wchar_t *ownDirectory, const wchar_t *entry,
                           wchar_t *arguments)
{
    int length = 0;
    arguments[0] = L'\0';
    if (AppendText(arguments, kArgumentsCapacity, &length, kInstallerSwitches) != 0
        || AppendText(arguments, kArgumentsCapacity, &length, L"\"") != 0
        || AppendPackagePath(arguments, kArgumentsCapacity, &length, ownDirectory, entry) != 0
        || AppendText(arguments, kArgumentsCapacity, &length, L"\"") != 0)
        return 1;
    return 0;
}

int ReadUtf8Sequence(const unsigned char *bytes, int count, unsigned long *codePoint)
{
    unsigned char lead = bytes[0];
    int length;
    unsigned long least;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, least = 0x80, *codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, least = 0x800, *codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, least = 0x10000, *codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (length > count)
        return 0;
    for (int i = 1; i < length; i++) {
        if ((bytes[i] & 0xC0) != 0x80)
            return 0;
        *codePoint = *codePoint << 6 | (bytes[i] & 0x3F);
    }
    if (*codePoint < least || *codePoint > 0x10FFFF
        || (*codePoint >= 0xD800 && *codePoint <= 0xDFFF))
        return 0;
    return length;
}

int DecodeUtf8(const unsigned char *bytes, int count, wchar_t *wide, int capacity)
{
    int length = 0;
    for (int i = 0; i < count;) {
        unsigned long codePoint;
        int sequence = ReadUtf8Sequence(bytes + i, count - i, &codePoint);
        if (sequence == 0)
            return kNotUtf8;
        i += sequence;
        /* Wide strings are UTF-16 on every platform, whatever the width of wchar_t. */
        if (codePoint >= 0x10000) {
            if (length + 2 <= capacity) {
                wide[length] = (wchar_t)(0xD800 + ((codePoint - 0x10000) >> 10));
                wide[length + 1] = (wchar_t)(0xDC00 + (codePoint & 0x3FF));
            }
            length += 2;
        } else {
            if (length < capacity)
                wide[length] = (wchar_t)codePoint;
            length++;
        }
    }
    return length > capacity ? kDoesNotFit : length;
}
