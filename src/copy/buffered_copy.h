// The program's own copy (unit s_list_u64), used when the platform's
// whole-file copy fails.
#pragma once

#include <cstdint>
#include <string>

// The name the buffered copy gives `destination`: a character 5 in the
// file name becomes '+'.
std::wstring buffered_copy_name(std::wstring destination);
// Copies every byte of `source` into `new_file`, which it creates (it must
// not exist). False on a failed or short read or write, or when an interrupt
// stops it between pieces; `new_file` may then be left for the caller to
// remove. `*copied` receives the bytes copied; `*no_buffer` is set when the
// copy buffer could not be had.
bool buffered_copy(const std::wstring& source, const std::wstring& new_file, uint64_t* copied, bool* no_buffer);
