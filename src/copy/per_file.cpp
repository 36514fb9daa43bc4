#include "copy/per_file.h"

#include <new>

#include "common/paths.h"
#include "common/text.h"
#include "copy/copies_in_flight.h"
#include "copy/copy_execution.h"
#include "copy/destination.h"
#include "copy/file_work.h"
#include "copy/file_times.h"
#include "copy/hashing_hook.h"
#include "copy/records.h"
#include "copy/selection.h"
#include "copy/time_breakdown.h"
#include "run/config.h"
#include "run/run_state.h"
#include "run/terminate.h"

namespace {

// The current file as the steps below need it. The calendar fields are
// worked out only when a record or the tilde renaming asks for them.
struct CurrentFile {
    CurrentFile(const std::wstring& dir, const std::wstring& name, const platform::FindRecord& record)
        : name(name), record(record), source(dir + name), size(static_cast<int64_t>(record.size())) {}

    const std::wstring& name;
    const platform::FindRecord& record;
    std::wstring source;
    int64_t size;
    bool split = false;
    FileTimeBreakdown breakdown;

    const FileTimeBreakdown& times() {
        if (!split) {
            breakdown = split_file_times(record);
            split = true;
        }
        return breakdown;
    }
};

void reject(Run& run, const CurrentFile& file, const char* reason) {
    ++run.counters.files_not_copied;
    write_not_copied_record(file.source, reason);
}

// The destination as the newer test sees it; found false when nothing is there.
struct DestinationState {
    bool found = false;
    bool with_attributes = true;
    platform::FindRecord record;
};

// Attributes (and the creation time) are read only when the newer test
// compares creation times; otherwise they stay unknown.
DestinationState look_up_destination(const ReadyFolder& ready, const std::wstring& destination) {
    DestinationState state;
    state.with_attributes = opt->time_kind == 'C' || opt->time_kind == 'c';
    if (destination_surely_free(ready, destination)) return state;
    state.found = platform::find_entry(destination.c_str(), &state.record, state.with_attributes);
    return state;
}

// The destination as the hint saw it, when that passes the file over: found,
// a file, seen less than two seconds ago under exactly the name the copy
// would take, and not older than the source. Anything else is looked up now.
bool passed_over_on_hint(const DestinationHint* hint, const platform::FindRecord& source,
                         const std::wstring& destination, DestinationState* state) {
    if (!hint || !hint->times->found || hint->times->is_folder) return false;
    if (std::chrono::steady_clock::now() - hint->seen > std::chrono::seconds(2)) return false;
    const std::wstring& folder = *hint->folder;
    if (destination.compare(0, folder.size(), folder) != 0 ||
        destination.compare(folder.size(), std::wstring::npos, source.name) != 0)
        return false;
    int64_t difference = static_cast<int64_t>(source.last_write_time - hint->times->last_write);
    if (difference > 0 || (difference == 0 && opt->list_only)) return false;
    state->found = true;
    state->with_attributes = false;
    state->record = platform::FindRecord{};
    state->record.last_write_time = hint->times->last_write;
    state->record.last_access_time = hint->times->last_access;
    state->record.size_high = static_cast<uint32_t>(hint->times->size >> 32);
    state->record.size_low = static_cast<uint32_t>(hint->times->size);
    return true;
}

void report_time_failure(int screen_number, int log_number, const std::wstring& path) {
    text::print(stderr, "\n%d Can't reset filetime for %ls\n", screen_number, paths::display(path));
    FILE* error_log = current_run().logs.error_log;
    if (error_log && error_log != stderr)
        text::print(error_log, "\n%d Can't reset filetime for %ls\n", log_number, paths::display(path));
}

// An interrupt stopped the copy of `work`: the file is left as if never
// reached, so that the statistics count only the files done, and the run ends.
[[noreturn]] void abandon_for_interrupt(Run& run, const FileWork& work) {
    run.counters.bytes_processed -= work.size;
    run::terminate(run::USER_ABORTED);
}

// The copy step up to the copy itself: the screen lines, the renaming and
// what the lookup saw, for the work.
void decide_copy(Run& run, CurrentFile& file, std::wstring destination, const DestinationState& looked_up,
                 FileWork& work) {
    std::wstring size_text = run::format_count(file.size);
    write_screen_copy_lines(file.source, file.name, size_text.c_str(), destination);

    const std::wstring before_renaming = destination;
    rename_duplicates(run.renames, destination);
    if (destination != before_renaming) wait_for_copies_touching(destination);
    note_destination_taken(run.ready_folder, destination);
    clear_earlier_partial_copies(destination);

    // What the lookup saw still holds unless a new name intervened.
    work.standing = UNKNOWN_ATTRIBUTES;
    if (destination == before_renaming) {
        if (!looked_up.found)
            work.standing = platform::INVALID_ATTRIBUTES;
        else if (looked_up.with_attributes)
            work.standing = looked_up.record.attributes;
    }
    work.destination = std::move(destination);
    work.hashes_wanted = wanted_hash_texts(run.logs);
    work.files_processed_then = run.counters.files_processed;
    work.bytes_processed_then = run.counters.bytes_processed;
    work.goes_to_copy = true;
}

// The selection cascade, the destination and the newer test. A file passed
// over has all its records written; one to be copied leaves `work` ready.
void decide(Run& run, CurrentFile& file, const std::wstring& dir, const DestinationHint* hint, FileWork& work) {
    const platform::FindRecord& record = file.record;
    if (run.logs.list_log) write_list_record(file.source, file.size, file.times());

    if (opt->attr_select && !passes_attribute_test(record.attributes)) return reject(run, file, REASON_ATTRIBUTES);
    if (opt->age_select && !passes_age_test(file.source, record)) return reject(run, file, REASON_AGE);
    if (!passes_size_test(file.size)) return reject(run, file, REASON_SIZE);

    std::wstring destination_path = build_destination(run, dir, file.name, record);
    wait_for_copies_touching(destination_path);

    DestinationState destination;
    if (!passed_over_on_hint(hint, record, destination_path, &destination))
        destination = look_up_destination(run.ready_folder, destination_path);
    if (opt->existing_only && !destination.found) return reject(run, file, REASON_NOT_EXISTING);

    // Both times are UTC: local conversion shifts both sides alike, so the
    // difference is the same and no rounding or tolerance enters.
    platform::FileTime s = time_of_kind(record, opt->time_kind);
    platform::FileTime d = destination.found ? time_of_kind(destination.record, opt->time_kind) : 0;
    int64_t difference = static_cast<int64_t>(s - d);
    if (difference < 0 && !opt->copy_all) {
        ++run.counters.not_copied_newer;
        return reject(run, file, REASON_AGE);
    }
    if (opt->list_only) {
        std::wstring size_text = run::format_count(file.size);
        write_listing_line(file.source, size_text.c_str(), destination_path);
        return reject(run, file, REASON_LISTING_ONLY);
    }
    if (difference == 0 && !opt->copy_all) return reject(run, file, REASON_AGE);
    decide_copy(run, file, std::move(destination_path), destination, work);
}

}  // namespace

void decide_file(const std::wstring& dir, const std::wstring& name, const platform::FindRecord& record,
                 bool record_complete, const DestinationHint* hint, FileWork& work) {
    Run& run = current_run();
    work.record = record;
    work.record_complete = record_complete;
    CurrentFile file(dir, name, work.record);
    work.size = file.size;
    run.counters.bytes_processed += file.size;
    // A copy in flight that reads or writes this file is done before the
    // file is looked at; a name with a '~' may be another file's short name.
    work.runs_alone = name.find(L'~') != std::wstring::npos;
    if (work.runs_alone)
        wait_for_all_copies();
    else
        wait_for_copies_touching(file.source);
    decide(run, file, dir, hint, work);
    work.source = std::move(file.source);
}

void do_file_work(FileWork& work) {
    text::HeldOutput* before = text::hold_output(&work.work_output);
    try {
        // A record listed without its attribute record gets it now, for the copy.
        if (!work.record_complete) platform::complete_find_record(work.source.c_str(), &work.record);
        work.copy = copy_over(work.source, work.destination, work.record, work.standing,
                              CopyAttributes::without_read_only);
        if (work.copy.outcome != CopyOutcome::interrupted) {
            if (opt->hash_mode != 0) work.hashes = hash_file_and_copy(work.source, work.destination, work.hashes_wanted);
            work.time_failures = finish_copy(work.copy);
        }
    } catch (const std::bad_alloc&) {
        work.out_of_memory = true;
    }
    text::hold_output(before);
}

void finish_file_work(FileWork& work) {
    if (!work.goes_to_copy) return;
    Run& run = current_run();
    text::release(work.work_output);
    if (work.out_of_memory) run::terminate(run::MEMORY_ERROR);
    const FileCopy& copy = work.copy;
    if (copy.outcome == CopyOutcome::interrupted) abandon_for_interrupt(run, work);
    const bool copied = copy.copied();
    // The screen showed the listed size; what was copied is what the source
    // held when it was read, less when it shrank meanwhile.
    const int64_t bytes_copied = static_cast<int64_t>(copy.bytes);
    if (copied) {
        ++run.renames.flatten_copied;
        if (run.logs.copied_log) {
            std::wstring copied_text = run::format_count(bytes_copied);
            write_copied_record(copied_text.c_str(), work.source, work.destination, split_file_times(work.record));
        }
    } else {
        write_copy_error(work.source, work.destination);
        ++run.counters.files_not_copied;
        write_not_copied_record(work.source, REASON_COPY_ERROR);
    }

    if (opt->hash_mode != 0) write_hash_records(work.source, work.destination, work.hashes);

    if (copied) {
        ++run.counters.files_copied;
        run.counters.bytes_copied += bytes_copied;
    }
    write_progress(work.files_processed_then, work.bytes_processed_then);

    if (work.time_failures.source) report_time_failure(857, 859, work.source);
    if (work.time_failures.copy) report_time_failure(871, 873, work.destination);

    write_copied_line_end();
    if (copied) ++run.counters.copies_completed;
}

void process_file(const std::wstring& dir, const std::wstring& name, platform::FindRecord record,
                  bool record_complete, const DestinationHint* hint) {
    FileWork work;
    decide_file(dir, name, record, record_complete, hint, work);
    if (!work.goes_to_copy) return;
    do_file_work(work);
    finish_file_work(work);
}

bool process_file_defers_attributes() {
    return !opt->attr_select && !opt->age_select && !current_run().logs.list_log && opt->time_kind != 'C' &&
           opt->time_kind != 'c';
}

bool process_file_takes_destination_hints() {
    bool write_times = opt->time_kind != 'C' && opt->time_kind != 'c' && opt->time_kind != 'A' && opt->time_kind != 'a';
    return opt->flatten == 0 && opt->check_tilde == 0 && !opt->copy_all && write_times;
}
