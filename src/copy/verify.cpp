// The files of a hash log are looked up in the order of the log on the main
// thread, which gives the progress line its totals and the age and size
// options their files; then the copy workers hash them (each file read once
// for both digests) while the main thread reports them in that same order.
#include "copy/verify.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <span>
#include <string_view>
#include <vector>

#include "common/exclusions.h"
#include "common/paths.h"
#include "copy/copy_threads.h"
#include "copy/copy_workers.h"
#include "copy/file_hashing.h"
#include "copy/hash_log_lines.h"
#include "copy/records.h"
#include "copy/selection.h"
#include "copy/verify_report.h"
#include "log/log_writes.h"
#include "log/output.h"
#include "options/option_support.h"
#include "platform/names.h"
#include "platform/platform.h"
#include "walk/file_sink.h"
#include "walk/folder_source.h"

namespace {

// Files handed to the workers ahead of the one reported: enough to keep
// them busy across a large file, few enough to hold little memory.
constexpr size_t FILES_AHEAD_PER_WORKER = 64;
constexpr unsigned CHECK_WAIT_SLICE_MS = 20;  // Ctrl+C is seen between slices
constexpr size_t READ_CHUNK = 65536;

struct Check {
    RecordedFile recorded;
    std::wstring path;  // long-path form, for the host
    bool found = false;
    int failure = 0;  // when not found: the host's reason
    int64_t size = 0;
    hashing::HashTexts texts;  // what the work read
    CopyWorkers::Job job;
};

// The log's lines, each without its '\n'; a last line without one counts.
bool read_hash_log(const std::wstring& name, HashLogReader& reader) {
    FILE* file = platform::open_stream(name.c_str(), "rb");
    if (!file) return false;
    std::string pending;
    std::unique_ptr<char[]> chunk(new char[READ_CHUNK]);
    size_t got;
    while ((got = std::fread(chunk.get(), 1, READ_CHUNK, file)) > 0) {
        // Only the new bytes are searched: a long line costs no more than its length.
        size_t start = 0, searched = pending.size();
        pending.append(chunk.get(), got);
        for (size_t end; (end = pending.find('\n', searched)) != std::string::npos; start = searched = end + 1)
            reader.take_line(std::string_view(pending).substr(start, end - start));
        pending.erase(0, start);
    }
    if (!pending.empty()) reader.take_line(pending);
    std::fclose(file);
    return true;
}

// The file types (-f) and the exclusions (-x) on the file's name.
bool name_selected(const CopyContext& c, Exclusions& exclusions, const std::wstring& path) {
    const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    const std::span<const std::wstring> types = file_types_in_use(c.config);
    const bool typed = std::any_of(types.begin(), types.end(),
                                   [&](const std::wstring& type) { return platform::dos_name_match(type, name); });
    return typed && !exclusions.excludes(name);
}

// Looks the file up; false when the age or size options pass it over. A
// file that is not there is checked (and said missing) whatever its age.
bool look_up_and_select(const CopyContext& c, Check& check) {
    platform::FindRecord record;
    check.found = platform::find_entry(check.path.c_str(), &record, c.options.age_select != 0);
    if (!check.found) {
        // The Windows lookup's own bookkeeping may clear the last failure
        // (a thread-local variable's access does); it keeps its reason too.
        check.failure = platform::last_failure();
        if (check.failure == 0) check.failure = platform::find_failure();
        return true;
    }
    check.size = static_cast<int64_t>(record.size());
    if (c.options.age_select && !passes_age_test(c, check.path, record)) return false;
    return passes_size_test(c, check.size);
}

std::vector<Check> select_checks(const CopyContext& c, std::vector<RecordedFile>& files) {
    Exclusions exclusions = c.config.exclusions();
    std::vector<Check> checks;
    checks.reserve(files.size());
    for (RecordedFile& file : files) {
        stop_if_requested(c.run);
        if (!name_selected(c, exclusions, file.path)) continue;
        Check check;
        check.path = paths::long_form(file.path);
        check.recorded = std::move(file);
        if (look_up_and_select(c, check)) checks.push_back(std::move(check));
    }
    return checks;
}

void count_to_process(Run& run, const std::vector<Check>& checks) {
    run.counters.files_to_process = static_cast<int32_t>(checks.size());
    run.counters.bytes_to_process = 0;
    for (const Check& check : checks) run.counters.bytes_to_process += check.size;
    run.bytes_to_process_text = text::format_count(run.counters.bytes_to_process);
}

// On a worker: MD5 and SHA-1 (when recorded) from one reading of the file.
void hash_check(Check& check) {
    try {
        check.texts = hashing::hash_texts_of_file(check.path, true, !check.recorded.sha1.empty());
    } catch (const std::bad_alloc&) {
        check.texts = hashing::HashTexts{};
        check.texts.no_buffer = true;
    }
}

Verdict verdict_of(const Check& check, std::wstring* reason) {
    if (!check.found) {
        // No reason at all: the lookup listed the folder and found nothing.
        if (check.failure == 0 || platform::failure_means_missing(check.failure)) return Verdict::missing;
        *reason = platform::failure_text(check.failure);
        return Verdict::unreadable;
    }
    if (check.texts.no_buffer) {
        *reason = L"no memory to read it";
        return Verdict::unreadable;
    }
    if (hashing::holds_error(check.texts.md5)) {
        // Gone since it was looked up.
        if (platform::failure_means_missing(check.texts.failure)) return Verdict::missing;
        *reason = platform::failure_text(check.texts.failure);
        return Verdict::unreadable;
    }
    if (check.texts.md5 != check.recorded.md5) return Verdict::changed;
    if (!check.recorded.sha1.empty() && check.texts.sha1 != check.recorded.sha1) return Verdict::changed;
    return Verdict::ok;
}

void add_to_counts(VerifyCounts& counts, Verdict verdict) {
    switch (verdict) {
        case Verdict::ok: ++counts.ok; break;
        case Verdict::changed: ++counts.changed; break;
        case Verdict::missing: ++counts.missing; break;
        case Verdict::unreadable: ++counts.unreadable; break;
    }
}

// On the main thread, in the order of the log.
void report_check(const CopyContext& c, const Check& check, VerifyCounts& counts) {
    if (check.texts.no_buffer) hashing::report_no_buffer(c.out, true);
    std::wstring reason;
    const Verdict verdict = verdict_of(check, &reason);
    add_to_counts(counts, verdict);
    if (verdict != Verdict::ok) write_verify_fault(c, check.recorded.path, verdict, reason);
    Counters& counters = c.run.counters;
    write_progress(c, counters.files_processed, counters.bytes_processed + check.size);
    ++counters.files_processed;
    counters.bytes_processed += check.size;
}

unsigned verify_workers() {
    std::wstring value;
    if (platform::get_env("KESTRO_COPY_THREADS", &value)) {
        unsigned asked = copy_threads_asked(value);
        if (asked) return asked;
    }
    return helper_threads();
}

// Ctrl+C: no file is begun any more, and the run ends with what was reported.
void stop_if_interrupted(const CopyContext& c, CopyWorkers* workers) {
    if (!platform::interrupt_requested()) return;
    if (workers) workers->stop();
    stop_if_requested(c.run);
}

void hand(CopyWorkers& workers, Check& check) {
    if (!check.found) {
        check.job.state = CopyWorkers::State::done;
        return;
    }
    check.job.work = [&check] { hash_check(check); };
    workers.hand(check.job);
}

bool is_over(CopyWorkers& workers, const Check& check) {
    CopyWorkers::State state = workers.state_of(check.job);
    return state == CopyWorkers::State::done || state == CopyWorkers::State::not_done;
}

void wait_for(const CopyContext& c, CopyWorkers& workers, const Check& check) {
    while (!workers.wait_for(check.job, CHECK_WAIT_SLICE_MS)) stop_if_interrupted(c, &workers);
}

// Waits until checks[i] is hashed. The main thread reports faster than the
// workers hash: it waits for a file further on, so that it wakes once for
// many files rather than for each (the workers take the files in order).
void wait_for_hashing(const CopyContext& c, CopyWorkers& workers, std::vector<Check>& checks, size_t i, size_t handed,
                      size_t batch) {
    if (is_over(workers, checks[i])) return;
    size_t further = std::min(handed - 1, i + batch);
    while (further > i && is_over(workers, checks[further])) --further;
    wait_for(c, workers, checks[further]);
    wait_for(c, workers, checks[i]);
    if (workers.state_of(checks[i].job) == CopyWorkers::State::not_done) end_run(c.run, USER_ABORTED);
}

// `checks` must not move while the workers hold their jobs.
void verify_in_order(const CopyContext& c, std::vector<Check>& checks, VerifyCounts& counts) {
    const unsigned threads = verify_workers();
    std::unique_ptr<CopyWorkers> workers;
    if (threads > 1) workers = std::make_unique<CopyWorkers>(threads);
    if (workers && workers->threads() == 0) workers.reset();
    const size_t ahead = FILES_AHEAD_PER_WORKER * (workers ? workers->threads() : 1);
    size_t handed = 0;
    for (size_t i = 0; i < checks.size(); ++i) {
        stop_if_interrupted(c, workers.get());
        if (workers) {
            for (; handed < checks.size() && handed <= i + ahead; ++handed) hand(*workers, checks[handed]);
            wait_for_hashing(c, *workers, checks, i, handed, ahead / 2);
        } else if (checks[i].found) {
            hash_check(checks[i]);
        }
        report_check(c, checks[i], counts);
        check_log_writes(c.run.logs.writes);
    }
}

void list_checks(const CopyContext& c, const std::vector<Check>& checks) {
    for (const Check& check : checks) write_would_check(c, check.recorded.path);
}

}  // namespace

int run_verify(const CopyContext& c) {
    c.run.walk_start_time = platform::now_seconds();
    // Named in full in what the run says, as the logs are.
    const std::wstring hash_log = paths::display(path_for_opening(c.config.verify_log));
    HashLogReader reader;
    if (!read_hash_log(hash_log, reader)) {
        text::print(stderr, "\n\nCan't open hash log %ls\n", hash_log.c_str());
        return INPUT_FILE;
    }
    std::vector<RecordedFile> files = reader.files();
    VerifyCounts counts;
    counts.not_recorded = static_cast<int32_t>(reader.not_recorded());
    counts.not_records = static_cast<int32_t>(reader.not_records().size());
    for (const NotARecord& line : reader.not_records()) write_not_a_record(c, hash_log, line);

    std::vector<Check> checks = select_checks(c, files);
    count_to_process(c.run, checks);
    if (c.options.list_only) {
        list_checks(c, checks);
        write_listing_summary(c, hash_log, static_cast<int32_t>(checks.size()));
        return NORMAL_EXIT;
    }
    verify_in_order(c, checks, counts);
    write_verify_summary(c, hash_log, counts);
    return counts.all_ok() ? NORMAL_EXIT : VERIFY_FAILED;
}
