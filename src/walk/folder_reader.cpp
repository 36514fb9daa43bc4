#include "walk/folder_reader.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

namespace {

// The memory a reading held for `dir` takes: the reading and the folder's
// name, which in a deep tree is the larger part.
size_t held_bytes(const std::wstring& dir, const platform::FolderListing& listing) {
    return sizeof(platform::FolderListing) + listing.entries.capacity() * sizeof(platform::FolderEntry) +
           (listing.names.capacity() + listing.short_names.capacity() + dir.size()) * sizeof(wchar_t);
}

}  // namespace

FolderReader::FolderReader(ReadingPlan plan) : plan_(std::move(plan)) {
    // A thread the system refuses leaves the work to those that started (or
    // to the walk alone).
    try {
        for (unsigned i = 0; i < plan_.threads; ++i) threads_.emplace_back([this] { work(); });
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

std::shared_ptr<const platform::FolderListing> FolderReader::take(const std::wstring& dir, Keep keep,
                                                                  Below below) {
    std::unique_lock<std::mutex> lock(mutex_);
    std::shared_ptr<const platform::FolderListing> listing;
    size_t queued = 0;
    for (;;) {
        auto it = slots_.find(dir);
        if (it == slots_.end() || it->second.state == State::queued) {
            // Not begun (or let go meanwhile): the walk reads it itself rather
            // than wait for a thread.
            slots_[dir].state = State::reading;
            listing = read_and_store(dir, lock, ReadBy::walk, below, &queued);
            break;
        }
        if (it->second.state == State::done) {
            listing = it->second.listing;
            break;
        }
        walk_waiting_ = true;
        folder_done_.wait(lock);
        walk_waiting_ = false;
    }
    // Past the limit nothing more is kept: the next pass reads the rest again.
    auto it = slots_.find(dir);
    if (it != slots_.end() && (keep == Keep::no || when_reached_ || retained_ > plan_.retained_limit)) {
        retained_ -= held_bytes(dir, *listing);
        slots_.erase(it);
    }
    // The threads start on its subfolders once what it keeps is settled.
    lock.unlock();
    wake_threads(queued);
    return listing;
}

void FolderReader::wake_threads(size_t folders_queued) {
    for (size_t i = 0; i < folders_queued && i < threads_.size(); ++i) work_ready_.notify_one();
}

// Reads `dir`, whose slot the caller has marked reading, with the lock let go
// meanwhile; stores the listing and queues its subfolders. A thread that
// reads the watched folder hands out nothing of it: read that early, it may
// miss what the run writes there before the walk arrives.
std::shared_ptr<const platform::FolderListing> FolderReader::read_and_store(const std::wstring& dir,
                                                                            std::unique_lock<std::mutex>& lock,
                                                                            ReadBy by, Below below,
                                                                            size_t* folders_queued) {
    lock.unlock();
    auto listing = std::make_shared<const platform::FolderListing>(
        platform::read_folder(dir, plan_.patterns, with_attribute_records()));
    // The subfolders' names are made before the lock is taken again: the
    // walk and the other threads wait for it no longer than they must.
    std::vector<std::wstring> children;
    if (below == Below::read_ahead) children = subfolders_to_read_ahead(dir, *listing);
    lock.lock();
    bool watched = watching_ && listing->listed && listing->identity == watched_;
    if (watched) drop_kept_and_queued();
    size_t queued = 0;
    if (watched && by == ReadBy::thread) {
        slots_.erase(dir);
    } else {
        Slot& slot = slots_[dir];
        slot.listing = listing;
        slot.state = State::done;
        retained_ += held_bytes(dir, *listing);
        queued = queue_subfolders(children);
    }
    // The walk wakes the threads itself when it has done with the folder. A
    // thread wakes one thread for each folder queued, and the walk only when
    // it waits; all with the lock let go, so that none wakes only to wait for it.
    *folders_queued = queued;
    if (by == ReadBy::walk) return listing;
    const bool wake_walk = walk_waiting_;
    if (queued == 0 && !wake_walk) return listing;
    lock.unlock();
    wake_threads(queued);
    if (wake_walk) folder_done_.notify_all();
    lock.lock();
    return listing;
}

// The subfolders of `dir` the threads may read ahead, in listing order. Links
// are left to the walk, which guards against cycles.
std::vector<std::wstring> FolderReader::subfolders_to_read_ahead(const std::wstring& dir,
                                                                 const platform::FolderListing& listing) const {
    std::vector<std::wstring> children;
    if (!plan_.descend || threads_.empty()) return children;
    for (const platform::FolderEntry& e : listing.entries) {
        if (!e.has_record || !(e.attributes & platform::ATTR_DIRECTORY)) continue;
        if (e.attributes & platform::ATTR_REPARSE_POINT) continue;
        std::wstring child;
        std::wstring_view name = listing.name(e);
        child.reserve(dir.size() + name.size() + 1);
        child.append(dir).append(name).push_back(L'\\');
        if (plan_.skip && plan_.skip(child)) continue;
        children.push_back(std::move(child));
    }
    return children;
}

// The subfolders go to the front of the queue in listing order: the threads
// then read in the order the depth-first walk will ask. Reading ahead stops
// when enough is held. Returns how many were queued.
size_t FolderReader::queue_subfolders(std::vector<std::wstring>& children) {
    if (when_reached_ || retained_ >= plan_.retained_limit) return 0;
    auto kept = children.begin();
    for (std::wstring& child : children) {
        auto [slot, added] = slots_.try_emplace(child);
        if (!added) continue;
        slot->second.state = State::queued;
        if (&*kept != &child) *kept = std::move(child);
        ++kept;
    }
    queue_.insert(queue_.begin(), std::make_move_iterator(children.begin()), std::make_move_iterator(kept));
    return static_cast<size_t>(kept - children.begin());
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
        if (it->second.listing) retained_ -= held_bytes(it->first, *it->second.listing);
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

void FolderReader::read_ahead_one(std::unique_lock<std::mutex>& lock) {
    std::wstring dir = std::move(queue_.front());
    queue_.pop_front();
    auto it = slots_.find(dir);
    if (it == slots_.end() || it->second.state != State::queued) return;
    it->second.state = State::reading;
    // The program's new-handler throws on the reader's threads (on the main
    // thread it ends the run).
    try {
        size_t queued = 0;
        read_and_store(dir, lock, ReadBy::thread, Below::read_ahead, &queued);
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
            work_ready_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            read_ahead_one(lock);
        }
    } catch (const std::bad_alloc&) {
        // Memory is short: this thread stops; the walk carries on without it.
    }
}
