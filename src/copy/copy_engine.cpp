#include "copy/copy_engine.h"

#include "common/paths.h"
#include "copy/copies_in_flight.h"
#include "copy/copy_threads.h"
#include "copy/destination.h"
#include "copy/directories.h"
#include "copy/per_file.h"
#include "copy/records.h"

CopyEngine::CopyEngine(const Configuration& config, Run& run) : c_{config, run} {}
CopyEngine::~CopyEngine() = default;

bool CopyEngine::takes_incomplete_records() const { return process_file_defers_attributes(c_); }

void CopyEngine::files_ahead(std::vector<FilesAhead> folders) {
    if (!process_file_takes_destination_hints(c_)) return;
    std::vector<DestinationProbe::Job> jobs;
    jobs.reserve(folders.size());
    for (FilesAhead& ahead : folders) {
        auto lookups = std::make_shared<DestinationLookups>();
        lookups->folder = destination_folder(c_, ahead.dir);
        lookups->listing = std::move(ahead.listing);
        lookups->looked_up = std::move(ahead.entries);
        jobs.push_back({std::move(ahead.dir), std::move(lookups)});
    }
    if (!probe_) probe_ = std::make_unique<DestinationProbe>(helper_threads());
    probe_->look_up_ahead(std::move(jobs));
}

void CopyEngine::take_file(const std::wstring& dir, const std::wstring& name, const platform::FindRecord& record,
                           const FileOrigin& origin) {
    DestinationHint hint;
    const DestinationHint* given = nullptr;
    if (probe_ && origin.listing) {
        // The first file of a folder takes the folder's look-ups, once.
        if (dir != lookups_dir_) {
            lookups_dir_ = dir;
            lookups_ = probe_->take(dir);
        }
        // Planned from another reading of the folder: of no use.
        if (lookups_ && lookups_->listing.get() == origin.listing) {
            hint = DestinationHint{&lookups_->folder, &lookups_->times[origin.index], lookups_->seen_of(origin.index),
                                   lookups_->folder_reached, lookups_->seen.front()};
            given = &hint;
        }
    }
    if (!workers_chosen_) {
        workers_chosen_ = true;
        unsigned workers = copy_workers_for_this_run(c_, walk_lists_folders_again_);
        if (workers > 1) {
            copies_ = std::make_unique<CopiesInFlight>(c_, workers);
            c_.in_flight = copies_.get();
        }
    }
    bytes_taken_ += static_cast<int64_t>(record.size());
    const ProgressPoint at{files_taken_++, bytes_taken_};
    if (copies_)
        copies_->take_file(dir, name, record, at, origin.record_complete, given);
    else
        process_file(c_, dir, name, record, at, origin.record_complete, given);
}

void CopyEngine::finish_copies() {
    if (copies_) copies_->finish_all();
}

void CopyEngine::settle_for_the_end(bool whole) {
    if (copies_) copies_->settle(whole);
}

bool CopyEngine::keeps_folder_times() const { return c_.options.maintain_dir_dates != 0; }

// Said in walk order: after the records of the files in flight.
void CopyEngine::not_reached(const std::wstring& path, int failure) {
    c_.wait_for_all_copies();
    write_not_reached(c_, path, failure);
}

// A subfolder's walk replaces the times kept: they are read again after it.
void CopyEngine::folder_reached(const std::wstring& dir) {
    if (keeps_folder_times()) read_directory_times(paths::without_trailing_backslash(dir), &c_.run.source_folder_times);
}

void CopyEngine::folder_files_follow(const std::wstring& dir) {
    if (!keeps_folder_times()) return;
    // Copies into the folders change their times: those in flight end first.
    c_.wait_for_all_copies();
    replicate_directories(c_, dir, c_.run.target.destination_root, c_.run.source_folder_times);
}

// The source folder's own times go back on it: listing and reading it moved
// its access time.
void CopyEngine::folder_done(const std::wstring& dir) {
    if (!keeps_folder_times()) return;
    c_.wait_for_all_copies();
    set_directory_times(c_, paths::without_trailing_backslash(dir), c_.run.source_folder_times);
}
