/* The wide-string routine that COREDLL exports, for the build with GNU tools (no C
 * library); called through its import slot, as windows.h explains. wchar_t is the
 * device's 16-bit UTF-16 unit (-fshort-wchar). */
#ifndef CABBATCH_CE_WCHAR_H
#define CABBATCH_CE_WCHAR_H

#include <stddef.h>

extern "C" size_t (*__imp_wcslen)(const wchar_t *text);

static inline size_t wcslen(const wchar_t *text)
{
    return __imp_wcslen(text);
}

#endif
