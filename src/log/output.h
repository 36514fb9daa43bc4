// Text output: every screen and log line goes through here, formatted as
// common/text.h formats. What reaches a file or a redirected console is UTF-8
// whatever the C locale; a Windows console gets the wide text itself.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "common/text.h"

namespace text {

// Formats and writes to `stream`; a null stream is skipped.
void print(FILE* stream, const char* format, ...) KESTRO_PRINTF(2, 3);
void write(FILE* stream, const std::wstring& text);
void write(FILE* stream, const wchar_t* text);
// Bytes as they are, for records whose bytes are fixed (the COPIED source path).
void write_bytes(FILE* stream, const char* bytes, size_t length);

// What a writer held back: the copy pass decides files ahead of the records
// of the files before them, and their lines must reach the screen and the
// logs in walk order all the same.
struct HeldOutput {
    struct Piece {
        FILE* stream;
        std::wstring text;  // written as write() writes it
        std::string bytes;  // or written as they are (write_bytes)
    };
    std::vector<Piece> pieces;
};
// Writes what was held to its streams, in order, and empties `held`.
void release(HeldOutput& held);

// Where a writer's text goes: straight to each stream, or, while `held` is
// set, into it, in order, until it is released.
struct Out {
    HeldOutput* held = nullptr;

    void print(FILE* stream, const char* format, ...) const KESTRO_PRINTF(3, 4);
    void write(FILE* stream, const std::wstring& text) const;
    void write_bytes(FILE* stream, const char* bytes, size_t length) const;
};

}  // namespace text
