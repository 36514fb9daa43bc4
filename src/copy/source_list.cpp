// Source-list mode: every file named in the list is copied below the
// destination on the path it has below its drive's root, replacing what is
// there. There is no newer test; the age (in days), size and exclusion tests
// still apply.
#include "copy/source_list.h"

#include <string>

#include "common/exclusions.h"
#include "common/paths.h"
#include "copy/copy_context.h"
#include "copy/copy_execution.h"
#include "copy/directories.h"
#include "copy/file_hashing.h"
#include "copy/file_times.h"
#include "copy/hash_records.h"
#include "copy/records.h"
#include "copy/selection.h"
#include "copy/source_list_lines.h"
#include "log/log_writes.h"
#include "log/output.h"
#include "options/list_reader.h"
#include "platform/pause.h"
#include "platform/platform.h"

namespace {

constexpr size_t LIST_LINE_PIECE = 16383;
constexpr int64_t FIRST_RATE_AT = 100000000;
constexpr int64_t RATE_EVERY = 200000000;
constexpr char BELL = 7;

// What one lookup of the source tells: whether it is there, and its record.
struct Source {
    std::wstring path;  // long-path form
    platform::FindRecord record;
    bool found = false;
};

// The progress line's numbers.
struct ListProgress {
    int32_t handled = 0;  // files that reached the copy
    int64_t rate_threshold = FIRST_RATE_AT;
};

bool look_up(Source& source) {
    source.found = platform::find_entry(source.path.c_str(), &source.record);
    return source.found;
}

// A drive's root lists no entry of its own; its attributes still say folder.
bool names_folder(const Source& source) {
    if (source.found) return (source.record.attributes & platform::ATTR_DIRECTORY) != 0;
    return platform::is_folder(source.path.c_str());
}

// The source path of a listed line; empty when it names no file on a drive.
std::wstring source_path_of(const std::wstring& text) {
    if (text[0] != L'/') return listed_source_path(text);
    // A host's absolute path takes its drive form first.
    std::wstring full;
    if (!platform::full_path(text.c_str(), full)) return std::wstring();
    return listed_source_path(full);
}

void report_directory(const CopyContext& c, const std::wstring& source) {
    c.out.print(c.run.screen, "\n%ls ==> SOURCE IS DIRECTORY, NOT PROCESSED", source.c_str());
    if (c.options.error_log_given)
        c.out.print(c.run.logs.error_log, "\n%ls ==> IS DIRECTORY, NOT PROCESSED", source.c_str());
}

// `shown` is the source path, or the line itself when it named no file.
void report_not_located(const CopyContext& c, const std::wstring& shown) {
    c.out.print(c.run.screen, "\n%ls ==> NOT LOCATED", shown.c_str());
    if (c.options.error_log_given) c.out.print(c.run.logs.error_log, "\n%ls ==> NOT LOCATED", shown.c_str());
    if (c.run.logs.not_copied_log) {
        ++c.run.counters.files_not_copied;
        c.out.print(c.run.screen, "%c", BELL);
        c.out.print(c.run.logs.not_copied_log, "\n%ls| Not Copied: Reason: File NOT LOCATED", shown.c_str());
    }
}

void report_excluded(const CopyContext& c, const std::wstring& source) {
    c.out.print(c.run.screen, "\nExcluding: %ls\n", source.c_str());
}

// The age in days (by time_kind) and the full 64-bit size against their bounds.
bool passes_selection(const CopyContext& c, const Source& source) {
    if (!source.found) return false;
    if (c.options.age_select) {
        int32_t age = 0;
        if (!age_in_days(c, source.path, c.options.time_kind, &age)) return false;
        if (age < c.config.older_days || age >= c.config.younger_days) return false;
    }
    return passes_size_test(c, static_cast<int64_t>(source.record.size()));
}

// With -M the folders created for a file take the times of the file's own
// source folder, as they do in the tree walk.
FileTimes source_folder_times(const std::wstring& source) {
    std::wstring folder = source.substr(0, source.find_last_of(L'\\'));
    FileTimes times;
    if (!read_directory_times(folder, &times)) times = FileTimes{};
    return times;
}

void make_destination_folder(const CopyContext& c, ReadyFolder& ready, const std::wstring& folder,
                             const std::wstring& source) {
    if (folder == ready.folder) return;
    FileTimes times;
    if (c.options.maintain_dir_dates) times = source_folder_times(source);
    if (create_directory_path(c, folder, c.options.maintain_dir_dates ? &times : nullptr))
        ready.folder = folder;
    else
        ready.folder.clear();
}

void report_copy_failure(const CopyContext& c, const std::wstring& source, const std::wstring& destination) {
    c.out.print(c.run.screen, "%c\nERROR: %ls | NOT COPIED to %ls", BELL, source.c_str(), destination.c_str());
    c.out.print(c.run.logs.error_log, "\n%ls | NOT COPIED to %ls", source.c_str(), destination.c_str());
    c.out.print(c.run.logs.not_copied_log, "\n%ls| NOT COPIED to %ls|", source.c_str(), destination.c_str());
    if (platform::is_folder(source.c_str())) {
        c.out.print(c.run.screen, " REASON: FOLDER ");
        c.out.print(c.run.logs.error_log, "  |REASON: FOLDER");
        c.out.print(c.run.logs.not_copied_log, "\n%ls| NOT COPIED: Reason: File is folder", source.c_str());
    }
    if (platform::is_folder(destination.c_str())) {
        c.out.print(c.run.screen, "%c REASON: DESTINATION IS FOLDER ", BELL);
        c.out.print(c.run.logs.error_log, "  |  REASON: %ls IS FOLDER", destination.c_str());
        c.out.print(c.run.logs.not_copied_log, "\n%ls| NOT COPIED: Reason: Destination is folder", source.c_str());
    }
}

// Source-list mode hashes with MD5 alone: the verdict on the screen and the
// hash log's lines. It runs after the copy and before any time is written
// back, so reading the source here sees what the copy read.
void hash_listed_copy(const CopyContext& c, const std::wstring& source, const std::wstring& destination) {
    const int32_t mode = c.options.hash_mode;
    const bool verdict = mode & HASH_BOTH;
    FILE* hash_log = c.run.logs.hash_log;
    FileHashTexts texts;
    if (hashes_source(mode) && (verdict || hash_log)) texts.source_md5 = hashing::md5_of_file(source);
    if (hashes_destination(mode) && (verdict || hash_log)) texts.destination_md5 = hashing::md5_of_file(destination);
    if (verdict) c.out.print(c.run.screen, " [%s]", hash_verdict(texts));
    write_listed_hash_log_lines(hash_log, mode, source, destination, texts);
}

void write_default_log_record(const CopyContext& c, int64_t size, const std::wstring& source,
                              const std::wstring& destination) {
    if (!c.run.logs.default_log || c.options.log_mask <= 1) return;
    c.out.print(c.run.logs.default_log, "\n%15lld %ls", static_cast<long long>(size), source.c_str());
    if (c.options.log_mask < 3) c.out.print(c.run.logs.default_log, "\n");
    c.out.print(c.run.logs.default_log, "        ==>%ls", paths::display(destination));
    if (c.options.log_mask < 3) c.out.print(c.run.logs.default_log, "\n");
}

// `size`: the listed size, `copied`: the bytes the copy got.
void record_copy(Run& run, int64_t size, int64_t copied, const std::wstring& source, const std::wstring& destination) {
    text::print(run.screen, "\n  ==> %ls\n", paths::display(destination));
    text::print(run.logs.list_log, "\n%ls|", source.c_str());
    text::print(run.logs.copied_log, "\n%ls|", source.c_str());
    Counters& counts = run.counters;
    ++counts.files_processed;
    counts.bytes_processed += size;
    ++counts.files_copied;
    counts.bytes_copied += copied;
}

void write_progress_line(const CopyContext& c, ListProgress& progress) {
    int64_t bytes_copied = c.run.counters.bytes_copied;
    ++progress.handled;
    c.out.print(stderr, "%10d of %d files, ", int(progress.handled), int(c.config.source_list_count));
    c.out.print(stderr, "  %ls bytes\n", text::format_count(bytes_copied).c_str());
    if (bytes_copied <= progress.rate_threshold) return;
    show_rate(c, 0, bytes_copied);  // without a counted total: megabytes per minute only
    pause_seconds(3);
    progress.rate_threshold = bytes_copied + RATE_EVERY;
}

// Copies a file that is there and passed every test.
void copy_listed_file(const CopyContext& c, const Source& source, const std::wstring& destination) {
    const int64_t size = static_cast<int64_t>(source.record.size());
    c.out.print(c.run.screen, "\n %12lld %ls", static_cast<long long>(size), paths::display(source.path));
    clear_earlier_partial_copies(c, destination);
    FileCopy copy =
        copy_over(c, source.path, destination, source.record, UNKNOWN_ATTRIBUTES, CopyAttributes::as_source);
    report_copy_problems(c, copy);
    if (copy.outcome == CopyOutcome::interrupted) end_run(c.run, USER_ABORTED);
    if (!copy.copied()) return report_copy_failure(c, source.path, destination);
    const int64_t copied = static_cast<int64_t>(copy.bytes);
    record_copy(c.run, size, copied, source.path, destination);
    hash_listed_copy(c, source.path, destination);
    write_default_log_record(c, copied, source.path, destination);
    finish_copy(c, copy);
}

void handle_line(const CopyContext& c, Exclusions& exclusions, ListProgress& progress, const std::wstring& text) {
    Source source;
    source.path = source_path_of(text);
    if (source.path.empty()) return report_not_located(c, text);
    look_up(source);
    if (names_folder(source)) return report_directory(c, source.path);

    paths::SplitPath parts = paths::split_path(source.path);
    std::wstring folder = listed_destination_folder(c.config.dest_path, source.path);
    if (!c.options.list_only) make_destination_folder(c, c.run.ready_folder, folder, source.path);

    bool selecting = c.options.age_select || c.options.size_less_select || c.options.size_greater_select;
    if (selecting && !passes_selection(c, source)) return report_excluded(c, source.path);
    std::wstring name = parts.fname + parts.ext;
    if (exclusions.excludes(name)) return report_excluded(c, source.path);
    std::wstring destination = folder + name;

    bool switched_to_oem = false;
    if (!source.found) {
        platform::set_file_apis_oem();
        switched_to_oem = true;
        if (!look_up(source)) {
            report_not_located(c, source.path);
            platform::set_file_apis_ansi();
            return;
        }
    }
    copy_listed_file(c, source, destination);
    if (switched_to_oem) platform::set_file_apis_ansi();
    write_progress_line(c, progress);
}

}  // namespace

void run_source_list(const CopyContext& c) {
    c.run.walk_start_time = platform::now_seconds();
    ListProgress progress;
    Exclusions exclusions = c.config.exclusions();
    std::string line;
    while (read_byte_piece(c.run.source_list_file, LIST_LINE_PIECE, line)) {
        stop_if_requested(c.run);
        if (!take_listed_text(line)) break;  // an empty line ends the list
        handle_line(c, exclusions, progress, text::from_utf8(line));
        check_log_writes(c.run.logs.writes);
    }
}
