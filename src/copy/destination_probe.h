// What stands in the destination under the names of the files the copy pass
// will reach, looked up ahead of it on threads of its own, where the host
// can look up many names of one folder cheaply. The copy pass passes over a
// file on a fresh look-up that shows its copy up to date.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

// The look-ups of one folder's files, in chunks (a large folder is shared
// among the threads), and when each chunk was seen.
struct DestinationLookups {
    static constexpr size_t CHUNK = 1024;

    std::wstring folder;                                      // the destination folder, ending with '\'
    std::shared_ptr<const platform::FolderListing> listing;  // the source folder
    std::vector<size_t> looked_up;                            // entries of the listing, ascending
    std::vector<platform::EntryTimes> times;                  // one per entry; not found if never looked up
    std::vector<std::chrono::steady_clock::time_point> seen;  // one per chunk of looked_up
    // The first chunk found the folder as changes in it reach it (its time is seen[0]).
    bool folder_reached = false;

    // When the look-up of entry `index` began (long ago if it never did).
    std::chrono::steady_clock::time_point seen_of(size_t index) const;
};

class DestinationProbe {
public:
    explicit DestinationProbe(unsigned threads);
    ~DestinationProbe();
    DestinationProbe(const DestinationProbe&) = delete;
    DestinationProbe& operator=(const DestinationProbe&) = delete;

    // Queues look-ups in the order the copy pass will want them. The threads
    // stay at most a few thousand files ahead of the copy pass, so that what
    // they see is fresh when it is used.
    struct Job {
        std::wstring source_dir;
        std::shared_ptr<DestinationLookups> lookups;  // folder, listing, looked_up filled
    };
    void look_up_ahead(std::vector<Job> jobs);
    // The look-ups of `source_dir`'s files, waiting for them if begun; null
    // when none were planned or none begun (the copy pass then looks up itself).
    std::shared_ptr<const DestinationLookups> take(const std::wstring& source_dir);

private:
    struct PlannedLookups {
        size_t first_file = 0;  // files planned before these
        size_t chunks = 0;
        size_t claimed = 0;     // chunks a thread has begun
        size_t done = 0;
        bool closed = false;    // taken by the copy pass: no more chunks begin
        std::shared_ptr<DestinationLookups> lookups;
    };

    void work();
    void drop_claimed();
    bool work_ready() const;
    void look_up_chunk(std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable work_ready_;
    std::condition_variable chunk_done_;
    std::unordered_map<std::wstring, PlannedLookups> planned_;
    std::deque<std::wstring> queue_;
    size_t files_planned_ = 0;
    size_t files_taken_ = 0;  // files of the planned folders the copy pass has reached
    bool stopping_ = false;
    bool taker_waiting_ = false;  // the copy pass waits in take for chunks under way
    std::vector<std::thread> threads_;
};
