// Text output: every screen and log line goes through here. Formats are
// printf formats with ISO C conversions ("%ls" a wide string, "%s" an 8-bit
// UTF-8 string, "%lld" a 64-bit integer); widths and precisions count
// characters, not bytes. What reaches a file or a redirected console is UTF-8
// whatever the C locale; a Windows console gets the wide text itself.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The compiler checks each format string against its arguments with the ISO C
// rules these formats follow (gnu_printf: on MinGW too, where plain printf
// would mean the Microsoft rules; clang knows only printf, which are the ISO
// rules on the hosts it builds for here).
#if defined(__clang__)
#define KESTRO_PRINTF(format_position, first_argument) \
    __attribute__((format(printf, format_position, first_argument)))
#else
#define KESTRO_PRINTF(format_position, first_argument) \
    __attribute__((format(gnu_printf, format_position, first_argument)))
#endif

namespace text {

std::wstring vformat(const char* format, va_list args) KESTRO_PRINTF(1, 0);
std::wstring format(const char* format, ...) KESTRO_PRINTF(1, 2);

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

// Appends the UTF-8 bytes of code point `c` (surrogates included, as their
// three-byte form; below 0x200000).
void append_utf8(uint32_t c, std::string& out);
std::string to_utf8(const std::wstring& text);
std::string to_utf8(const wchar_t* text, size_t length);
// UTF-8 to wide; a byte that is not part of valid UTF-8 stands for itself
// (so Latin-1 list files read sensibly too).
std::wstring from_utf8(const char* bytes, size_t length);
std::wstring from_utf8(const std::string& bytes);

}  // namespace text
