#include "copy/copies_in_flight.h"

#include <algorithm>

#include "copy/file_work.h"
#include "copy/per_file.h"
#include "log/log_writes.h"
#include "log/output.h"
#include "platform/names.h"

struct CopiesInFlight::InFlight {
    FileWork work;
    CopyWorkers::Job job;
    bool deciding = true;
    bool at_worker = false;  // handed to the workers (else done on the main thread)
    uint64_t source_key = 0, destination_key = 0;

    // As new, without building a whole new record (most of it a find record).
    void reuse() {
        work.reuse();
        job = CopyWorkers::Job{};
        deciding = true;
        at_worker = false;
        source_key = destination_key = 0;
    }
};

namespace {

constexpr unsigned COPY_WAIT_SLICE_MS = 20;  // Ctrl+C is seen between slices

// Names that a case-blind file system takes for one are one key. Keys are
// hashes: two paths that share one only make a copy wait for the other.
uint64_t path_key(const std::wstring& path) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (wchar_t c : path) {
        hash ^= static_cast<uint64_t>(platform::file_system_upper(c));
        hash *= 1099511628211ull;
    }
    return hash;
}

}  // namespace

namespace {

class PerFileSteps : public FileSteps {
public:
    void decide(const CopyContext& c, const std::wstring& dir, const std::wstring& name,
                const platform::FindRecord& record, const ProgressPoint& at, bool record_complete,
                const DestinationHint* hint, FileWork& work) override {
        decide_file(c, dir, name, record, at, record_complete, hint, work);
    }
    void work(const CopyContext& c, FileWork& work) override { do_file_work(c, work); }
    void finish(const CopyContext& c, FileWork& work) override { finish_file_work(c, work); }
};

}  // namespace

FileSteps& per_file_steps() {
    static PerFileSteps steps;  // no state: one for every run
    return steps;
}

CopiesInFlight::CopiesInFlight(const CopyContext& c, unsigned workers, FileSteps& steps)
    : c_(c),
      steps_(steps),
      workers_(workers),
      copy_limit_(COPIES_PER_WORKER * std::max(1u, workers_.threads())),
      main_thread_(std::this_thread::get_id()) {}

CopiesInFlight::~CopiesInFlight() = default;

void CopiesInFlight::take_file(const std::wstring& dir, const std::wstring& name, const platform::FindRecord& record,
                               const ProgressPoint& at, bool record_complete, const DestinationHint* hint) {
    finish_ready();
    files_.push_back(fresh_in_flight());
    InFlight& file = *files_.back();
    // With files ahead still in flight, what this one writes waits for theirs.
    CopyContext deciding = c_;
    if (files_.size() > 1) deciding.out.held = &file.work.decided_output;
    steps_.decide(deciding, dir, name, record, at, record_complete, hint, file.work);
    file.deciding = false;
    file_decided(file);
    finish_ready();
    if (copies_ > copy_limit_ || files_.size() > MAX_FILES_IN_FLIGHT) drain_to_half();
}

void CopiesInFlight::file_decided(InFlight& file) {
    FileWork& work = file.work;
    file.job.work = [this, &work] { steps_.work(c_, work); };
    if (!work.goes_to_copy) {
        file.job.state = CopyWorkers::State::done;
        return;
    }
    // Nothing else is in flight beside a file that runs alone.
    if (work.runs_alone || workers_.threads() == 0) {
        steps_.work(c_, work);
        file.job.state = CopyWorkers::State::done;
        return;
    }
    file.source_key = path_key(work.source);
    file.destination_key = path_key(work.destination);
    ++touched_[file.source_key];
    ++touched_[file.destination_key];
    ++copies_;
    file.at_worker = true;
    workers_.hand(file.job);
}

bool CopiesInFlight::front_is_decided() const { return !files_.empty() && !files_.front()->deciding; }

void CopiesInFlight::finish_ready() {
    while (front_is_decided()) {
        CopyWorkers::State state = state_of(*files_.front());
        if (state != CopyWorkers::State::done && state != CopyWorkers::State::not_done) return;
        finish_front();
    }
}

// A job never handed to the workers is touched by this thread alone: its
// state is read without taking the workers' lock.
CopyWorkers::State CopiesInFlight::state_of(const InFlight& file) {
    return file.at_worker ? workers_.state_of(file.job) : file.job.state;
}

void CopiesInFlight::wait_for_front() { wait_for(*files_.front()); }

void CopiesInFlight::wait_for(const InFlight& file) {
    while (!workers_.wait_for(file.job, COPY_WAIT_SLICE_MS)) stop_if_requested(c_.run);
}

// The index of the file in flight whose finish brings the copies and the
// files in flight down to half their limits.
size_t CopiesInFlight::index_reaching_half() const {
    const size_t copies_over = copies_ - std::min(copies_, copy_limit_ / 2);
    const size_t files_over = files_.size() - std::min(files_.size(), MAX_FILES_IN_FLIGHT / 2);
    size_t copies_seen = 0;
    for (size_t i = 0; i < files_.size(); ++i) {
        if (files_[i]->at_worker) ++copies_seen;
        if (copies_seen >= copies_over && i + 1 >= files_over) return i;
    }
    return files_.size() - 1;
}

// The walk is too far ahead: the main thread sleeps until the workers have
// done half of what is in flight, so that it wakes once for many files
// rather than for each, then finishes those in order.
void CopiesInFlight::drain_to_half() {
    while (copies_ > copy_limit_ / 2 || files_.size() > MAX_FILES_IN_FLIGHT / 2) {
        // The latest unfinished job up to that file: those before it were
        // taken first and are most likely done by the time it is.
        for (size_t i = index_reaching_half() + 1; i-- > 0;) {
            CopyWorkers::State state = state_of(*files_[i]);
            if (state == CopyWorkers::State::waiting || state == CopyWorkers::State::working) {
                wait_for(*files_[i]);
                break;
            }
        }
        finish_ready();
    }
}

void CopiesInFlight::finish_front() {
    InFlight& file = *files_.front();
    const FileWork& work = file.work;
    // A file the workers did not copy (Ctrl+C) ends the run here, before any
    // of its records; the end of the run settles the files in flight.
    if (state_of(file) == CopyWorkers::State::not_done ||
        (work.goes_to_copy && work.copy.outcome == CopyOutcome::interrupted))
        end_run(c_.run, USER_ABORTED);
    if (work.out_of_memory) end_run(c_.run, MEMORY_ERROR);

    finishing_ = true;
    text::release(file.work.decided_output);
    steps_.finish(c_, file.work);
    check_log_writes(c_.run.logs.writes);
    finishing_ = false;
    retire_front();
}

// The record of a file that comes in: one retired earlier when there is
// one, whose strings keep their room, so that a file costs no allocation.
std::unique_ptr<CopiesInFlight::InFlight> CopiesInFlight::fresh_in_flight() {
    if (spare_.empty()) return std::make_unique<InFlight>();
    std::unique_ptr<InFlight> file = std::move(spare_.back());
    spare_.pop_back();
    return file;
}

// Done with the front file: it leaves the files in flight and is kept for a
// file to come.
void CopiesInFlight::retire_front() {
    forget(*files_.front());
    std::unique_ptr<InFlight> file = std::move(files_.front());
    files_.pop_front();
    if (spare_.size() >= copy_limit_) return;
    file->reuse();
    spare_.push_back(std::move(file));
}

void CopiesInFlight::forget(InFlight& file) {
    if (!file.at_worker) return;
    for (uint64_t key : {file.source_key, file.destination_key}) {
        auto found = touched_.find(key);
        if (found != touched_.end() && --found->second == 0) touched_.erase(found);
    }
    --copies_;
    file.at_worker = false;
}

void CopiesInFlight::finish_touching(const std::wstring& path) {
    if (touched_.empty()) return;
    const uint64_t key = path_key(path);
    while (touched_.contains(key)) {
        wait_for_front();
        finish_front();
    }
}

void CopiesInFlight::finish_all() {
    while (front_is_decided()) {
        wait_for_front();
        finish_front();
    }
}

void CopiesInFlight::settle(bool whole) {
    if (std::this_thread::get_id() != main_thread_) return;
    // The end came while a file's records were being written: it was
    // counted as processed when they began.
    if (finishing_ && !files_.empty()) {
        finishing_ = false;
        retire_front();
    }
    if (!whole) workers_.stop();
    // The files finished are a prefix of the walk order: from the first file
    // still being decided, or whose copy was not done, on, every file is
    // dropped as never reached and not counted, even one whose copy another
    // worker did complete (that copy is whole; it is only not recorded).
    bool reached = true;
    while (!files_.empty()) {
        InFlight& file = *files_.front();
        reached = reached && !file.deciding;
        if (!file.deciding) {
            while (!workers_.wait_for(file.job, COPY_WAIT_SLICE_MS)) {
            }
            const FileWork& work = file.work;
            reached = reached && state_of(file) == CopyWorkers::State::done &&
                      !(work.goes_to_copy && (work.copy.outcome == CopyOutcome::interrupted || work.out_of_memory));
            if (reached) {
                text::release(file.work.decided_output);
                steps_.finish(c_, file.work);
                check_log_writes(c_.run.logs.writes);
            }
        }
        retire_front();
    }
}
