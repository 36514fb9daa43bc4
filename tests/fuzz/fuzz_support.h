// Shared pieces of the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/text.h"

// Ends the run as a finding: libFuzzer keeps the input that caused it.
#define FUZZ_CHECK(condition)                                                          \
    do {                                                                               \
        if (!(condition)) {                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                              \
        }                                                                              \
    } while (0)

// The input split at its NUL bytes into two texts (the rest is dropped),
// decoded as the program decodes its arguments and list lines.
struct TwoTexts {
    std::wstring first, second;
};

inline TwoTexts split_in_two(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    size_t cut = 0;
    while (cut < size && bytes[cut] != 0) ++cut;
    TwoTexts texts;
    texts.first = text::from_utf8(bytes, cut);
    if (cut < size) {
        size_t start = cut + 1, end = start;
        while (end < size && bytes[end] != 0) ++end;
        texts.second = text::from_utf8(bytes + start, end - start);
    }
    return texts;
}
