#include "copy/destination_probe.h"

#include <algorithm>
#include <new>
#include <system_error>

namespace {
constexpr size_t FILES_AHEAD = 8192;
}

std::chrono::steady_clock::time_point DestinationLookups::seen_of(size_t index) const {
    size_t position = std::lower_bound(looked_up.begin(), looked_up.end(), index) - looked_up.begin();
    size_t chunk = position / CHUNK;
    return chunk < seen.size() ? seen[chunk] : std::chrono::steady_clock::time_point{};
}

DestinationProbe::DestinationProbe(unsigned threads) {
    // A thread the system refuses leaves the work to those that started (or
    // to the copy pass alone).
    try {
        for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
    }
}

DestinationProbe::~DestinationProbe() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    work_ready_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void DestinationProbe::look_up_ahead(std::vector<Job> jobs) {
    if (threads_.empty()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Job& job : jobs) {
            // A folder planned before keeps that plan (its chunks may be under way).
            if (planned_.count(job.source_dir)) continue;
            PlannedLookups& planned = planned_[job.source_dir];
            planned.first_file = files_planned_;
            size_t files = job.lookups->looked_up.size();
            files_planned_ += files;
            planned.chunks = (files + DestinationLookups::CHUNK - 1) / DestinationLookups::CHUNK;
            planned.lookups = std::move(job.lookups);
            queue_.push_back(std::move(job.source_dir));
        }
    }
    work_ready_.notify_all();
}

std::shared_ptr<const DestinationLookups> DestinationProbe::take(const std::wstring& source_dir) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = planned_.find(source_dir);
    if (it == planned_.end()) return nullptr;
    PlannedLookups& planned = it->second;
    planned.closed = true;
    // Chunks begun are waited for; those no thread began stay not found.
    taker_waiting_ = true;
    chunk_done_.wait(lock, [&] { return planned.done == planned.claimed; });
    taker_waiting_ = false;
    std::shared_ptr<const DestinationLookups> lookups;
    if (planned.claimed > 0) lookups = planned.lookups;
    files_taken_ = planned.first_file + planned.lookups->looked_up.size();
    planned_.erase(it);
    lock.unlock();
    work_ready_.notify_all();
    return lookups;
}

// Drops from the front of the queue the folders with no chunk left to begin.
void DestinationProbe::drop_claimed() {
    while (!queue_.empty()) {
        auto it = planned_.find(queue_.front());
        if (it != planned_.end() && !it->second.closed && it->second.claimed < it->second.chunks) return;
        queue_.pop_front();
    }
}

bool DestinationProbe::work_ready() const {
    if (queue_.empty()) return false;
    const PlannedLookups& planned = planned_.at(queue_.front());
    return planned.first_file + planned.claimed * DestinationLookups::CHUNK <= files_taken_ + FILES_AHEAD;
}

void DestinationProbe::look_up_chunk(std::unique_lock<std::mutex>& lock) {
    const std::wstring dir = queue_.front();
    PlannedLookups& planned = planned_.at(dir);
    std::shared_ptr<DestinationLookups> lookups = planned.lookups;
    if (planned.claimed == 0) {
        lookups->times.assign(lookups->listing->entries.size(), platform::EntryTimes{});
        lookups->seen.assign(planned.chunks, std::chrono::steady_clock::time_point{});
    }
    size_t chunk = planned.claimed++;
    lock.unlock();
    // The program's new-handler throws on threads other than the main one.
    try {
        size_t begin = chunk * DestinationLookups::CHUNK;
        size_t end = std::min(begin + DestinationLookups::CHUNK, lookups->looked_up.size());
        const platform::FolderListing& listing = *lookups->listing;
        std::vector<std::wstring_view> names;
        names.reserve(end - begin);
        for (size_t k = begin; k < end; ++k) names.push_back(listing.name(listing.entries[lookups->looked_up[k]]));
        std::vector<platform::EntryTimes> found;
        lookups->seen[chunk] = std::chrono::steady_clock::now();
        bool reached = false;
        platform::look_up_entry_times(lookups->folder, names, &found, &reached);
        if (chunk == 0) lookups->folder_reached = reached;
        for (size_t k = 0; k < found.size(); ++k) lookups->times[lookups->looked_up[begin + k]] = found[k];
    } catch (const std::bad_alloc&) {
        // Short of memory: this chunk is left unseen, so the copy pass looks
        // its files up itself.
        lookups->seen[chunk] = std::chrono::steady_clock::time_point{};
    }
    lock.lock();
    ++planned_.at(dir).done;  // the copy pass waits for this chunk before it lets the folder go
    // The copy pass is woken only when it waits, and with the lock let go, so
    // that it does not wake only to wait for the lock.
    if (taker_waiting_) {
        lock.unlock();
        chunk_done_.notify_all();
        lock.lock();
    }
}

void DestinationProbe::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    try {
        for (;;) {
            work_ready_.wait(lock, [&] {
                drop_claimed();
                return stopping_ || work_ready();
            });
            if (stopping_) return;
            look_up_chunk(lock);
        }
    } catch (const std::bad_alloc&) {
        // Memory is short: this thread stops; the copy pass carries on without it.
    }
}
