// The run state: everything that changes while a run goes on. The counters,
// the rename numbers, the open streams, the start path being walked and the
// copy engine's per-folder state live in one Run, which the driver makes and
// hands to the parts of the program. Only the main thread touches it; the
// interrupt thread only asks for the run to stop (run/terminate.h).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_set>

#include "state/config.h"
#include "state/log_streams.h"
#include "state/ready_folder.h"
#include "state/run_end.h"

// Files and bytes of the two passes. The walk and the source-list mode count
// them, the copy engine counts what it copied, the statistics read them.
struct Counters {
    int32_t files_to_process = 0;
    int64_t bytes_to_process = 0;
    int32_t files_processed = 0;
    int64_t bytes_processed = 0;
    int32_t files_copied = 0;
    int64_t bytes_copied = 0;
    int32_t copies_completed = 0;
    int32_t files_not_copied = 0;
    int32_t not_copied_newer = 0;
};

// Run-wide numbers of the renaming and of the numbered flatten folders.
struct RenameNumbers {
    int32_t flatten_copied = 0;
    int32_t flatten_folder = 0;
    int32_t dupe_index = 0;
    int32_t tilde_index = 1;
};

// Where the files of the start path being walked go: the destination root
// (the --dirs mode mirrors each start path below it) and the length of the
// start path, whose part below it the destination repeats.
struct CopyTarget {
    std::wstring destination_root;
    int32_t current_start_path_len = 0;
};

struct Run {
    int64_t run_start_time = 0, walk_start_time = 0, run_end_time = 0;  // seconds since 1970
    int32_t counting_pass = 1;
    Counters counters;
    RenameNumbers renames;
    int64_t progress_next = 200000000;   // bytes_processed of the next rate display
    std::wstring bytes_to_process_text;  // the counted byte total, for the progress line

    FILE* screen = nullptr;
    LogStreams logs;
    FILE* memo_file = nullptr;
    FILE* source_list_file = nullptr;

    CopyTarget target;
    // The times of the source folder whose files are handed over (-M gives
    // them to the destination folders it creates).
    FileTimes source_folder_times;
    ReadyFolder ready_folder;
    // The destination's folder links the copy would not pass, each named
    // once on the error stream.
    std::unordered_set<std::wstring> refused_links_named;

    // How a part of the program ends the run (state/run_end.h): the driver's
    // termination routine, or, while none is installed, the end of the
    // process with the reason as exit code.
    RunEnding* ending = nullptr;
};

// Ends the run with `reason`: the statistics, the logs closed, `reason` as
// the exit code.
[[noreturn]] void end_run(Run& run, int reason);
// Ends the process at once with `code` and nothing more written: the help
// screens and the few failures whose documented end is a bare exit.
[[noreturn]] void exit_at_once(Run& run, int code);
// A safe point of the main thread: ends the run (USER_ABORTED) when an
// interrupt has come.
void stop_if_requested(Run& run);
// A key read without echo, -1 at the end of input; Ctrl+C meanwhile ends the run.
int wait_for_key(Run& run);
