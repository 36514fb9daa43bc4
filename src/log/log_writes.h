// Log writes that fail (a full disk, a removed device, a file that may not
// grow) are not silent: the run goes on copying, says once on the screen
// which log could not be written, and ends with WRITE_ERROR.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct LogWriteWatch {
    struct Watched {
        FILE* stream;
        std::wstring name;
        bool reported;
    };
    std::vector<Watched> logs;
    bool failed = false;  // some log lost a write
};

// Watches `stream`, the log file `name`.
void watch_log(LogWriteWatch& watch, FILE* stream, const std::wstring& name);
// Reports each watched log that failed a write since the last check, once.
// Costs a flag test per open log: a check after each file is cheap.
void check_log_writes(LogWriteWatch& watch);
// Closes `stream` (null afterwards); a failure of its last writes is
// reported as in check_log_writes.
void close_log(LogWriteWatch& watch, FILE*& stream);
