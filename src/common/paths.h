// Pure helpers on Windows path text, shared by every subsystem.
#pragma once

#include <string>

namespace paths {

constexpr const wchar_t* LONG_PREFIX = L"\\\\?\\";

// The program's test for a long-path prefix: first character '\', third '?'.
bool has_long_prefix(const std::wstring& path);
// The path as shown on screen and in logs: a leading "\\?\" left out.
const wchar_t* display(const std::wstring& path);
// A full path in long-path form; paths that begin with '\' (network or already
// prefixed) or whose third character is '?' are left as they are.
std::wstring long_form(const std::wstring& full_path);
// A path without its "\\?\" prefix.
std::wstring without_long_prefix(const std::wstring& path);
// A path without one trailing '\', if it has one.
std::wstring without_trailing_backslash(std::wstring path);

// _wsplitpath: drive ("C:"), directory (with its trailing separator), file
// name, extension (the last '.' of the last component and what follows).
struct SplitPath {
    std::wstring drive, dir, fname, ext;
};
SplitPath split_path(const std::wstring& path);

// Upper-casing and comparisons without regard to case as the C runtime's
// towupper does them in its default locale, for exclusions, bypassed and
// start folders, option words and replicated folder names: ASCII letters
// only, so an exclusion "É*" does not exclude "été.txt", as on Windows.
// (File types fold as the file system does: platform/names.h.)
wchar_t upper_ascii(wchar_t c);
std::wstring upper_ascii(const std::wstring& text);
bool equal_ignoring_ascii_case(const std::wstring& a, const std::wstring& b);
bool starts_with_ignoring_ascii_case(const std::wstring& text, const std::wstring& prefix);

}  // namespace paths
