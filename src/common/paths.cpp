#include "common/paths.h"

#include <cwctype>

namespace paths {

bool has_long_prefix(const std::wstring& path) {
    return path.size() >= 3 && path[0] == L'\\' && path[2] == L'?';
}

const wchar_t* display(const std::wstring& path) {
    return has_long_prefix(path) && path.size() >= 4 ? path.c_str() + 4 : path.c_str();
}

std::wstring long_form(const std::wstring& full_path) {
    if (!full_path.empty() && full_path[0] == L'\\') return full_path;
    if (full_path.size() >= 3 && full_path[2] == L'?') return full_path;
    return LONG_PREFIX + full_path;
}

std::wstring without_long_prefix(const std::wstring& path) {
    if (path.compare(0, 4, LONG_PREFIX) == 0) return path.substr(4);
    return path;
}

std::wstring without_trailing_backslash(std::wstring path) {
    if (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

SplitPath split_path(const std::wstring& path) {
    SplitPath parts;
    size_t pos = 0;
    // _wsplitpath takes a drive only in the second position.
    if (path.size() >= 2 && path[1] == L':') {
        parts.drive = path.substr(0, 2);
        pos = 2;
    }
    size_t last_sep = std::wstring::npos;
    for (size_t i = pos; i < path.size(); ++i)
        if (path[i] == L'\\' || path[i] == L'/') last_sep = i;
    size_t name_start = pos;
    if (last_sep != std::wstring::npos) {
        parts.dir = path.substr(pos, last_sep + 1 - pos);
        name_start = last_sep + 1;
    }
    size_t dot = path.rfind(L'.');
    if (dot != std::wstring::npos && dot >= name_start) {
        parts.fname = path.substr(name_start, dot - name_start);
        parts.ext = path.substr(dot);
    } else {
        parts.fname = path.substr(name_start);
    }
    return parts;
}

wchar_t upper_ascii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool equal_ignoring_ascii_case(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upper_ascii(a[i]) != upper_ascii(b[i])) return false;
    return true;
}

bool starts_with_ignoring_ascii_case(const std::wstring& text, const std::wstring& prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (upper_ascii(text[i]) != upper_ascii(prefix[i])) return false;
    return true;
}

std::wstring upper_ascii(const std::wstring& text) {
    std::wstring result(text);
    for (auto& c : result) c = upper_ascii(c);
    return result;
}

}  // namespace paths
