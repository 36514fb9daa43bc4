// The per-file routine of the copy pass: selection, destination, copy, records.
#pragma once

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
};

// `dir` ends with '\'; `record` is the walk's own copy of the find record.
// A record that is not complete (listed without its attributes and creation
// time) is completed for the files that are copied.
void process_file(const std::wstring& dir, const std::wstring& name, platform::FindRecord record,
                  bool record_complete = true, const DestinationHint* hint = nullptr);
// True when process_file, with this run's options, uses the attributes and
// the creation time of a record only for the files it copies: the walk may
// then list without them.
bool process_file_defers_attributes();
// True when, with this run's options, a file's destination is known before
// the file is reached (tree replication) and the newer test compares write
// times, so that destinations may be looked up ahead.
bool process_file_takes_destination_hints();
