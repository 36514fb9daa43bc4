#include "walk/folder_reader.h"

#include <utility>

FolderReader::FolderReader(std::vector<std::wstring> patterns, bool with_attribute_records, bool descend,
                           std::function<bool(const std::wstring&)> skip, unsigned threads,
                           size_t retained_limit)
    : patterns_(std::move(patterns)),
      with_attribute_records_(with_attribute_records),
      descend_(descend),
      skip_(std::move(skip)),
      retained_limit_(retained_limit) {
    for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
}

FolderReader::~FolderReader() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    work_ready_.notify_all();
    for (std::thread& t : threads_) t.join();
}

std::shared_ptr<const platform::FolderListing> FolderReader::take(const std::wstring& dir, bool keep) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = slots_.find(dir);
    std::shared_ptr<const platform::FolderListing> listing;
    if (it == slots_.end() || it->second.state == State::queued) {
        // Not begun: the walk reads it itself rather than wait for a thread.
        slots_[dir].state = State::reading;
        listing = read_and_store(dir, lock);
    } else {
        folder_done_.wait(lock, [&] { return slots_[dir].state == State::done; });
        listing = slots_[dir].listing;
    }
    // Past the limit nothing more is kept: the next pass reads the rest again.
    if (!keep || retained_ > retained_limit_) {
        retained_ -= listing->entries.size();
        slots_.erase(dir);
    }
    return listing;
}

// Reads `dir`, whose slot the caller has marked reading, with the lock let go
// meanwhile; stores the listing and queues its subfolders.
std::shared_ptr<const platform::FolderListing> FolderReader::read_and_store(const std::wstring& dir,
                                                                            std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    auto listing = std::make_shared<const platform::FolderListing>(
        platform::read_folder(dir, patterns_, with_attribute_records_));
    lock.lock();
    Slot& slot = slots_[dir];
    slot.listing = listing;
    slot.state = State::done;
    retained_ += listing->entries.size();
    queue_subfolders(dir, *listing);
    folder_done_.notify_all();
    return listing;
}

// The subfolders go to the front of the queue in listing order: the threads
// then read in the order the depth-first walk will ask. Links are left to the
// walk, which guards against cycles; reading ahead stops when enough is held.
void FolderReader::queue_subfolders(const std::wstring& dir, const platform::FolderListing& listing) {
    if (!descend_ || threads_.empty() || retained_ >= retained_limit_) return;
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

std::shared_ptr<const platform::FolderListing> FolderReader::peek(const std::wstring& dir) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = slots_.find(dir);
    if (it == slots_.end() || it->second.state != State::done) return nullptr;
    return it->second.listing;
}

void FolderReader::look_up_destinations_ahead(std::vector<DestinationJob> jobs) {
    if (threads_.empty()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (DestinationJob& job : jobs) {
            PlannedLookups& planned = planned_[job.source_dir];
            planned.state = State::queued;
            planned.first_file = files_planned_;
            files_planned_ += job.lookups->looked_up.size();
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
    std::shared_ptr<const DestinationLookups> lookups;
    if (it->second.state != State::queued) {
        folder_done_.wait(lock, [&] { return planned_[source_dir].state == State::done; });
        lookups = planned_[source_dir].lookups;
    }
    files_taken_ = planned_[source_dir].first_file + planned_[source_dir].lookups->looked_up.size();
    planned_.erase(source_dir);
    lock.unlock();
    work_ready_.notify_all();
    return lookups;
}

namespace {
constexpr size_t FILES_AHEAD = 8192;
}

bool FolderReader::destination_work_ready() const {
    if (destination_queue_.empty()) return false;
    auto it = planned_.find(destination_queue_.front());
    return it == planned_.end() || it->second.first_file <= files_taken_ + FILES_AHEAD;
}

void FolderReader::look_up_destinations(std::unique_lock<std::mutex>& lock) {
    std::wstring dir = std::move(destination_queue_.front());
    destination_queue_.pop_front();
    auto it = planned_.find(dir);
    if (it == planned_.end() || it->second.state != State::queued) return;
    it->second.state = State::reading;
    std::shared_ptr<DestinationLookups> lookups = it->second.lookups;
    lock.unlock();
    std::vector<const std::wstring*> names;
    names.reserve(lookups->looked_up.size());
    for (size_t i : lookups->looked_up) names.push_back(&lookups->listing->entries[i].name);
    std::vector<platform::EntryTimes> found;
    lookups->seen = std::chrono::steady_clock::now();
    platform::look_up_entry_times(lookups->folder, names, &found);
    lookups->times.assign(lookups->listing->entries.size(), platform::EntryTimes{});
    for (size_t k = 0; k < found.size(); ++k) lookups->times[lookups->looked_up[k]] = found[k];
    lock.lock();
    auto done = planned_.find(dir);
    if (done != planned_.end()) done->second.state = State::done;
    folder_done_.notify_all();
}

void FolderReader::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        work_ready_.wait(lock, [&] { return stopping_ || !queue_.empty() || destination_work_ready(); });
        if (stopping_) return;
        // Folders first: the walk may be waiting for one.
        if (queue_.empty()) {
            look_up_destinations(lock);
            continue;
        }
        std::wstring dir = std::move(queue_.front());
        queue_.pop_front();
        auto it = slots_.find(dir);
        if (it == slots_.end() || it->second.state != State::queued) continue;
        it->second.state = State::reading;
        read_and_store(dir, lock);
    }
}
