// The per-file records as bytes: LIST, NOT_COPIED, COPIED, RENAMED, the
// screen lines, the -N listing, the progress line and the rate display.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "copy/records.h"
#include "platform/platform.h"
#include "run_fixture.h"
#include "state/config.h"
#include "state/run_state.h"
#include "stream_contents.h"

namespace {

std::string contents(FILE* f) { return stream_contents(f); }

FileTimeBreakdown sample_times() {
    FileTimeBreakdown t;
    t.creation = {2, 29, 2020, 23, 59, 58, 0};
    t.last_write = {12, 1, 2021, 1, 2, 3, 0};
    t.last_access = {0, 0, 1980, 0, 0, 0, 0};
    return t;
}

class Records : public ::testing::Test, protected TestRun {
protected:
    void SetUp() override {
        config_.list_delimiter = L' ';
        out = std::tmpfile();
        ASSERT_NE(out, nullptr);
    }
    void TearDown() override { std::fclose(out); }
    FILE* out = nullptr;
};

TEST_F(Records, ListRecordShowsPathWithoutPrefixSizeAndThreeTimes) {
    run_.logs.list_log = out;
    write_list_record(context_, L"\\\\?\\C:\\d\\a.txt", 1234, sample_times());
    EXPECT_EQ(contents(out),
              "\nC:\\d\\a.txt| 1234|2020/02/29|23:59:58c|2021/12/01|01:02:03m|1980/00/00|00:00:00a|");
}

TEST_F(Records, NotCopiedRecordKeepsTheLongPathPrefix) {
    run_.logs.not_copied_log = out;
    write_not_copied_record(context_, L"\\\\?\\C:\\d\\a.txt", "reason: AGE Criteria");
    EXPECT_EQ(contents(out), "\n\\\\?\\C:\\d\\a.txt| reason: AGE Criteria");
}

TEST_F(Records, CopiedRecordWritesTheSourceAsFirstUtf8Bytes) {
    run_.logs.copied_log = out;
    write_copied_record(context_, L"1,234", L"\\\\?\\C:\\\u00dcber\\a.txt", L"\\\\?\\E:\\\u00dcber\\a.txt",
                        sample_times());
    write_copied_line_end(context_);
    EXPECT_EQ(contents(out),
              "         1,234 |C:\\\xC3" "ber\\a.txt| ==> |E:\\\xC3\x9C" "ber\\a.txt|"
              "2020/02/29|23:59:58c|2021/12/01|01:02:03m|1980/00/00|00:00:00a|\n");
}

TEST_F(Records, RenamedRecordOnLogAndScreen) {
    run_.logs.renamed_log = out;
    FILE* shown = std::tmpfile();
    run_.screen = shown;
    write_renamed_before(context_, L"\\\\?\\E:\\b\\ABCDEF~1.TXT");
    write_renamed_after(context_, L"\\\\?\\E:\\b\\ABCDEF~1.TXT.D[70123]");
    EXPECT_EQ(contents(out), "\nE:\\b\\ABCDEF~1.TXT |RENAMED TO:| E:\\b\\ABCDEF~1.TXT.D[70123]\n");
    EXPECT_EQ(contents(shown), "\n\nDUPE_FILE: E:\\b\\ABCDEF~1.TXT ==>   E:\\b\\ABCDEF~1.TXT.D[70123]\n");
    std::fclose(shown);
}

TEST_F(Records, ScreenLinesCutThePathToTheWidth) {
    run_.screen = out;
    std::wstring source = L"\\\\?\\C:\\" + std::wstring(80, L'x');
    write_screen_copy_lines(context_, source, L"x", L"1,000", L"\\\\?\\E:\\x");
    std::string expected = "C:\\" + std::string(62, 'x') + " \n      1,000 ==> E:\\x";
    EXPECT_EQ(contents(out), expected);
}

TEST_F(Records, NameOnlyWidthIsAMinimum) {
    run_.screen = out;
    config_.options.name_only = 1;
    std::wstring name(40, L'n');
    write_screen_copy_lines(context_, L"C:\\d\\" + name, name, L"5", L"E:\\n");
    EXPECT_EQ(contents(out), std::string(40, 'n') + " \n          5 ==> E:\\n");
}

TEST_F(Records, ListingLineWithAndWithoutDestination) {
    run_.screen = out;
    config_.list_delimiter = L'|';
    config_.options.list_only = 1;
    write_listing_line(context_, L"\\\\?\\C:\\a.txt", L"5", L"\\\\?\\E:\\a.txt");
    config_.options.list_only = 2;
    write_listing_line(context_, L"\\\\?\\C:\\a.txt", L"1,005", L"\\\\?\\E:\\a.txt");
    EXPECT_EQ(contents(out), "C:\\a.txt|\nC:\\a.txt|     1,005 | ==> | E:\\a.txt\n");
}

TEST_F(Records, ProgressLineCountsTheFileBeingHandled) {
    run_.screen = out;
    run_.counters.files_to_process = 10;
    run_.bytes_to_process_text = L"9,999,999";
    run_.progress_next = 200000000;
    write_progress(context_, 4, 1234567);
    EXPECT_EQ(contents(out), "\n 5 of 10 files:    1,234,567 of 9,999,999 bytes\n");
    EXPECT_EQ(run_.progress_next, 200000000);
}

TEST_F(Records, RateWithoutCountingPassIsWholeMegabytesPerMinute) {
    run_.screen = out;
    int64_t now = platform::now_seconds();
    run_.walk_start_time = now - 150;  // two whole minutes
    show_rate(context_, 0, 700000000);
    EXPECT_EQ(contents(out), "\n\n\n350 meg/min \n\n\n");
}

TEST_F(Records, RateWithinTheFirstMinuteShowsNothing) {
    run_.screen = out;
    run_.walk_start_time = platform::now_seconds();
    show_rate(context_, 0, 700000000);
    EXPECT_EQ(contents(out), "");
}

TEST_F(Records, RateWithTotalEstimatesTheRemainingTime) {
    run_.screen = out;
    int64_t now = platform::now_seconds();
    run_.walk_start_time = now - 3700;
    run_.run_start_time = now - 6000;
    show_rate(context_, 400000000, 200000000);  // half done after 3,700 s
    std::string shown = contents(out);
    // 200 MB in 6,000 s is 2 MB a minute; 3,700 s (1 h 1 min 40 s) remain.
    EXPECT_TRUE(shown == "\n\n\n2 meg/min   1 hrs.  1 mins. 40 secs remaining\n\n\n" ||
                shown == "\n\n\n2 meg/min   1 hrs.  1 mins. 41 secs remaining\n\n\n")
        << shown;
}

}  // namespace
