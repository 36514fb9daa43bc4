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

void FolderReader::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        work_ready_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        std::wstring dir = std::move(queue_.front());
        queue_.pop_front();
        auto it = slots_.find(dir);
        if (it == slots_.end() || it->second.state != State::queued) continue;
        it->second.state = State::reading;
        read_and_store(dir, lock);
    }
}
