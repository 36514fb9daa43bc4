#include "walk/folder_reader.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

FolderReader::FolderReader(std::vector<std::wstring> patterns, bool with_attribute_records, bool descend,
                           std::function<bool(const std::wstring&)> skip, unsigned threads,
                           size_t retained_limit)
    : patterns_(std::move(patterns)),
      with_attribute_records_(with_attribute_records),
      descend_(descend),
      skip_(std::move(skip)),
      retained_limit_(retained_limit) {
    // A thread the system refuses leaves the work to those that started (or
    // to the walk alone).
    try {
        for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
    }
}

FolderReader::~FolderReader() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    work_ready_.notify_all();
    for (std::thread& t : threads_) t.join();
}

std::shared_ptr<const platform::FolderListing> FolderReader::take(const std::wstring& dir, bool keep,
                                                                  bool read_ahead_below) {
    std::unique_lock<std::mutex> lock(mutex_);
    std::shared_ptr<const platform::FolderListing> listing;
    for (;;) {
        auto it = slots_.find(dir);
        if (it == slots_.end() || it->second.state == State::queued) {
            // Not begun (or let go meanwhile): the walk reads it itself rather
            // than wait for a thread.
            slots_[dir].state = State::reading;
            listing = read_and_store(dir, lock, true, read_ahead_below);
            break;
        }
        if (it->second.state == State::done) {
            listing = it->second.listing;
            break;
        }
        folder_done_.wait(lock);
    }
    // Past the limit nothing more is kept: the next pass reads the rest again.
    auto it = slots_.find(dir);
    if (it != slots_.end() && (!keep || when_reached_ || retained_ > retained_limit_)) {
        retained_ -= listing->entries.size();
        slots_.erase(it);
    }
    return listing;
}

// Reads `dir`, whose slot the caller has marked reading, with the lock let go
// meanwhile; stores the listing and queues its subfolders. A thread that
// reads the watched folder hands out nothing of it: read that early, it may
// miss what the run writes there before the walk arrives.
std::shared_ptr<const platform::FolderListing> FolderReader::read_and_store(const std::wstring& dir,
                                                                            std::unique_lock<std::mutex>& lock,
                                                                            bool by_walk, bool read_ahead_below) {
    lock.unlock();
    auto listing = std::make_shared<const platform::FolderListing>(
        platform::read_folder(dir, patterns_, with_attribute_records_));
    lock.lock();
    bool watched = watching_ && listing->listed && listing->identity == watched_;
    if (watched) drop_kept_and_queued();
    if (watched && !by_walk) {
        slots_.erase(dir);
    } else {
        Slot& slot = slots_[dir];
        slot.listing = listing;
        slot.state = State::done;
        retained_ += listing->entries.size();
        if (read_ahead_below) queue_subfolders(dir, *listing);
    }
    folder_done_.notify_all();
    return listing;
}

// The subfolders go to the front of the queue in listing order: the threads
// then read in the order the depth-first walk will ask. Links are left to the
// walk, which guards against cycles; reading ahead stops when enough is held.
void FolderReader::queue_subfolders(const std::wstring& dir, const platform::FolderListing& listing) {
    if (!descend_ || threads_.empty() || when_reached_ || retained_ >= retained_limit_) return;
    std::vector<std::wstring> children;
    for (const platform::FolderEntry& e : listing.entries) {
        if (!e.has_record || !(e.attributes & platform::ATTR_DIRECTORY)) continue;
        if (e.attributes & platform::ATTR_REPARSE_POINT) continue;
        std::wstring child;
        child.reserve(dir.size() + e.name.size() + 1);
        child.append(dir).append(e.name).push_back(L'\\');
        if (slots_.count(child) || skip_(child)) continue;
        slots_[child].state = State::queued;
        children.push_back(std::move(child));
    }
    if (children.empty()) return;
    queue_.insert(queue_.begin(), std::make_move_iterator(children.begin()), std::make_move_iterator(children.end()));
    work_ready_.notify_all();
}

// Lets go of every folder kept or waiting to be read; folders being read
// right now are stored as they come.
void FolderReader::drop_kept_and_queued() {
    when_reached_ = true;
    queue_.clear();
    for (auto it = slots_.begin(); it != slots_.end();) {
        if (it->second.state == State::reading) {
            ++it;
            continue;
        }
        if (it->second.listing) retained_ -= it->second.listing->entries.size();
        it = slots_.erase(it);
    }
    folder_done_.notify_all();
}

void FolderReader::read_each_folder_when_reached() {
    std::lock_guard<std::mutex> lock(mutex_);
    drop_kept_and_queued();
}

void FolderReader::watch_for(const platform::FileIdentity& identity) {
    std::lock_guard<std::mutex> lock(mutex_);
    watching_ = true;
    watched_ = identity;
}

bool FolderReader::reads_each_folder_when_reached() {
    std::lock_guard<std::mutex> lock(mutex_);
    return when_reached_;
}

std::shared_ptr<const platform::FolderListing> FolderReader::peek(const std::wstring& dir) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = slots_.find(dir);
    if (it == slots_.end() || it->second.state != State::done) return nullptr;
    return it->second.listing;
}

std::chrono::steady_clock::time_point DestinationLookups::seen_of(size_t index) const {
    size_t position = std::lower_bound(looked_up.begin(), looked_up.end(), index) - looked_up.begin();
    size_t chunk = position / CHUNK;
    return chunk < seen.size() ? seen[chunk] : std::chrono::steady_clock::time_point{};
}

void FolderReader::look_up_destinations_ahead(std::vector<DestinationJob> jobs) {
    if (threads_.empty()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (DestinationJob& job : jobs) {
            // A folder planned before keeps that plan (its chunks may be under way).
            if (planned_.count(job.source_dir)) continue;
            PlannedLookups& planned = planned_[job.source_dir];
            planned.first_file = files_planned_;
            size_t files = job.lookups->looked_up.size();
            files_planned_ += files;
            planned.chunks = (files + DestinationLookups::CHUNK - 1) / DestinationLookups::CHUNK;
            planned.lookups = std::move(job.lookups);
            destination_queue_.push_back(std::move(job.source_dir));
        }
    }
    work_ready_.notify_all();
}

std::shared_ptr<const DestinationLookups> FolderReader::take_destinations(const std::wstring& source_dir) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = planned_.find(source_dir);
    if (it == planned_.end()) return nullptr;
    PlannedLookups& planned = it->second;
    planned.closed = true;
    // Chunks begun are waited for; those no thread began stay not found.
    folder_done_.wait(lock, [&] { return planned.done == planned.claimed; });
    std::shared_ptr<const DestinationLookups> lookups;
    if (planned.claimed > 0) lookups = planned.lookups;
    files_taken_ = planned.first_file + planned.lookups->looked_up.size();
    planned_.erase(it);
    lock.unlock();
    work_ready_.notify_all();
    return lookups;
}

namespace {
constexpr size_t FILES_AHEAD = 8192;
}

// Drops from the front of the queue the folders with no chunk left to begin.
void FolderReader::drop_claimed_destinations() {
    while (!destination_queue_.empty()) {
        auto it = planned_.find(destination_queue_.front());
        if (it != planned_.end() && !it->second.closed && it->second.claimed < it->second.chunks) return;
        destination_queue_.pop_front();
    }
}

bool FolderReader::destination_work_ready() const {
    if (destination_queue_.empty()) return false;
    const PlannedLookups& planned = planned_.at(destination_queue_.front());
    return planned.first_file + planned.claimed * DestinationLookups::CHUNK <= files_taken_ + FILES_AHEAD;
}

void FolderReader::look_up_destinations(std::unique_lock<std::mutex>& lock) {
    const std::wstring dir = destination_queue_.front();
    PlannedLookups& planned = planned_.at(dir);
    std::shared_ptr<DestinationLookups> lookups = planned.lookups;
    if (planned.claimed == 0) {
        lookups->times.assign(lookups->listing->entries.size(), platform::EntryTimes{});
        lookups->seen.assign(planned.chunks, std::chrono::steady_clock::time_point{});
    }
    size_t chunk = planned.claimed++;
    lock.unlock();
    try {
        size_t begin = chunk * DestinationLookups::CHUNK;
        size_t end = std::min(begin + DestinationLookups::CHUNK, lookups->looked_up.size());
        std::vector<const std::wstring*> names;
        names.reserve(end - begin);
        for (size_t k = begin; k < end; ++k) names.push_back(&lookups->listing->entries[lookups->looked_up[k]].name);
        std::vector<platform::EntryTimes> found;
        lookups->seen[chunk] = std::chrono::steady_clock::now();
        platform::look_up_entry_times(lookups->folder, names, &found);
        for (size_t k = 0; k < found.size(); ++k) lookups->times[lookups->looked_up[begin + k]] = found[k];
    } catch (const std::bad_alloc&) {
        // Short of memory: this chunk is left unseen, so the walk looks its
        // files up itself.
        lookups->seen[chunk] = std::chrono::steady_clock::time_point{};
    }
    lock.lock();
    ++planned_.at(dir).done;  // the walk waits for this chunk before it lets the folder go
    folder_done_.notify_all();
}

void FolderReader::read_ahead_one(std::unique_lock<std::mutex>& lock) {
    std::wstring dir = std::move(queue_.front());
    queue_.pop_front();
    auto it = slots_.find(dir);
    if (it == slots_.end() || it->second.state != State::queued) return;
    it->second.state = State::reading;
    try {
        read_and_store(dir, lock, false, true);
    } catch (const std::bad_alloc&) {
        // The walk reads it itself, and meets the shortage where the run can
        // end properly.
        if (!lock.owns_lock()) lock.lock();
        slots_.erase(dir);
        folder_done_.notify_all();
        throw;
    }
}

void FolderReader::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    try {
        for (;;) {
            work_ready_.wait(lock, [&] {
                drop_claimed_destinations();
                return stopping_ || !queue_.empty() || destination_work_ready();
            });
            if (stopping_) return;
            // Folders first: the walk may be waiting for one.
            if (queue_.empty())
                look_up_destinations(lock);
            else
                read_ahead_one(lock);
        }
    } catch (const std::bad_alloc&) {
        // Memory is short: this thread stops; the walk carries on without it.
    }
}
