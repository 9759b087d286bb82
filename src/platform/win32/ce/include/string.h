/* The memory routines that COREDLL exports, for the build with GNU tools (no C library);
 * called through their import slots, as windows.h explains. */
#ifndef CABBATCH_CE_STRING_H
#define CABBATCH_CE_STRING_H

#include <stddef.h>

extern "C" void *(*__imp_memcpy)(void *target, const void *source, size_t count);
extern "C" void *(*__imp_memset)(void *target, int value, size_t count);
extern "C" int (*__imp_memcmp)(const void *a, const void *b, size_t count);

static inline void *memcpy(void *target, const void *source, size_t count)
{
    return __imp_memcpy(target, source, count);
}

static inline void *memset(void *target, int value, size_t count)
{
    return __imp_memset(target, value, count);
}

static inline int memcmp(const void *a, const void *b, size_t count)
{
    return __imp_memcmp(a, b, count);
}

#endif
