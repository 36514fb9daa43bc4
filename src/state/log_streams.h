// The log streams of a run, each null while not open. error_log is standard
// error until -E or the log mask gives it a file. `writes` watches the log
// files for writes that fail.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// The log files watched for writes that fail (log/log_writes.h).
struct LogWriteWatch {
    struct Watched {
        FILE* stream;
        std::wstring name;
        bool reported;
        std::unique_ptr<char[]> buffer;  // the stream's own, when it was given one
    };
    std::vector<Watched> logs;
    bool failed = false;  // some log lost a write
};

struct LogStreams {
    FILE* default_log = nullptr;     // mask bit 1; closed between its writings
    FILE* list_log = nullptr;        // 2
    FILE* copied_log = nullptr;      // 4
    FILE* not_copied_log = nullptr;  // 8
    FILE* error_log = nullptr;       // 16 or -E
    FILE* renamed_log = nullptr;     // 32
    FILE* hash_log = nullptr;        // -H
    LogWriteWatch writes;
};
