#include "options/banner.h"

#include <algorithm>
#include <cstring>

#include "log/output.h"

namespace {

constexpr int TEMPLATE_WIDTH = 77;

// The banner's code page 437 characters as the Unicode characters they show.
wchar_t from_cp437(unsigned char c) {
    switch (c) {
        case 0xC9: return L'\u2554';  // top left
        case 0xBB: return L'\u2557';  // top right
        case 0xC8: return L'\u255A';  // bottom left
        case 0xBC: return L'\u255D';  // bottom right
        case 0xCD: return L'\u2550';  // horizontal
        case 0xBA: return L'\u2551';  // vertical
        case 0xFB: return L'\u221A';  // check mark
        default: return static_cast<wchar_t>(c);
    }
}

std::wstring cp437_text(const std::string& bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) out += from_cp437(c);
    return out;
}

std::wstring border(wchar_t left, wchar_t right) {
    std::wstring line(TEMPLATE_WIDTH, from_cp437(0xCD));
    line.front() = left;
    line.back() = right;
    return line;
}

// A framed row with `content` centred on the template's midpoint.
std::wstring framed_row(const std::wstring& content) {
    std::wstring line(TEMPLATE_WIDTH, L' ');
    line.front() = line.back() = from_cp437(0xBA);
    int start = TEMPLATE_WIDTH / 2 - static_cast<int>(content.size()) / 2;
    for (size_t i = 0; i < content.size(); ++i) {
        size_t at = static_cast<size_t>(start) + i;
        if (at < line.size()) line[at] = content[i];
    }
    return line;
}

void centred_line(const std::wstring& row) {
    print_centred(stderr, row);
    text::write(stderr, L"\n");
}

}  // namespace

const char* build_date() { return __DATE__; }
const char* build_time() { return __TIME__; }

std::string make_version_stamp(const char* date, const char* time, const char* suffix) {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::string stamp;
    size_t date_length = std::strlen(date);
    if (date_length >= 11) stamp.append(date + 9, 2);  // "Jul 20 2016": year digits 3 and 4
    stamp += '.';
    for (int m = 0; m < 12; ++m) {
        if (std::strncmp(date, months[m], 3) == 0) {
            char digits[3] = {static_cast<char>('0' + (m + 1) / 10), static_cast<char>('0' + (m + 1) % 10), 0};
            stamp += digits;
            break;
        }
    }
    stamp += '.';
    if (date_length >= 6) stamp.append(date + 4, 2);
    stamp += '.';
    stamp.append(time, std::min<size_t>(5, std::strlen(time)));
    for (char& c : stamp)
        if (c == ':') c = '.';
    if (suffix) stamp += suffix;
    return stamp;
}

void print_centred(FILE* stream, const std::wstring& content, int width) {
    int blanks = (width - static_cast<int>(content.size())) / 2;
    if (blanks > 0) text::write(stream, std::wstring(static_cast<size_t>(blanks), L' '));
    text::write(stream, content);
}

void print_banner(int lines_used) {
    if (lines_used < 30) text::write(stderr, std::wstring(static_cast<size_t>(30 - lines_used), L'\n'));
    centred_line(border(from_cp437(0xC9), from_cp437(0xBB)));
    centred_line(framed_row(L"KESTRO64"));
    std::string version = "Ver. " + make_version_stamp(build_date(), build_time(), "\xFB") + " (64 bit_unicode)";
    centred_line(framed_row(cp437_text(version)));
    centred_line(framed_row(L""));
    centred_line(border(from_cp437(0xC8), from_cp437(0xBC)));
}
