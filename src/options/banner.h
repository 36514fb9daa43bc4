// The framed banner and the build-stamped version.
#pragma once

#include <cstdio>
#include <string>

// Prints the banner to standard error; `lines_used` lines of a 30-line
// screen are already taken.
void print_banner(int lines_used);
// "16.07.20.12.57" + suffix from the compiler's "Jul 20 2016" and "12:57:18".
std::string make_version_stamp(const char* build_date, const char* build_time, const char* suffix = nullptr);
// `text` preceded by (80 - length) / 2 blanks, no line end.
void print_centred(FILE* stream, const std::wstring& text, int width = 80);
// The build date and time of the program.
const char* build_date();
const char* build_time();
