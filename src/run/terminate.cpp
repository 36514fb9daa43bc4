#include "run/terminate.h"

#include <cstring>
#include <ctime>

#include "copy/copy_engine.h"
#include "log/log_set.h"
#include "log/output.h"
#include "platform/platform.h"
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
    "VERIFY_FAILED",
};

const char* const ASTERISKS =
    "************************************************************";  // 60

struct Elapsed {
    int hours, minutes, seconds;
};

Elapsed elapsed_time(const Run& run) {
    int64_t d = run.run_end_time - run.run_start_time;
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

void screen_statistics(const OptionRecord& options, const Run& run, int reason, const Elapsed& e) {
    if (!run.screen || !options.dest_given || options.silent) return;
    std::wstring processed = text::format_count(run.counters.bytes_processed);
    text::print(run.screen, "\n  Processed  %9ld files. %12ls bytes", long(run.counters.files_processed),
                processed.c_str());
    std::wstring copied = text::format_count(run.counters.bytes_copied);
    text::print(run.screen, "\n  Copied     %9ld files, %12ls bytes: \n", long(run.counters.files_copied),
                copied.c_str());
    if (run.counters.files_not_copied != 0) {
        text::print(run.screen, "  NOT processed %6ld files", long(run.counters.files_not_copied));
        if (run.counters.not_copied_newer != 0)
            text::print(run.screen, " of which %ld files are newer", long(run.counters.not_copied_newer));
        text::print(run.screen, "\n");
    }
    text::print(run.screen, "  Elapsed time:  ");
    print_elapsed(run.screen, e, "\n\n");
    if (reason != 0) text::print(run.screen, "\nAbnormal termination. Reason: %s\n\n", reason_text(reason));
}

void close_with_newline(LogStreams& logs, FILE*& stream) {
    if (!stream) return;
    text::print(stream, "\n");
    close_log_stream(logs, stream);
}

void error_log_totals(const OptionRecord& options, Run& run) {
    if (!run.logs.error_log) return;
    if (options.error_log_given) {
        text::print(run.logs.error_log, "\n  Processed %ld files.   Copied %ls bytes in %ld files\n",
                    long(run.counters.files_processed), text::format_count(run.counters.bytes_copied).c_str(),
                    long(run.counters.copies_completed));
        text::print(run.logs.error_log, "%s\n", ASTERISKS);
    }
    if (run.logs.error_log != stderr) close_with_newline(run.logs, run.logs.error_log);
}

// Reopens the default log for its closing lines: read and write, never created.
bool reopen_default_log(const Configuration& config, Run& run) {
    if (reopen_default_log(run.logs, config.log_base_name, "r+")) return true;
    if (!config.log_base_name.empty())
        text::print(stdout, "Can't open accounting file %ls\n", config.log_base_name.c_str());
    return false;
}

void default_log_statistics(const Configuration& config, Run& run, int reason, const Elapsed& e) {
    if (!reopen_default_log(config, run)) return;
    std::wstring processed = text::format_count(run.counters.bytes_processed);
    text::print(run.logs.default_log, "\n Processed %9ld files, %12ls bytes: ", long(run.counters.files_processed),
                processed.c_str());
    std::wstring copied = text::format_count(run.counters.bytes_copied);
    text::print(run.logs.default_log, "\n Copied    %9ld files, %12ls bytes: ", long(run.counters.files_copied),
                copied.c_str());
    if (run.logs.not_copied_log && run.counters.files_not_copied != 0) {
        text::print(run.screen, "\n NOT COPIED %9ld files\n", long(run.counters.files_not_copied));
        text::print(run.logs.default_log, "\n NOT COPIED %9ld files ", long(run.counters.files_not_copied));
        if (run.counters.not_copied_newer != 0)
            text::print(run.logs.default_log, " of which %ld files are newer",
                        long(run.counters.not_copied_newer));
        text::print(run.logs.default_log, "\n");
    }
    text::print(run.logs.default_log, "\n\n Finished %.24s\n", ctime_text(run.run_end_time, false).c_str());
    text::print(run.logs.default_log, " Elapsed: ");
    print_elapsed(run.logs.default_log, e, "\n");
    if (reason != 0) text::print(run.logs.default_log, "\nABNORMAL TERMINATION\n");
    if (!config.source_paths.empty() && !platform::path_accessible(config.source_paths[0].c_str())) {
        text::print(stderr, "\nCan't find drive %ls, check connection\n", config.source_paths[0].c_str());
        text::print(run.logs.default_log, "\nCan't find drive %ls, check connection\n", config.source_paths[0].c_str());
    }
    text::print(run.logs.default_log, "%.53s\n", ASTERISKS);
    close_log_stream(run.logs, run.logs.default_log);
}

}  // namespace

const char* reason_text(int reason) {
    if (reason < 0 || reason >= int(sizeof REASON_TEXTS / sizeof REASON_TEXTS[0])) return "";
    return REASON_TEXTS[reason];
}

Termination::Termination(const Configuration& config, Run& run) : config_(config), run_(run) {}

void Termination::end_run(int reason) {
    // Another thread ending the run (the interrupt handler while the main
    // thread waited for a key) writes the statistics alone.
    if (!claim_the_end()) wait_for_the_end();
    end_claimed(reason);
}

void Termination::exit_at_once(int code) {
    std::fflush(nullptr);
    platform::exit_process(code);
}

void Termination::end_claimed(int reason) {
    // The files in flight of the copy pass: all of them at a normal end,
    // otherwise those whose copies are done, and none is begun any more.
    if (engine_) engine_->settle_for_the_end(reason == NORMAL_EXIT && !platform::interrupt_requested());
    Run& run = run_;
    const OptionRecord& options = config_.options;
    run.run_end_time = platform::now_seconds();
    Elapsed e = elapsed_time(run);
    // A run whose logs lost writes did not end normally, however far it got.
    if (reason == NORMAL_EXIT && log_writes_failed(run.logs)) reason = WRITE_ERROR;

    screen_statistics(options, run, reason, e);
    error_log_totals(options, run);
    if (!options.silent) {
        text::print(stdout, "\n Processed %ld files: ", long(run.counters.files_processed));
        text::print(stdout, "   Elapsed time:  ");
        print_elapsed(stdout, e, "\n\n");
    }
    if (!config_.log_base_name.empty() || run.logs.default_log) default_log_statistics(config_, run, reason, e);
    LogStreams& logs = run.logs;
    close_with_newline(logs, logs.list_log);
    close_with_newline(logs, logs.copied_log);
    close_with_newline(logs, logs.not_copied_log);
    close_with_newline(logs, logs.renamed_log);
    if (logs.error_log && logs.error_log != stderr) close_with_newline(logs, logs.error_log);
    // The last lines of the logs may fail as they are written out.
    if (reason == NORMAL_EXIT && logs.writes.failed) reason = WRITE_ERROR;
    if (reason != 0) text::print(stdout, "\n\nProgram Not completed %s", reason_text(reason));
    std::fflush(nullptr);
    platform::exit_process(reason);
}

}  // namespace run
