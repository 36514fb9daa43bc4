// The POSIX layer's calendar, clock and time-zone services, the console on a
// redirected standard input and the interrupt thread.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "with_input_posix.h"

namespace {

using namespace platform;

SystemTime system_time_of(FileTime t) {
    SystemTime s{};
    EXPECT_TRUE(filetime_to_systemtime(t, &s)) << t;
    return s;
}

void expect_date(const SystemTime& s, int year, int month, int day, int dow, int hour, int minute, int second,
                 int ms) {
    EXPECT_EQ(s.year, year);
    EXPECT_EQ(s.month, month);
    EXPECT_EQ(s.day, day);
    if (dow >= 0) {
        EXPECT_EQ(s.day_of_week, dow);
    }
    EXPECT_EQ(s.hour, hour);
    EXPECT_EQ(s.minute, minute);
    EXPECT_EQ(s.second, second);
    EXPECT_EQ(s.milliseconds, ms);
}

TEST(Calendar, FileTimeToSystemTimeOnKnownDates) {
    expect_date(system_time_of(0), 1601, 1, 1, 1, 0, 0, 0, 0);                     // a Monday
    expect_date(system_time_of(94405824000000000ULL), 1900, 3, 1, 4, 0, 0, 0, 0);  // after a non-leap 1900
    expect_date(system_time_of(119600064000000000ULL), 1980, 1, 1, 2, 0, 0, 0, 0);
    expect_date(system_time_of(131012228967890000ULL + 9999), 2016, 2, 29, 1, 12, 34, 56, 789);  // sub-ms units dropped
    expect_date(system_time_of(252191231999990000ULL), 2400, 2, 29, 2, 23, 59, 59, 999);
    expect_date(system_time_of(2650467743990000000ULL), 9999, 12, 31, 5, 23, 59, 59, 0);
    expect_date(system_time_of(0x7FFFFFFFFFFFFFFFULL), 30828, 9, 14, -1, 2, 48, 5, 477);  // the last one Windows takes
    SystemTime s{};
    EXPECT_FALSE(filetime_to_systemtime(0x8000000000000000ULL, &s));
}

TEST(Calendar, RuntimeTimeRange) {
    std::tm tm{};
    EXPECT_TRUE(utc_time(0, &tm));
    EXPECT_EQ(tm.tm_year, 70);
    EXPECT_TRUE(utc_time(32535215999, &tm));  // 3000-12-31 23:59:59
    EXPECT_EQ(tm.tm_year, 1100);
    EXPECT_FALSE(utc_time(32535216000, &tm));
    EXPECT_FALSE(utc_time(-1, &tm));
    EXPECT_FALSE(local_time(-1, &tm));
    std::tm early{};
    early.tm_year = 60;  // 1960
    early.tm_mday = 1;
    early.tm_isdst = -1;
    EXPECT_EQ(make_local_time(&early), -1);
    std::tm fine{};
    fine.tm_year = 100;
    fine.tm_mday = 1;
    fine.tm_isdst = -1;
    EXPECT_GT(make_local_time(&fine), 946000000);
    int64_t now = now_seconds();
    FileTime ft = now_filetime();
    EXPECT_NEAR(static_cast<double>((ft - FILETIME_UNIX_EPOCH) / 10000000), static_cast<double>(now), 2.0);
    EXPECT_EQ(ft % 10000, 0u);  // millisecond resolution, as the system time has
}

// Runs `body` with TZ set to `zone`, then puts the old zone back.
template <typename Body>
void with_zone(const char* zone, Body body) {
    const char* old = getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", zone, 1);
    tzset();
    body();
    if (old) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    tzset();
}

TEST(Calendar, TimeZoneNamesAndBias) {
    with_zone("EST5EDT", [] {
        TimeZoneInfo z = time_zone();
        EXPECT_EQ(z.standard_name, L"EST");
        EXPECT_EQ(z.daylight_name, L"EDT");
        EXPECT_EQ(z.offset_seconds, 5 * 3600);
        EXPECT_EQ(z.daylight, 1);
    });
    with_zone("UTC0", [] {
        FileTime local = 0;
        EXPECT_TRUE(filetime_to_local(131012228967890000ULL, &local));
        EXPECT_EQ(local, 131012228967890000ULL);
        EXPECT_EQ(time_zone().offset_seconds, 0);
    });
    with_zone("JST-9", [] {
        FileTime local = 0;
        EXPECT_TRUE(filetime_to_local(131012228967890000ULL, &local));
        EXPECT_EQ(local, 131012228967890000ULL + 9ULL * 3600 * 10000000);
    });
}

TEST(Console, RedirectedInputHasNoKeyWaitingAndReadsBytes) {
    int code = run_with_input("xy", [] {
        if (key_waiting()) return 10;
        if (read_key() != 'x') return 11;
        if (read_char() != 'y') return 12;
        if (read_key() != -1) return 13;  // end of input
        return 0;
    });
    EXPECT_EQ(code, 0);
}

TEST(Console, FileDialogPromptReadsAFullPath) {
    int code = run_with_input("C:\\dir\\..\\memo.txt\r\n", [] {
        std::wstring chosen;
        if (!select_file_dialog(L"Memo", chosen)) return 10;
        return chosen == L"C:\\memo.txt" ? 0 : 11;
    });
    EXPECT_EQ(code, 0);
    code = run_with_input("\n", [] {
        std::wstring chosen;
        return select_file_dialog(L"Memo", chosen) ? 10 : 0;  // an empty answer cancels
    });
    EXPECT_EQ(code, 0);
}

int interrupt_pipe = -1;

void on_interrupt(void* context) {
    // Runs on the layer's thread, with the interrupt already noted: reports
    // through the pipe the context names and ends the process.
    char byte = interrupt_requested() ? 2 : 0;
    if (write(*static_cast<int*>(context), &byte, 1) != 1) exit_process(20);
    std::printf("buffered text");  // exit_process flushes it
    exit_process(42);
}

TEST(Interrupt, SignalRunsTheHandlerOnItsThreadWithItsContext) {
    for (int signal_number : {SIGINT, SIGTERM}) {
        int fds[2], out[2];
        ASSERT_EQ(pipe(fds), 0);
        ASSERT_EQ(pipe(out), 0);
        pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            close(out[0]);
            dup2(out[1], STDOUT_FILENO);
            setvbuf(stdout, nullptr, _IOFBF, 4096);
            interrupt_pipe = fds[1];
            HostEvents events;
            events.interrupt = on_interrupt;
            events.context = &interrupt_pipe;
            install_host_events(events);
            kill(getpid(), signal_number);
            for (int i = 0; i < 500; ++i) sleep_ms(10);  // the handler ends the process
            _exit(30);
        }
        close(fds[1]);
        close(out[1]);
        char reason = 0;
        EXPECT_EQ(read(fds[0], &reason, 1), 1);
        EXPECT_EQ(reason, 2);
        char text[64] = {};
        ssize_t n = read(out[0], text, sizeof text - 1);
        EXPECT_EQ(std::string(text, n > 0 ? n : 0), "buffered text");
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 42);
        close(fds[0]);
        close(out[0]);
    }
}

TEST(Environment, LooksUpVariables) {
    setenv("KESTRO_TEST_VALUE", "caf\xc3\xa9", 1);
    std::wstring value;
    EXPECT_TRUE(get_env("KESTRO_TEST_VALUE", &value));
    EXPECT_EQ(value, L"caf\u00e9");
    unsetenv("KESTRO_TEST_VALUE");
    EXPECT_FALSE(get_env("KESTRO_TEST_VALUE", &value));
}

}  // namespace
