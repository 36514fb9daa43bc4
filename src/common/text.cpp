#include "common/text.h"

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string_view>

namespace text {
namespace {

struct Conversion {
    bool left = false, zero = false, plus = false, space = false, alt = false;
    int width = -1;
    int precision = -1;
    int length = 0;  // 0 int, 1 long, 2 long long, -1 short, -2 char
};

void pad_and_append(std::wstring& out, std::wstring_view body, const Conversion& conv, bool numeric) {
    size_t width = conv.width > 0 ? static_cast<size_t>(conv.width) : 0;
    if (body.size() >= width) {
        out += body;
        return;
    }
    size_t fill = width - body.size();
    if (conv.left) {
        out += body;
        out.append(fill, L' ');
    } else if (conv.zero && numeric && conv.precision < 0) {
        // Zeros go after the sign.
        size_t sign = (!body.empty() && (body[0] == L'-' || body[0] == L'+' || body[0] == L' ')) ? 1 : 0;
        out.append(body.substr(0, sign));
        out.append(fill, L'0');
        out.append(body.substr(sign));
    } else {
        out.append(fill, L' ');
        out += body;
    }
}

// A number's text, built where it is kept: no allocation per number.
struct NumberText {
    wchar_t text[80];
    size_t size = 0;
    std::wstring_view view() const { return {text, size}; }
};

NumberText integer_text(unsigned long long magnitude, bool negative, const Conversion& conv, unsigned base,
                        bool upper_digits) {
    const char* digits = upper_digits ? "0123456789ABCDEF" : "0123456789abcdef";
    wchar_t buffer[72];
    int n = 0;
    while (magnitude) {
        buffer[n++] = static_cast<wchar_t>(digits[magnitude % base]);
        magnitude /= base;
    }
    int min_digits = conv.precision >= 0 ? conv.precision : 1;
    while (n < min_digits && n < 64) buffer[n++] = L'0';
    NumberText body;
    if (negative)
        body.text[body.size++] = L'-';
    else if (conv.plus)
        body.text[body.size++] = L'+';
    else if (conv.space)
        body.text[body.size++] = L' ';
    if (conv.alt && base == 16 && n > 0) {
        body.text[body.size++] = L'0';
        body.text[body.size++] = upper_digits ? L'X' : L'x';
    }
    while (n) body.text[body.size++] = buffer[--n];
    return body;
}

long long signed_arg(va_list& args, int length) {
    switch (length) {
        case 2: return va_arg(args, long long);
        case 1: return va_arg(args, long);
        case -1: return static_cast<short>(va_arg(args, int));
        case -2: return static_cast<signed char>(va_arg(args, int));
        default: return va_arg(args, int);
    }
}

unsigned long long unsigned_arg(va_list& args, int length) {
    switch (length) {
        case 2: return va_arg(args, unsigned long long);
        case 1: return va_arg(args, unsigned long);
        case -1: return static_cast<unsigned short>(va_arg(args, unsigned));
        case -2: return static_cast<unsigned char>(va_arg(args, unsigned));
        default: return va_arg(args, unsigned);
    }
}

// The flags, width, precision and length of a conversion, `p` just past
// its '%'; `p` is left at the conversion letter.
Conversion read_conversion(const char*& p, va_list& args) {
    Conversion conv;
    for (;; ++p) {
        if (*p == '-')
            conv.left = true;
        else if (*p == '0')
            conv.zero = true;
        else if (*p == '+')
            conv.plus = true;
        else if (*p == ' ')
            conv.space = true;
        else if (*p == '#')
            conv.alt = true;
        else
            break;
    }
    if (*p == '*') {
        conv.width = va_arg(args, int);
        if (conv.width < 0) {
            conv.left = true;
            conv.width = -conv.width;
        }
        ++p;
    } else {
        while (*p >= '0' && *p <= '9') conv.width = (conv.width < 0 ? 0 : conv.width) * 10 + (*p++ - '0');
    }
    if (*p == '.') {
        ++p;
        conv.precision = 0;
        if (*p == '*') {
            conv.precision = va_arg(args, int);
            if (conv.precision < 0) conv.precision = -1;
            ++p;
        } else {
            while (*p >= '0' && *p <= '9') conv.precision = conv.precision * 10 + (*p++ - '0');
        }
    }
    if (*p == 'l') {
        conv.length = 1;
        if (*++p == 'l') {
            conv.length = 2;
            ++p;
        }
    } else if (*p == 'h') {
        conv.length = -1;
        if (*++p == 'h') {
            conv.length = -2;
            ++p;
        }
    } else if (*p == 'z' || *p == 'j') {
        conv.length = 2;
        ++p;
    }
    return conv;
}

NumberText signed_text(va_list& args, const Conversion& conv) {
    long long v = signed_arg(args, conv.length);
    unsigned long long magnitude =
        v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    return integer_text(magnitude, v < 0, conv, 10, false);
}

wchar_t char_arg(va_list& args, const Conversion& conv) {
    // wint_t is narrower than int on Windows and then arrives as int.
    using promoted_wint = decltype(+wint_t{});
    return static_cast<wchar_t>(conv.length == 1 ? va_arg(args, promoted_wint) : va_arg(args, int));
}

// "%ls" a wide string, taken as it stands; the precision counts characters.
std::wstring_view wide_string_text(va_list& args, const Conversion& conv) {
    const wchar_t* s = va_arg(args, const wchar_t*);
    if (!s) s = L"(null)";
    size_t n = std::wcslen(s);
    if (conv.precision >= 0 && static_cast<size_t>(conv.precision) < n) n = static_cast<size_t>(conv.precision);
    return {s, n};
}

// "%s" an 8-bit UTF-8 string; the precision counts characters.
std::wstring narrow_string_text(va_list& args, const Conversion& conv) {
    const char* s = va_arg(args, const char*);
    if (!s) s = "(null)";
    std::wstring body = from_utf8(s, std::strlen(s));
    if (conv.precision >= 0 && static_cast<size_t>(conv.precision) < body.size())
        body.resize(static_cast<size_t>(conv.precision));
    return body;
}

std::wstring floating_text(va_list& args, const Conversion& conv, char conversion) {
    double v = va_arg(args, double);
    char fmt[16];
    std::snprintf(fmt, sizeof fmt, "%%.%d%c", conv.precision < 0 ? 6 : conv.precision, conversion);
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, fmt, v);
    std::wstring body = from_utf8(buffer, std::strlen(buffer));
    if (conv.plus && v >= 0) body.insert(body.begin(), L'+');
    return body;
}

// Appends one conversion's text, its argument taken from `args`.
void append_conversion(std::wstring& out, char conversion, const Conversion& conv, va_list& args) {
    switch (conversion) {
        case 'd':
        case 'i': return pad_and_append(out, signed_text(args, conv).view(), conv, true);
        case 'u':
            return pad_and_append(out, integer_text(unsigned_arg(args, conv.length), false, conv, 10, false).view(),
                                  conv, true);
        case 'x':
        case 'X':
            return pad_and_append(
                out, integer_text(unsigned_arg(args, conv.length), false, conv, 16, conversion == 'X').view(), conv,
                true);
        case 'c': {
            const wchar_t c = char_arg(args, conv);
            return pad_and_append(out, std::wstring_view(&c, 1), conv, false);
        }
        case 's':
            if (conv.length == 1) return pad_and_append(out, wide_string_text(args, conv), conv, false);
            return pad_and_append(out, narrow_string_text(args, conv), conv, false);
        case 'f':
        case 'e':
        case 'g': return pad_and_append(out, floating_text(args, conv, conversion), conv, true);
        default:
            // Unknown conversions are written as they stand.
            out += L'%';
            if (conversion) out += static_cast<wchar_t>(conversion);
    }
}

}  // namespace

std::wstring vformat(const char* format, va_list incoming) {
    va_list args;
    va_copy(args, incoming);
    std::wstring out;
    out.reserve(128);  // most lines fit: no growing on the way
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            // Literal runs are ASCII or UTF-8 in our formats; ASCII goes over as it is.
            const char* start = p;
            bool ascii = true;
            for (; *p && *p != '%'; ++p) ascii = ascii && static_cast<unsigned char>(*p) < 0x80;
            if (ascii) {
                const size_t at = out.size();
                out.resize(at + static_cast<size_t>(p - start));
                for (size_t k = at; start != p; ++k) out[k] = static_cast<wchar_t>(*start++);
            } else
                out += from_utf8(start, static_cast<size_t>(p - start));
            continue;
        }
        ++p;
        if (*p == '%') {
            out += L'%';
            ++p;
            continue;
        }
        const Conversion conv = read_conversion(p, args);
        const char conversion = *p ? *p++ : '\0';
        append_conversion(out, conversion, conv, args);
    }
    va_end(args);
    return out;
}

std::wstring format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring result = vformat(format, args);
    va_end(args);
    return result;
}

std::wstring format_count(int64_t value) {
    wchar_t digits[32];
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    int n = 0, count = 0;
    do {
        if (count && count % 3 == 0) digits[n++] = L',';
        digits[n++] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
        ++count;
    } while (magnitude);
    std::wstring text;
    if (value < 0) text += L'-';
    while (n) text += digits[--n];
    return text;
}

std::string to_utf8(const std::wstring& text) { return to_utf8(text.data(), text.size()); }

std::string to_utf8(const wchar_t* text, size_t length) {
    // ASCII, most of what is written, goes over in one pass.
    size_t i = 0;
    std::string out(length, '\0');
    while (i < length && static_cast<uint32_t>(text[i]) < 0x80) {
        out[i] = static_cast<char>(text[i]);
        ++i;
    }
    out.resize(i);
    for (; i < length; ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            // Join a UTF-16 surrogate pair; a lone surrogate becomes U+FFFD.
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length) {
                uint32_t low = static_cast<uint32_t>(text[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        // A lone surrogate (a host name's stray byte on POSIX) has no UTF-8 form.
        if ((c >= 0xD800 && c <= 0xDFFF) || c >= 0x110000) c = 0xFFFD;
        append_utf8(c, out);
    }
    return out;
}

void append_utf8(uint32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::wstring from_utf8(const std::string& bytes) { return from_utf8(bytes.data(), bytes.size()); }

std::wstring from_utf8(const char* bytes, size_t length) {
    std::wstring out;
    out.reserve(length);
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    size_t i = 0;
    while (i < length) {
        unsigned char b = s[i];
        uint32_t c = b;
        size_t extra = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            c = b & 0x07;
        }
        bool valid = extra > 0;
        for (size_t k = 1; valid && k <= extra; ++k) {
            if (i + k >= length || (s[i + k] & 0xC0) != 0x80)
                valid = false;
            else
                c = (c << 6) | (s[i + k] & 0x3F);
        }
        // Overlong, surrogate and out-of-range forms are not valid UTF-8.
        if (valid && ((extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000) ||
                      (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF))
            valid = false;
        if (!valid) {
            out += static_cast<wchar_t>(b);  // a stray byte stands for itself
            ++i;
            continue;
        }
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0x10000) {
                c -= 0x10000;
                out += static_cast<wchar_t>(0xD800 + (c >> 10));
                out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
                i += extra + 1;
                continue;
            }
        }
        out += static_cast<wchar_t>(c);
        i += extra + 1;
    }
    return out;
}

}  // namespace text
