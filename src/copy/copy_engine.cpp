#include "copy/copy_engine.h"

#include "copy/copies_in_flight.h"
#include "copy/copy_threads.h"
#include "copy/destination.h"
#include "copy/per_file.h"
#include "run/run_state.h"

CopyEngine::CopyEngine() = default;
CopyEngine::~CopyEngine() = default;

bool CopyEngine::takes_incomplete_records() const { return process_file_defers_attributes(); }

void CopyEngine::files_ahead(std::vector<FilesAhead> folders) {
    if (!process_file_takes_destination_hints()) return;
    std::vector<DestinationProbe::Job> jobs;
    jobs.reserve(folders.size());
    for (FilesAhead& ahead : folders) {
        auto lookups = std::make_shared<DestinationLookups>();
        lookups->folder = destination_folder(current_run(), ahead.dir);
        lookups->listing = std::move(ahead.listing);
        lookups->looked_up = std::move(ahead.entries);
        jobs.push_back({std::move(ahead.dir), std::move(lookups)});
    }
    if (!probe_) probe_ = std::make_unique<DestinationProbe>(helper_threads());
    probe_->look_up_ahead(std::move(jobs));
}

void CopyEngine::take_file(const std::wstring& dir, const std::wstring& name, platform::FindRecord record,
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
            hint = DestinationHint{&lookups_->folder, &lookups_->times[origin.index], lookups_->seen_of(origin.index)};
            given = &hint;
        }
    }
    if (!workers_chosen_) {
        workers_chosen_ = true;
        unsigned workers = copy_workers_for_this_run();
        if (workers > 1) copies_ = std::make_unique<CopiesInFlight>(workers);
    }
    if (copies_)
        copies_->take_file(dir, name, record, origin.record_complete, given);
    else
        process_file(dir, name, record, origin.record_complete, given);
}

void CopyEngine::finish_copies() {
    if (copies_) copies_->finish_all();
}
