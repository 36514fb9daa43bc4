// Log option values: where the name ends, and how each option reads its mask.
#include <gtest/gtest.h>

#include <string>

#include "log/log_name_value.h"

namespace {

TEST(LogNameValue, CutsAtTheFirstSeparatorOfThePreferredKind) {
    struct Case {
        const wchar_t* value;
        const wchar_t* name;
        bool has_mask;
        const wchar_t* mask_text;
    };
    const Case cases[] = {
        {L"C:\\logs\\run.log", L"C:\\logs\\run.log", false, L""},
        {L"run.log!6", L"run.log", true, L"6"},
        {L"run.log;list|x!12", L"run.log;list|x", true, L"12"},  // '!' wins wherever it stands
        {L"a|b;c", L"a", true, L"b;c"},                          // then '|'
        {L"a;b;c", L"a", true, L"b;c"},
        {L"run!", L"run", true, L""},
    };
    for (const Case& c : cases) {
        LogNameValue v = split_log_name_value(c.value);
        EXPECT_EQ(v.name, c.name) << c.value;
        EXPECT_EQ(v.has_mask, c.has_mask) << c.value;
        EXPECT_EQ(v.mask_text, c.mask_text) << c.value;
    }
}

TEST(LogNameValue, EachFormReadsTheMaskItsOwnWay) {
    using F = LogMaskForm;
    struct Case {
        F form;
        int32_t before;
        const wchar_t* mask_text;
        int32_t after;
    };
    const Case cases[] = {
        {F::short_option, 0, L"6", 6},
        {F::short_option, 8, L"6", 14},        // ORed into what was there
        {F::short_option, 4, L"ALL", 63},
        {F::short_option, 0, L"xAlLx", 63},    // "all" anywhere, any case
        {F::short_option, 0, L"list", 0},      // no keywords: no leading number is 0
        {F::short_option, 0, L"100", 100},     // no cap
        {F::long_option, 0, L"12", 12},
        {F::long_option, 0, L"100", 127},      // above 63: every log as well
        {F::long_option, 0, L"list,dupe", 34},
        {F::long_option, 0, L"copy not error", 28},
        {F::long_option, 0, L"LIST", 0},       // case-sensitive
        {F::long_option, 1, L"all", 63},
        {F::ini_directive, 0, L"LIST,COP", 6}, // the INI line arrives upper-cased
        {F::ini_directive, 0, L"ALL", 63},
        {F::error_option, 0, L"12", 12},
        {F::error_option, 0, L"all", 0},       // no "all" here
        {F::error_option, 0, L"err,dup", 48},
        {F::error_option, 0, L"100", 63},      // above 63 becomes 63
    };
    for (const Case& c : cases)
        EXPECT_EQ(combine_log_mask(c.before, c.mask_text, c.form), c.after)
            << static_cast<int>(c.form) << " " << c.before << " " << std::string(c.mask_text, c.mask_text + wcslen(c.mask_text));
}

TEST(LogNameValue, AValueWithoutMaskLeavesTheMaskAlone) {
    int32_t mask = 12;
    EXPECT_EQ(read_log_name_value(L"C:\\x\\run.log", LogMaskForm::short_option, &mask), L"C:\\x\\run.log");
    EXPECT_EQ(mask, 12);
    EXPECT_EQ(read_log_name_value(L"run.log!ALL", LogMaskForm::short_option, &mask), L"run.log");
    EXPECT_EQ(mask, 63);
}

}  // namespace
