// What a test's stream holds, read back from its start.
#pragma once

#include <cstdio>
#include <string>

inline std::string stream_contents(FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string bytes;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    return bytes;
}
