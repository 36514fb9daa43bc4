// Folders read ahead of the walk, on threads of their own, and kept from the
// counting pass for the copy pass: where listing a folder costs a lookup per
// entry, a tree is then read once per run instead of twice, and with both
// cores. The walk still takes the folders in its own order, one by one.
#pragma once

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

// What the reader is to read, and how far ahead.
struct ReadingPlan {
    std::vector<std::wstring> patterns;  // the file types (no folder part)
    // Attribute records of every matching file, or only what listing by
    // find_first_sizes gives (folder bit, size, times).
    enum class Records { whole, sizes_only } records = Records::sizes_only;
    bool descend = true;  // the walk goes into subfolders: they are read ahead
    std::function<bool(const std::wstring&)> skip;  // folders not to be read ahead (bypassed)
    unsigned threads = 1;
    size_t retained_limit = 0;  // bytes of readings (names of their folders included) held at most
};

// What becomes of a folder the walk takes: kept for the copy pass, or let go.
enum class Keep { for_copy_pass, no };
// Whether the folders below a folder the walk takes are read ahead, or left
// to be read when the walk reaches them (below a link).
enum class Below { read_ahead, read_when_reached };

class FolderReader {
public:
    explicit FolderReader(ReadingPlan plan);
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    // The folder `dir` (ending with '\'), read ahead or now.
    std::shared_ptr<const platform::FolderListing> take(const std::wstring& dir, Keep keep,
                                                        Below below = Below::read_ahead);

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

    bool with_attribute_records() const { return plan_.records == ReadingPlan::Records::whole; }

private:
    enum class State { queued, reading, done };
    struct Slot {
        State state = State::queued;
        std::shared_ptr<const platform::FolderListing> listing;
    };

    void work();
    void read_ahead_one(std::unique_lock<std::mutex>& lock);
    void drop_kept_and_queued();
    enum class ReadBy { walk, thread };
    std::shared_ptr<const platform::FolderListing> read_and_store(const std::wstring& dir,
                                                                  std::unique_lock<std::mutex>& lock, ReadBy by,
                                                                  Below below, size_t* folders_queued);
    void wake_threads(size_t folders_queued);
    std::vector<std::wstring> subfolders_to_read_ahead(const std::wstring& dir,
                                                       const platform::FolderListing& listing) const;
    size_t queue_subfolders(std::vector<std::wstring>& children);

    const ReadingPlan plan_;

    std::mutex mutex_;
    std::condition_variable work_ready_;
    std::condition_variable folder_done_;
    std::unordered_map<std::wstring, Slot> slots_;
    std::deque<std::wstring> queue_;
    size_t retained_ = 0;  // bytes held in slots (held_bytes)
    bool stopping_ = false;
    bool when_reached_ = false;  // read_each_folder_when_reached
    bool walk_waiting_ = false;  // the walk waits for a folder a thread reads
    bool watching_ = false;
    platform::FileIdentity watched_;
    std::vector<std::thread> threads_;
};
