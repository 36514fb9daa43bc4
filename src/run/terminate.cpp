#include "run/terminate.h"

#include <atomic>
#include <cstring>
#include <ctime>
#include <mutex>

#include "common/text.h"
#include "run/config.h"
#include "run/time_text.h"

namespace run {
namespace {

const char* const REASON_TEXTS[] = {
    "NORMAL_EXIT",
    "NORMAL_EXIT",
    "USER_ABORTED",
    "INPUT_FILE",
    "OUTPUT_FILE",
    "PARAMATER_FILE",
    "ILLEGAL or INCOMPLETE OPTION",
    "MEMORY ERROR",
    "OTHER_EXIT",
    "WRITE_ERROR",
    "",  // 10: no text of its own
    "READ_ERROR",
    "",  // 12
    "NON_SPECIFIC ERROR",
    "                                      ",
    "                                      ",
    "                                      ",
};

const char* const ASTERISKS =
    "************************************************************";  // 60

struct Elapsed {
    int hours, minutes, seconds;
};

Elapsed elapsed_time() {
    int64_t d = run_end_time - run_start_time;
    Elapsed e;
    e.hours = static_cast<int>(d / 3600);
    e.minutes = static_cast<int>((d - 3600 * int64_t(e.hours)) / 60);
    e.seconds = static_cast<int>(d - 3600 * int64_t(e.hours) - 60 * int64_t(e.minutes));
    return e;
}

void print_elapsed(FILE* stream, const Elapsed& e, const char* tail) {
    text::print(stream, " %d hrs. %d mins. %d secs.", e.hours, e.minutes, e.seconds);
    text::print(stream, "%s", tail);
}

void screen_statistics(int reason, const Elapsed& e) {
    if (!screen || !opt->dest_given || opt->silent) return;
    std::wstring processed = format_count(bytes_processed);
    text::print(screen, "\n  Processed  %9ld files. %12ls bytes", long(files_processed), processed.c_str());
    std::wstring copied = format_count(bytes_copied);
    text::print(screen, "\n  Copied     %9ld files, %12ls bytes: \n", long(files_copied), copied.c_str());
    if (files_not_copied != 0) {
        text::print(screen, "  NOT processed %6ld files", long(files_not_copied));
        if (not_copied_newer != 0) text::print(screen, " of which %ld files are newer", long(not_copied_newer));
        text::print(screen, "\n");
    }
    text::print(screen, "  Elapsed time:  ");
    print_elapsed(screen, e, "\n\n");
    if (reason != 0) text::print(screen, "\nAbnormal termination. Reason: %s\n\n", reason_text(reason));
}

void error_log_totals() {
    if (!error_log) return;
    if (opt->error_log_given) {
        text::print(error_log, "\n  Processed %ld files.   Copied %ls bytes in %ld files\n",
                    long(files_processed), format_count(bytes_copied), long(copies_completed));
        text::print(error_log, "%s\n", ASTERISKS);
    }
    if (error_log != stderr) {
        text::print(error_log, "\n");
        std::fclose(error_log);
        error_log = nullptr;
    }
}

// Reopens the default log for its closing lines: read and write, never created.
bool reopen_default_log() {
    if (default_log) return true;
    if (log_base_name.empty()) return false;
    default_log = platform::open_stream(log_base_name.c_str(), "r+");
    if (!default_log) {
        text::print(stdout, "Can't open accounting file %ls\n", log_base_name.c_str());
        return false;
    }
    std::fseek(default_log, 0, SEEK_END);
    return true;
}

void default_log_statistics(int reason, const Elapsed& e) {
    if (!reopen_default_log()) return;
    std::wstring processed = format_count(bytes_processed);
    text::print(default_log, "\n Processed %9ld files, %12ls bytes: ", long(files_processed), processed.c_str());
    std::wstring copied = format_count(bytes_copied);
    text::print(default_log, "\n Copied    %9ld files, %12ls bytes: ", long(files_copied), copied.c_str());
    if (not_copied_log && files_not_copied != 0) {
        text::print(screen, "\n NOT COPIED %9ld files\n", long(files_not_copied));
        text::print(default_log, "\n NOT COPIED %9ld files ", long(files_not_copied));
        if (not_copied_newer != 0)
            text::print(default_log, " of which %ld files are newer", long(not_copied_newer));
        text::print(default_log, "\n");
    }
    text::print(default_log, "\n\n Finished %.24s\n", ctime_text(run_end_time, false).c_str());
    text::print(default_log, " Elapsed: ");
    print_elapsed(default_log, e, "\n");
    if (reason != 0) text::print(default_log, "\nABNORMAL TERMINATION\n");
    if (!source_paths.empty() && !platform::path_accessible(source_paths[0].c_str())) {
        text::print(stderr, "\nCan't find drive %ls, check connection\n", source_paths[0].c_str());
        text::print(default_log, "\nCan't find drive %ls, check connection\n", source_paths[0].c_str());
    }
    text::print(default_log, "%.53s\n", ASTERISKS);
    std::fclose(default_log);
    default_log = nullptr;
}

void close_with_newline(FILE*& stream) {
    if (!stream) return;
    text::print(stream, "\n");
    std::fclose(stream);
    stream = nullptr;
}

std::atomic<bool> terminating{false};

}  // namespace

const char* reason_text(int reason) {
    if (reason < 0 || reason >= int(sizeof REASON_TEXTS / sizeof REASON_TEXTS[0])) return "";
    return REASON_TEXTS[reason];
}

const wchar_t* format_count(int64_t value) {
    static wchar_t buffer[49];
    wchar_t digits[32];
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    int n = 0, count = 0;
    do {
        if (count && count % 3 == 0) digits[n++] = L',';
        digits[n++] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
        ++count;
    } while (magnitude);
    int k = 0;
    if (value < 0) buffer[k++] = L'-';
    while (n) buffer[k++] = digits[--n];
    buffer[k] = 0;
    return buffer;
}

void terminate(int reason) {
    // A second caller (the interrupt thread racing the main thread) waits for
    // the process to end instead of writing the statistics twice.
    if (terminating.exchange(true)) {
        for (;;) platform::sleep_ms(1000);
    }
    run_end_time = platform::now_seconds();
    if (!opt) platform::exit_process(reason);
    Elapsed e = elapsed_time();

    screen_statistics(reason, e);
    error_log_totals();
    if (!opt->silent) {
        text::print(stdout, "\n Processed %ld files: ", long(files_processed));
        text::print(stdout, "   Elapsed time:  ");
        print_elapsed(stdout, e, "\n\n");
    }
    if (!log_base_name.empty() || default_log) default_log_statistics(reason, e);
    close_with_newline(list_log);
    close_with_newline(copied_log);
    close_with_newline(not_copied_log);
    close_with_newline(renamed_log);
    if (error_log && error_log != stderr) close_with_newline(error_log);
    if (reason != 0) text::print(stdout, "\n\nProgram Not completed %s", reason_text(reason));
    std::fflush(nullptr);
    platform::exit_process(reason);
}

}  // namespace run
