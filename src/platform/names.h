// Pure name rules of the Windows file system that the POSIX layer gives:
// the directory search's wildcard match, generated 8.3 short names, and the
// lossless mapping of host names that Windows cannot hold.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// True when `name` (a long or short name) matches `pattern` with the rules of
// the Windows directory search: the Win32 translation of '?', '.' and a final
// "*." into DOS_QM, DOS_DOT and DOS_STAR, letters without regard to case.
bool dos_name_match(const std::wstring& pattern, std::wstring_view name);
// "*" and "*.*": every name matches, long or short.
// Asked for every entry of every folder: no string comparison.
inline bool matches_every_name(const std::wstring& pattern) {
    return (pattern.size() == 1 && pattern[0] == L'*') ||
           (pattern.size() == 3 && pattern[0] == L'*' && pattern[1] == L'.' && pattern[2] == L'*');
}

// A letter's upper-case form as Windows' file system upper-cases it for names
// and file types (ASCII, Latin, Greek, Cyrillic), whatever the C locale.
wchar_t file_system_upper(wchar_t c);

// True when `name` is a valid 8.3 name (it then has no short name of its own).
bool is_valid_8dot3(std::wstring_view name);

// Short names of the entries of one folder, same order as `names`: empty for
// valid 8.3 names, otherwise STEM6~N.EXT where N numbers the entries that
// share the stem and extension, in order of their long names (the stem is
// shortened when N needs more digits; numbers that would give a name another
// entry has as its long name are skipped).
std::vector<std::wstring> generate_short_names(const std::vector<std::wstring>& names);
// The same for `count` names that `name_of(i)` gives, each short name given
// to `give(i, short_name)` as it is made (not for valid 8.3 names): a folder
// of a million entries holds no second copy of its names.
void generate_short_names(size_t count, const std::function<std::wstring_view(size_t)>& name_of,
                          const std::function<void(size_t, std::wstring_view)>& give);

// Host bytes as Windows text, losslessly. Each byte that is not part of valid
// UTF-8 becomes the lone surrogate U+DC80..U+DCFF. For host names (`names`,
// also whole host paths: '/' becomes '\\') each character Windows forbids in a
// name (\ : * ? " < > | and the controls 1-31) becomes U+F000 plus its code,
// so that no host name can add a path level, a drive or a wildcard; text a
// user typed (`typed`: a command line) keeps those characters. A valid UTF-8
// character that is itself such a U+F0xx image stays as its escaped bytes, so
// that append_host_bytes gives back exactly what came in. Appends to `out`.
enum class HostText { names, typed };
void append_windows_text(const char* bytes, size_t length, HostText kind, std::wstring& out);
std::wstring windows_name(const std::string& host_name);

// The reverse: Windows text as host bytes, '\\' and '/' made '/'. Appends.
void append_host_bytes(const wchar_t* text, size_t length, std::string& out);
std::string host_bytes(const std::wstring& text);

}  // namespace platform
