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
    // stays for another take; otherwise it is let go.
    std::shared_ptr<const platform::FolderListing> take(const std::wstring& dir, bool keep);

    bool with_attribute_records() const { return with_attribute_records_; }
    const std::vector<std::wstring>& patterns() const { return patterns_; }

private:
    enum class State { queued, reading, done };
    struct Slot {
        State state = State::queued;
        std::shared_ptr<const platform::FolderListing> listing;
    };

    void work();
    std::shared_ptr<const platform::FolderListing> read_and_store(const std::wstring& dir,
                                                                  std::unique_lock<std::mutex>& lock);
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
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
