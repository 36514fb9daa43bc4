// Failed log writes: noticed at the next check or at the close, said once per log.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "log/log_writes.h"

namespace {

// /dev/full takes no byte: every flush fails with ENOSPC.
FILE* full_device() { return std::fopen("/dev/full", "w"); }

TEST(LogWrites, AFailedWriteIsSaidOnceAndRemembered) {
    LogWriteWatch watch;
    FILE* fine = std::tmpfile();
    FILE* full = full_device();
    ASSERT_TRUE(fine && full);
    watch_log(watch, fine, L"C:\\logs\\run_LIST.log");
    watch_log(watch, full, L"C:\\logs\\run_COPIED.log");

    testing::internal::CaptureStdout();
    check_log_writes(watch);
    std::fputs("record", full);
    std::fputs("record", fine);
    check_log_writes(watch);  // still buffered: nothing failed yet
    EXPECT_FALSE(watch.failed);
    std::fflush(full);
    std::fflush(fine);
    check_log_writes(watch);
    check_log_writes(watch);
    close_log(watch, full);
    close_log(watch, fine);
    std::string shown = testing::internal::GetCapturedStdout();

    EXPECT_TRUE(watch.failed);
    EXPECT_EQ(shown, "\nCan't write log file C:\\logs\\run_COPIED.log\n");
    EXPECT_EQ(full, nullptr);
    EXPECT_TRUE(watch.logs.empty());
}

TEST(LogWrites, ALastFlushThatFailsAtTheCloseCounts) {
    LogWriteWatch watch;
    FILE* full = full_device();
    ASSERT_NE(full, nullptr);
    watch_log(watch, full, L"C:\\logs\\run.log");
    std::fputs("statistics", full);
    testing::internal::CaptureStdout();
    close_log(watch, full);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nCan't write log file C:\\logs\\run.log\n");
    EXPECT_TRUE(watch.failed);
}

TEST(LogWrites, ALogOpenedAgainIsSaidOnceForAllItsOpenings) {
    // The default log is closed after the header and opened again for the
    // counting line and the statistics; another log of its own is said apart.
    LogWriteWatch watch;
    testing::internal::CaptureStdout();
    for (const wchar_t* name : {L"C:\\logs\\run.log", L"C:\\logs\\run.log", L"C:\\logs\\other.log",
                                L"C:\\logs\\run.log"}) {
        FILE* full = full_device();
        ASSERT_NE(full, nullptr);
        watch_log(watch, full, name);
        std::fputs("lines", full);
        std::fflush(full);
        check_log_writes(watch);
        close_log(watch, full);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\nCan't write log file C:\\logs\\run.log\n\nCan't write log file C:\\logs\\other.log\n");
    EXPECT_TRUE(watch.failed);
}

}  // namespace
