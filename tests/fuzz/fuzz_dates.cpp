// Date texts of the age options: any text splits into numbers without
// reading past its end, and the day numbers of real dates grow by one a day.
#include <string>

#include "fuzz_support.h"
#include "options/dates.h"

namespace {

bool is_real_date(int month, int day, int year) {
    static const int LENGTH[13] = {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || year < 1900 || year > 9999) return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= (month == 2 && !leap ? 28 : LENGTH[month]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string date(reinterpret_cast<const char*>(data), size);
    date = date.substr(0, date.find('\0'));  // the option value is a C string
    (void)is_day_count(text::from_utf8(date));
    int month = 0, day = 0, year = 0;
    split_date(date.c_str(), &month, &day, &year);
    if (!is_real_date(month, day, year)) return 0;
    int32_t number = day_number(month, day, year);
    FUZZ_CHECK(number >= 19000);
    if (day > 1) FUZZ_CHECK(day_number(month, day - 1, year) == number - 1);
    return 0;
}
