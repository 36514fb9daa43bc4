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

// What a thread wrote while it held its output back: the copy pass decides
// and copies files ahead of the records of the files before them, and their
// lines must reach the screen and the logs in walk order all the same.
struct HeldOutput {
    struct Piece {
        FILE* stream;
        std::wstring text;  // written as write() writes it
        std::string bytes;  // or written as they are (write_bytes)
    };
    std::vector<Piece> pieces;
};
// From now on the calling thread's writes go to `held`, in order, instead of
// their streams; nullptr writes them again. Returns what was held before.
HeldOutput* hold_output(HeldOutput* held);
// Writes what was held to its streams, in order, and empties `held`.
void release(HeldOutput& held);

}  // namespace text
