// Text: the program's printf formatting of wide text, number text and the
// UTF-8 conversions; nothing here writes. Formats are printf formats with
// ISO C conversions ("%ls" a wide string, "%s" an 8-bit UTF-8 string, "%lld"
// a 64-bit integer); widths and precisions count characters, not bytes.
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

// `value` in decimal with thousands separators ("1,234,567", "-1,000").
std::wstring format_count(int64_t value);

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
