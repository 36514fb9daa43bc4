// Small helpers shared by the option parser and the list-file readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "log/log_streams.h"
#include "run/config.h"

// The option record the parsers fill, and the log streams they open.
OptionRecord& options();
LogStreams& logs();

// Ends the run (reason 6) with a message naming the list that has no room
// for another entry: nothing is written past a fixed list.
[[noreturn]] void end_run_list_full(const char* list_name, size_t capacity);

// The full path of a name the user gave, for handing to the file system;
// the name itself when no full path can be made of it.
std::wstring path_for_opening(const std::wstring& name);

// _wtoi64 and _wtoi: white space, a sign, digits up to the first other
// character (none gives 0); the results saturate at their type's limits.
int64_t decimal_value64(const wchar_t* text);
int32_t decimal_value(const wchar_t* text);

// A full path of a name the user gave, or the end of the run (reason 6).
std::wstring full_path_or_end(const std::wstring& name, size_t limit = 32768);
