// The one routine that ends every run, and the number text of the counters.
#pragma once

#include <cstdint>

namespace run {

// Exit reasons (the number is also the exit code).
enum ExitReason : int {
    NORMAL_EXIT = 0,
    USER_ABORTED = 2,
    INPUT_FILE = 3,
    OUTPUT_FILE = 4,
    PARAMATER_FILE = 5,
    ILLEGAL_OPTION = 6,
    MEMORY_ERROR = 7,
    OTHER_EXIT = 8,
    WRITE_ERROR = 9,
    READ_ERROR = 11,
    NON_SPECIFIC_ERROR = 13,
};

// The text of an exit reason ("USER_ABORTED", ...).
const char* reason_text(int reason);

// Writes the statistics to the screen and the open logs, closes the streams
// and ends the process with `reason` as exit code. Called on the main thread;
// should another thread already be ending the run, it waits for the end.
[[noreturn]] void terminate(int reason);
// The same for a caller that has claimed the end of the run (run/stop.h).
[[noreturn]] void terminate_claimed(int reason);

// `value` in decimal with thousands separators ("1,234,567", "-1,000").
// The text lives in one shared buffer that the next call overwrites (only
// the thread that runs the copy calls it).
const wchar_t* format_count(int64_t value);

}  // namespace run
