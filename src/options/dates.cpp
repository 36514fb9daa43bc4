#include "options/dates.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "log/output.h"
#include "platform/platform.h"
#include "state/config.h"

namespace {

constexpr int64_t SECONDS_1601_TO_1970 = 11644473600LL;
constexpr int64_t TICKS_PER_SECOND = 10000000LL;

const int MONTH_LENGTH[2][13] = {
    {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};

bool is_leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The character at `pos`, or NUL past the end of the text.
char char_at(const char* text, size_t length, size_t pos) { return pos < length ? text[pos] : '\0'; }

// The decimal value of the digits in [first, last], stopping at a non-digit;
// no digit at all gives 0.
int digits_value(const char* text, size_t length, size_t first, size_t last) {
    int value = 0;
    for (size_t pos = first; pos <= last; ++pos) {
        char c = char_at(text, length, pos);
        if (!is_digit(c)) break;
        value = value * 10 + (c - '0');
    }
    return value;
}

// One "%d" conversion of scanf: white space, a sign, digits. Saturates
// instead of overflowing. False when no digit follows.
bool scan_int(const char*& p, int* out) {
    const char* q = p;
    while (*q == ' ' || (*q >= '\t' && *q <= '\r')) ++q;
    bool negative = false;
    if (*q == '+' || *q == '-') negative = *q++ == '-';
    if (!is_digit(*q)) return false;
    long long value = 0;
    while (is_digit(*q)) {
        if (value < 10000000000LL) value = value * 10 + (*q - '0');
        ++q;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    *out = static_cast<int>(value);
    p = q;
    return true;
}

// One "%c" conversion: any single character, white space included.
bool scan_char(const char*& p) {
    if (!*p) return false;
    ++p;
    return true;
}

// "%d%c%d%c%d": month, separator, day, separator, year. Fields that are not
// read stay 0.
void scan_month_day_year(const char* text, int* month, int* day, int* year) {
    *month = *day = *year = 0;
    const char* p = text;
    if (!scan_int(p, month) || !scan_char(p)) return;
    if (!scan_int(p, day) || !scan_char(p)) return;
    scan_int(p, year);
}

int64_t local_midnight_seconds(int month, int day, int year) {
    std::tm t{};
    t.tm_mday = day;
    t.tm_mon = month - 1;
    t.tm_year = year - 1900;
    t.tm_isdst = 0;
    return platform::make_local_time(&t);
}

// Leap years from year 1 to `year` (floor division, so it holds below 0 too).
int64_t leap_years_through(int64_t year) {
    auto floor_div = [](int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    return floor_div(year, 4) - floor_div(year, 100) + floor_div(year, 400);
}

// 19,000 plus the days from 1 January 1900 to 1 January of `year`, by the
// Gregorian calendar; years before 1900 count back the same way, so day
// numbers stay consecutive.
int32_t year_start(int year) {
    int64_t days = 365LL * (int64_t(year) - 1900) + leap_years_through(int64_t(year) - 1) -
                   leap_years_through(1899);
    int64_t start = 19000 + days;
    if (start > INT32_MAX) return INT32_MAX;
    if (start < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(start);
}

}  // namespace

void scan_age_letters(Configuration& config, const std::wstring& value) {
    for (wchar_t c : value) {
        if (c == L'a' || c == L'A')
            config.age_use_access = 'a';
        else if (c == L'c' || c == L'C')
            config.age_use_create = 'a';
        else if (c == L'w' || c == L'W')
            config.age_use_write = 'a';
    }
}

bool is_day_count(const std::wstring& value) {
    return value.find_first_of(L"-/\\") == std::wstring::npos;
}

int32_t day_count(const char* text) {
    int month, day, year;
    scan_month_day_year(text, &month, &day, &year);
    if (year >= 11 && year <= 99) year += 1900;
    else if (year >= 0 && year <= 9) year += 2000;

    char normalised[64];
    std::snprintf(normalised, sizeof normalised, "%02d-%02d-%04d", month, day, year);
    split_date(normalised, &month, &day, &year);

    int64_t midnight = local_midnight_seconds(month, day, year);
    return static_cast<int32_t>((platform::now_seconds() - midnight) / 86400);
}

void split_date(const char* text, int* month, int* day, int* year) {
    size_t length = std::strlen(text);
    auto at = [&](size_t pos) { return char_at(text, length, pos); };

    bool separated = !is_digit(at(2)) || !is_digit(at(4));
    int count;
    if (separated) {
        count = 8;
        for (size_t pos = 8; pos <= 9 && is_digit(at(pos)); ++pos) ++count;
    } else {
        count = 5;
        for (size_t pos = 5; pos <= 7; ++pos) {
            char c = at(pos);
            if (c == ' ' || (c >= '\t' && c <= '\r')) {
                count = 6;
                break;
            }
            if (!is_digit(c)) break;
            ++count;
        }
    }
    int lead = digits_value(text, length, 0, 1);

    // Character positions of month, day and year: [first, last] each.
    struct Layout {
        size_t m0, m1, d0, d1, y0, y1;
    };
    const Layout mmddyy{0, 1, 2, 3, 4, 5}, yymmdd{2, 3, 4, 5, 0, 1}, mmddyyyy{0, 1, 2, 3, 4, 7},
        yyyymmdd{4, 5, 6, 7, 0, 3}, mm_dd_yy{0, 1, 3, 4, 6, 7}, yy_mm_dd{3, 4, 6, 7, 0, 1},
        mm_dd_yyyy{0, 1, 3, 4, 6, 9}, yyyy_mm_dd{5, 6, 8, 9, 0, 3};

    Layout layout;
    if (!separated) {
        if (count == 6) layout = lead <= 12 ? mmddyy : yymmdd;
        else if (count == 8) layout = lead <= 13 ? mmddyyyy : lead <= 20 ? yyyymmdd : yymmdd;
        else layout = mmddyy;  // 5 or 7
    } else {
        if (count == 8) layout = lead <= 12 ? mm_dd_yy : yy_mm_dd;
        else if (count == 9) layout = mm_dd_yy;
        else layout = lead <= 13 ? mm_dd_yyyy : yyyy_mm_dd;
    }
    *month = digits_value(text, length, layout.m0, layout.m1);
    *day = digits_value(text, length, layout.d0, layout.d1);
    *year = digits_value(text, length, layout.y0, layout.y1);
    if (*year < 1900) *year += 1900;
}

uint64_t local_calendar_filetime(int second, int minute, int hour, int day, int month, int year) {
    std::tm t{};
    t.tm_sec = second;
    t.tm_min = minute;
    t.tm_hour = hour;
    t.tm_mday = day;
    t.tm_mon = month - 1;
    t.tm_year = year - 1900;
    t.tm_isdst = 0;
    int64_t seconds = platform::make_local_time(&t);
    return static_cast<uint64_t>((seconds + SECONDS_1601_TO_1970) * TICKS_PER_SECOND);
}

uint64_t cutoff_filetime(int month, int day, int year) {
    return local_calendar_filetime(0, 0, 0, day, month, year);
}

int day_of_year(int month, int day, int year) {
    if (month > 12 || day > 31 || month < 0 || day < 0) return 0;
    const int* lengths = MONTH_LENGTH[is_leap_year(year) ? 1 : 0];
    if (day > lengths[month]) return INVALID_DAY;
    int result = day;
    for (int m = 1; m < month; ++m) result += lengths[m];
    return result;
}

int32_t day_number(int month, int day, int year) {
    if (month > 12 || day > 31) return 0;
    int in_year = day_of_year(month, day, year);
    if (in_year == INVALID_DAY) return INVALID_DAY;
    return in_year + year_start(year);
}

void end_on_invalid_date(Run& run, int month, int day, int year) {
    text::print(stdout, "%d/%d/%d is not a valid date\n", month, day, year);
    exit_at_once(run, 0);
}
