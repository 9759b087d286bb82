// A property that every input must keep: when it fails, the fuzzer is stopped with the
// place and the condition, and keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define CHECK(condition)                                                   \
    do {                                                                   \
        if (!(condition)) {                                                \
            std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                  \
        }                                                                  \
    } while (0)
