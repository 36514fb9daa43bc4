#include "platform/names.h"

#include <algorithm>
#include <cwctype>
#include <map>

namespace platform {
namespace {

// The three DOS wildcard characters, as the file system names them.
constexpr wchar_t DOS_STAR = L'<';
constexpr wchar_t DOS_QM = L'>';
constexpr wchar_t DOS_DOT = L'"';

std::wstring translate_pattern(const std::wstring& p) {
    std::wstring out;
    for (size_t i = 0; i < p.size(); ++i) {
        wchar_t c = p[i];
        if (c == L'?') {
            out += DOS_QM;
        } else if (c == L'.' && i + 1 < p.size() && (p[i + 1] == L'?' || p[i + 1] == L'*')) {
            out += DOS_DOT;
        } else if (c == L'.' && i + 1 == p.size() && i > 0 && p[i - 1] == L'*') {
            out.back() = DOS_STAR;  // "*." at the end: names without an extension
        } else {
            out += c;
        }
    }
    return out;
}

wchar_t fold(wchar_t c) { return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c))); }

bool match_from(const std::wstring& p, size_t pi, const std::wstring& n, size_t ni, size_t last_dot) {
    while (pi < p.size()) {
        wchar_t c = p[pi];
        if (c == L'*') {
            for (size_t k = ni; k <= n.size(); ++k)
                if (match_from(p, pi + 1, n, k, last_dot)) return true;
            return false;
        }
        if (c == DOS_STAR) {
            // Any run of characters, but not past the name's last '.'.
            size_t limit = (last_dot != std::wstring::npos && last_dot >= ni) ? last_dot : n.size();
            for (size_t k = ni; k <= limit; ++k)
                if (match_from(p, pi + 1, n, k, last_dot)) return true;
            return false;
        }
        if (c == DOS_QM) {
            if (ni < n.size() && n[ni] != L'.') {
                ++pi;
                ++ni;
                continue;
            }
            while (pi < p.size() && p[pi] == DOS_QM) ++pi;  // at a '.' or the end: the run matches nothing
            continue;
        }
        if (c == DOS_DOT) {
            if (ni < n.size() && n[ni] == L'.') {
                ++pi;
                ++ni;
                continue;
            }
            if (ni == n.size()) {
                ++pi;
                continue;
            }
            return false;
        }
        if (ni >= n.size()) return false;
        if (c != L'?' && fold(c) != fold(n[ni])) return false;
        ++pi;
        ++ni;
    }
    return ni == n.size();
}

bool valid_short_char(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return true;
    if (c >= L'a' && c <= L'z') return true;
    if (c >= L'0' && c <= L'9') return true;
    return c != 0 && c < 128 && std::wstring(L"!#$%&'()-@^_`{}~").find(c) != std::wstring::npos;
}

}  // namespace

bool dos_name_match(const std::wstring& pattern, const std::wstring& name) {
    if (pattern == L"*" || pattern == L"*.*") return true;
    std::wstring p = translate_pattern(pattern);
    return match_from(p, 0, name, 0, name.rfind(L'.'));
}

bool is_valid_8dot3(const std::wstring& name) {
    if (name == L"." || name == L"..") return true;
    if (name.empty() || name.size() > 12) return false;
    size_t dot = name.find(L'.');
    if (dot != std::wstring::npos && name.find(L'.', dot + 1) != std::wstring::npos) return false;
    size_t base_length = dot == std::wstring::npos ? name.size() : dot;
    size_t ext_length = dot == std::wstring::npos ? 0 : name.size() - dot - 1;
    if (base_length == 0 || base_length > 8 || ext_length > 3) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (i != dot && !valid_short_char(name[i])) return false;
    return true;
}

std::vector<std::wstring> generate_short_names(const std::vector<std::wstring>& names) {
    std::vector<std::wstring> result(names.size());
    // Stem and extension of each name that needs a short name.
    std::map<std::wstring, std::vector<size_t>> groups;
    std::vector<std::wstring> extensions(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        const std::wstring& name = names[i];
        if (is_valid_8dot3(name)) continue;
        size_t dot = name.rfind(L'.');
        if (dot == 0) dot = std::wstring::npos;  // ".profile": all stem
        std::wstring stem, ext;
        size_t stem_end = dot == std::wstring::npos ? name.size() : dot;
        for (size_t k = 0; k < stem_end && stem.size() < 6; ++k)
            if (valid_short_char(name[k])) stem += fold(name[k]);
        if (dot != std::wstring::npos)
            for (size_t k = dot + 1; k < name.size() && ext.size() < 3; ++k)
                if (valid_short_char(name[k])) ext += fold(name[k]);
        if (stem.empty()) stem = L"_";
        extensions[i] = ext;
        groups[stem + L'.' + ext].push_back(i);
        result[i] = stem;
    }
    for (auto& [key, members] : groups) {
        std::sort(members.begin(), members.end(), [&](size_t a, size_t b) { return names[a] < names[b]; });
        for (size_t k = 0; k < members.size(); ++k) {
            size_t i = members[k];
            result[i] += L"~" + std::to_wstring(k + 1);
            if (!extensions[i].empty()) result[i] += L"." + extensions[i];
        }
    }
    return result;
}

}  // namespace platform
