// Small helpers shared by the option parser and the list-file readers.
#pragma once

#include <cstddef>
#include <string>

// Ends the run (reason 6) with a message naming the list that has no room
// for another entry: nothing is written past a fixed list.
[[noreturn]] void end_run_list_full(const char* list_name, size_t capacity);

// The full path of a name the user gave, for handing to the file system;
// the name itself when no full path can be made of it.
std::wstring path_for_opening(const std::wstring& name);
