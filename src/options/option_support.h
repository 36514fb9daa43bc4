// Small helpers shared by the option parser and the list-file readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "state/run_state.h"

// What the parsers build: the configuration, and the run state whose streams
// the options open as they come (the logs, the memo, the source list).
struct Parsing {
    Configuration& config;
    Run& run;
    OptionRecord& options() { return config.options; }
    LogStreams& logs() { return run.logs; }
};

// The default log `name` in place of an earlier one; a file that can be
// neither opened nor created ends the process with exit code 1.
void use_default_log_or_exit(Parsing& p, const std::wstring& name);
// The logs of the mask under the log base name; one that cannot be opened
// ends the run (OUTPUT_FILE).
void open_logs_of_mask_or_end(Parsing& p);

// Ends the run (reason 6) with a message naming the list that has no room
// for another entry: nothing is written past a fixed list.
[[noreturn]] void end_run_list_full(Parsing& p, const char* list_name, size_t capacity);

// The full path of a name the user gave, for handing to the file system;
// the name itself when no full path can be made of it.
std::wstring path_for_opening(const std::wstring& name);

// _wtoi64 and _wtoi: white space, a sign, digits up to the first other
// character (none gives 0); the results saturate at their type's limits.
int64_t decimal_value64(const wchar_t* text);
int32_t decimal_value(const wchar_t* text);

// A full path of a name the user gave, or the end of the run (reason 6).
std::wstring full_path_or_end(Parsing& p, const std::wstring& name, size_t limit = 32768);
