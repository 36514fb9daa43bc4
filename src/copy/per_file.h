// The per-file routine of the copy pass: selection, destination, copy, records.
#pragma once

#include "copy/copy_context.h"

#include <chrono>
#include <string>

#include "platform/platform.h"

// What the destination held under the current file's name when looked up
// ahead of the copy pass. process_file trusts it only to pass a file over,
// and only while it is fresh.
struct DestinationHint {
    const std::wstring* folder = nullptr;
    const platform::EntryTimes* times = nullptr;
    std::chrono::steady_clock::time_point seen;
    // The folder was reached as changes in it reach it, at `folder_seen`.
    bool folder_reached = false;
    std::chrono::steady_clock::time_point folder_seen;
};

struct FileWork;

// Where the progress line of a file stands: the files handed to the copy pass
// before it, and the bytes of those and of the file itself.
struct ProgressPoint {
    int32_t files_before = 0;
    int64_t bytes_through = 0;
};

// `dir` ends with '\'; `record` is the walk's find record, copied for the work.
// A record that is not complete (listed without its attributes and creation
// time) is completed for the files that are copied. The three steps below,
// one after the other.
void process_file(const CopyContext& c, const std::wstring& dir, const std::wstring& name,
                  const platform::FindRecord& record, const ProgressPoint& at, bool record_complete = true,
                  const DestinationHint* hint = nullptr);

// The decision on one file, in walk order on the main thread: writes the
// records of a file passed over or listed; for a file to be copied it writes
// the screen lines and leaves `work` ready (goes_to_copy). Waits first for
// the copies in flight that touch the file or its destination.
void decide_file(const CopyContext& c, const std::wstring& dir, const std::wstring& name,
                 const platform::FindRecord& record, const ProgressPoint& at, bool record_complete,
                 const DestinationHint* hint, FileWork& work);
// The work on the file's data and metadata: the copy, its attributes, the
// hashing reads and the times. Touches no run state and writes nothing: what
// it came to, its problems included, is kept in the work. Runs on any thread.
void do_file_work(const CopyContext& c, FileWork& work);
// The records and counters of what the work came to, on the main thread in
// walk order, for every file decided: here a file counts as processed, so
// that the statistics count exactly the files whose records were written.
// Ends the run when the copy was interrupted (the file then counts as never
// reached).
void finish_file_work(const CopyContext& c, FileWork& work);
// True when process_file, with this run's options, uses the attributes and
// the creation time of a record only for the files it copies: the walk may
// then list without them.
bool process_file_defers_attributes(const CopyContext& c);
// True when, with this run's options, a file's destination is known before
// the file is reached (tree replication) and the newer test compares write
// times, so that destinations may be looked up ahead.
bool process_file_takes_destination_hints(const CopyContext& c);
