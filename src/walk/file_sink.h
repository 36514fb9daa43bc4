// Where the copy pass hands its files: the copy engine, or a recorder in
// tests. The sink says what it needs of the walk; the walk knows nothing of
// what the sink does with a file.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

// Threads that work ahead of the walk or of the copy pass: one per core, at
// most four.
inline unsigned helper_threads() { return std::clamp(std::thread::hardware_concurrency(), 1u, 4u); }

// Where a handed file came from.
struct FileOrigin {
    // The folder read whole that listed it, and its entry there; null when
    // the file was listed by pattern.
    const platform::FolderListing* listing = nullptr;
    size_t index = 0;
    // False when the record was listed without its attributes and creation
    // time (the sink asked for that with takes_incomplete_records).
    bool record_complete = true;
};

// The files the copy pass will hand over from a folder already read, in the
// order it will hand them.
struct FilesAhead {
    std::wstring dir;  // ending with '\'
    std::shared_ptr<const platform::FolderListing> listing;
    std::vector<size_t> entries;  // ascending
};

class FileSink {
public:
    virtual ~FileSink() = default;
    // True when the sink uses the attributes and the creation time only of
    // some files and completes those records itself: the walk may then list
    // without them.
    virtual bool takes_incomplete_records() const = 0;
    // Before the copy pass walks a start path: the files of the folders the
    // reader holds, in walk order, so that the sink can prepare ahead. Not
    // called when nothing is held.
    virtual void files_ahead(std::vector<FilesAhead> folders) { (void)folders; }
    // Once, before any pass: whether the walk lists a folder once more for
    // each further file type (listed by pattern with several types), after
    // the files of the types before it were handed over.
    virtual void walk_lists_folders_per_type(bool again) { (void)again; }
    // The copy pass's folder events, in walk order: the walk entered `dir`
    // (ending with '\') or came back to it from a subfolder; `dir`'s own
    // files follow; `dir` is done, its files handed over.
    virtual void folder_reached(const std::wstring& dir) { (void)dir; }
    virtual void folder_files_follow(const std::wstring& dir) { (void)dir; }
    virtual void folder_done(const std::wstring& dir) { (void)dir; }
    // The copy pass could not list the folder `path` (ending with '\') or
    // look up its entry `path` (a link that leads nowhere); `failure` is the
    // host's reason (platform::last_failure). The walk goes on without it.
    virtual void not_reached(const std::wstring& path, int failure) {
        (void)path;
        (void)failure;
    }
    // One matching file that is not excluded: its folder (ending with '\'),
    // its long name and its find record (valid until take_file returns).
    virtual void take_file(const std::wstring& dir, const std::wstring& name, const platform::FindRecord& record,
                           const FileOrigin& origin) = 0;
};
