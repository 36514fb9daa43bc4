#include "copy/per_file.h"

#include <new>

#include "common/paths.h"
#include "copy/copies_in_flight.h"
#include "copy/copy_context.h"
#include "copy/copy_execution.h"
#include "copy/destination.h"
#include "copy/file_times.h"
#include "copy/file_work.h"
#include "copy/hashing_hook.h"
#include "copy/records.h"
#include "copy/selection.h"
#include "copy/time_breakdown.h"
#include "log/output.h"

namespace {

// The current file as the steps below need it. The calendar fields are
// worked out only when a record or the tilde renaming asks for them.
struct CurrentFile {
    // `source` is the work's: a file in flight reuses its room.
    CurrentFile(const std::wstring& dir, const std::wstring& name, const platform::FindRecord& record, bool zulu,
                std::wstring& source)
        : name(name),
          record(record),
          source(source.assign(dir).append(name)),
          size(static_cast<int64_t>(record.size())),
          zulu(zulu) {}

    const std::wstring& name;
    const platform::FindRecord& record;
    const std::wstring& source;
    int64_t size;
    bool zulu;
    bool split = false;
    FileTimeBreakdown breakdown;

    const FileTimeBreakdown& times() {
        if (!split) {
            breakdown = split_file_times(record, zulu);
            split = true;
        }
        return breakdown;
    }
};

void reject(const CopyContext& c, const CurrentFile& file, const char* reason) {
    ++c.run.counters.files_not_copied;
    write_not_copied_record(c, file.source, reason);
}

// The destination as the newer test sees it; found false when nothing is there.
struct DestinationState {
    bool found = false;
    bool with_attributes = true;
    platform::FindRecord record;
};

// Attributes (and the creation time) are read only when the newer test
// compares creation times; otherwise they stay unknown.
void look_up_destination(const CopyContext& c, const ReadyFolder& ready, const std::wstring& destination,
                         DestinationState* state) {
    state->with_attributes = c.options.time_kind == 'C' || c.options.time_kind == 'c';
    if (destination_surely_free(c, ready, destination)) return;
    state->found = platform::find_entry(destination.c_str(), &state->record, state->with_attributes);
}

// The destination as the hint saw it, when that passes the file over: found,
// a file, seen less than two seconds ago under exactly the name the copy
// would take, and not older than the source. Anything else is looked up now.
bool seen_lately(std::chrono::steady_clock::time_point seen) {
    return std::chrono::steady_clock::now() - seen <= std::chrono::seconds(2);
}

bool passed_over_on_hint(const CopyContext& c, const DestinationHint* hint, const platform::FindRecord& source,
                         const std::wstring& destination, DestinationState* state) {
    if (!hint || !hint->times->found || hint->times->is_folder) return false;
    if (!seen_lately(hint->seen)) return false;
    const std::wstring& folder = *hint->folder;
    if (destination.compare(0, folder.size(), folder) != 0 ||
        destination.compare(folder.size(), std::wstring::npos, source.name) != 0)
        return false;
    int64_t difference = static_cast<int64_t>(source.last_write_time - hint->times->last_write);
    if (difference > 0 || (difference == 0 && c.options.list_only)) return false;
    // `state` is fresh: its record holds nothing but the times set here.
    state->found = true;
    state->with_attributes = false;
    state->record.last_write_time = hint->times->last_write;
    state->record.last_access_time = hint->times->last_access;
    state->record.size_high = static_cast<uint32_t>(hint->times->size >> 32);
    state->record.size_low = static_cast<uint32_t>(hint->times->size);
    return true;
}

void report_time_failure(const CopyContext& c, int screen_number, int log_number, const std::wstring& path) {
    c.out.print(stderr, "\n%d Can't reset filetime for %ls\n", screen_number, paths::display(path));
    FILE* error_log = c.run.logs.error_log;
    if (error_log && error_log != stderr)
        c.out.print(error_log, "\n%d Can't reset filetime for %ls\n", log_number, paths::display(path));
}

void count_as_processed(const CopyContext& c, const FileWork& work) {
    ++c.run.counters.files_processed;
    c.run.counters.bytes_processed += work.size;
}

// The copy step up to the copy itself: the screen lines, the renaming and
// what the lookup saw, for the work.
void decide_copy(const CopyContext& c, CurrentFile& file, const DestinationState& looked_up, FileWork& work) {
    // Only a file to copy keeps its record: the walk's changes with the next file.
    work.record = file.record;
    std::wstring& destination = work.destination;
    std::wstring size_text = text::format_count(file.size);
    write_screen_copy_lines(c, file.source, file.name, size_text.c_str(), destination);

    const std::wstring before_renaming = destination;
    rename_duplicates(c, c.run.renames, destination);
    if (destination != before_renaming) c.wait_for_copies_touching(destination);
    note_destination_taken(c.run.ready_folder, destination);
    clear_earlier_partial_copies(c, destination);

    // What the lookup saw still holds unless a new name intervened.
    work.standing = UNKNOWN_ATTRIBUTES;
    if (destination == before_renaming) {
        if (!looked_up.found)
            work.standing = platform::INVALID_ATTRIBUTES;
        else if (looked_up.with_attributes)
            work.standing = looked_up.record.attributes;
    }
    work.hashes_wanted = wanted_hash_texts(c, c.run.logs);
    work.goes_to_copy = true;
}

// The selection cascade, the destination and the newer test. A file passed
// over has all its records written; one to be copied leaves `work` ready.
void decide(const CopyContext& c, CurrentFile& file, const std::wstring& dir, const DestinationHint* hint,
            FileWork& work) {
    const platform::FindRecord& record = file.record;
    if (c.run.logs.list_log) write_list_record(c, file.source, file.size, file.times());

    if (c.options.attr_select && !passes_attribute_test(c, record.attributes))
        return reject(c, file, REASON_ATTRIBUTES);
    if (c.options.age_select && !passes_age_test(c, file.source, record)) return reject(c, file, REASON_AGE);
    if (!passes_size_test(c, file.size)) return reject(c, file, REASON_SIZE);

    // The work's destination: a file in flight reuses its room.
    std::wstring& destination_path = work.destination;
    // A folder the look-ahead reached lately need not be made sure of again.
    const bool folder_reached = hint && hint->folder_reached && seen_lately(hint->folder_seen);
    build_destination(c, dir, file.name, record, destination_path, folder_reached ? hint->folder : nullptr);
    c.wait_for_copies_touching(destination_path);

    // Beyond a refused link nothing is looked up: the copy is tried, and fails.
    DestinationState destination;
    if (!c.run.ready_folder.changes_refused && !passed_over_on_hint(c, hint, record, destination_path, &destination))
        look_up_destination(c, c.run.ready_folder, destination_path, &destination);
    if (c.options.existing_only && !destination.found) return reject(c, file, REASON_NOT_EXISTING);

    // Both times are UTC: local conversion shifts both sides alike, so the
    // difference is the same and no rounding or tolerance enters.
    platform::FileTime s = time_of_kind(record, c.options.time_kind);
    platform::FileTime d = destination.found ? time_of_kind(destination.record, c.options.time_kind) : 0;
    int64_t difference = static_cast<int64_t>(s - d);
    if (difference < 0 && !c.options.copy_all) {
        ++c.run.counters.not_copied_newer;
        return reject(c, file, REASON_AGE);
    }
    if (c.options.list_only) {
        std::wstring size_text = text::format_count(file.size);
        write_listing_line(c, file.source, size_text.c_str(), destination_path);
        return reject(c, file, REASON_LISTING_ONLY);
    }
    if (difference == 0 && !c.options.copy_all) return reject(c, file, REASON_AGE);
    decide_copy(c, file, destination, work);
}

}  // namespace

void decide_file(const CopyContext& c, const std::wstring& dir, const std::wstring& name,
                 const platform::FindRecord& record, const ProgressPoint& at, bool record_complete,
                 const DestinationHint* hint, FileWork& work) {
    work.record_complete = record_complete;
    CurrentFile file(dir, name, record, c.options.zulu_time != 0, work.source);
    work.size = file.size;
    work.files_processed_then = at.files_before;
    work.bytes_processed_then = at.bytes_through;
    // A copy in flight that reads or writes this file is done before the
    // file is looked at; a name with a '~' may be another file's short name.
    work.runs_alone = name.find(L'~') != std::wstring::npos;
    if (work.runs_alone)
        c.wait_for_all_copies();
    else
        c.wait_for_copies_touching(file.source);
    decide(c, file, dir, hint, work);
}

void do_file_work(const CopyContext& c, FileWork& work) {
    try {
        // A record listed without its attribute record gets it now, for the copy.
        if (!work.record_complete) platform::complete_find_record(work.source.c_str(), &work.record);
        work.copy =
            copy_over(c, work.source, work.destination, work.record, work.standing, CopyAttributes::without_read_only);
        if (work.copy.outcome != CopyOutcome::interrupted) {
            if (c.options.hash_mode != 0)
                work.hashes = hash_file_and_copy(work.source, work.destination, work.hashes_wanted,
                                                 work.copy.copied() ? work.copy.bytes : uint64_t(work.size));
            work.time_failures = finish_copy(c, work.copy);
        }
    } catch (const std::bad_alloc&) {
        work.out_of_memory = true;
    }
}

void finish_file_work(const CopyContext& c, FileWork& work) {
    if (!work.goes_to_copy) return count_as_processed(c, work);
    report_copy_problems(c, work.copy);
    report_hash_problems(c, work.hashes, work.hashes_wanted);
    if (work.out_of_memory) end_run(c.run, MEMORY_ERROR);
    const FileCopy& copy = work.copy;
    // An interrupt stopped the copy: the file is left as if never reached.
    if (copy.outcome == CopyOutcome::interrupted) end_run(c.run, USER_ABORTED);
    count_as_processed(c, work);
    const bool copied = copy.copied();
    // The screen showed the listed size; what was copied is what the source
    // held when it was read, less when it shrank meanwhile.
    const int64_t bytes_copied = static_cast<int64_t>(copy.bytes);
    if (copied) {
        ++c.run.renames.flatten_copied;
        if (c.run.logs.copied_log) {
            std::wstring copied_text = text::format_count(bytes_copied);
            write_copied_record(c, copied_text.c_str(), work.source, work.destination,
                                split_file_times(work.record, c.options.zulu_time != 0));
        }
    } else {
        write_copy_error(c, work.source, work.destination);
        ++c.run.counters.files_not_copied;
        write_not_copied_record(c, work.source, REASON_COPY_ERROR);
    }

    if (c.options.hash_mode != 0) write_hash_records(c, work.source, work.destination, work.hashes);

    if (copied) {
        ++c.run.counters.files_copied;
        c.run.counters.bytes_copied += bytes_copied;
    }
    write_progress(c, work.files_processed_then, work.bytes_processed_then);

    if (work.time_failures.source) report_time_failure(c, 857, 859, work.source);
    if (work.time_failures.copy) report_time_failure(c, 871, 873, work.destination);

    write_copied_line_end(c);
    if (copied) ++c.run.counters.copies_completed;
}

void process_file(const CopyContext& c, const std::wstring& dir, const std::wstring& name,
                  const platform::FindRecord& record, const ProgressPoint& at, bool record_complete,
                  const DestinationHint* hint) {
    FileWork work;
    decide_file(c, dir, name, record, at, record_complete, hint, work);
    if (work.goes_to_copy) do_file_work(c, work);
    finish_file_work(c, work);
}

bool process_file_defers_attributes(const CopyContext& c) {
    return !c.options.attr_select && !c.options.age_select && !c.run.logs.list_log && c.options.time_kind != 'C' &&
           c.options.time_kind != 'c';
}

bool process_file_takes_destination_hints(const CopyContext& c) {
    bool write_times = c.options.time_kind != 'C' && c.options.time_kind != 'c' && c.options.time_kind != 'A' &&
                       c.options.time_kind != 'a';
    return c.options.flatten == 0 && c.options.check_tilde == 0 && !c.options.copy_all && write_times;
}
