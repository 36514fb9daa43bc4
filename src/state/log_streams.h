// The log streams of a run, each null while not open. error_log is standard
// error until -E or the log mask gives it a file. `writes` watches the log
// files for writes that fail; `run_files` keeps them from being copied over.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

// The log files (and the memo file) watched for writes that fail
// (log/log_writes.h).
struct LogWriteWatch {
    struct Watched {
        FILE* stream;
        std::wstring name;
        bool reported;
        std::unique_ptr<char[]> buffer;  // the stream's own, when it was given one
        const char* kind;                // as the failure names it: "log file", "memo file"
    };
    std::vector<Watched> logs;
    // The logs whose failure was said: once per log, however often it is
    // opened again (the default log is, between its writings).
    std::vector<std::wstring> said;
    bool failed = false;  // some log lost a write
};

// A file the run writes its logs to, as it was when opened: a copy never
// goes over one (it would be verified, then written over by the log).
struct RunFile {
    std::wstring name;
    platform::FileIdentity identity;
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
    std::vector<RunFile> run_files;  // every log, the hash log and the memo, closed or open
};
