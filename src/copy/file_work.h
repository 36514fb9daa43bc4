// One file's way through the copy pass, in three steps: the decision on the
// main thread in walk order (selection, destination, the records it writes),
// the work on the file's data and metadata (the copy, attributes, times,
// hashing reads), which may run on a copy worker, and the finish on the main
// thread in walk order (the records and counters of what the work came to).
#pragma once

#include <cstdint>
#include <string>

#include "copy/copy_execution.h"
#include "copy/hash_records.h"
#include "copy/hashing_hook.h"
#include "log/output.h"
#include "platform/platform.h"

struct FileWork {
    // What the decision gave.
    std::wstring source;       // the folder and the name
    std::wstring destination;  // the name the copy takes, after any renaming
    platform::FindRecord record;  // written when the file goes to a copy
    bool record_complete = true;  // false: attributes and creation time still to be read
    uint32_t standing = UNKNOWN_ATTRIBUTES;  // what the lookup saw at the destination
    int64_t size = 0;
    bool goes_to_copy = false;  // false: passed over or listed, its records are all written
    // No other copy may run beside this one: its name has a '~', which may
    // be another file's generated short name.
    bool runs_alone = false;
    WantedHashTexts hashes_wanted;
    // The progress line as it stood when the file was decided.
    int32_t files_processed_then = 0;
    int64_t bytes_processed_then = 0;
    // The records written while deciding, held back while files before this
    // one still have records to come.
    text::HeldOutput decided_output;

    // What the work came to.
    FileCopy copy;
    FileHashTexts hashes;
    TimeFailures time_failures;
    bool out_of_memory = false;

    // Ready for the next file, as a new FileWork would be but for the record,
    // which a decision to copy writes whole, and the room its strings took.
    // Every field above is reset here.
    void reuse() {
        source.clear();
        destination.clear();
        record_complete = true;
        standing = UNKNOWN_ATTRIBUTES;
        size = 0;
        goes_to_copy = false;
        runs_alone = false;
        hashes_wanted = {};
        files_processed_then = 0;
        bytes_processed_then = 0;
        decided_output.pieces.clear();
        copy = FileCopy{};
        hashes = FileHashTexts{};
        time_failures = {};
        out_of_memory = false;
    }
};
