// Folders read ahead of the walk, on threads of their own, and kept from the
// counting pass for the copy pass: where listing a folder costs a lookup per
// entry, a tree is then read once per run instead of twice, and with both
// cores. The walk still takes the folders in its own order, one by one.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

// What stands in the destination under the names of a folder's files, looked
// up ahead of the copy pass in chunks (a large folder is shared among the
// threads), and when each chunk was seen.
struct DestinationLookups {
    static constexpr size_t CHUNK = 1024;

    std::wstring folder;                                      // ending with '\'
    std::shared_ptr<const platform::FolderListing> listing;  // the source folder
    std::vector<size_t> looked_up;                            // entries of the listing, ascending
    std::vector<platform::EntryTimes> times;                  // one per entry; not found if never looked up
    std::vector<std::chrono::steady_clock::time_point> seen;  // one per chunk of looked_up

    // When the look-up of entry `index` began (long ago if it never did).
    std::chrono::steady_clock::time_point seen_of(size_t index) const;
};

class FolderReader {
public:
    // `patterns`: the file types (no folder part); `skip(dir)` tells a folder
    // that is not to be read ahead (bypassed); `descend`: the walk goes into
    // subfolders, so they are read ahead. `retained_limit` caps the entries
    // kept for a second pass.
    FolderReader(std::vector<std::wstring> patterns, bool with_attribute_records, bool descend,
                 std::function<bool(const std::wstring&)> skip, unsigned threads, size_t retained_limit);
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    // The folder `dir` (ending with '\'), read ahead or now. With `keep` it
    // stays for another take; otherwise it is let go. Its subfolders are read
    // ahead only with `read_ahead_below`.
    std::shared_ptr<const platform::FolderListing> take(const std::wstring& dir, bool keep,
                                                        bool read_ahead_below = true);

    // From now on every folder is read when the walk reaches it: nothing
    // kept or read ahead is handed out any more (the run is about to write
    // into the tree it reads).
    void read_each_folder_when_reached();
    // Switches to read_each_folder_when_reached once a folder with this
    // identity is read (the destination, found inside the tree).
    void watch_for(const platform::FileIdentity& identity);
    bool reads_each_folder_when_reached();

    // A folder read and kept, without waiting; null when there is none.
    std::shared_ptr<const platform::FolderListing> peek(const std::wstring& dir);

    // Queues destination look-ups in the order the copy pass will want them.
    // The threads stay at most a few thousand files ahead of the walk, so
    // that what they see is fresh when it is used.
    struct DestinationJob {
        std::wstring source_dir;
        std::shared_ptr<DestinationLookups> lookups;  // folder, listing, looked_up filled
    };
    void look_up_destinations_ahead(std::vector<DestinationJob> jobs);
    // The look-ups of `source_dir`'s files, waiting for them if begun; null
    // when none were planned or none begun (the copy pass then looks up itself).
    std::shared_ptr<const DestinationLookups> take_destinations(const std::wstring& source_dir);

    bool with_attribute_records() const { return with_attribute_records_; }
    const std::vector<std::wstring>& patterns() const { return patterns_; }

private:
    enum class State { queued, reading, done };
    struct Slot {
        State state = State::queued;
        std::shared_ptr<const platform::FolderListing> listing;
    };

    struct PlannedLookups {
        size_t first_file = 0;  // files planned before these
        size_t chunks = 0;
        size_t claimed = 0;     // chunks a thread has begun
        size_t done = 0;
        bool closed = false;    // taken by the walk: no more chunks begin
        std::shared_ptr<DestinationLookups> lookups;
    };

    void work();
    void read_ahead_one(std::unique_lock<std::mutex>& lock);
    void drop_kept_and_queued();
    void drop_claimed_destinations();
    bool destination_work_ready() const;
    void look_up_destinations(std::unique_lock<std::mutex>& lock);
    std::shared_ptr<const platform::FolderListing> read_and_store(const std::wstring& dir,
                                                                  std::unique_lock<std::mutex>& lock, bool by_walk,
                                                                  bool read_ahead_below);
    void queue_subfolders(const std::wstring& dir, const platform::FolderListing& listing);

    const std::vector<std::wstring> patterns_;
    const bool with_attribute_records_;
    const bool descend_;
    const std::function<bool(const std::wstring&)> skip_;
    const size_t retained_limit_;

    std::mutex mutex_;
    std::condition_variable work_ready_;
    std::condition_variable folder_done_;
    std::unordered_map<std::wstring, Slot> slots_;
    std::deque<std::wstring> queue_;
    size_t retained_ = 0;  // entries held in slots
    std::unordered_map<std::wstring, PlannedLookups> planned_;
    std::deque<std::wstring> destination_queue_;
    size_t files_planned_ = 0;
    size_t files_taken_ = 0;  // files of the planned folders the walk has reached
    bool stopping_ = false;
    bool when_reached_ = false;  // read_each_folder_when_reached
    bool watching_ = false;
    platform::FileIdentity watched_;
    std::vector<std::thread> threads_;
};
