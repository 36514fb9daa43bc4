// Date and age arguments: the split by layout, day numbers, day counts from
// the clock and the cut-offs.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>

#include "options/dates.h"
#include "platform/platform.h"
#include "state/config.h"
#include "state/run_state.h"

namespace {

struct Split {
    int month, day, year;
    bool operator==(const Split& o) const { return month == o.month && day == o.day && year == o.year; }
};

Split split(const char* text) {
    Split s{-1, -1, -1};
    split_date(text, &s.month, &s.day, &s.year);
    return s;
}

std::ostream& operator<<(std::ostream& os, const Split& s) {
    return os << s.month << "/" << s.day << "/" << s.year;
}

// "mm-dd-yyyy" of the local date `days_ago` days before now.
std::string local_date_text(int days_ago) {
    std::tm t{};
    platform::local_time(platform::now_seconds() - int64_t(days_ago) * 86400, &t);
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900);
    return text;
}

TEST(SplitDate, CompactLayouts) {
    EXPECT_EQ(split("123115"), (Split{12, 31, 1915}));    // mmddyy, lead up to 12
    EXPECT_EQ(split("151231"), (Split{12, 31, 1915}));    // yymmdd, lead 13 or more
    EXPECT_EQ(split("12312015"), (Split{12, 31, 2015}));  // mmddyyyy, lead up to 13
    EXPECT_EQ(split("20151231"), (Split{12, 31, 2015}));  // yyyymmdd, lead 14 to 20
    EXPECT_EQ(split("99123100"), (Split{12, 31, 1999}));  // yymmdd, lead 21 or more
    EXPECT_EQ(split("12315"), (Split{12, 31, 1905}));     // 5 characters: mmddyy
    EXPECT_EQ(split("1231151"), (Split{12, 31, 1915}));   // 7 characters: mmddyy
    EXPECT_EQ(split("12311 9"), (Split{12, 31, 1901}));   // a blank at 5 to 7 counts as 6
}

TEST(SplitDate, SeparatedLayouts) {
    EXPECT_EQ(split("12-31-15"), (Split{12, 31, 1915}));    // mm-dd-yy
    EXPECT_EQ(split("15-12-31"), (Split{12, 31, 1915}));    // yy-mm-dd, lead 13 or more
    EXPECT_EQ(split("12-31-155"), (Split{12, 31, 1915}));   // 9: mm-dd-yy
    EXPECT_EQ(split("12-31-2015"), (Split{12, 31, 2015}));  // mm-dd-yyyy
    EXPECT_EQ(split("12/31/2015"), (Split{12, 31, 2015}));
    EXPECT_EQ(split("12\\31\\2015"), (Split{12, 31, 2015}));
    EXPECT_EQ(split("2015-12-31"), (Split{12, 31, 2015}));  // yyyy-mm-dd, lead 14 or more
    EXPECT_EQ(split("12-31-2015W"), (Split{12, 31, 2015})); // letters after the date are ignored
    EXPECT_EQ(split("01-01-1980"), (Split{1, 1, 1980}));
}

TEST(SplitDate, LeadBoundariesChooseTheLayout) {
    EXPECT_EQ(split("120115"), (Split{12, 1, 1915}));      // compact 6, lead 12: mmddyy
    EXPECT_EQ(split("130115"), (Split{1, 15, 1913}));      // compact 6, lead 13: yymmdd
    EXPECT_EQ(split("13012015"), (Split{13, 1, 2015}));    // compact 8, lead 13: mmddyyyy
    EXPECT_EQ(split("14010203"), (Split{2, 3, 3301}));     // compact 8, lead 14: yyyymmdd (1401 gains 1900)
    EXPECT_EQ(split("20010203"), (Split{2, 3, 2001}));     // compact 8, lead 20: yyyymmdd
    EXPECT_EQ(split("21010203"), (Split{1, 2, 1921}));     // compact 8, lead 21: yymmdd
    EXPECT_EQ(split("12-01-15"), (Split{12, 1, 1915}));    // separated 8, lead 12: mm-dd-yy
    EXPECT_EQ(split("13-12-31"), (Split{12, 31, 1913}));   // separated 8, lead 13: yy-mm-dd
    EXPECT_EQ(split("13-01-2015"), (Split{13, 1, 2015}));  // separated 10, lead 13: mm-dd-yyyy
    EXPECT_EQ(split("1401-02-03"), (Split{2, 3, 3301}));   // separated 10, lead 14: yyyy-mm-dd
}

TEST(SplitDate, TextsOffTheirPositionsGiveWhatStandsThere) {
    EXPECT_EQ(split("1-15-2015"), (Split{1, 5, 1901}));
    EXPECT_EQ(split(""), (Split{0, 0, 1900}));
    EXPECT_EQ(split("ab"), (Split{0, 0, 1900}));
    EXPECT_EQ(split("\xff\xfe-\x01"), (Split{0, 0, 1900}));
}

TEST(DayNumber, CountsFromTheYearStartTable) {
    EXPECT_EQ(day_number(1, 1, 1900), 19001);
    EXPECT_EQ(day_number(12, 31, 1900), 19365);
    EXPECT_EQ(day_number(1, 1, 1901), 19366);
    // Consecutive across every year boundary, leap years included.
    for (int year = 1900; year < 2200; ++year)
        ASSERT_EQ(day_number(1, 1, year + 1), day_number(12, 31, year) + 1) << year;
    EXPECT_EQ(day_number(3, 1, 2016) - day_number(2, 28, 2016), 2);
    EXPECT_EQ(day_number(3, 1, 2015) - day_number(2, 28, 2015), 1);
    // Years before 1900 stay consecutive too (file times reach back to 1601).
    EXPECT_EQ(day_number(12, 31, 1899), 19000);
    EXPECT_EQ(day_number(1, 1, 1601) + 109207, day_number(1, 1, 1900));
    EXPECT_EQ(day_number(1, 1, 30828) - day_number(12, 31, 30827), 1);
}

TEST(DayNumber, OutOfRangeMonthOrDayGivesZero) {
    EXPECT_EQ(day_number(13, 1, 2015), 0);
    EXPECT_EQ(day_number(1, 32, 2015), 0);
    EXPECT_EQ(day_of_year(13, 1, 2015), 0);
    EXPECT_EQ(day_of_year(1, 32, 2015), 0);
}

TEST(DayOfYear, CountsMonthLengthsWithLeapYears) {
    EXPECT_EQ(day_of_year(1, 1, 2015), 1);
    EXPECT_EQ(day_of_year(12, 31, 2015), 365);
    EXPECT_EQ(day_of_year(12, 31, 2016), 366);
    EXPECT_EQ(day_of_year(2, 29, 2000), 60);
    EXPECT_EQ(day_of_year(2, 29, 2016), 60);
    EXPECT_EQ(day_of_year(3, 1, 1900), 60);
    // A day past its month's end is no day: the run ends on it.
    EXPECT_EQ(day_of_year(2, 29, 2015), INVALID_DAY);
    EXPECT_EQ(day_of_year(4, 31, 2016), INVALID_DAY);
    EXPECT_EQ(day_number(2, 30, 2016), INVALID_DAY);
}

TEST(DayCount, CountsWholeDaysFromLocalMidnight) {
    EXPECT_EQ(day_count(local_date_text(0).c_str()), 0);
    EXPECT_EQ(day_count(local_date_text(1).c_str()), 1);
    EXPECT_EQ(day_count(local_date_text(40).c_str()), 40);
    EXPECT_LT(day_count("12-31-2099"), 0);  // a future date
}

TEST(DayCount, TwoDigitYears) {
    // 12-31-05 means 2005 in the day count, 12-31-15 means 1915.
    EXPECT_EQ(day_count("12-31-05"), day_count("12-31-2005"));
    EXPECT_EQ(day_count("12-31-15"), day_count("12-31-1915"));
    EXPECT_EQ(day_count("12-31-11"), day_count("12-31-1911"));
    EXPECT_EQ(day_count("12-31-10"), day_count("12-31-1910"));  // 10 is kept, then gains 1900
    EXPECT_EQ(day_count("12-31-09"), day_count("12-31-2009"));
    EXPECT_EQ(day_count("1-15-2015"), day_count("01-15-2015"));
    // A compact date is read through its normalised text.
    EXPECT_EQ(day_count("20151231"), day_count("12-31-2015"));
}

TEST(Cutoff, IsLocalMidnightAsAFileTime) {
    std::tm t{};
    t.tm_mday = 31;
    t.tm_mon = 11;
    t.tm_year = 115;
    int64_t seconds = platform::make_local_time(&t);
    uint64_t expected = static_cast<uint64_t>(seconds + 11644473600LL) * 10000000ULL;
    EXPECT_EQ(cutoff_filetime(12, 31, 2015), expected);
    EXPECT_EQ(local_calendar_filetime(58, 58, 22, 31, 12, 2015), expected + (22 * 3600 + 58 * 60 + 58) * 10000000ULL);
}

TEST(AgeValue, DaysOrDateAndTheAgeLetters) {
    EXPECT_TRUE(is_day_count(L"30"));
    EXPECT_TRUE(is_day_count(L"12.31.2015"));
    EXPECT_FALSE(is_day_count(L"12-31-2015"));
    EXPECT_FALSE(is_day_count(L"12/31/2015"));
    EXPECT_FALSE(is_day_count(L"12\\31\\2015"));

    Configuration config_;
    scan_age_letters(config_, L"12-31-2015w");
    EXPECT_EQ(config_.age_use_write, 'a');
    EXPECT_EQ(config_.age_use_access, 0);
    EXPECT_EQ(config_.age_use_create, 0);
    scan_age_letters(config_, L"Ac");
    EXPECT_EQ(config_.age_use_access, 'a');
    EXPECT_EQ(config_.age_use_create, 'a');
}

}  // namespace
