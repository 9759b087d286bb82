/* UTF-8 as the list reader decodes it, by the strict rules that the card check shares: no
 * overlong form, no surrogate, nothing past U+10FFFF. */
#include "batch.h"

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
        return kNotFound;
    }
    if (length > count)
        return kNotFound;
    for (int i = 1; i < length; i++) {
        if ((bytes[i] & 0xC0) != 0x80)
            return kNotFound;
        *codePoint = *codePoint << 6 | (bytes[i] & 0x3F);
    }
    if (*codePoint < least || *codePoint > 0x10FFFF
        || (*codePoint >= 0xD800 && *codePoint <= 0xDFFF))
        return kNotFound;
    return length;
}

DecodeStatus DecodeUtf8(const unsigned char *bytes, int count, wchar_t *wide, int capacity,
                        int *decoded)
{
    int length = 0;
    for (int i = 0; i < count;) {
        unsigned long codePoint;
        int sequence = ReadUtf8Sequence(bytes + i, count - i, &codePoint);
        if (sequence == kNotFound)
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
    *decoded = length;
    return length > capacity ? kDoesNotFit : kDecoded;
}
