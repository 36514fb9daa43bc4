// Number text, the version stamp, date text and zone abbreviations.
#include <gtest/gtest.h>

#include <climits>

#include "common/paths.h"
#include "common/text.h"
#include "options/banner.h"
#include "run/header.h"
#include "run/terminate.h"
#include "run/time_text.h"

TEST(FormatCount, ThousandsSeparators) {
    EXPECT_EQ(text::format_count(0), L"0");
    EXPECT_EQ(text::format_count(999), L"999");
    EXPECT_EQ(text::format_count(1000), L"1,000");
    EXPECT_EQ(text::format_count(1000000), L"1,000,000");
    EXPECT_EQ(text::format_count(123456789), L"123,456,789");
    EXPECT_EQ(text::format_count(-1234567), L"-1,234,567");
    EXPECT_EQ(text::format_count(LLONG_MIN), L"-9,223,372,036,854,775,808");
    EXPECT_EQ(text::format_count(LLONG_MAX), L"9,223,372,036,854,775,807");
}

TEST(VersionStamp, FromBuildDateAndTime) {
    EXPECT_EQ(make_version_stamp("Jul 20 2016", "12:57:18", "\xFB"), "16.07.20.12.57\xFB");
    EXPECT_EQ(make_version_stamp("Nov 03 2026", "09:05:00"), "26.11.03.09.05");
    // An unknown month leaves its digits out.
    EXPECT_EQ(make_version_stamp("Xyz 01 2020", "00:00:00"), "20..01.00.00");
}

TEST(TimeText, TwentyFourCharacterForm) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_hour = 11;
    t.tm_min = 16;
    t.tm_sec = 54;
    t.tm_wday = 1;
    EXPECT_EQ(ctime_text(t), "Mon Dec 07 11:16:54 2026");
    EXPECT_EQ(ctime_text(0, true), "Thu Jan 01 00:00:00 1970");
}

TEST(ZoneAbbreviation, LettersAfterBlanks) {
    EXPECT_EQ(zone_abbreviation(L"Eastern Standard Time"), L"EST");
    EXPECT_EQ(zone_abbreviation(L"W. Europe Standard Time"), L"WES");
    EXPECT_EQ(zone_abbreviation(L"UTC"), L"UTC");
    EXPECT_EQ(zone_abbreviation(L"CET"), L"CET");
    EXPECT_EQ(zone_abbreviation(L""), L"");
}

TEST(Paths, SplitPathAsTheRuntimeDoes) {
    paths::SplitPath p = paths::split_path(L"\\\\?\\C:\\logs\\run.txt");
    EXPECT_EQ(p.drive, L"");
    EXPECT_EQ(p.dir, L"\\\\?\\C:\\logs\\");
    EXPECT_EQ(p.fname, L"run");
    EXPECT_EQ(p.ext, L".txt");
    p = paths::split_path(L"C:\\a.b\\name");
    EXPECT_EQ(p.drive, L"C:");
    EXPECT_EQ(p.dir, L"\\a.b\\");
    EXPECT_EQ(p.fname, L"name");
    EXPECT_EQ(p.ext, L"");
    p = paths::split_path(L"E:file.tar.gz");
    EXPECT_EQ(p.drive, L"E:");
    EXPECT_EQ(p.fname, L"file.tar");
    EXPECT_EQ(p.ext, L".gz");
}

TEST(Paths, LongFormAndDisplay) {
    EXPECT_EQ(paths::long_form(L"C:\\data"), L"\\\\?\\C:\\data");
    EXPECT_EQ(paths::long_form(L"\\\\server\\share"), L"\\\\server\\share");
    EXPECT_EQ(paths::long_form(L"\\\\?\\C:\\x"), L"\\\\?\\C:\\x");
    EXPECT_STREQ(paths::display(L"\\\\?\\C:\\data"), L"C:\\data");
    EXPECT_STREQ(paths::display(L"C:\\data"), L"C:\\data");
    EXPECT_TRUE(paths::equal_ignoring_ascii_case(L"c:\\Data", L"C:\\DATA"));
    EXPECT_TRUE(paths::starts_with_ignoring_ascii_case(L"\\\\?\\C:\\Xyz\\a", L"\\\\?\\c:\\x"));
}
