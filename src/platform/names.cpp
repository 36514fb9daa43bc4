#include "platform/names.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>

#include "common/text.h"

namespace platform {
namespace {

// The three DOS wildcard characters, as the file system names them.
constexpr wchar_t DOS_STAR = L'<';
constexpr wchar_t DOS_QM = L'>';
constexpr wchar_t DOS_DOT = L'"';

// The Win32 translation of a search pattern into the file system's form.
std::wstring translate_pattern(const std::wstring& p) {
    std::wstring out;
    out.reserve(p.size());
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

// Which (pattern, name) positions are already known not to match: keeps the
// match linear in their product whatever the stars.
class FailedStates {
public:
    FailedStates(size_t pattern_length, size_t name_length)
        : width_(name_length + 1), size_((pattern_length + 1) * width_) {
        if (size_ > sizeof small_) large_.assign(size_, 0);
        else std::fill(small_, small_ + size_, 0);
    }
    bool known(size_t pi, size_t ni) const { return cells()[pi * width_ + ni] != 0; }
    void mark(size_t pi, size_t ni) { cells()[pi * width_ + ni] = 1; }

private:
    unsigned char* cells() const { return large_.empty() ? small_ : large_.data(); }
    size_t width_, size_;
    mutable unsigned char small_[2048];
    mutable std::basic_string<unsigned char> large_;
};

struct Matcher {
    const std::wstring& p;
    std::wstring_view n;
    size_t last_dot;  // of the name, npos when it has none
    FailedStates failed;

    bool match(size_t pi, size_t ni) {
        size_t start_pi = pi, start_ni = ni;
        if (failed.known(pi, ni)) return false;
        bool result = run(pi, ni);
        if (!result) failed.mark(start_pi, start_ni);
        return result;
    }

    bool run(size_t pi, size_t ni) {
        while (pi < p.size()) {
            wchar_t c = p[pi];
            if (c == L'*') {
                while (pi + 1 < p.size() && p[pi + 1] == L'*') ++pi;
                if (pi + 1 == p.size()) return true;  // a final '*' takes the rest
                for (size_t k = ni; k <= n.size(); ++k)
                    if (match(pi + 1, k)) return true;
                return false;
            }
            if (c == DOS_STAR) {
                // Any run of characters, but not past the name's last '.'.
                size_t limit = (last_dot != std::wstring::npos && last_dot >= ni) ? last_dot : n.size();
                for (size_t k = ni; k <= limit; ++k)
                    if (match(pi + 1, k)) return true;
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
            if (ni >= n.size() || file_system_upper(c) != file_system_upper(n[ni])) return false;
            ++pi;
            ++ni;
        }
        return ni == n.size();
    }
};

bool valid_short_char(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return true;
    if (c >= L'a' && c <= L'z') return true;
    if (c >= L'0' && c <= L'9') return true;
    switch (c) {
        case L'!': case L'#': case L'$': case L'%': case L'&': case L'\'': case L'(': case L')':
        case L'-': case L'@': case L'^': case L'_': case L'`': case L'{': case L'}': case L'~':
            return true;
        default:
            return false;
    }
}

// Upper-cased valid characters of `name` from `begin` to `end`, at most `count`.
std::wstring short_part(std::wstring_view name, size_t begin, size_t end, size_t count) {
    std::wstring part;
    for (size_t k = begin; k < end && part.size() < count; ++k)
        if (valid_short_char(name[k])) part += file_system_upper(name[k]);
    return part;
}

std::wstring upper(std::wstring_view name) {
    std::wstring out(name);
    for (auto& c : out) c = file_system_upper(c);
    return out;
}

}  // namespace

wchar_t file_system_upper(wchar_t c) {
    if (c < 0x80) return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
    // Latin-1, Latin Extended-A, Greek and Cyrillic: the letters a file
    // system's upper-case table maps, without depending on the C locale.
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F))
        return static_cast<wchar_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    if (c >= 0x450 && c <= 0x45F) return static_cast<wchar_t>(c - 0x50);
    if (c >= 0x100 && c <= 0x17F) {
        bool odd_is_lower = !((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E));
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;  // no simple upper form
        bool lower = odd_is_lower ? (c & 1) : !(c & 1);
        return lower ? static_cast<wchar_t>(c - 1) : c;
    }
    return c;
}

bool dos_name_match(const std::wstring& pattern, std::wstring_view name) {
    if (matches_every_name(pattern)) return true;
    std::wstring p = translate_pattern(pattern);
    Matcher m{p, name, name.rfind(L'.'), FailedStates(p.size(), name.size())};
    return m.match(0, 0);
}

bool is_valid_8dot3(std::wstring_view name) {
    if (name == L"." || name == L"..") return true;
    if (name.empty() || name.size() > 12) return false;
    size_t dot = name.find(L'.');
    if (dot != std::wstring::npos && name.find(L'.', dot + 1) != std::wstring::npos) return false;
    size_t base_length = dot == std::wstring::npos ? name.size() : dot;
    size_t ext_length = dot == std::wstring::npos ? 0 : name.size() - dot - 1;
    if (base_length == 0 || base_length > 8 || ext_length > 3) return false;
    if (dot != std::wstring::npos && ext_length == 0) return false;  // "NAME." is not stored so
    for (size_t i = 0; i < name.size(); ++i)
        if (i != dot && !valid_short_char(name[i])) return false;
    return true;
}

std::vector<std::wstring> generate_short_names(const std::vector<std::wstring>& names) {
    std::vector<std::wstring> result(names.size());
    generate_short_names(
        names.size(), [&](size_t i) { return std::wstring_view(names[i]); },
        [&](size_t i, std::wstring_view short_name) { result[i] = short_name; });
    return result;
}

void generate_short_names(size_t count, const std::function<std::wstring_view(size_t)>& name_of,
                          const std::function<void(size_t, std::wstring_view)>& give) {
    // Stem and extension of each name that needs a short name, grouped.
    std::map<std::pair<std::wstring, std::wstring>, std::vector<size_t>> groups;
    std::set<std::wstring> taken;  // valid 8.3 long names, upper-cased: never given twice
    for (size_t i = 0; i < count; ++i) {
        const std::wstring_view name = name_of(i);
        if (is_valid_8dot3(name)) {
            taken.insert(upper(name));
            continue;
        }
        size_t dot = name.rfind(L'.');
        if (dot == 0) dot = std::wstring::npos;  // ".profile": all stem
        size_t stem_end = dot == std::wstring_view::npos ? name.size() : dot;
        std::wstring stem = short_part(name, 0, stem_end, 6);
        std::wstring ext = dot == std::wstring::npos ? L"" : short_part(name, dot + 1, name.size(), 3);
        if (stem.empty()) stem = L"_";
        groups[{stem, ext}].push_back(i);
    }
    for (auto& [key, members] : groups) {
        const auto& [stem, ext] = key;
        std::sort(members.begin(), members.end(), [&](size_t a, size_t b) { return name_of(a) < name_of(b); });
        unsigned number = 0;
        for (size_t i : members) {
            std::wstring candidate;
            do {
                // The stem gives way to longer numbers: the base never exceeds 8.
                std::wstring tail = L"~" + std::to_wstring(++number);
                candidate = stem.substr(0, std::min(stem.size(), 8 - std::min<size_t>(tail.size(), 7))) + tail;
                if (!ext.empty()) candidate += L"." + ext;
            } while (taken.count(candidate));
            give(i, candidate);
        }
    }
}

namespace {

constexpr uint32_t MAPPED_BASE = 0xF000;       // forbidden name character c becomes U+F000 + c
constexpr uint32_t ESCAPED_BYTE_BASE = 0xDC00;  // stray byte b (0x80..0xFF) becomes U+DC00 + b

// The ASCII characters no Windows name holds: 1 to 31 and \ : * ? " < > |,
// one bit each (below 64, and from 64).
constexpr uint64_t FORBIDDEN_BELOW_64 =
    0xFFFFFFFEull | (1ull << ':') | (1ull << '*') | (1ull << '?') | (1ull << '"') | (1ull << '<') | (1ull << '>');
constexpr uint64_t FORBIDDEN_FROM_64 = (1ull << ('\\' - 64)) | (1ull << ('|' - 64));

bool forbidden_in_name(uint32_t c) {
    if (c >= 128) return false;
    return c < 64 ? (FORBIDDEN_BELOW_64 >> c) & 1 : (FORBIDDEN_FROM_64 >> (c - 64)) & 1;
}

bool is_mapped_image(uint32_t c) { return c >= MAPPED_BASE && forbidden_in_name(c - MAPPED_BASE); }

// The code point of the valid UTF-8 sequence at `s` and its length; 0 when
// the bytes there are not valid UTF-8 (overlong, surrogate, out of range).
size_t utf8_sequence(const unsigned char* s, size_t available, uint32_t* code) {
    unsigned char b = s[0];
    size_t extra;
    uint32_t c;
    if (b >= 0xC2 && b <= 0xDF) extra = 1, c = b & 0x1F;
    else if (b >= 0xE0 && b <= 0xEF) extra = 2, c = b & 0x0F;
    else if (b >= 0xF0 && b <= 0xF4) extra = 3, c = b & 0x07;
    else return 0;
    if (extra >= available) return 0;
    for (size_t k = 1; k <= extra; ++k) {
        if ((s[k] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (s[k] & 0x3F);
    }
    if ((extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000) || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return 0;
    *code = c;
    return extra + 1;
}

void append_code_point(uint32_t c, std::wstring& out) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

}  // namespace

void append_windows_text(const char* bytes, size_t length, HostText kind, std::wstring& out) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    const bool names = kind == HostText::names;
    // The ASCII part, most of any name, goes over in one pass (there are
    // never more characters than bytes).
    const size_t start = out.size();
    out.resize(start + length);
    wchar_t* wide = out.data() + start;
    size_t i = 0;
    for (; i < length && s[i] < 0x80; ++i) {
        const unsigned char b = s[i];
        wide[i] = !names                 ? static_cast<wchar_t>(b)
                  : b == '/'             ? L'\\'
                  : forbidden_in_name(b) ? static_cast<wchar_t>(MAPPED_BASE + b)
                                         : static_cast<wchar_t>(b);
    }
    out.resize(start + i);
    while (i < length) {
        unsigned char b = s[i];
        if (b < 0x80) {
            // Most names are plain ASCII: one test a byte.
            if (b == '/' && names) out += L'\\';
            else if (names && forbidden_in_name(b)) out += static_cast<wchar_t>(MAPPED_BASE + b);
            else out += static_cast<wchar_t>(b);
            ++i;
            continue;
        }
        uint32_t c = 0;
        size_t n = utf8_sequence(s + i, length - i, &c);
        if (n == 0 || is_mapped_image(c)) {
            out += static_cast<wchar_t>(ESCAPED_BYTE_BASE + b);
            ++i;
            continue;
        }
        append_code_point(c, out);
        i += n;
    }
}

std::wstring windows_name(const std::string& host_name) {
    std::wstring out;
    out.reserve(host_name.size());
    append_windows_text(host_name.data(), host_name.size(), HostText::names, out);
    return out;
}

void append_host_bytes(const wchar_t* text, size_t length, std::string& out) {
    // ASCII, most of any path, goes over in one pass.
    size_t i = 0;
    const size_t start = out.size();
    out.resize(start + length);
    char* ascii = out.data() + start;
    for (; i < length && static_cast<uint32_t>(text[i]) < 0x80; ++i)
        ascii[i] = text[i] == L'\\' ? '/' : static_cast<char>(text[i]);
    out.resize(start + i);
    for (; i < length; ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c == '\\' ? '/' : c);
            continue;
        }
        if (is_mapped_image(c)) {
            out += static_cast<char>(c - MAPPED_BASE);
            continue;
        }
        if (c >= ESCAPED_BYTE_BASE + 0x80 && c <= ESCAPED_BYTE_BASE + 0xFF) {
            out += static_cast<char>(c - ESCAPED_BYTE_BASE);
            continue;
        }
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
                ++i;
            }
        }
        text::append_utf8(c, out);
    }
}

std::string host_bytes(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    append_host_bytes(text.data(), text.size(), out);
    return out;
}

}  // namespace platform
